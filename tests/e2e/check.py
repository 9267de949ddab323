#!/usr/bin/env python3
"""check.py slides|pixels DECKGEN_PPTX DOCUMENT [OOXML_VALIDATOR]

Typesets DOCUMENT.tex (next to this script), converts it with DECKGEN_PPTX and checks the
result against dvitype's reading of the DVI file, the AFM files and color.pro.
  slides  parts, content types, relationships, one slide per page, schemas (with
          OOXML_VALIDATOR); each rule exactly in place, each glyph's outline exactly on its
          box in the font's AFM file, all in their colours; each link's area where dvips
          puts it; the slides' text, character by character, TeX's PDF's.
  pixels  LibreOffice converts the presentation to PDF, whose pages pdftoppm draws as
          dvips and Ghostscript draw the DVI pages; pdftotext finds on each page the words it finds in
          TeX's PDF (dvipdfmx, or dvips and Ghostscript); pdfinfo finds the web links TeX's PDF has as dvips and
          Ghostscript make it, and each link to a slide goes to its destination's page.
Exits 0 when all holds, 1 on a failure, 77 (skipped) when a tool is missing.
"""
import collections, functools, glob, importlib.util, math, os, pathlib
import posixpath, re, shutil, subprocess, sys, tempfile, unicodedata, zipfile
import xml.etree.ElementTree as ET

HERE = os.path.dirname(os.path.abspath(__file__))
# The schema check loads the core-properties schema's imports from local copies.
os.environ.setdefault("XML_CATALOG_FILES", os.path.join(HERE, "schemas", "catalog.xml"))
# Per document, the TeX program. plain-math.tex sets fonts whose codes start above 0 (lasy,
# cminch); colour.tex uses every dvips named colour and carries one over a page break.
DOCUMENTS = {"plain-math": "tex", "colour": "latex", "long": "tex", "beamer": "latex",
             "t1-lmodern": "latex", "href": "latex"}
# Words: each page's words as pdftotext finds them (NFKC, punctuation left out), as a
# multiset: at least WORDS of TeX's are on the slide, and of the slide's in TeX's PDF.
WORDS = .95
# Characters of the slides' text (without LibreOffice): each page holds CHARACTERS of
# TeX's, and they as much of the slide's.
CHARACTERS = .95
# Slide paths count in hundredths of a big point, 127 EMU: a point lies within half of
# that of its place, give or take the rounding of the place to EMU.
GRID = 127
# Pixels: at least LEAST of each drawing's ink lies within one pixel of the other's ink
# (a missing glyph or rule shows in the slides check). Ink is a channel STRONG from the
# page colour, met by ink down to WEAK (anti-aliasing differs). Where both have ink, LEAST
# of it lies within HUE degrees of one direction from the page.
DPI, LEAST, STRONG, WEAK, HUE = 144, .97, 128, 48, 5
GS_CMYK_PROFILE = "/usr/share/color/icc/ghostscript/default_cmyk.icc"
BP = {"pt": 72 / 72.27, "bp": 1, "in": 72, "cm": 72 / 2.54, "mm": 72 / 25.4}  # big points per unit
LENGTH = r"\s*([-+]?(?:\d+\.?\d*|\.\d+))\s*(?:true)?\s*(pt|bp|in|cm|mm)\s*"
# What the documents give as their PDF's title, author, subject and keywords.
PROPERTIES = {"href": {"title": "Links, caf\u00e9 \u2013 na\u00efve", "creator": "A. Writer",
                       "subject": "Links (and accents)", "keywords": "hyperref, dvips"},
              "beamer": {"title": "Slides from a DVI file", "creator": "A. Author"}}
R_ID = "{http://schemas.openxmlformats.org/officeDocument/2006/relationships}id"
PML = "application/vnd.openxmlformats-officedocument.presentationml."
Char = collections.namedtuple("Char", "h v code font colour")
Rule = collections.namedtuple("Rule", "h v a b colour")
Link = collections.namedtuple("Link", "left top right bottom linked")
Failure = AssertionError  # a check that does not hold


