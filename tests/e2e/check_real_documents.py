#!/usr/bin/env python3
"""End-to-end check of deckgen on documents typeset by TeX Live at test time.

    check_real_documents.py DECKGEN [DOCUMENT ...]

Each document (a .tex file next to this script) is typeset in a temporary directory,
converted by DECKGEN, and the MHT package is read back with Python's email package.
TeX Live's dvitype is the reference DVI reader: every character, rule and colour
special it reports is compared, page by page, with the VML shapes of the slides.
Exits 0 when every check holds, 1 on a mismatch, 77 (skipped) without TeX Live.
"""

import email
import email.policy
import os
import functools
import math
import quopri
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

HERE = os.path.dirname(os.path.abspath(__file__))

# Per document: the TeX program, the least page count, the font families that must
# appear, and the least number of colour pushes, so that a document that stopped
# exercising what it is here for fails too.
DOCUMENTS = {
    "plain-math": dict(engine="tex", pages=1, fonts={"cmr", "cmmi", "cmsy", "cmex", "cmbx"},
                       colours=0, rules=10),
    "colour": dict(engine="latex", pages=2, fonts={"cmr", "cmmi", "cmbx"}, colours=15, rules=2),
    "long": dict(engine="tex", pages=20, fonts={"cmr", "cmmi", "cmbx", "cmex"}, colours=0,
                 rules=20),
}

LOCATION = "file:///C:/91765DE5/"
PPT_NS = "urn:schemas-microsoft-com:office:powerpoint"

# Positions are written with 14 significant digits (%.14g). On a page, coordinates
# stay below 10^4 pt, so each printed number is within 5e-11 pt of the double it
# came from; a baseline adds two printed numbers, and the converter and this script
# may form the DVI-unit-to-point factor in a different order (a few ulps). 1e-8 pt
# covers all of that a hundred times over, while one DVI unit (a scaled point,
# 1.5e-5 pt) is still more than a thousand times larger: any position off by a
# single unit fails.
TOL = 1e-8


class Mismatch(Exception):
    pass


def close(a, b, tol=TOL):
    return abs(a - b) <= tol


# --- The reference: dvitype -output-level=4 ---------------------------------------

LEVEL = re.compile(r"level \d+:\(h=(-?\d+),v=(-?\d+),")
H_MOVE = re.compile(r"(?<!h)h:=(-?\d+)([+-]\d+)=(-?\d+)")
V_MOVE = re.compile(r"(?<!v)v:=(-?\d+)([+-]\d+)=(-?\d+)")
CHAR = re.compile(r"^\d+: (?:setchar(\d+)|(set|put)[1-4] (\d+))")
RULE = re.compile(r"^\d+: (set|put)rule height (-?\d+), width (-?\d+)")
SPECIAL = re.compile(r"^\d+: xxx '(.*)'\s*$")
FONT_DEF = re.compile(r"^Font (-?\d+): (\S+)(?: scaled \d+)?---loaded at size (\d+) DVI units")
FONT_SELECT = re.compile(r"^\d+: fnt(?:num|[1-4] )(-?\d+) current font is")


def named_colours():
    """The dvips named colours, read from TeX Live's color.pro: name -> (c, m, y, k)."""
    path = run(["kpsewhich", "color.pro"]).strip()
    with open(path, encoding="latin-1") as prologue:
        text = prologue.read()
    number = r"([-+]?[\d.]+)"
    found = re.findall(r"/(\w+)\s*\{\s*" + r"\s+".join([number] * 4) +
                       r"\s+setcmykcolor\s*\}\s*DC", text)
    if len(found) < 60:
        raise Mismatch(f"only {len(found)} named colours found in {path}")
    return {name: tuple(map(float, cmyk)) for name, *cmyk in found}


