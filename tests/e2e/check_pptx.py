#!/usr/bin/env python3
"""End-to-end check of deckgen-pptx: a real client opens the presentation and draws it
as TeX's own renderer draws the DVI file.

    check_pptx.py DECKGEN_PPTX DOCUMENT [DOCUMENT ...]

Each document (a .tex file next to this script) is typeset in a temporary directory
and converted by DECKGEN_PPTX. The package is read with zipfile and xml.etree: every
part is well-formed, every relationship resolves to a part that has a content type,
and presentation.xml lists one slide per DVI page. LibreOffice Impress then converts
the presentation to PDF, which must have one page per DVI page, of the size given by
the DVI's first papersize special (US letter without one). Finally pdftoppm draws the
PDF pages and dvipng draws the DVI pages, both at 144 dpi on the same page size and
origin; on every page, at least 97% of TeX's ink must lie within one pixel of slide
ink, and at least 97% of slide ink within one pixel of TeX's ink (90% on any square
third of an inch), and where both have ink, 97% of it must be of the same colour.

Exits 0 when every check holds, 1 on a failure, 77 (skipped) when latex, tex,
dvitype, dvipng, pdftoppm, pdfinfo or soffice is missing.
"""

import math
import os
import posixpath
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import xml.etree.ElementTree as ET
import zipfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

# Per document: the TeX program, the least page count (so that a document that stopped
# being what it is here for fails too), TeX input files it needs beyond plain TeX and
# LaTeX's base (without them the test is skipped, as without TeX Live), and whether it
# has ink in colours other than black and grey.
DOCUMENTS = {
    "plain-math": dict(engine="tex", pages=1, needs=[], colours=False),
    "colour": dict(engine="latex", pages=2, needs=["color.sty"], colours=True),
    "long": dict(engine="tex", pages=20, needs=[], colours=False),
    "beamer": dict(engine="latex", pages=4, needs=["beamer.cls", "pgfcore.sty"], colours=True),
}

DPI = 144
LEAST = 0.97          # the least share of ink that must be matched, each way
# The page's share lets a word or two go missing; on a square of TILE pixels (a third
# of an inch) that holds TILE_INK ink pixels or more, TILE_LEAST of the ink must be
# matched too: a glyph or two missing shows there. TeX's drawings by dvipng and by
# dvips and Ghostscript meet it at 94% and more.
TILE = 48
TILE_INK = 40
TILE_LEAST = 0.90
NEAR = 1              # pixels: ink matches ink this close (a 3x3 neighbourhood)
# A pixel is ink when a channel differs from the page's colour by STRONG; the drawing
# it is compared with may meet it with fainter ink, down to WEAK, for the two programs
# anti-alias edges differently.
STRONG = 128
WEAK = 48
HUE = 5               # degrees: how far apart two colours of ink may lie, seen from the page

REL_NS = "http://schemas.openxmlformats.org/package/2006/relationships"
CT_NS = "http://schemas.openxmlformats.org/package/2006/content-types"
P_NS = "http://schemas.openxmlformats.org/presentationml/2006/main"
R_NS = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
OFFICE_DOCUMENT = R_NS + "/officeDocument"
SLIDE = R_NS + "/slide"
PRESENTATIONML = "application/vnd.openxmlformats-officedocument.presentationml"
PRESENTATION_TYPE = PRESENTATIONML + ".presentation.main+xml"
SLIDE_TYPE = PRESENTATIONML + ".slide+xml"


class Failure(Exception):
    pass


def run(command, cwd=None, timeout=300):
    try:
        result = subprocess.run(command, cwd=cwd, capture_output=True, text=True,
                                stdin=subprocess.DEVNULL, timeout=timeout)
    except subprocess.TimeoutExpired:
        raise Failure(f"{' '.join(command)} did not finish in {timeout} s")
    if result.returncode != 0:
        raise Failure(f"{' '.join(command)} failed ({result.returncode}):\n"
                      f"{result.stdout[-2000:]}{result.stderr[-2000:]}")
    return result.stdout


# --- The DVI file: page count and page size ----------------------------------------

# Big points per unit, as TeX reads the units (pt is TeX's point, 1/72.27 in).
UNITS = {"pt": 72 / 72.27, "bp": 1.0, "in": 72.0, "cm": 72 / 2.54, "mm": 72 / 25.4,
         "pc": 12 * 72 / 72.27, "dd": 1238 / 1157 * 72 / 72.27,
         "cc": 12 * 1238 / 1157 * 72 / 72.27, "sp": 72 / 72.27 / 65536}