def run(command, cwd=None, timeout=300, quiet=False):
    """Runs a program; quiet: a converter, which says nothing when all goes well."""
    result = subprocess.run(command, cwd=cwd, capture_output=True, text=True,
                            stdin=subprocess.DEVNULL, timeout=timeout)
    if result.returncode or quiet and (result.stdout or result.stderr):
        raise Failure(f"{' '.join(command)} failed ({result.returncode}):\n"
                      f"{result.stdout[-2000:]}{result.stderr[-2000:]}")
    return result.stdout


@functools.cache
def named_colours():
    """dvips's named colours from color.pro: name -> (c, m, y, k)."""
    prologue = pathlib.Path(run(["kpsewhich", "color.pro"]).strip()).read_text("latin-1")
    found = re.findall(r"/(\w+)\s*\{\s*" + r"\s+".join([r"([-+]?[\d.]+)"] * 4) +
                       r"\s+setcmykcolor\s*\}\s*DC", prologue)
    return {name: tuple(map(float, cmyk)) for name, *cmyk in found}


@functools.cache
def font_files():
    """pdftex.map's Type 1 file of each TFM name, without its extension, as deckgen-pptx
    finds it (sansmathaccent's mathkerncmssi8 is drawn from cmssi8.pfb)."""
    found = {}
    text = pathlib.Path(run(["kpsewhich", "pdftex.map"]).strip()).read_text("latin-1")
    for line in text.splitlines():
        words = line.split()
        if not words or line[0] in "%#*;":
            continue
        for word in words[1:]:
            if word.lstrip("<[").endswith((".pfb", ".pfa")):
                found.setdefault(words[0], word.lstrip("<[").rsplit(".", 1)[0])
    return found


@functools.cache
def bboxes(name):
    """Each character's box (left, bottom, right, top) from the AFM file of the font's
    Type 1 file, in 1/1000 of the font's size."""
    afm_name = font_files().get(name, name) + ".afm"
    afm = pathlib.Path(run(["kpsewhich", afm_name]).strip()).read_text("latin-1")
    return {int(m[1]): tuple(map(int, m.groups()[1:])) for m in re.finditer(
        r"^C (\d+) ;.*?B (-?\d+) (-?\d+) (-?\d+) (-?\d+)", afm, re.M)}


@functools.cache
def cmyk_to_rgb(cmyk):
    """A CMYK colour (0 to 255 each) as Ghostscript draws it: through its default CMYK
    profile to sRGB, relative colorimetric with black point compensation (littleCMS, as
    PIL has it)."""
    from PIL import Image, ImageCms
    transform = ImageCms.buildTransform(
        ImageCms.getOpenProfile(GS_CMYK_PROFILE), ImageCms.createProfile("sRGB"), "CMYK", "RGB",
        renderingIntent=ImageCms.INTENT_RELATIVE_COLORIMETRIC,
        flags=ImageCms.FLAGS["BLACKPOINTCOMPENSATION"])
    return ImageCms.applyTransform(Image.new("CMYK", (1, 1), cmyk), transform).getpixel((0, 0))


def colour_of(argument):
    """The rgb hex digits of what follows "color push": rgb, gray, cmyk or a dvips name,
    as Ghostscript draws dvips's PostScript, cut to whole steps of 1/255 (CMYK through
    its profile, from components rounded to such steps)."""
    if "Black" in argument:  # dvips's Black, pure black on the slides as in deckgen
        return "000000"
    word, *values = argument.split()
    values = named_colours().get(word) or list(map(float, values))
    if word not in ("gray", "rgb"):
        return "".join(f"{x:02x}" for x in cmyk_to_rgb(tuple(round(x * 255) for x in values)))
    rgb = values * 3 if word == "gray" else values
    return "".join(f"{int(x * 255):02x}" for x in rgb)


def near_colour(one, other, steps=4):
    """Whether two colours' hex digits are within `steps` of 1/255 in each channel (the
    slides convert CMYK from the components themselves, not from whole steps)."""
    return all(abs(int(one[i:i + 2], 16) - int(other[i:i + 2], 16)) <= steps for i in (0, 2, 4))