@functools.cache
def metrics(name):
    """Widths, heights and depths (fix_words) by character code, from the font's TFM
    file as kpsewhich finds it."""
    path = run(["kpsewhich", name + ".tfm"]).strip()
    with open(path, "rb") as tfm:
        data = tfm.read()
    lf, lh, bc, ec, nw, nh, nd = struct.unpack(">7H", data[:14])
    words = struct.unpack(f">{lf}i", data[:4 * lf])
    info, width = 6 + lh, 6 + lh + ec - bc + 1
    height, depth = width + nw, width + nw + nh
    metrics = {}
    for code in range(bc, ec + 1):
        word = words[info + code - bc] & 0xFFFFFFFF
        w, hd = word >> 24, (word >> 16) & 0xFF
        if w:
            metrics[code] = (words[width + w], words[height + (hd >> 4)], words[depth + (hd & 15)])
    return metrics


NUMBER = re.compile(r"\s*([-+]?(?:\d+\.?\d*|\.\d+)(?:[eE][-+]?\d+)?)")


def numbers(text, count):
    """Reads up to count numbers as C's strtod would, one after the other; a number
    that cannot be read is 0 and leaves the position where it is."""
    values, pos = [], 0
    for _ in range(count):
        match = NUMBER.match(text, pos)
        if match:
            values.append(float(match.group(1)))
            pos = match.end()
        else:
            values.append(0.0)
    return values


def byte(x):
    scaled = x * 255
    if scaled != scaled or scaled in (float("inf"), float("-inf")):
        return 0
    return int(scaled) % 256


def from_cmyk(c, m, y, k):
    return [byte(1 - min(1.0, part + k)) for part in (c, m, y)]


def colour_of(argument, named):
    """The rgb hex digits of a "color push" argument (what follows "color push")."""
    if "Black" in argument:
        return "000000"
    rest = argument.lstrip(" ")
    word = rest.split(" ", 1)[0]
    if word == "gray":
        rgb = [byte(numbers(rest[4:], 1)[0])] * 3
    elif word == "cmyk":
        rgb = from_cmyk(*numbers(rest[4:], 4))
    elif rest in named:
        rgb = from_cmyk(*named[rest])
    elif len(argument) < 5:
        rgb = [0, 0, 0]
    else:
        rgb = [byte(x) for x in numbers(argument[5:], 3)]
    return "".join(f"{component:02x}" for component in rgb)


def read_dvitype(dvi, named):
    """Runs dvitype and returns (num, den, mag), the fonts (number -> name, size) and
    the pages; a page holds its characters (h, v, code, font, DVI advance or None,
    colour) and rules (h, v, a, b, colour), colour being the hex digits on top of the
    colour stack, or None."""
    text = run(["dvitype", "-output-level=4", dvi])
    num, den = map(int, re.search(r"numerator/denominator=(\d+)/(\d+)", text).groups())
    mag = int(re.search(r"magnification=(\d+);", text).group(1))
    total = int(re.search(r"totalpages=(\d+)", text).group(1))
    fonts, pages, stack = {}, [], []
    h = v = 0
    font = None
    for line in text.splitlines():
        if match := FONT_DEF.match(line):
            fonts[int(match.group(1))] = (match.group(2), int(match.group(3)))
            continue
        if re.match(r"^\d+: beginning of page", line):
            pages.append(dict(chars=[], rules=[], specials=0, colour_at_start=bool(stack)))
            h = v = 0
            continue
        if match := LEVEL.search(line):
            h, v = int(match.group(1)), int(match.group(2))
            continue
        colour = stack[-1] if stack else None
        if match := FONT_SELECT.match(line):
            font = int(match.group(1))
        elif match := CHAR.match(line):
            code = int(match.group(1) or match.group(3))
            move = H_MOVE.search(line)
            width = int(move.group(2)) if move and match.group(2) != "put" else None
            pages[-1]["chars"].append((h, v, code, font, width, colour))
        elif match := RULE.match(line):
            pages[-1]["rules"].append((h, v, int(match.group(2)), int(match.group(3)), colour))
        elif match := SPECIAL.match(line):
            special = match.group(1)
            if special.startswith("color push"):
                stack.append(colour_of(special[10:], named))
                pages[-1]["specials"] += 1
            elif special.startswith("color pop"):
                if stack:
                    stack.pop()
        if match := H_MOVE.search(line):
            h = int(match.group(3))
        if match := V_MOVE.search(line):
            v = int(match.group(3))
    if total != len(pages):
        raise Mismatch(f"dvitype: totalpages={total} but {len(pages)} pages read")
    return (num, den, mag), fonts, pages