LENGTH = r"\s*([-+]?(?:\d+\.?\d*|\.\d+))\s*(?:true)?\s*(pt|bp|in|cm|mm|pc|dd|cc|sp)\s*"
PAPERSIZE = re.compile(r"^\d+: xxx '\s*papersize\s*=" + LENGTH + "," + LENGTH + "'", re.M)


def read_dvi(dvi):
    """The page count and the page size in big points, as dvitype reads the file: the
    first papersize special gives the size, US letter without one."""
    text = run(["dvitype", "-output-level=1", dvi])
    total = int(re.search(r"totalpages=(\d+)", text).group(1))
    pages = len(re.findall(r"^\d+: beginning of page", text, re.M))
    if total != pages:
        raise Failure(f"dvitype: totalpages={total} but {pages} pages read")
    size = (612.0, 792.0)
    if match := PAPERSIZE.search(text):
        w, wu, h, hu = match.groups()
        size = (float(w) * UNITS[wu], float(h) * UNITS[hu])
    return pages, size


# --- The package ---------------------------------------------------------------------

def source_of(rels_name):
    """The part whose relationships a .rels part holds ("" for the package)."""
    folder, base = posixpath.split(rels_name)
    if posixpath.basename(folder) != "_rels" or not base.endswith(".rels"):
        raise Failure(f"{rels_name}: a relationships part outside a _rels folder")
    return posixpath.join(posixpath.dirname(folder), base[:-len(".rels")])


def resolve(source, target):
    if target.startswith("/"):
        return posixpath.normpath(target).lstrip("/")
    return posixpath.normpath(posixpath.join(posixpath.dirname(source), target)).lstrip("/")


def read_package(path, pages):
    """Checks the package and returns its slide count."""
    try:
        package = zipfile.ZipFile(path)
    except (zipfile.BadZipFile, OSError) as error:
        raise Failure(f"{path} is not a zip file: {error}")
    with package:
        if (bad := package.testzip()) is not None:
            raise Failure(f"{bad}: bad CRC in the zip file")
        names = [n for n in package.namelist() if not n.endswith("/")]
        xml = {}
        for name in names:
            try:
                xml[name] = ET.fromstring(package.read(name))
            except ET.ParseError as error:
                raise Failure(f"{name}: not well-formed XML: {error}")
    if "[Content_Types].xml" not in xml:
        raise Failure("no [Content_Types].xml")
    types = xml["[Content_Types].xml"]
    defaults = {d.get("Extension", "").lower(): d.get("ContentType")
                for d in types.iter(f"{{{CT_NS}}}Default")}
    overrides = {o.get("PartName", "").lower(): o.get("ContentType")
                 for o in types.iter(f"{{{CT_NS}}}Override")}

    def content_type(part):
        if ("/" + part).lower() in overrides:
            return overrides[("/" + part).lower()]
        base = posixpath.basename(part)  # ".rels" has the extension "rels"
        return defaults.get(base.rpartition(".")[2].lower()) if "." in base else None

    for name in names:
        if name != "[Content_Types].xml" and not content_type(name):
            raise Failure(f"{name}: no content type in [Content_Types].xml")
    for part_name in overrides:
        if part_name.lstrip("/") not in {n.lower() for n in names}:
            raise Failure(f"[Content_Types].xml names {part_name}, which is not in the package")

    relationships = {}  # source part -> {id: (type, target part)}
    for name, root in xml.items():
        if not name.endswith(".rels"):
            continue
        source = source_of(name)
        ids = relationships.setdefault(source, {})
        for rel in root.iter(f"{{{REL_NS}}}Relationship"):
            if rel.get("TargetMode") == "External":
                continue
            part = resolve(source, rel.get("Target", ""))
            if part not in xml:
                raise Failure(f"{name}: {rel.get('Id')} points to {part}, not in the package")
            ids[rel.get("Id")] = (rel.get("Type"), part)

    main = [part for kind, part in relationships.get("", {}).values() if kind == OFFICE_DOCUMENT]
    if len(main) != 1 or content_type(main[0]) != PRESENTATION_TYPE:
        raise Failure(f"the package's office documents {main} are not one presentation")
    slides = []
    for slide_id in xml[main[0]].iter(f"{{{P_NS}}}sldId"):
        kind, slide = relationships.get(main[0], {}).get(slide_id.get(f"{{{R_NS}}}id"), (None, None))
        if kind != SLIDE or content_type(slide) != SLIDE_TYPE:
            raise Failure(f"{main[0]}: slide id {slide_id.get('id')} names no slide part")
        slides.append(slide)
    if len(set(slides)) != pages:
        raise Failure(f"{main[0]} lists {len(set(slides))} slides, the DVI file has {pages} pages")
    return len(slides)