def typeset(name, work):
    """Typesets the document and reads the DVI file with dvitype: EMU per DVI
    unit, the fonts (number -> name, size), the page size in bp (None without a
    papersize special: the drivers' paper) and each page's characters, rules and links (hyperref's H.S ... H.R
    with an /ANN pdfmark) in order, with their colours."""
    shutil.copy(os.path.join(HERE, name + ".tex"), work)
    for _ in range(2):  # the second run for cross-references
        run([DOCUMENTS[name], "-interaction=nonstopmode", "-halt-on-error", name + ".tex"], cwd=work)
    dvi = os.path.join(work, name + ".dvi")
    text = run(["dvitype", "-output-level=4", dvi])
    num, den, mag = map(int, re.search(r"tor=(\d+)/(\d+)\s+magnification=(\d+)", text).groups())
    bp = 254000 / 72 * den / num  # a big point in DVI units
    fonts, pages, stack, h, v, font, start, end = {}, [], [], 0, 0, None, None, None
    for line in text.splitlines():
        colour = stack[-1] if stack else None
        if m := re.match(r"Font (-?\d+): (\S+)(?: scaled \d+)?---loaded at size (\d+) DVI", line):
            fonts[int(m[1])] = (m[2], int(m[3]))
        elif re.match(r"\d+: beginning of page", line):
            pages, h, v = pages + [[]], 0, 0
        elif m := re.search(r"level \d+:\(h=(-?\d+),v=(-?\d+),", line):
            h, v = int(m[1]), int(m[2])
        elif m := re.match(r"\d+: fnt(?:num|[1-4] )(-?\d+) current font", line):
            font = int(m[1])
        elif m := re.match(r"\d+: (?:setchar(\d+)|(?:set|put)[1-4] (\d+))", line):
            pages[-1].append(Char(h, v, int(m[1] or m[2]), font, colour))
        elif m := re.match(r"\d+: (?:set|put)rule height (-?\d+), width (-?\d+)", line):
            pages[-1].append(Rule(h, v, int(m[1]), int(m[2]), colour))
        elif m := re.match(r"\d+: xxx 'color push(.*)'\s*$", line):
            stack.append(colour_of(m[1]))
        elif re.match(r"\d+: xxx 'color pop", line) and stack:
            stack.pop()
        elif re.match(r"\d+: xxx 'ps:SDict begin H\.S end'", line):
            start = (h, v)
        elif re.match(r"\d+: xxx 'ps:SDict begin H\.R end'", line) and start:
            # The link's rectangle, a point of border around, as hyperref's H.R makes it.
            end = (start[0] - bp, v - bp, h + bp, start[1] + bp)
        elif (m := re.match(r"\d+: xxx 'ps:SDict begin ([\d.]+) H\.L end'", line)) and start:
            end = (start[0] - bp, v - (float(m[1]) - 2) * bp, h, start[1] + bp)  # baselineskip
        elif re.match(r"\d+: xxx '.*H\.B /ANN pdfmark", line) and end:
            uri = re.search(r"/URI\((.*?)\)>>", line)
            pages[-1].append(Link(*end, not uri or re.match(r"(?i)(https?|mailto|ftp):", uri[1])))
            start = end = None
        h = int(m[1]) if (m := re.search(r"(?<!h)h:=-?\d+[+-]\d+=(-?\d+)", line)) else h
        v = int(m[1]) if (m := re.search(r"(?<!v)v:=-?\d+[+-]\d+=(-?\d+)", line)) else v
    size = None  # dvips's paper, as its configuration gives it
    if paper := re.search(r"^\d+: xxx '\s*papersize\s*=" + LENGTH + "," + LENGTH + "'", text, re.M):
        size = (float(paper[1]) * BP[paper[2]], float(paper[3]) * BP[paper[4]])
    unit = num / den * mag / 1000 / 254000  # inches per DVI unit
    return dvi, unit * 914400, fonts, size, pages