# --- The package ------------------------------------------------------------------

BOX = re.compile(
    r"^<v:shape id=\"_x0000_s(\d+)\" type=\"#_x0000_t202\" style='position:absolute;"
    r"left:([^p]+)pt;top:([^p]+)pt;width:([^p]+)pt;height:([^p]+)pt;mso-wrap-style:\w+;"
    r"v-text-anchor:bottom-baseline'.*<v:textbox [^>]*inset=\"0pt,([^p]+)pt,0pt,([^p]+)pt\""
    r"/></v:shape>$")
TEXT = re.compile(
    r"^<div v:shape=\"_x0000_s(\d+)\" class=O ><span style='font-family:([^;]+);"
    r"font-size:([^%]+)%;(?:color:#([0-9a-f]{6}))?;mso-line-spacing:\"300 0 0\"'>"
    r"&#(\d+);?</span></div>$")
LINE = re.compile(
    r"^<v:line id='_x0000_s(\d+)' style='position:absolute' from=\"([^p]+)pt,([^p]+)pt\" "
    r"to=\"([^p]+)pt,([^p]+)pt\" strokecolor='([^']*)' strokeweight='([^p]+)pt'>"
    r"<v:shadow color='gray \[2\]'/></v:line>$")
QP_BAD = re.compile(rb"=(?![0-9A-F]{2}|\r?\n|$)", re.M)


def decoded(part, where, location, content_type):
    if part.get("Content-Location") != LOCATION + location:
        raise Mismatch(f"{where}: Content-Location {part.get('Content-Location')!r}, "
                       f"expected {LOCATION + location}")
    if part.get_content_type() != content_type:
        raise Mismatch(f"{where}: type {part.get_content_type()}, expected {content_type}")
    if part.get("Content-Transfer-Encoding", "").lower() != "quoted-printable":
        raise Mismatch(f"{where}: not quoted-printable")
    raw = part.get_payload(decode=False).encode("ascii")
    if bad := QP_BAD.search(raw):
        raise Mismatch(f"{where}: broken quoted-printable escape near {raw[bad.start():][:12]!r}")
    if part.defects:
        raise Mismatch(f"{where}: MIME defects {part.defects}")
    return quopri.decodestring(raw).decode("ascii")


def read_package(path):
    with open(path, "rb") as package:
        data = package.read()
    message = email.message_from_bytes(data, policy=email.policy.compat32)
    if message.get_content_type() != "multipart/related" or not message.is_multipart():
        raise Mismatch(f"package is {message.get_content_type()}, not multipart/related")
    boundary = message.get_param("boundary")
    if boundary != "----=_NextPart_01C26412.E8D705F0":
        raise Mismatch(f"unexpected boundary {boundary!r}")
    if not data.rstrip().endswith(b"--" + boundary.encode() + b"--"):
        raise Mismatch("package does not end with the closing boundary")
    if message.defects:
        raise Mismatch(f"MIME defects {message.defects}")
    parts = message.get_payload()
    if len(parts) < 2:
        raise Mismatch(f"{len(parts)} parts")
    main = decoded(parts[0], "main document", "deckgen.htm", "text/html")
    if 'href="deckgen_files/pres.xml"' not in main:
        raise Mismatch("the main document does not link the presentation part")
    root = ET.fromstring(decoded(parts[1], "pres.xml", "deckgen_files/pres.xml", "text/xml"))
    listed = [(s.get("id"), s.get("href")) for s in root.iter(f"{{{PPT_NS}}}slide")]
    slides = [decoded(part, f"slide part {i}", f"deckgen_files/slide{i:04d}.htm", "text/html")
              for i, part in enumerate(parts[2:], 1)]
    return listed, slides


# --- Comparison -------------------------------------------------------------------

