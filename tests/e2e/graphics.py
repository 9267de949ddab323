#!/usr/bin/env python3
"""graphics.py [--keep DIR] DECKGEN_PPTX DOCUMENT [OOXML_VALIDATOR]

Typesets graphics/DOCUMENT.tex (next to this script) with latex (or the engine its first
line names: xelatex, platex, uplatex), converts the DVI file with DECKGEN_PPTX and has
LibreOffice make a PDF of the presentation, whose pages pdftoppm draws; dvips and
Ghostscript draw the same DVI file, one page at a time and with transparency
(-dALLOWPSTRANSPARENCY: pgf's opacity), as the author's PDF shows it; for a document
written for dvipdfmx, XeTeX or pTeX, Ghostscript draws (x)dvipdfmx's PDF. Both are
drawn at DPI without anti-aliasing, so a pixel has the colour of whatever covers its
centre.

On each page, a pixel has ink when one of its channels is below INK. A pixel of ink is
matched when the other drawing has, within one pixel of it (across, down or diagonally),
a pixel whose colour lies within NEAR of its own (Euclidean distance in RGB). At least
LEAST of TeX's ink must be matched on the slide, and of the slide's ink in TeX's drawing.

The words pdftotext finds on each page of Ghostscript's PDF of the same PostScript
(NFKC, punctuation left out, as multisets) are at least WORDS of those it finds on the
slide, and they as much of the slide's: TeX's characters set inside transformations
(rotated, scaled, node text) are read as words too.

The presentation is the same, byte for byte, when made again, and its parts are valid
against the OOXML schemas (with OOXML_VALIDATOR).

Exits 0 when every page holds, 1 when one does not, 77 (skipped) when a tool is missing.
--keep DIR leaves the work files in DIR.
"""
import collections, glob, importlib.util, os, re, shutil, subprocess, sys, tempfile, unicodedata
import xml.etree.ElementTree as ET, zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
DOCUMENTS = os.path.join(HERE, "graphics")
# The schema check loads the core-properties schema's imports from local copies.
os.environ.setdefault("XML_CATALOG_FILES", os.path.join(HERE, "schemas", "catalog.xml"))
DPI, INK, NEAR, LEAST = 100, 235, 60, .95
# The drawings may differ by the rounding of the page size to whole pixels.
SLACK = 2
# Words. pdftotext reads graphicx-boxes' reflected word backwards in Ghostscript's PDF,
# and splits its tilted words at other places (dvipdfmx-figures' too, in dvipdfmx's PDF):
# those pages hold what is given here.
WORDS, FEWER_WORDS = .95, {"graphicx-boxes": .75, "dvipdfmx-figures": .7}
TOOLS = ["latex", "dvips", "dvipdfmx", "gs", "ps2pdf", "pdftops", "soffice", "pdftoppm",
         "pdftotext", "pdfinfo", "xelatex", "xdvipdfmx", "platex", "uplatex"]
# A document's first line may name another engine ("% engine: xelatex"): XeTeX's XDV file
# is drawn by xdvipdfmx, pTeX's and upTeX's DVI files by dvipdfmx.
ENGINES = {"latex": ("latex", ".dvi"), "xelatex": ("xelatex", ".xdv"),
           "platex": ("platex", ".dvi"), "uplatex": ("uplatex", ".dvi")}


class Failure(Exception):
    pass


def run(command, cwd, timeout=300, stdout=False):
    """Runs a program in cwd and returns its standard error (or output); a failure raises."""
    result = subprocess.run(command, cwd=cwd, capture_output=True, text=True,
                            stdin=subprocess.DEVNULL, timeout=timeout)
    if result.returncode:
        raise Failure(f"{' '.join(command)} failed ({result.returncode}):\n"
                      f"{result.stdout[-2000:]}{result.stderr[-2000:]}")
    return result.stdout if stdout else result.stderr


def pages(pattern):
    """The PNG files of a drawing, in page order (numbered 1, 2, ... or 01, 02, ...)."""
    return sorted(glob.glob(pattern), key=lambda f: (len(f), f))