def check_slides(deckgen_pptx, name, work, validator=None):
    dvi, emu, fonts, paper, pages = typeset(name, work)
    run([deckgen_pptx, dvi, pptx := work + "/out.pptx"], quiet=name != "href")  # it warns of a link
    with zipfile.ZipFile(pptx) as package:  # a bad CRC raises BadZipFile
        xml = {part: ET.fromstring(package.read(part)) for part in package.namelist()}
    types = {(t.get("PartName") or "." + t.get("Extension", "")).lower(): t.get("ContentType")
             for t in xml.get("[Content_Types].xml", [])}

    def content_type(part):
        return types.get("/" + part.lower()) or types.get("." + part.rpartition(".")[2].lower())
    if [p for p in xml if p != "[Content_Types].xml" and not content_type(p)] or \
            [t for t in types if t.startswith("/") and t[1:] not in map(str.lower, xml)]:
        raise Failure(f"parts without content types, or types without parts: {types}")
    targets = {}  # (source part, relationship id) -> (relationship type, target part)
    for rels in [part for part in xml if part.endswith(".rels")]:
        folder = posixpath.dirname(posixpath.dirname(rels))  # of the source part and of "_rels"
        source = posixpath.join(folder, posixpath.basename(rels)[:-5])
        for rel in [r for r in xml[rels] if r.get("TargetMode") != "External"]:
            target = posixpath.normpath(posixpath.join(folder, rel.get("Target"))).lstrip("/")
            if target not in xml:
                raise Failure(f"{rels}: {rel.get('Id')} points to {target}, not in the package")
            targets[source, rel.get("Id")] = (rel.get("Type").rpartition("/")[2], target)
    main = [t for (s, _), (kind, t) in targets.items() if not s and kind == "officeDocument"]
    if len(main) != 1 or content_type(main[0]) != PML + "presentation.main+xml":
        raise Failure(f"the package's office documents {main} are not one presentation")
    slides = [targets.get((main[0], s.get(R_ID)), ("", "")) for s in xml[main[0]].iter()
              if s.tag == "{http://schemas.openxmlformats.org/presentationml/2006/main}sldId"]
    if len(slides) != len(pages) or any(kind != "slide" or content_type(part) != PML + "slide+xml"
                                        for kind, part in slides):
        raise Failure(f"{main[0]} lists {len(slides)} slides, the DVI file has {len(pages)} pages")
    # The slide's size is the paper's: the document's, or else that of dvips's configuration
    # (its PostScript's bounding box, in whole big points).
    slide_size = next(e for e in xml[main[0]].iter() if e.tag.endswith("}sldSz"))
    got = [int(slide_size.get(c)) / 12700 for c in ("cx", "cy")]
    want = paper or [int(n) for n in re.search(r"%%BoundingBox: 0 0 (\d+) (\d+)", run(
        ["dvips", "-q", "-o", "-", dvi], cwd=work)).groups()]
    if any(abs(g - w) > 1 for g, w in zip(got, want)):
        raise Failure(f"slides of {got} big points, the paper is {want}")
    if validator:  # CMake says at configure time when it has none
        run([sys.executable, validator, pptx])
    # The document information hyperref gives, in the package's core properties.
    core = {e.tag.rpartition("}")[2]: e.text for e in xml.get("docProps/core.xml", [])}
    if core != PROPERTIES.get(name, {}):
        raise Failure(f"core properties {core}, expected {PROPERTIES.get(name, {})}")
    for number, ((_, slide), page) in enumerate(zip(slides, pages), 1):
        drawn = []  # (colour, steps, points in EMU) per path
        for shape in [s for s in xml[slide].iterfind(".//{*}sp") if s.find(".//{*}path") is not None]:
            x, y = (int(shape.find(".//{*}off").get(c)) for c in "xy")
            width, height = (int(shape.find(".//{*}ext").get(c)) for c in ("cx", "cy"))
            colour = shape.find(".//{*}srgbClr").get("val")
            drawn += [(colour, [step.tag.rpartition("}")[2] for step in path], [
                (x + int(p.get("x")) * width / int(path.get("w")),
                 y + int(p.get("y")) * height / int(path.get("h"))) for p in path.iter()
                if p.tag.endswith("}pt")]) for path in shape.iterfind(".//{*}path")]
        items = [i for i in page if isinstance(i, Char) or isinstance(i, Rule) and min(i.a, i.b) > 0]
        if len(drawn) != len(items):
            raise Failure(f"slide {number}: {len(drawn)} paths for {len(items)} glyphs and rules")
        for n, (item, (colour, steps, points)) in enumerate(zip(items, drawn), 1):
            x, y = 914400 + item.h * emu, 914400 + item.v * emu
            if isinstance(item, Rule):  # a rectangle from h to h + b across, v - a to v down
                want, slack = (x, y - item.a * emu, x + item.b * emu, y), GRID / 2 + 1
            else:  # the outline reaches the edges of the character's box in the AFM file
                font, size = fonts[item.font]
                left, bottom, right, top = (u * size * emu / 1000 for u in bboxes(font)[item.code])
                want = (x + left, y - top, x + right, y - bottom)
                slack = GRID / 2 + size * emu / 2000 + 1  # and the AFM file's rounding
            box = [f(p[i] for p in points) for f in (min, max) for i in (0, 1)]
            if not near_colour(colour, item.colour or "000000") or any(
                    abs(a - b) > slack for a, b in zip(box, want)) or isinstance(item, Rule) \
                    and steps != ["moveTo", "lnTo", "lnTo", "lnTo", "close"]:
                raise Failure(f"slide {number}, item {n} {item}: drawn {colour} {steps[:5]} "
                              f"in {box}, expected {want}")
        # Links, where dvips would put them.
        areas = sorted(tuple(int(s.find(".//{*}off").get(c)) for c in "xy") + tuple(
            int(s.find(".//{*}ext").get(c)) for c in ("cx", "cy")) for s in xml[slide].iterfind(
            ".//{*}sp") if s.find(".//{*}cNvPr").get("name").startswith("Link"))
        want = sorted((round(914400 + l.left * emu), round(914400 + l.top * emu),
                       round((l.right - l.left) * emu), round((l.bottom - l.top) * emu))
                      for l in page if isinstance(l, Link) and l.linked)
        if len(areas) != len(want) or any(abs(a - b) > 2 for x, y in zip(areas, want) for a, b in zip(x, y)):
            raise Failure(f"slide {number}: link areas {areas}, expected {want}")
    # The slides' text, character by character, is TeX's (spaces aside).
    chars = lambda text: collections.Counter(c for c in normal(text) if not c.isspace())
    texts = [" ".join("".join(t.text or "" for t in p.iter() if t.tag.endswith("}t"))
                      for p in xml[slide].iter() if p.tag.endswith("}p")) for _, slide in slides]
    compare(name, "characters", list(map(chars, tex_pages(dvi, work, pages))), list(map(chars, texts)),
            CHARACTERS)
    return f"{len(pages)} slides"