def compare_page(number, slide, page, f, fonts, tally):
    where = f"page {number}"
    lines = slide.split("\n")
    boxes = [i for i, line in enumerate(lines) if 'type="#_x0000_t202"' in line]
    rules = [line for line in lines if line.startswith("<v:line")]
    frames = [line for line in lines if line.startswith("<v:rect")]
    chars = page["chars"]
    drawn = [r for r in page["rules"] if r[2] > 0 and r[3] > 0]
    if len(boxes) != len(chars):
        raise Mismatch(f"{where}: {len(boxes)} text boxes, dvitype reports {len(chars)} characters")
    if len(rules) != len(drawn):
        raise Mismatch(f"{where}: {len(rules)} lines, dvitype reports {len(drawn)} rules "
                       f"with both sides positive")
    if len(frames) != 1:
        raise Mismatch(f"{where}: {len(frames)} page frames")
    ids = re.findall(r"<v:(?:shape|line|rect) id=[\"']_x0000_s(\d+)", slide)
    if len(set(ids)) != len(ids) or len(ids) != len(boxes) + len(rules) + 1:
        raise Mismatch(f"{where}: {len(ids)} shape ids, {len(set(ids))} different")

    for n, (i, (h, v, code, font, width, colour)) in enumerate(zip(boxes, chars), 1):
        what = f"{where}, character {n} (code {code} at h={h}, v={v})"
        box, text = BOX.match(lines[i]), TEXT.match(lines[i + 1] if i + 1 < len(lines) else "")
        if not box or not text:
            raise Mismatch(f"{what}: unreadable text box:\n{lines[i]}\n{lines[i + 1]}")
        if box.group(1) != text.group(1):
            raise Mismatch(f"{what}: text for shape {text.group(1)} follows shape {box.group(1)}")
        left, top, w, height, top_inset, bottom_inset = map(float, box.groups()[1:])
        baseline = top + top_inset if bottom_inset > 0 else top + (top_inset + height) / 2
        if not close(left, h * f + 44) or not close(baseline, v * f + 44):
            raise Mismatch(f"{what}: left {left!r}, baseline {baseline!r}; dvitype gives "
                           f"{h * f + 44!r}, {v * f + 44!r}")
        # The box's size from the TFM file: height and depth in points, cut toward zero
        # to multiples of 1/8 pt; the top inset reaches the baseline, the bottom inset
        # holds the depth when it is positive. A character without width is square.
        name, size = fonts[font]
        tw, th, td = [size * fix * f * 2 ** -20 for fix in metrics(name)[code]]
        t, d = [math.trunc(x / 0.125) * 0.125 for x in (th, td)]
        want = [tw or th, t + d, t + max(-d, 0), max(d, 0)]
        if not all(map(close, [w, height, top_inset, bottom_inset], want)):
            raise Mismatch(f"{what}: width, height and insets {[w, height, top_inset, bottom_inset]}"
                           f", the TFM file gives {want}")
        # dvitype's advance is the TFM width rounded to whole DVI units.
        if width is not None and not close(w, width * f, f) and tw:
            raise Mismatch(f"{what}: width {w!r}, the DVI advance is {width * f!r} pt")
        shown = code + 161 if code <= 9 else code + 163 if code <= 32 else 196 if code == 127 \
            else code
        if int(text.group(5)) != shown:
            raise Mismatch(f"{what}: written as &#{text.group(5)}")
        if text.group(4) != colour:
            raise Mismatch(f"{what}: colour {text.group(4)}, the colour specials give {colour}")
        tally["checks"] += 11

    for n, (line, (h, v, a, b, colour)) in enumerate(zip(rules, drawn), 1):
        what = f"{where}, rule {n} (height {a}, width {b} at h={h}, v={v})"
        match = LINE.match(line)
        if not match:
            raise Mismatch(f"{what}: unreadable line:\n{line}")
        got = list(map(float, match.group(2, 3, 4, 5)))
        if b > a:
            y = (v - a / 2) * f + 44
            want = [h * f + 44, y, (h + b) * f + 44, y]
        else:
            x = (h + b / 2) * f + 44
            want = [x, (v - a) * f + 44, x, v * f + 44]
        if not all(map(close, got, want)):
            raise Mismatch(f"{what}: drawn from {got[:2]} to {got[2:]}, expected {want}")
        if not close(float(match.group(7)), min(a, b) * f):
            raise Mismatch(f"{what}: stroke weight {match.group(7)}, expected {min(a, b) * f!r}")
        stroke = "black [1]" if colour is None else "#" + colour
        if match.group(6) != stroke:
            raise Mismatch(f"{what}: stroke colour {match.group(6)!r}, expected {stroke!r}")
        tally["checks"] += 6