def draw(deckgen_pptx, name, work, validator=None):
    """Makes both drawings of the document in work: lists of (slide, TeX) PNG files."""
    # A kept folder may hold an earlier run's drawings.
    for stale in glob.glob(work + "/slide-*.png") + glob.glob(work + "/tex*.png"):
        os.remove(stale)
    # The document and the files beside it that it reads (figures); not the other documents.
    for entry in os.listdir(DOCUMENTS):
        if entry == name + ".tex" or not entry.endswith(".tex"):
            shutil.copy(os.path.join(DOCUMENTS, entry), work)
    with open(os.path.join(work, name + ".tex")) as source:
        text = source.read()
    engine = re.match(r"% engine: (\w+)", text)
    program, extension = ENGINES[engine[1] if engine else "latex"]
    for _ in range(2):
        run([program, "-interaction=nonstopmode", "-halt-on-error"] +
            (["-no-pdf"] if extension == ".xdv" else []) + [name + ".tex"], work)
    dvi = name + extension
    for line in run([deckgen_pptx, dvi, "out.pptx"], work).splitlines():
        print(f"{name}: deckgen-pptx: {line}")
    run([deckgen_pptx, dvi, "again.pptx"], work)
    with open(work + "/out.pptx", "rb") as one, open(work + "/again.pptx", "rb") as two:
        if one.read() != two.read():
            raise Failure("the presentation differs when made again from the same DVI file")
    if validator:
        run([sys.executable, validator, "out.pptx"], work)
    # Ghostscript draws while LibreOffice works. Each document writes a papersize special,
    # which dvips passes on to Ghostscript as the page size. A page at a time: in one run
    # of a whole document, the transparency device leaves later pages' shadings black.
    # A document for dvipdfmx is drawn from dvipdfmx's PDF, by Ghostscript.
    for_dvipdfmx = "dvipdfmx" in text or program != "latex"
    listing = dvi_listing(os.path.join(work, dvi))
    count = len(re.findall(r"beginning of page", listing))
    if for_dvipdfmx:
        driver = "xdvipdfmx" if extension == ".xdv" else "dvipdfmx"
        # Japanese fonts embedded from TeX Live's Harano Aji fonts (where Debian's map
        # leaves them to the reader, which Ghostscript cannot draw).
        if program in ("platex", "uplatex"):
            driver += f" -f {program[:-5]}tex-haranoaji.map"
        script = (f"{driver} -q -o doc.pdf {dvi} && gs -q -dSAFER -dBATCH -dNOPAUSE "
                  f"-sDEVICE=png16m -r{DPI} -dTextAlphaBits=1 -dGraphicsAlphaBits=1 "
                  f"-sOutputFile=tex%d.png doc.pdf")
    else:
        run(["dvips", "-q", "-o", "doc.ps", dvi], work)
        script = "".join(f"dvips -q -pp {page} -o page{page}.ps {dvi} && "
                         f"gs -q -dSAFER -dALLOWPSTRANSPARENCY -dBATCH -dNOPAUSE -sDEVICE=png16m "
                         f"-r{DPI} -dTextAlphaBits=1 -dGraphicsAlphaBits=1 "
                         f"-sOutputFile=tex{page}.png page{page}.ps && "
                         for page in range(1, count + 1)) + "true"
    # A deck of beamer's frames is drawn step by step: each slide as each of its clicks
    # leaves it, one slide a step, as many as the pages.
    drawn_pptx = "out.pptx"
    if expand_steps(os.path.join(work, "out.pptx"), os.path.join(work, "steps.pptx")):
        drawn_pptx = "steps.pptx"
    gs = subprocess.Popen(
        ["sh", "-c", script],
        cwd=work, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
        text=True)
    try:
        run(["soffice", "--headless", "--norestore",
             f"-env:UserInstallation=file://{os.path.abspath(work)}/profile",
             "--convert-to", "pdf", "--outdir", work, drawn_pptx], work, timeout=480)
        if drawn_pptx != "out.pptx":
            os.replace(os.path.join(work, "steps.pdf"), os.path.join(work, "out.pdf"))
        run(["pdftoppm", "-r", str(DPI), "-aa", "no", "-aaVector", "no", "-png",
             "out.pdf", "slide"], work)
    finally:  # Ghostscript is done before its folder goes
        said = gs.communicate(timeout=300)[0]
    if gs.returncode:
        raise Failure(f"gs failed ({gs.returncode}):\n{said[-2000:]}")
    drawn = pages(work + "/slide-*.png"), pages(work + "/tex*.png")
    if not for_dvipdfmx:
        run(["ps2pdf", "-dALLOWPSTRANSPARENCY", "doc.ps", "doc.pdf"], work)
    # beamer's frames: a slide each, whose steps are the pages but for the note pages,
    # whose words are the frame's notes.
    plan = frame_plan(listing)
    steps = [n for n, (_, note) in enumerate(plan, 1) if not note] if plan else \
        list(range(1, len(drawn[1]) + 1))
    if plan:
        with zipfile.ZipFile(os.path.join(work, "out.pptx")) as package:
            slides = sum(1 for n in package.namelist() if re.fullmatch(r"ppt/slides/slide\d+\.xml", n))
        if slides != plan[-1][0] + 1:
            raise Failure(f"{slides} slides for {plan[-1][0] + 1} frames")
        compare_notes(work, plan)
        compare_sections(work, listing)
    tex = [drawn[1][n - 1] for n in steps if n <= len(drawn[1])]
    if len(drawn[0]) != len(tex):
        raise Failure(f"{len(drawn[0])} slides drawn, {len(tex)} pages by dvips and gs")
    compare_properties(work, dvi)
    return list(zip(drawn[0], tex)), steps