# --- Images ------------------------------------------------------------------------

class Image:
    """An ink mask: one byte per pixel, 1 for ink, rows of width pixels."""

    def __init__(self, width, height, mask):
        self.width, self.height, self.mask = width, height, mask


def ink_table(level, least):
    """For one channel: 1 where a value differs from the page's level by least or more."""
    return bytes(1 if abs(v - level) >= least else 0 for v in range(256))


def background(pixels, width, height, channels):
    """The page's colour: the commonest colour on the image's border."""
    count = {}
    stride = width * channels
    edges = [pixels[:stride], pixels[(height - 1) * stride:height * stride]]
    edges += [pixels[y * stride:y * stride + channels] for y in range(height)]
    edges += [pixels[(y + 1) * stride - channels:(y + 1) * stride] for y in range(height)]
    for edge in edges:
        for x in range(0, len(edge), channels):
            colour = bytes(edge[x:x + channels])
            count[colour] = count.get(colour, 0) + 1
    return max(count, key=count.get)


def mask_of(pixels, width, height, channels, page, least):
    """The ink mask of packed 8-bit pixels against the page colour."""
    mask = 0
    for c in range(channels):
        plane = pixels[c::channels].translate(ink_table(page[c], least))
        mask |= int.from_bytes(plane, "little")
    return Image(width, height, mask.to_bytes(width * height, "little"))


def read_ppm(path):
    with open(path, "rb") as file:
        data = file.read()
    header = re.match(rb"(P6)(?:\s+|#[^\n]*\n)+(\d+)(?:\s+|#[^\n]*\n)+(\d+)"
                      rb"(?:\s+|#[^\n]*\n)+(\d+)\s", data)
    if not header or header.group(4) != b"255":
        raise Failure(f"{path}: not an 8-bit PPM file")
    channels = 3
    width, height = int(header.group(2)), int(header.group(3))
    pixels = data[header.end():header.end() + width * height * channels]
    if len(pixels) != width * height * channels:
        raise Failure(f"{path}: truncated")
    return width, height, channels, pixels, None


def unfilter(raw, width, height, bpp, stride):
    """Undoes PNG's per-row filters; returns the packed rows without filter bytes."""
    out = bytearray(height * stride)
    previous = bytes(stride)
    pos = 0
    for y in range(height):
        kind = raw[pos]
        row = bytearray(raw[pos + 1:pos + 1 + stride])
        pos += 1 + stride
        if kind == 1:
            for i in range(bpp, stride):
                row[i] = (row[i] + row[i - bpp]) & 255
        elif kind == 2:
            row = bytearray((a + b) & 255 for a, b in zip(row, previous))
        elif kind == 3:
            for i in range(stride):
                left = row[i - bpp] if i >= bpp else 0
                row[i] = (row[i] + ((left + previous[i]) >> 1)) & 255
        elif kind == 4:
            for i in range(stride):
                a = row[i - bpp] if i >= bpp else 0
                b = previous[i]
                c = previous[i - bpp] if i >= bpp else 0
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                row[i] = (row[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        elif kind != 0:
            raise Failure(f"PNG filter type {kind}")
        out[y * stride:(y + 1) * stride] = row
        previous = row
    return bytes(out)


def read_png(path):
    """Decodes a non-interlaced palette PNG (what dvipng --palette writes) at 1, 2, 4
    or 8 bits. Returns width, height, 1 channel, the palette indices one byte each, and
    the palette."""
    with open(path, "rb") as file:
        data = file.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise Failure(f"{path}: not a PNG file")
    pos, idat, palette = 8, [], None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
        elif kind == b"PLTE":
            palette = [body[i:i + 3] for i in range(0, len(body), 3)]
        elif kind == b"IDAT":
            idat.append(body)
        elif kind == b"IEND":
            break
    if interlace or colour != 3 or depth not in (1, 2, 4, 8):
        raise Failure(f"{path}: unsupported PNG (colour {colour}, depth {depth}, "
                      f"interlace {interlace})")
    raw = zlib.decompress(b"".join(idat))
    stride = (width * depth + 7) // 8
    if len(raw) != height * (stride + 1):
        raise Failure(f"{path}: {len(raw)} bytes of image data for {width}x{height}")
    filters = raw[::stride + 1]
    if filters.count(0) == height:
        packed = b"".join(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)] for y in range(height))
    else:
        packed = unfilter(raw, width, height, 1, stride)
    if depth < 8:
        # Spread the indices to one byte each, row by row (rows end on a byte).
        per = 8 // depth
        rows = []
        for y in range(height):
            row = packed[y * stride:(y + 1) * stride]
            spread = bytearray(stride * per)
            for k in range(per):
                shift = 8 - depth * (k + 1)
                table = bytes((v >> shift) & ((1 << depth) - 1) for v in range(256))
                spread[k::per] = row.translate(table)
            rows.append(bytes(spread[:width]))
        packed = b"".join(rows)
    return width, height, 1, packed, palette