def check_pixels(deckgen_pptx, name, work):
    import numpy as np
    from PIL import Image
    dvi, _, _, size, pages = typeset(name, work)
    run([deckgen_pptx, dvi, pptx := work + "/out.pptx"], quiet=name != "href")  # it warns of a link
    # dvips and Ghostscript draw the DVI file on a page of the slides' size (CMYK through
    # Ghostscript's profile, as the slides have it) while LibreOffice works.
    paper = ["-T", f"{size[0]:.4f}bp,{size[1]:.4f}bp"] if size else []
    run(["dvips", "-q", *paper, "-o", work + "/dvips.ps", dvi], cwd=work)
    ghostscript = subprocess.Popen(
        ["gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=png16m", f"-r{DPI}",
         "-dTextAlphaBits=4", "-dGraphicsAlphaBits=4", f"-sOutputFile={work}/tex%d.png",
         work + "/dvips.ps"], stdout=subprocess.DEVNULL)
    try:
        run(["soffice", "--headless", "--norestore", f"-env:UserInstallation=file://{work}/profile",
             "--convert-to", "pdf", "--outdir", work, pptx], cwd=work, timeout=480)
        run(["pdftoppm", "-r", str(DPI), work + "/out.pdf", work + "/pdf"])
    finally:  # Ghostscript is done before its folder goes
        ghostscript.wait(timeout=300)
    if ghostscript.returncode:
        raise Failure(f"gs failed ({ghostscript.returncode})")
    # The PDF's pages, drawn by pdftoppm, are as many and as large (give or take a pixel or
    # two) as Ghostscript's drawings of the DVI pages; both number them, from 1 or from 01.
    drawn = [sorted(glob.glob(work + p), key=lambda f: (len(f), f)) for p in ("/tex*", "/pdf-*")]
    if len(drawn[0]) != len(pages) or len(drawn[1]) != len(pages):
        raise Failure(f"{len(drawn[0])} pages drawn by gs, {len(drawn[1])} by pdftoppm")

    def near(mask):  # ink within one pixel, across, down or diagonally
        p = np.pad(mask, 1)
        return np.logical_or.reduce([p[dy:dy + mask.shape[0], dx:dx + mask.shape[1]]
                                     for dy in range(3) for dx in range(3)])

    def share(matched, ink, other):
        return matched.sum() / ink.sum() if ink.any() else float(not other.any())
    failing = []
    for number, files in enumerate(zip(*drawn), 1):
        tex, pdf = (np.asarray(Image.open(f).convert("RGB"), dtype=np.int16) for f in files)
        if max(abs(a - b) for a, b in zip(tex.shape, pdf.shape)) > 2:
            raise Failure(f"page {number}: drawn {pdf.shape[:2]} px, TeX's drawing {tex.shape[:2]}")
        border = np.concatenate([tex[0], tex[-1], tex[:, 0], tex[:, -1]])
        colours, counts = np.unique(border, axis=0, return_counts=True)
        page = colours[counts.argmax()]
        tex, pdf = tex[:pdf.shape[0], :pdf.shape[1]], pdf[:tex.shape[0], :tex.shape[1]]
        (a, a_weak), (b, b_weak) = [(d >= STRONG, d >= WEAK) for d in (
            np.maximum(np.maximum(d[..., 0], d[..., 1]), d[..., 2])
            for d in (np.abs(tex - page), np.abs(pdf - page)))]
        there, back = share(a & near(b_weak), a, b), share(b & near(a_weak), b, a)
        t, d = (np.asarray(page - image[a & b], dtype=float) for image in (tex, pdf))
        dot, cos2 = (t * d).sum(axis=1), math.cos(math.radians(HUE)) ** 2
        same = (dot > 0) & (dot * dot >= cos2 * (t * t).sum(axis=1) * (d * d).sum(axis=1))
        hue = same.mean() if same.size else 1.0
        print(f"{name} page {number}: tex->slide {there:.1%} slide->tex {back:.1%} colour {hue:.1%}"
              f" ({a.sum()}, {b.sum()} ink pixels)")
        if not a.any() or min(there, back, hue) < LEAST:
            failing.append(number)
    if failing:
        raise Failure(f"pages {failing} do not draw as TeX draws them")
    tex = tex_pages(dvi, work, pages)
    links = check_links(dvi, pptx, work + "/out.pdf", work)
    check_words(tex, work + "/out.pdf", name)
    return f"{len(pages)} pages drawn as TeX draws them, their words and {links} links found"