def dvi_listing(path):
    """The pages and specials of a DVI file (TeX's, pTeX's or XeTeX's XDV), as dvitype
    lists them: a line "beginning of page" for each page, "xxx 'text'" for each special."""
    data, lines = open(path, "rb").read(), []
    number = lambda at, n: int.from_bytes(data[at:at + n], "big")
    at = 15 + data[14]
    while at < len(data):
        op, at = data[at], at + 1
        if op < 128 or op in (138, 140, 141, 142, 147, 152, 161, 166) or 171 <= op <= 234:
            continue
        if op == 248:
            break
        if op == 139:
            lines.append("beginning of page")
            at += 44
        elif op <= 131:
            at += op - 127
        elif op in (132, 137):
            at += 8
        elif op <= 136:
            at += op - 132
        elif op <= 170:
            at += op - max(g for g in (143, 148, 153, 157, 162, 167) if g <= op) + 1
        elif op <= 238:
            at += op - 234
        elif op <= 242:
            length = number(at, op - 238)
            at += op - 238
            lines.append("xxx '" + data[at:at + length].decode("latin-1") + "'")
            at += length
        elif op <= 246:
            at += op - 242 + 12
            at += 2 + data[at] + data[at + 1]
        elif op == 252:  # XeTeX's font definition
            flags, length = number(at + 8, 2), data[at + 10]
            at += 11 + length + 4 + 4 * sum(1 for f in (0x200, 0x1000, 0x2000, 0x4000) if flags & f)
        elif op in (253, 254):  # a glyph run, with its text
            if op == 254:
                at += 2 + 2 * number(at, 2)
            at += 6 + 10 * number(at + 4, 2)
        elif op == 255:  # pTeX's direction
            at += 1
        else:
            raise Failure(f"opcode {op} in {path}")
    return "\n".join(lines)


def frame_plan(dvitype):
    """Each page's frame (from 0) and whether it is a note page, from hyperref's page
    labels as beamer writes them; None without labels of beamer's kind."""
    labels = re.search(r"/PageLabels\s*<<\s*/Nums\s*\[(.*?)\]\s*>>", dvitype)
    pages = len(re.findall(r"beginning of page", dvitype))
    if not labels:
        return None
    ranges = [(int(first), entry) for first, entry in re.findall(r"(\d+)\s*<<(.*?)>>", labels[1])]
    if not any("/P" in entry and "/S" not in entry for _, entry in ranges):
        return None
    plan, frame, last = [], -1, None
    for page in range(pages):
        first, entry = [(f, e) for f, e in ranges if f <= page][-1]
        if "/S/D" in entry.replace(" ", "") and "/P" not in entry and plan:
            plan.append((frame, True))
            continue
        label = (entry, page - first if "/S" in entry else 0)
        if label != last:
            frame, last = frame + 1, label
        plan.append((frame, False))
    return plan