def ink(path, page=None):
    """The strong and the weak ink masks of an image, and the page colour they were
    taken against (the image's own when page is None)."""
    width, height, channels, pixels, palette = (read_png if path.endswith(".png")
                                                else read_ppm)(path)
    if palette is not None:
        page = page or palette[background(pixels, width, height, 1)[0]]
        masks = []
        for least in (STRONG, WEAK):
            table = bytes(int(any(abs(a - b) >= least for a, b in zip(palette[i], page)))
                          if i < len(palette) else 0 for i in range(256))
            masks.append(Image(width, height, pixels.translate(table)))
        return masks[0], masks[1], page, lambda i: palette[pixels[i]]
    page = page or background(pixels, width, height, channels)
    return (mask_of(pixels, width, height, channels, page, STRONG),
            mask_of(pixels, width, height, channels, page, WEAK), page,
            lambda i: pixels[i * channels:(i + 1) * channels])


def crop_pad(image, width, height):
    """The mask cut to width x height with a blank column after every row, as a big
    integer with one byte per pixel: shifting by 8 bits moves one pixel sideways, and
    the blank column stops a row's ink running into the next row."""
    rows = [image.mask[y * image.width:y * image.width + width] for y in range(height)]
    return int.from_bytes(b"\0".join(rows) + b"\0", "little")


def worst_tile(ink, matched, width, height):
    """The least share of ink matched on a TILE x TILE square with TILE_INK ink pixels
    or more, and the square's top left corner (1.0 and None without such a square)."""
    stride = width + 1
    ink = ink.to_bytes(stride * height, "little")
    matched = matched.to_bytes(stride * height, "little")
    columns = (width + TILE - 1) // TILE
    worst = (1.0, None)
    for top in range(0, height, TILE):
        totals, hits = [0] * columns, [0] * columns
        for y in range(top, min(top + TILE, height)):
            row = y * stride
            for c in range(columns):
                start, end = row + c * TILE, row + min((c + 1) * TILE, width)
                totals[c] += ink.count(1, start, end)
                hits[c] += matched.count(1, start, end)
        for c in range(columns):
            if totals[c] >= TILE_INK and hits[c] / totals[c] < worst[0]:
                worst = (round(hits[c] / totals[c], 3), (c * TILE, top))
    return worst


def spread(mask, row_bits, near):
    for _ in range(near):
        mask |= (mask << 8) | (mask >> 8)
    for _ in range(near):
        mask |= (mask << row_bits) | (mask >> row_bits)
    return mask


def compare(tex, tex_weak, slide, slide_weak):
    """Shares of TeX's (strong) ink near slide ink, weak or strong, and of the slide's
    strong ink near TeX's ink, over the area both images cover; the least such share
    on a square of the page, either way, and where; and the ink pixel counts."""
    width, height = min(tex.width, slide.width), min(tex.height, slide.height)
    row_bits = 8 * (width + 1)
    full = (1 << (row_bits * height)) - 1
    a, b = crop_pad(tex, width, height), crop_pad(slide, width, height)
    near_a = spread(crop_pad(tex_weak, width, height), row_bits, NEAR) & full
    near_b = spread(crop_pad(slide_weak, width, height), row_bits, NEAR) & full
    ink_a, ink_b = a.bit_count(), b.bit_count()
    tile = min(worst_tile(a, a & near_b, width, height),
               worst_tile(b, b & near_a, width, height))
    share_a = (a & near_b).bit_count() / ink_a if ink_a else 1.0 if not ink_b else 0.0
    share_b = (b & near_a).bit_count() / ink_b if ink_b else 1.0 if not ink_a else 0.0
    return share_a, share_b, tile, ink_a, ink_b


# --- Drawing -----------------------------------------------------------------------