def pdf_pages(pdf):
    """The text of each page of a PDF file, as pdftotext finds it."""
    return run(["pdftotext", "-enc", "UTF-8", pdf, "-"]).split("\f")[:-1]


def normal(text):
    """Text as the checks compare it: NFKC. TeX's PDF shows an accent over a dotless i as
    both, the slides the letter ï; and TeX sets \\not before its relation, the slides
    the negated relation, ≠."""
    text = re.sub("\u0338(.)", "\\1\u0338", re.sub("\u0131(?=[\u0300-\u036f])", "i", text))
    return unicodedata.normalize("NFKC", text)


def tex_pages(dvi, work, pages):
    """The text of each page of TeX's PDF: dvipdfmx's, or dvips and Ghostscript's for a
    page that dvipdfmx cannot draw (beamer's PostScript specials): one where it finds
    fewer than half of the page's characters. The PostScript file is left for the links."""
    os.makedirs(work + "/tex", exist_ok=True)
    run(["dvipdfmx", "-q", "-o", work + "/tex/tex.pdf", dvi], cwd=work)
    run(["dvips", "-q", "-o", work + "/tex/tex.ps", dvi], cwd=work)
    run(["ps2pdf", work + "/tex/tex.ps", work + "/tex/ps.pdf"], cwd=work)
    dvipdfmx, ghostscript = pdf_pages(work + "/tex/tex.pdf"), pdf_pages(work + "/tex/ps.pdf")
    drawn = [sum(isinstance(i, Char) for i in page) for page in pages]
    return [a if len("".join(a.split())) * 2 >= n else b
            for a, b, n in zip(dvipdfmx, ghostscript, drawn)]