def pdf_string(literal):
    """A PDF literal string's text: its escapes read, UTF-16 after a byte order mark."""
    data, i = bytearray(), 0
    while i < len(literal):
        if literal[i] == "\\" and i + 1 < len(literal):
            octal = re.match(r"[0-7]{1,3}", literal[i + 1:])
            if octal:
                data.append(int(octal[0], 8) & 255)
                i += 1 + len(octal[0])
                continue
            data += {"n": b"\n", "r": b"\r", "t": b"\t"}.get(literal[i + 1], literal[i + 1].encode("latin-1"))
            i += 2
            continue
        data += literal[i].encode("latin-1")
        i += 1
    return data[2:].decode("utf-16-be") if data[:2] == b"\xfe\xff" else data.decode("latin-1")


def compare_sections(work, dvitype):
    """The presentation's sections are the talk's top-level bookmarks, in order (after a
    section of the slides before the first)."""
    titles, owed = [], []
    for count, title in re.findall(r"/Count (-?\d+)\s*/Dest \([^)]*\) cvn\s*/Title \(((?:[^()\\]|\\.)*)\) /OUT", dvitype):
        if not owed:
            titles.append(pdf_string(title))
        elif owed:
            owed[-1] -= 1
        if int(count):
            owed.append(abs(int(count)))
        while owed and owed[-1] == 0:
            owed.pop()
    outlines = re.findall(r"pdf:outline \[?-?\]?\s*(\d+)\s*<</Title\(((?:[^()\\]|\\.)*)\)", dvitype)
    if outlines:
        top = min(int(level) for level, _ in outlines)
        titles += [pdf_string(title) for level, title in outlines if int(level) == top]
    with zipfile.ZipFile(os.path.join(work, "out.pptx")) as package:
        presentation = ET.fromstring(package.read("ppt/presentation.xml"))
    p14 = "{http://schemas.microsoft.com/office/powerpoint/2010/main}"
    sections = [e.get("name") for e in presentation.iter(p14 + "section")]
    # Each slide in one section, in order, and no other slide named there.
    listed = [e.get("id") for e in presentation.iter(p14 + "sldId")]
    slide_ids = [e.get("id") for e in presentation.iter(P + "sldId")]
    if sections and listed != slide_ids:
        raise Failure(f"the sections hold slides {listed}, the presentation {slide_ids}")
    if sections[:1] == ["Default Section"] and sections[1:] == titles:
        sections = sections[1:]
    if sections != titles:
        raise Failure(f"sections {sections}, the talk's top-level bookmarks {titles}")


def compare_notes(work, plan):
    """Each frame's notes hold the words of its note pages below their header (beamer's
    note page: the top quarter)."""
    def counter(text):
        strip = lambda w: "".join(c for c in w if not unicodedata.category(c).startswith("P"))
        return collections.Counter(filter(None, map(strip, unicodedata.normalize("NFKC", text).split())))
    size = re.search(r"Page size:\s*([\d.]+) x ([\d.]+)", run(["pdfinfo", "doc.pdf"], work, stdout=True))
    width, height = float(size[1]), float(size[2])
    with zipfile.ZipFile(os.path.join(work, "out.pptx")) as package:
        names = package.namelist()
        for frame in sorted({f for f, note in plan if note}):
            tex = collections.Counter()
            for n in sorted({str(p) for p, (f, note) in enumerate(plan, 1) if note and f == frame}):
                tex |= counter(run(["pdftotext", "-f", n, "-l", n, "-x", "0", "-y", str(int(height / 4)),
                                    "-W", str(int(width)), "-H", str(int(height)), "-enc", "UTF-8",
                                    "doc.pdf", "-"], work, stdout=True))
            part = f"ppt/notesSlides/notesSlide{frame + 1}.xml"
            notes = counter(" ".join(t.text or "" for t in ET.fromstring(package.read(part)).iter(
                "{http://schemas.openxmlformats.org/drawingml/2006/main}t"))) if part in names else collections.Counter()
            common = sum((tex & notes).values())
            shares = common / max(sum(tex.values()), 1), common / max(sum(notes.values()), 1)
            print(f"frame {frame + 1} notes: {sum(tex.values())} words on its note pages, "
                  f"recall {100 * shares[0]:.1f}% precision {100 * shares[1]:.1f}%")
            if tex and min(shares) < WORDS:
                raise Failure(f"frame {frame + 1}: its notes miss the words of its note pages")


