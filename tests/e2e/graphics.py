#!/usr/bin/env python3
"""graphics.py [--keep DIR] DECKGEN_PPTX DOCUMENT [OOXML_VALIDATOR]

Typesets graphics/DOCUMENT.tex (next to this script) with latex, converts the DVI file
with DECKGEN_PPTX and has LibreOffice make a PDF of the presentation, whose pages
pdftoppm draws; dvips and Ghostscript draw the same DVI file, one page at a time and with
transparency (-dALLOWPSTRANSPARENCY: pgf's opacity), as the author's PDF shows it; for a
document written for dvipdfmx, Ghostscript draws dvipdfmx's PDF. Both are
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
TOOLS = ["latex", "dvips", "dvipdfmx", "dvitype", "gs", "ps2pdf", "pdftops", "soffice", "pdftoppm",
         "pdftotext", "pdfinfo"]


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
    for _ in range(2):
        run(["latex", "-interaction=nonstopmode", "-halt-on-error", name + ".tex"], work)
    dvi = name + ".dvi"
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
    with open(os.path.join(work, name + ".tex")) as source:
        for_dvipdfmx = "dvipdfmx" in source.read()
    count = int(re.search(r"totalpages=(\d+)",
                          run(["dvitype", "-output-level=1", dvi], work, stdout=True))[1])
    if for_dvipdfmx:
        script = (f"dvipdfmx -q -o doc.pdf {dvi} && gs -q -dSAFER -dBATCH -dNOPAUSE "
                  f"-sDEVICE=png16m -r{DPI} -dTextAlphaBits=1 -dGraphicsAlphaBits=1 "
                  f"-sOutputFile=tex%d.png doc.pdf")
    else:
        run(["dvips", "-q", "-o", "doc.ps", dvi], work)
        script = "".join(f"dvips -q -pp {page} -o page{page}.ps {dvi} && "
                         f"gs -q -dSAFER -dALLOWPSTRANSPARENCY -dBATCH -dNOPAUSE -sDEVICE=png16m "
                         f"-r{DPI} -dTextAlphaBits=1 -dGraphicsAlphaBits=1 "
                         f"-sOutputFile=tex{page}.png page{page}.ps && "
                         for page in range(1, count + 1)) + "true"
    gs = subprocess.Popen(
        ["sh", "-c", script],
        cwd=work, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
        text=True)
    try:
        run(["soffice", "--headless", "--norestore",
             f"-env:UserInstallation=file://{os.path.abspath(work)}/profile",
             "--convert-to", "pdf", "--outdir", work, "out.pptx"], work, timeout=480)
        run(["pdftoppm", "-r", str(DPI), "-aa", "no", "-aaVector", "no", "-png",
             "out.pdf", "slide"], work)
    finally:  # Ghostscript is done before its folder goes
        said = gs.communicate(timeout=300)[0]
    if gs.returncode:
        raise Failure(f"gs failed ({gs.returncode}):\n{said[-2000:]}")
    drawn = pages(work + "/slide-*.png"), pages(work + "/tex*.png")
    if len(drawn[0]) != len(drawn[1]):
        raise Failure(f"{len(drawn[0])} slides drawn, {len(drawn[1])} pages by dvips and gs")
    if not for_dvipdfmx:
        run(["ps2pdf", "-dALLOWPSTRANSPARENCY", "doc.ps", "doc.pdf"], work)
    compare_properties(work, dvi)
    return list(zip(*drawn))


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


def words(pdf):
    """Each page's words, as pdftotext finds them: NFKC, punctuation left out."""
    text = subprocess.run(["pdftotext", "-enc", "UTF-8", pdf, "-"], capture_output=True,
                          text=True, check=True).stdout.translate(GHOSTSCRIPT_TEXT)
    strip = lambda w: "".join(c for c in w if not unicodedata.category(c).startswith("P"))
    return [collections.Counter(filter(None, map(strip, unicodedata.normalize("NFKC", page).split())))
            for page in text.split("\f")[:-1]]


def compare_words(name, work):
    """Prints each page's figures; returns the numbers of the pages that fall short."""
    failing, least = [], FEWER_WORDS.get(name, WORDS)
    for number, (tex, slide) in enumerate(zip(words(work + "/doc.pdf"), words(work + "/out.pdf")), 1):
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
        drawings = draw(binary, name, work, validator)
        failing = compare(name, drawings)
        failing_words = compare_words(name, work)
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