def compare(name, what, tex, slide, least):
    """Multisets per page, TeX's against the slides': each page with any of TeX's holds
    `least` of them, and they `least` of the slide's."""
    if len(tex) != len(slide):
        raise Failure(f"{len(tex)} pages of text in TeX's PDF, {len(slide)} on the slides")
    failing = []
    for number, (a, b) in enumerate(zip(tex, slide), 1):
        common = sum((a & b).values())
        recall, precision = common / max(sum(a.values()), 1), common / max(sum(b.values()), 1)
        print(f"{name} page {number}: {what} {sum(a.values())} in TeX's PDF, recall {recall:.1%}"
              f" precision {precision:.1%}")
        if a and min(recall, precision) < least:
            failing.append((number, sorted((a - b).elements())[:20], sorted((b - a).elements())[:20]))
    if failing:
        raise Failure(f"pages whose {what} differ (TeX's only, slide's only): {failing}")


def check_words(tex, pdf, name):
    """The words of TeX's pages and of LibreOffice's PDF, punctuation left out."""
    strip = lambda w: "".join(c for c in w if not unicodedata.category(c).startswith("P"))
    words = lambda pages: [collections.Counter(filter(None, map(strip, normal(p).split())))
                           for p in pages]
    compare(name, "words", words(tex), words(pdf_pages(pdf)), WORDS)


def check_links(dvi, pptx, pdf, work):
    """The web links of each page, as a set, against those of TeX's PDF made by dvips and
    Ghostscript; and each link to a slide against the page of its destination, which
    dvitype shows."""
    def urls(pdf):
        found = re.findall(r"^\s*(\d+)\s+Annotation\s+(\S+)", run(["pdfinfo", "-url", pdf]), re.M)
        return {(int(page), re.sub(r"^(\w+://[^/]+)/$", r"\1", url)) for page, url in found}
    tex = {(page, url) for page, url in urls(work + "/tex/ps.pdf")
           if re.match(r"(?i)(https?|mailto|ftp):", url)}
    if tex != urls(pdf):
        raise Failure(f"web links: TeX's {sorted(tex)}, the slides' {sorted(urls(pdf))}")
    # Destinations and links to them, from the DVI file's specials.
    page, where, jumps = 0, {}, []
    for line in run(["dvitype", dvi]).splitlines():
        page += bool(re.match(r"\d+: beginning of page", line))
        if m := re.search(r"/Dest \((.*?)\) cvn /DEST pdfmark", line):
            where.setdefault(m[1], page)
        elif m := re.search(r"/Dest \((.*?)\) cvn.* H\.B /ANN pdfmark", line):
            jumps.append((page, m[1]))
    with zipfile.ZipFile(pptx) as package:
        found = []
        for number in range(1, page + 1):
            rels = {r.get("Id"): r.get("Target") for r in ET.fromstring(
                package.read(f"ppt/slides/_rels/slide{number}.xml.rels"))}
            found += [(number, int(re.match(r"slide(\d+)", rels[c.get(R_ID)])[1]))
                      for c in ET.fromstring(package.read(f"ppt/slides/slide{number}.xml")).iter()
                      if c.tag.endswith("}hlinkClick") and "sldjump" in c.get("action", "")]
    want = {(p, where[d]) for p, d in jumps if d in where}
    if want != set(found):
        raise Failure(f"links to slides: expected {sorted(want)}, found {sorted(set(found))}")
    return len(tex) + len(want)


def main(argv):
    checks = dict(slides=check_slides, pixels=check_pixels)
    if len(argv) < 4 or argv[1] not in checks or argv[3] not in DOCUMENTS:
        sys.exit(__doc__)
    mode, binary, name = argv[1], os.path.abspath(argv[2]), argv[3]
    tools = "tex latex dvitype kpsewhich pdftotext dvipdfmx dvips ps2pdf" + \
        " gs pdftoppm soffice pdfinfo" * (mode == "pixels")
    modules = {"pixels": ["numpy", "PIL"], "slides": ["PIL"] + ["lxml"] * len(argv[4:5])}.get(mode, [])
    missing = [t for t in tools.split() if not shutil.which(t)] + [
        m for m in modules if not importlib.util.find_spec(m)]
    if missing:
        print(f"skipped: {', '.join(missing)} not found")
        return 77
    with tempfile.TemporaryDirectory(prefix=f"deckgen-{mode}-{name}-") as work:
        try:
            print(f"{name}: {checks[mode](binary, name, work, *argv[4:5])}: all checks hold")
        except (Failure, ET.ParseError, zipfile.BadZipFile, subprocess.TimeoutExpired) as failure:
            print(f"{name}: FAILED: {failure}")
            return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