P = "{http://schemas.openxmlformats.org/presentationml/2006/main}"
R = "{http://schemas.openxmlformats.org/officeDocument/2006/relationships}"
for prefix, uri in (("p", P[1:-1]), ("r", R[1:-1]), ("a", "http://schemas.openxmlformats.org/drawingml/2006/main")):
    ET.register_namespace(prefix, uri)
PACKAGE_RELS = "{http://schemas.openxmlformats.org/package/2006/relationships}"


def visible_steps(slide):
    """The shape ids shown by each step of a slide, as its timing has them: at first every
    shape but those that enter on a click, then after each click of the main sequence."""
    shapes = [e.get("id") for e in slide.iter(P + "cNvPr")]
    clicks = []
    sequence = slide.find(f".//{P}timing//{P}cTn[@nodeType='mainSeq']")
    for click in (sequence.find(P + "childTnLst") if sequence is not None else []):
        changes = []
        for effect in click.iter(P + "cTn"):
            if effect.get("presetClass") in ("entr", "exit"):
                for target in effect.iter(P + "spTgt"):
                    changes.append((target.get("spid"), effect.get("presetClass") == "entr"))
        clicks.append(changes)
    entering = {spid for changes in clicks for spid, enters in changes if enters}
    shown = [s for s in shapes if s not in entering]
    steps = [list(shown)]
    for changes in clicks:
        for spid, enters in changes:
            if enters and spid not in shown:
                shown.append(spid)
            elif not enters and spid in shown:
                shown.remove(spid)
        steps.append(list(shown))
    return steps