def numbered(folder, prefix, suffix):
    found = []
    for name in os.listdir(folder):
        if match := re.fullmatch(re.escape(prefix) + r"(\d+)" + re.escape(suffix), name):
            found.append((int(match.group(1)), os.path.join(folder, name)))
    return [path for _, path in sorted(found)]


def pdf_pages(pdf, pages, size, what):
    """Checks the PDF's page count and page sizes."""
    info = run(["pdfinfo", "-f", "1", "-l", str(max(pages, 1)), pdf])
    count = int(re.search(r"^Pages:\s+(\d+)", info, re.M).group(1))
    if count != pages:
        raise Failure(f"{what}: {count} pages, the DVI file has {pages}")
    for number, w, h in re.findall(r"^Page\s+(\d+) size:\s+([\d.]+) x ([\d.]+) pts", info, re.M):
        if abs(float(w) - size[0]) > 1 or abs(float(h) - size[1]) > 1:
            raise Failure(f"{what}: page {number} is {w} x {h} pt, the DVI file gives "
                          f"{size[0]:.2f} x {size[1]:.2f} pt")


def draw_pdf(pdf, folder):
    run(["pdftoppm", "-r", str(DPI), pdf, os.path.join(folder, "pdf")])
    return numbered(folder, "pdf-", ".ppm")


def draw_dvi(dvi, size, folder):
    """TeX's drawing: dvipng on the same page size, the origin 1in from the top and
    left edges.

    With an explicit page size dvipng puts the origin in the page's corner unless told
    where. It also draws everything half a pixel low: a rule from 179.76 to 181.35 px
    down the page fills rows 180 and 181, where exact geometry (and pdftoppm) fills
    row 180 and the edges of 179 and 181. So its origin is given half a pixel higher,
    which brings its drawing of a DVI file onto Ghostscript's and dvipdfmx's as drawn
    by pdftoppm (99.5% and more of the ink on every page, where it is 83-96% without);
    across the page it needs no such correction."""
    x, y = 72, 72 - 0.5 * 72 / DPI
    run(["dvipng", "-q", "--palette", "-D", str(DPI), "-T", f"{size[0]:.4f}bp,{size[1]:.4f}bp",
         "-O", f"{x:.4f}bp,{y:.4f}bp", "-o", os.path.join(folder, "tex%d.png"), dvi])
    return numbered(folder, "tex", ".png")


def hue_share(tex, drawn, page, tex_colour, drawn_colour):
    """Where both drawings have strong ink on the same pixel, the share of those pixels
    whose colours lie in the same direction from the page's colour, within HUE degrees.
    Anti-aliasing mixes the ink's colour with the page's, which keeps the direction: so
    red drawn black, or blue drawn green, is told apart, but not grey drawn black."""
    width, height = min(tex.width, drawn.width), min(tex.height, drawn.height)
    both = crop_pad(tex, width, height) & crop_pad(drawn, width, height)
    both = both.to_bytes((width + 1) * height, "little")
    least = math.cos(math.radians(HUE)) ** 2
    pixels = same = 0
    for match in re.finditer(b"\x01", both):
        y, x = divmod(match.start(), width + 1)
        t = [p - c for p, c in zip(page, tex_colour(y * tex.width + x))]
        d = [p - c for p, c in zip(page, drawn_colour(y * drawn.width + x))]
        dot = t[0] * d[0] + t[1] * d[1] + t[2] * d[2]
        pixels += 1
        same += dot > 0 and dot * dot >= least * (t[0] ** 2 + t[1] ** 2 + t[2] ** 2) * (
            d[0] ** 2 + d[1] ** 2 + d[2] ** 2)
    return same / pixels if pixels else 1.0


def fidelity(name, tex_images, pdf_images):
    """Compares the drawings page by page; returns, for each page, the share of TeX's
    ink near the other drawing's, the reverse, the least share on a square, and the
    share of common ink in the same colour."""
    if len(tex_images) != len(pdf_images):
        raise Failure(f"{len(tex_images)} pages drawn from the DVI file, {len(pdf_images)} "
                      f"from the PDF file")
    results = []
    for number, (tex_path, pdf_path) in enumerate(zip(tex_images, pdf_images), 1):
        tex, tex_weak, page, tex_colour = ink(tex_path)
        drawn, drawn_weak, _, drawn_colour = ink(pdf_path, page)
        if abs(tex.width - drawn.width) > 2 or abs(tex.height - drawn.height) > 2:
            raise Failure(f"page {number}: drawn {drawn.width}x{drawn.height} px, TeX's "
                          f"drawing is {tex.width}x{tex.height} px")
        there, back, (tile, corner), ink_tex, ink_drawn = compare(tex, tex_weak, drawn,
                                                                  drawn_weak)
        hue = hue_share(tex, drawn, page, tex_colour, drawn_colour)
        where = f" at {corner[0]},{corner[1]} px" if corner else ""
        print(f"{name} page {number}: tex->slide {100 * there:.1f}% "
              f"slide->tex {100 * back:.1f}% colour {100 * hue:.1f}% "
              f"worst square {100 * tile:.1f}%{where} ({ink_tex} and {ink_drawn} ink pixels)")
        if ink_tex == 0:
            raise Failure(f"page {number}: TeX's drawing has no ink: nothing is compared")
        results.append((there, back, tile, hue))
    return results