def check(deckgen, name, named):
    wanted = DOCUMENTS[name]
    with tempfile.TemporaryDirectory(prefix=f"deckgen-{name}-") as work:
        source = os.path.join(work, name + ".tex")
        shutil.copy(os.path.join(HERE, name + ".tex"), source)
        run([wanted["engine"], "-interaction=nonstopmode", "-halt-on-error", source], cwd=work)
        dvi, mht = os.path.join(work, name + ".dvi"), os.path.join(work, name + ".mht")
        result = subprocess.run([deckgen, dvi, mht], capture_output=True)
        if result.returncode != 0 or result.stderr:
            raise Mismatch(f"deckgen failed ({result.returncode}): {result.stderr!r}")
        (num, den, mag), fonts, pages = read_dvitype(dvi, named)
        listed, slides = read_package(mht)

    f = num / den * (mag / 1000) * 72 / 254000
    expected = [(str(i), f"slide{i:04d}.htm") for i in range(1, len(pages) + 1)]
    if listed != expected:
        raise Mismatch(f"pres.xml lists {listed[:3]}... ({len(listed)}), expected "
                       f"{len(pages)} slides")
    if len(slides) != len(pages):
        raise Mismatch(f"{len(slides)} slide parts for {len(pages)} pages")
    tally = dict(checks=2 + len(slides))
    for number, (slide, page) in enumerate(zip(slides, pages), 1):
        compare_page(number, slide, page, f, fonts, tally)

    # The document itself must still exercise what it is here for.
    chars = sum(len(p["chars"]) for p in pages)
    drawn = sum(1 for p in pages for r in p["rules"] if r[2] > 0 and r[3] > 0)
    pushes = sum(p["specials"] for p in pages)
    families = {re.sub(r"\d+$", "", fonts[c[3]][0]) for p in pages for c in p["chars"]}
    coloured = {c[5] for p in pages for c in p["chars"]} - {None}
    if len(pages) < wanted["pages"] or drawn < wanted["rules"] or pushes < wanted["colours"] \
            or not wanted["fonts"] <= families:
        raise Mismatch(f"the document no longer has what it is for: {len(pages)} pages, "
                       f"{drawn} rules, {pushes} colour pushes, fonts {sorted(families)}")
    if wanted["colours"] and not any(p["colour_at_start"] and p["chars"] for p in pages[1:]):
        raise Mismatch("no colour runs over a page break")
    print(f"{name}: {len(pages)} pages, {chars} characters, {drawn} rules, {pushes} colour pushes "
          f"({len(coloured)} distinct colours on characters), fonts {sorted(families)}, "
          f"{tally['checks']} checks compared")


def run(command, cwd=None):
    result = subprocess.run(command, cwd=cwd, capture_output=True, text=True,
                            stdin=subprocess.DEVNULL)
    if result.returncode != 0:
        raise Mismatch(f"{' '.join(command)} failed:\n{result.stdout[-2000:]}{result.stderr}")
    return result.stdout


def main(argv):
    if len(argv) < 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    deckgen, names = os.path.abspath(argv[1]), argv[2:] or list(DOCUMENTS)
    missing = [tool for tool in ("tex", "latex", "dvitype", "kpsewhich") if not shutil.which(tool)]
    if missing:
        print(f"skipped: {', '.join(missing)} not found")
        return 77
    failed = 0
    named = named_colours()
    for name in names:
        try:
            check(deckgen, name, named)
        except Mismatch as mismatch:
            print(f"{name}: FAILED: {mismatch}")
            failed += 1
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