def expand_steps(pptx, out):
    """Writes to out a copy of the presentation with a slide for each step of each slide
    that has clicks (only the shapes the step shows, no timing); False when none has."""
    with zipfile.ZipFile(pptx) as package:
        parts = {name: package.read(name) for name in package.namelist()}
    presentation = ET.fromstring(parts["ppt/presentation.xml"])
    rels = ET.fromstring(parts["ppt/_rels/presentation.xml.rels"])
    targets = {r.get("Id"): r.get("Target") for r in rels}
    slides = [targets[s.get(R + "id")] for s in presentation.iter(P + "sldId")]
    # What PowerPoint asks beyond the schemas: slide ids from 256, each once; shape ids
    # once within a slide, and every shape the timing names there.
    slide_ids = [int(s.get("id")) for s in presentation.iter(P + "sldId")]
    if len(set(slide_ids)) != len(slide_ids) or min(slide_ids, default=256) < 256:
        raise Failure(f"slide ids {slide_ids}")
    expanded, any_clicks = [], False
    for target in slides:
        slide = ET.fromstring(parts["ppt/" + target])
        ids = [e.get("id") for e in slide.iter(P + "cNvPr")]
        named = {e.get("spid") for e in slide.iter(P + "spTgt")} | {
            e.get("spid") for e in slide.iter(P + "bldP")}
        if len(set(ids)) != len(ids) or not named <= set(ids):
            raise Failure(f"{target}: shape ids twice, or timing of shapes it lacks")
        # Every relationship a shape names is the slide's.
        slide_rels = parts.get("ppt/slides/_rels/" + target[7:] + ".rels")
        known = {r.get("Id") for r in ET.fromstring(slide_rels)} if slide_rels else set()
        used = {v for e in slide.iter() for k, v in e.attrib.items() if k.startswith(R)}
        if not used <= known:
            raise Failure(f"{target}: relationships {sorted(used - known)} it does not have")
        steps = visible_steps(slide)
        any_clicks |= len(steps) > 1
        for shown in steps:
            copy = ET.fromstring(parts["ppt/" + target])
            tree = copy.find(f"{P}cSld/{P}spTree")
            for shape in list(tree):
                identity = shape.find(f".//{P}cNvPr")
                if identity is not None and shape.tag in (P + "sp", P + "pic") and \
                        identity.get("id") not in shown:
                    tree.remove(shape)
            timing = copy.find(P + "timing")
            if timing is not None:
                copy.remove(timing)
            expanded.append((ET.tostring(copy), parts.get("ppt/slides/_rels/" + target[7:] + ".rels")))
    if not any_clicks:
        return False
    for name in [n for n in parts if n.startswith("ppt/slides/")]:
        del parts[name]
    for r in [r for r in rels if r.get("Type").endswith("/slide")]:
        rels.remove(r)
    slide_list = presentation.find(P + "sldIdLst")
    for s in list(slide_list):
        slide_list.remove(s)
    types = ET.fromstring(parts["[Content_Types].xml"])
    for t in [t for t in types if (t.get("PartName") or "").startswith("/ppt/slides/")]:
        types.remove(t)
    for n, (xml, slide_rels) in enumerate(expanded, 1):
        parts[f"ppt/slides/slide{n}.xml"] = xml
        if slide_rels:
            parts[f"ppt/slides/_rels/slide{n}.xml.rels"] = slide_rels
        ET.SubElement(rels, PACKAGE_RELS + "Relationship", Id=f"rStep{n}", Target=f"slides/slide{n}.xml",
                      Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/slide")
        ET.SubElement(slide_list, P + "sldId", {"id": str(255 + n), R + "id": f"rStep{n}"})
        ET.SubElement(types, "{http://schemas.openxmlformats.org/package/2006/content-types}Override",
                      PartName=f"/ppt/slides/slide{n}.xml",
                      ContentType="application/vnd.openxmlformats-officedocument.presentationml.slide+xml")
    parts["ppt/presentation.xml"] = ET.tostring(presentation)
    # The package's own parts with their one namespace as the default, as readers expect.
    default = lambda xml: ET.tostring(xml).replace(b"ns0:", b"").replace(b"xmlns:ns0=", b"xmlns=")
    parts["ppt/_rels/presentation.xml.rels"] = default(rels)
    parts["[Content_Types].xml"] = default(types)
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as package:
        for name, data in parts.items():
            package.writestr(name, data)
    return True


def compare_properties(work, dvi):
    """The presentation's title, author, subject and keywords are the PDF's (but the
    title Ghostscript takes from dvips's DSC comment, the DVI file's name)."""
    info = dict(line.split(":", 1) for line in run(
        ["pdfinfo", "-enc", "UTF-8", "doc.pdf"], work, stdout=True).splitlines() if ":" in line)
    want = {key: info[field].strip() for key, field in (
        ("title", "Title"), ("creator", "Author"), ("subject", "Subject"),
        ("keywords", "Keywords")) if info.get(field, "").strip()}
    if want.get("title") == dvi:
        del want["title"]
    with zipfile.ZipFile(os.path.join(work, "out.pptx")) as package:
        core = ET.fromstring(package.read("docProps/core.xml")) \
            if "docProps/core.xml" in package.namelist() else []
    got = {e.tag.rpartition("}")[2]: (e.text or "").strip() for e in core}
    if got != want:
        raise Failure(f"core properties {got}, the PDF's document information {want}")


# Ghostscript's PDF gives beamer's item bullet (msam10's glyph trianglerightsld, U+25B6 in
# TeX Live's glyph list) as U+25EE: its own list lacks the name.
GHOSTSCRIPT_TEXT = str.maketrans({"\u25ee": "\u25b6"})


# Chinese and Japanese text has no spaces between its words: each of its characters is a
# word of its own, so that where pdftotext breaks a line of them does not count.
CJK = re.compile(r"([\u3040-\u30ff\u3400-\u4dbf\u4e00-\u9fff\uf900-\ufaff\uff66-\uff9f])")


def words(pdf):
    """Each page's words, as pdftotext finds them: NFKC, punctuation left out."""
    text = subprocess.run(["pdftotext", "-enc", "UTF-8", pdf, "-"], capture_output=True,
                          text=True, check=True).stdout.translate(GHOSTSCRIPT_TEXT)
    strip = lambda w: "".join(c for c in w if not unicodedata.category(c).startswith("P"))
    return [collections.Counter(filter(None, map(strip, CJK.sub(r" \1 ", unicodedata.normalize("NFKC", page)).split())))
            for page in text.split("\f")[:-1]]


def compare_words(name, work, steps):
    """Prints each page's figures (of the pages `steps` numbers, which the slides show
    in turn); returns the numbers of the slides that fall short."""
    failing, least = [], FEWER_WORDS.get(name, WORDS)
    tex_words = words(work + "/doc.pdf")
    tex_words = [tex_words[n - 1] for n in steps if n <= len(tex_words)]
    for number, (tex, slide) in enumerate(zip(tex_words, words(work + "/out.pdf")), 1):
        common = sum((tex & slide).values())
        shares = common / max(sum(tex.values()), 1), common / max(sum(slide.values()), 1)
        print(f"{name} page {number}: words {sum(tex.values())} in TeX's PDF, "
              f"recall {100 * shares[0]:.1f}% precision {100 * shares[1]:.1f}%")
        if tex and min(shares) < least:
            failing.append(number)
    return failing


def matched(ink, colours, other, np):
    """Which of the ink pixels have a pixel of about their colour in other within one
    pixel: the smallest squared distance over the nine shifts of other."""
    height, width = ink.shape
    # Outside the page nothing is matched: the padding is far from every colour.
    padded = np.pad(other, ((1, 1), (1, 1), (0, 0)), constant_values=-1000)
    nearest = np.full(ink.shape, np.iinfo(np.int32).max, dtype=np.int32)
    for dy in range(3):
        for dx in range(3):
            shifted = padded[dy:dy + height, dx:dx + width]
            nearest = np.minimum(nearest, ((shifted - colours) ** 2).sum(axis=2))
    return ink & (nearest <= NEAR * NEAR)


def compare(name, drawings):
    """Prints each page's figures; returns the numbers of the pages that fall short."""
    import numpy as np
    from PIL import Image
    failing = []
    for number, files in enumerate(drawings, 1):
        slide, tex = (np.asarray(Image.open(f).convert("RGB"), dtype=np.int32) for f in files)
        if max(abs(a - b) for a, b in zip(slide.shape, tex.shape)) > SLACK:
            raise Failure(f"page {number}: slide drawn {slide.shape[1]}x{slide.shape[0]} px, "
                          f"TeX's page {tex.shape[1]}x{tex.shape[0]} px")
        height, width = min(slide.shape[0], tex.shape[0]), min(slide.shape[1], tex.shape[1])
        slide, tex = slide[:height, :width], tex[:height, :width]
        shares, inks = [], []
        for one, other in ((tex, slide), (slide, tex)):
            ink = (one < INK).any(axis=2)
            hits = matched(ink, one, other, np).sum()
            shares.append(hits / ink.sum() if ink.any() else 1.0)
            inks.append(int(ink.sum()))
        print(f"{name} page {number}: tex->slide {100 * shares[0]:.1f}% "
              f"slide->tex {100 * shares[1]:.1f}% ({inks[0]}, {inks[1]} ink pixels)")
        if min(shares) < LEAST:
            failing.append(number)
    return failing


def main(argv):
    keep = None
    if argv[1:2] == ["--keep"] and len(argv) > 2:
        keep, argv = argv[2], argv[:1] + argv[3:]
    if len(argv) not in (3, 4) or not os.path.isfile(os.path.join(DOCUMENTS, argv[2] + ".tex")):
        sys.exit(__doc__)
    binary, name = os.path.abspath(argv[1]), argv[2]
    validator = os.path.abspath(argv[3]) if len(argv) == 4 else None
    missing = [t for t in TOOLS if not shutil.which(t)] + [
        m for m in ("numpy", "PIL") if not importlib.util.find_spec(m)]
    if missing:
        print(f"skipped: {', '.join(missing)} not found")
        return 77
    if keep:
        os.makedirs(keep, exist_ok=True)
        work, cleanup = os.path.abspath(keep), None
    else:
        cleanup = tempfile.TemporaryDirectory(prefix=f"deckgen-graphics-{name}-")
        work = cleanup.name
    try:
        drawings, steps = draw(binary, name, work, validator)
        failing = compare(name, drawings)
        failing_words = compare_words(name, work, steps)
    except (Failure, subprocess.TimeoutExpired) as failure:
        print(f"{name}: FAILED: {failure}")
        return 1
    finally:
        if cleanup:
            cleanup.cleanup()
    if failing:
        print(f"{name}: FAILED: pages {', '.join(map(str, failing))} below "
              f"{100 * LEAST:.0f}% matched ink")
        return 1
    if failing_words:
        print(f"{name}: FAILED: pages {', '.join(map(str, failing_words))}: their words differ")
        return 1
    print(f"{name}: all {len(drawings)} pages hold")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