def short(results):
    """The pages whose ink, or colour, falls short."""
    return [number for number, (there, back, tile, hue) in enumerate(results, 1)
            if min(there, back, hue) < LEAST or tile < TILE_LEAST]


# --- The checks ----------------------------------------------------------------------

def typeset(name, work):
    wanted = DOCUMENTS[name]
    source = os.path.join(work, name + ".tex")
    shutil.copy(os.path.join(HERE, name + ".tex"), source)
    run([wanted["engine"], "-interaction=nonstopmode", "-halt-on-error", source], cwd=work)
    dvi = os.path.join(work, name + ".dvi")
    pages, size = read_dvi(dvi)
    if pages < wanted["pages"]:
        raise Failure(f"the document has {pages} pages, fewer than {wanted['pages']}")
    return dvi, pages, size


def check(deckgen_pptx, name):
    started = time.monotonic()
    with tempfile.TemporaryDirectory(prefix=f"deckgen-pptx-{name}-") as work:
        dvi, pages, size = typeset(name, work)
        pptx = os.path.join(work, name + ".pptx")
        result = subprocess.run([deckgen_pptx, dvi, pptx], capture_output=True, text=True,
                                stdin=subprocess.DEVNULL, timeout=300)
        if result.returncode != 0:
            raise Failure(f"deckgen-pptx failed ({result.returncode}): {result.stderr!r}")
        if result.stderr:
            print(f"{name}: deckgen-pptx says: {result.stderr.strip()}")
        slides = read_package(pptx, pages)
        converted = time.monotonic()
        profile = os.path.join(work, "lo-profile")
        out = os.path.join(work, "pdf")
        os.mkdir(out)
        run(["soffice", "--headless", "--norestore", f"-env:UserInstallation=file://{profile}",
             "--convert-to", "pdf", "--outdir", out, pptx], cwd=work, timeout=480)
        pdf = os.path.join(out, name + ".pdf")
        if not os.path.exists(pdf):
            raise Failure("LibreOffice wrote no PDF file")
        office = time.monotonic() - converted
        pdf_pages(pdf, pages, size, "LibreOffice's PDF")
        failing = short(fidelity(name, draw_dvi(dvi, size, work), draw_pdf(pdf, work)))
    if failing:
        raise Failure(f"pages {failing} do not draw as TeX draws them "
                      f"(below {100 * LEAST:.0f}%)")
    print(f"{name}: {pages} pages, {slides} slides of {size[0]:.2f} x {size[1]:.2f} pt, "
          f"drawn as TeX draws them ({time.monotonic() - started:.1f} s, "
          f"of which LibreOffice {office:.1f} s)")


def main(argv):
    if len(argv) < 3 or argv[1].startswith("-"):
        print(__doc__.strip(), file=sys.stderr)
        return 2
    names = argv[2:]
    unknown = [n for n in names if n not in DOCUMENTS]
    if unknown:
        print(f"unknown documents {unknown}; known: {sorted(DOCUMENTS)}", file=sys.stderr)
        return 2
    tools = ["tex", "latex", "dvitype", "kpsewhich", "dvipng", "pdftoppm", "pdfinfo", "soffice"]
    missing = [tool for tool in tools if not shutil.which(tool)]
    if not missing:
        missing = [f for name in names for f in DOCUMENTS[name]["needs"]
                   if subprocess.run(["kpsewhich", f], capture_output=True).returncode != 0]
    if missing:
        print(f"skipped: {', '.join(missing)} not found")
        return 77
    failed = 0
    for name in names:
        try:
            check(os.path.abspath(argv[1]), name)
        except Failure as failure:
            print(f"{name}: FAILED: {failure}")
            failed += 1
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
