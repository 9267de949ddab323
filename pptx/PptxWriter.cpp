// Pages, characters, rules and specials of the presentation writer.
#include "pptx/PptxWriter.h"

#include <algorithm>
#include <cmath>

#include "common/PlainText.h"
#include "fonts/FontFileLookup.h"
#include "pptx/package/PackageParts.h"
#include "ps/CmykColour.h"

namespace {

// PowerPoint's limits for the slide size: 1 inch to 56 inches.
constexpr std::int64_t minSlideSide = 914400, maxSlideSide = 51206400;

// What a special that is not drawn is called in the warning that counts them: its
// first word ("pdf:" and the word after it, "tpic" for tpic's); empty for those that mean
// nothing on a slide (source specials, dvipdfmx's configuration, a PDF's version and
// viewer preferences) and for empty ones.
std::string KindOfSpecial(std::string_view special) {
    const auto isSpace = [](char ch) {
        return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n';
    };
    while (!special.empty() && isSpace(special.front())) special.remove_prefix(1);
    std::size_t end = 0;
    while (end < special.size() && !isSpace(special[end]) && special[end] != ':' &&
           special[end] != '=')
        ++end;
    std::string kind(special.substr(0, end));
    if (end < special.size() && special[end] == ':') {
        // A prefix: the word after it names the operation ("pdf: image" is pdf:image).
        std::string_view rest = special.substr(end + 1);
        while (!rest.empty() && isSpace(rest.front())) rest.remove_prefix(1);
        std::size_t word = 0;
        while (word < rest.size() && !isSpace(rest[word]) && rest[word] != '<' &&
               rest[word] != '(' && rest[word] != '[' && rest[word] != '/' && word < 24)
            ++word;
        kind += ':';
        kind += rest.substr(0, word);
    }
    // (xdvipdfmx's phantom boxes measure text for PDF annotations.)
    static constexpr std::string_view meaningless[] = {
        "dvipdfmx:config",  "dvipdfmx:catch_phantom", "dvipdfmx:release_phantom",
        "pdf:majorversion", "pdf:minorversion",       "pdf:docview"};
    if (kind.empty() || kind.starts_with("src:") ||
        std::find(std::begin(meaningless), std::end(meaningless), kind) != std::end(meaningless))
        return {};
    static constexpr std::string_view tpic[] = {"pn", "pa", "fp", "ip", "da", "dt", "sp",
                                                "ar", "ia", "sh", "wh", "bk", "tx"};
    if (std::find(std::begin(tpic), std::end(tpic), kind) != std::end(tpic)) return "tpic";
    if (kind.size() > 32) kind.resize(32);
    return Printable(kind);
}

// Whether a link may lead to an address: only the web's and mail's schemes.
// Quarter turns about a glyph's origin, for pTeX's vertical text, and no turn.
constexpr Affine clockwise{0, 1, -1, 0, 0, 0}, anticlockwise{0, -1, 1, 0, 0, 0},
    identity{1, 0, 0, 1, 0, 0};

bool IsLinkedScheme(std::string_view address) {
    const std::size_t colon = address.find(':');
    if (colon == std::string_view::npos) return false;
    std::string scheme(address.substr(0, colon));
    for (char& ch : scheme) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return scheme == "http" || scheme == "https" || scheme == "mailto" || scheme == "ftp";
}

}  // namespace

PptxWriter::PptxWriter(const std::string& dviName, const std::string& pptxName,
                       std::ostream& warnings, PptxOptions options)
    : DviReader(true),
      dviName(dviName),
      options(std::move(options)),
      warnings(warnings),
      links(0.0) {
    Open(dviName);
    // The files most documents need, looked up in one run of kpsewhich: whether each
    // font is virtual, the font map and glyph lists.
    std::vector<std::string> files{"pdftex.map", "texglyphlist.txt", "glyphlist.txt"};
    for (const std::string& name : fonts.PrefetchedNames()) files.push_back(name + ".vf");
    PrefetchFontFiles(files);
    package.Create(pptxName);
    // num / den gives a DVI unit in units of 10^-7 m: 254000 of them to the inch.
    emuPerUnit = (double(num) / double(den)) * (double(mag) * 0.001) * (914400.0 / 254000.0);
    outlines = std::make_unique<GlyphOutlines>(emuPerUnit);
    native = std::make_unique<NativeGlyphs>(emuPerUnit, *outlines, warnings);
    japanese = std::make_unique<JapaneseFonts>(*native, warnings);
    outlines->Prefetch(fonts.PrefetchedNames());
    // A big point is 72.27 / 72 TeX points, a TeX point 65536 scaled points, and DVI
    // units (of TeX's files) scaled points; the conversion holds for other units too.
    links = LinkSpecials(emuPerBigPoint * double(mag) * 0.001);
    RegisterSpecials();
    // beamer's frames, from the page labels hyperref puts in the catalog.
    if (!this->options.slidePerPage) {
        for (const std::string& special :
             ScanSpecials({"ps:SDict begin [ {Catalog}", "ps:SDict begin [{Catalog}",
                           "pdf:put @catalog", "pdf:docview"})) {
            if (const auto ranges = ReadPageLabels(special)) plan = PlanFrames(*ranges, totalPages);
        }
    }
}

std::vector<parts::Section> PptxWriter::Sections() const {
    // The top-level bookmarks, at the slides of their destinations.
    int top = 64;
    for (const Bookmark& bookmark : bookmarks) top = std::min(top, bookmark.level);
    std::vector<parts::Section> sections;
    for (const Bookmark& bookmark : bookmarks) {
        if (bookmark.level != top) continue;
        const std::optional<std::uint32_t> page = links.SlideOf(bookmark.destination);
        if (!page) continue;
        sections.push_back({bookmark.title, std::min(SlideOfPage(*page), slides)});
    }
    std::stable_sort(
        sections.begin(), sections.end(),
        [](const parts::Section& a, const parts::Section& b) { return a.first < b.first; });
    // Every slide is in a section: those before the first in one of their own.
    if (!sections.empty() && sections.front().first > 1)
        sections.insert(sections.begin(), {"Default Section", 1});
    return slides > 0 ? sections : std::vector<parts::Section>{};
}

std::uint32_t PptxWriter::SlideOfPage(std::uint32_t page) const {
    return page >= 1 && page <= plan.size() ? plan[page - 1].frame + 1 : page;
}

void PptxWriter::Run() {
    ReadPages();

    const PaperSize paper = Paper(pdf != nullptr);
    const std::int64_t width =
        std::clamp(ToEmu(paper.width * emuPerBigPoint), minSlideSide, maxSlideSide);
    const std::int64_t height =
        std::clamp(ToEmu(paper.height * emuPerBigPoint), minSlideSide, maxSlideSide);
    const bool core = !properties.Empty();
    std::vector<std::uint32_t> noted;  // the slides with notes
    for (const auto& [slide, text] : notes) {
        if (slide > slides || text.empty()) continue;
        noted.push_back(slide);
        package.Add("ppt/notesSlides/notesSlide" + std::to_string(slide) + ".xml",
                    parts::NotesSlide(text));
        package.Add("ppt/notesSlides/_rels/notesSlide" + std::to_string(slide) + ".xml.rels",
                    parts::NotesSlideRelationships(slide));
    }
    if (!noted.empty()) {
        package.Add("ppt/notesMasters/notesMaster1.xml", std::string(parts::notesMaster));
        package.Add("ppt/notesMasters/_rels/notesMaster1.xml.rels",
                    std::string(parts::notesMasterRelationships));
        package.Add("ppt/theme/theme2.xml", std::string(parts::theme));
    }
    package.Add("[Content_Types].xml", parts::ContentTypes(slides, hasPng, hasJpeg, core, noted));
    package.Add("_rels/.rels", parts::RootRelationships(core));
    if (core) package.Add("docProps/core.xml", parts::CoreProperties(properties));
    package.Add("ppt/presentation.xml",
                parts::Presentation(slides, width, height, !noted.empty(), Sections()));
    package.Add("ppt/_rels/presentation.xml.rels",
                parts::PresentationRelationships(slides, !noted.empty()));
    package.Add("ppt/slideMasters/slideMaster1.xml", std::string(parts::slideMaster));
    package.Add("ppt/slideMasters/_rels/slideMaster1.xml.rels",
                std::string(parts::slideMasterRelationships));
    package.Add("ppt/slideLayouts/slideLayout1.xml", std::string(parts::slideLayout));
    package.Add("ppt/slideLayouts/_rels/slideLayout1.xml.rels",
                std::string(parts::slideLayoutRelationships));
    package.Add("ppt/theme/theme1.xml", std::string(parts::theme));
    package.Add("ppt/presProps.xml", std::string(parts::presentationProperties));
    package.Add("ppt/viewProps.xml", std::string(parts::viewProperties));
    package.Add("ppt/tableStyles.xml", std::string(parts::tableStyles));
    // Links to a slide go where their destination is; one to a destination the
    // document never defines stays on its own slide.
    for (std::uint32_t i = 1; i <= slides; ++i) {
        std::vector<parts::LinkTarget> targets;
        for (PageLink& link : slideLinks[i - 1]) {
            if (!link.uri.empty()) {
                targets.push_back({0, std::move(link.uri)});
                continue;
            }
            std::optional<std::uint32_t> slide = links.SlideOf(link.destination);
            if (slide) slide = SlideOfPage(*slide);
            if (!slide) {
                warnings << "Link to undefined destination " << Printable(link.destination)
                         << " on slide " << i << " stays on its slide\n";
            }
            targets.push_back({slide.value_or(i), {}});
        }
        package.Add(
            "ppt/slides/_rels/slide" + std::to_string(i) + ".xml.rels",
            parts::SlideRelationships(targets, slidePictures[i - 1],
                                      std::binary_search(noted.begin(), noted.end(), i) ? i : 0));
    }
    package.Commit();
    if (!specialsLeftOut.empty()) {
        warnings << "Specials left out:";
        const char* separator = " ";
        for (const auto& [kind, count] : specialsLeftOut) {
            warnings << separator << kind << " (" << count << ')';
            separator = ", ";
        }
        warnings << '\n';
    }
}

PaperSize PptxWriter::Paper(bool dvipdfmx) {
    // XeTeX's and pTeX's files are made for (x)dvipdfmx.
    dvipdfmx = dvipdfmx || format != Format::Dvi;
    if (paperSize) return *paperSize;
    if (!driverPaper) driverPaper = DriverPaperSize(dvipdfmx);
    return *driverPaper;
}

void PptxWriter::StartGraphics(bool dvipdfmx) {
    if (graphics) return;
    // dvips reads the headers, and the paper size, before the first page.
    std::vector<std::string> headers =
        ScanSpecials({"!", "header=", "Header=", "HEADER=", "papersize="});
    for (const std::string& special : headers) ReadPaperSize(special);
    const PaperSize paper = Paper(dvipdfmx);
    graphics = std::make_unique<PostScriptGraphics>(dviName, paper.width, paper.height,
                                                    double(mag) * 0.001, warnings,
                                                    options.interpreter, options.limits);
    for (const std::string& special : headers) {
        if (!special.starts_with("papersize=")) graphics->Header(special);
    }
    // The procedures dvipdfmx's content runs in, for the pages that have it.
    std::string operators = "!";
    operators += PdfSpecials::Operators();
    graphics->Header(operators);
}

void PptxWriter::DrawPostScript(std::string_view special) {
    StartGraphics();
    const double inches = emuPerUnit / double(emuPerInch);
    graphics->Special(special, h * inches, v * inches, pages + 1);
}

void PptxWriter::ReadPdfSpecial(const std::string& special) {
    // (XeTeX writes a page size on every page: no interpreter is started for it.)
    if (PdfSpecials::DrawsNothing(special)) return;
    StartGraphics(true);
    if (!pdf) pdf = std::make_unique<PdfSpecials>(dviName, warnings);
    const std::uint32_t page = pages + 1;
    if (pdfPage != page) {
        // dvipdfmx's page: its space over dvips's, in TeX's colour.
        graphics->Content(PdfSpecials::PageOpening(CurrentColour()), false, page);
        pdfPage = page;
    }
    const double inches = emuPerUnit / double(emuPerInch);
    PdfSpecials::Result result = pdf->Read(special, h * inches, v * inches, page);
    if (!result.understood) {
        if (const std::string kind = KindOfSpecial(special); !kind.empty()) ++specialsLeftOut[kind];
        return;
    }
    if (!result.code.empty())
        graphics->Content("pdfops begin\n" + result.code + "end\n", false, page);
    if (!result.isolated.empty()) graphics->Content(std::move(result.isolated), true, page);
    switch (result.colour) {
        case PdfSpecials::Result::Colour::None:
            break;
        case PdfSpecials::Result::Colour::Push:
            colourStack.push_back(result.pushed);
            break;
        case PdfSpecials::Result::Colour::Replace:
            if (colourStack.empty())
                colourStack.push_back(result.pushed);
            else
                colourStack.back() = result.pushed;
            break;
        case PdfSpecials::Result::Colour::Pop:
            if (!colourStack.empty()) colourStack.pop_back();
            break;
        case PdfSpecials::Result::Colour::Reapply:
            break;
    }
    if (result.colour != PdfSpecials::Result::Colour::None)
        graphics->Content(PdfSpecials::ColourCode(CurrentColour()), false, page);
    if (result.picture && ++pagePictures > maxPagePictures) {
        if (pagePictures == maxPagePictures + 1)
            warnings << "Images on page " << page << " beyond the page's " << maxPagePictures
                     << " left out\n";
        return;
    }
    if (result.picture) {
        // Where the page's content has moved the reference point's space.
        std::int64_t x = emuPerInch, y = emuPerInch;
        const Affine* linear = Transformed(x, y);
        if (graphics->Hidden()) return;
        // From PDF space to the page's pixels, to what the content made of them, to EMU.
        const double pixel = double(emuPerInch) / PostScriptGraphics::pixelsPerInch;
        const double s = PostScriptGraphics::pixelsPerInch / 72;
        Affine m = Then(result.picture->matrix, Affine{s, 0, 0, -s, 0, 0});
        if (linear != nullptr) m = Then(m, *linear);
        m = Then(m, Affine{pixel, 0, 0, pixel, double(emuPerInch), double(emuPerInch)});
        shapes.FilePicture(result.picture->bytes, result.picture->extension, m,
                           result.picture->crop, Opacity());
    }
}

void PptxWriter::ReadPaperSize(std::string_view special) {
    if (!paperSize && special.starts_with("papersize=")) paperSize = ParsePaperSize(special);
}

void PptxWriter::FlushPostScript() {
    if (!graphics) return;
    for (const Paint& paint : graphics->Flush()) {
        if (paint.kind != Paint::Kind::Glyph) {
            shapes.Draw(paint);
        } else if (options.textLayer) {
            Shown(paint.glyph);
        }
    }
}

void PptxWriter::Shown(const ShownGlyph& glyph) {
    // A character that PostScript showed (a figure's label), whose outline came as a
    // fill, is read from the text layer too, along its baseline.
    const std::string text = outlines->TextOfGlyphName(glyph.name);
    if (text.empty()) return;
    const double across = glyph.toX - glyph.x, down = glyph.toY - glyph.y;
    layer.Add(text, std::llround(glyph.x), std::llround(glyph.y),
              std::llround(std::hypot(across, down)), std::llround(glyph.size),
              StyleOfPostScriptFont(glyph.font), std::nullopt, std::atan2(down, across));
}

const Affine* PptxWriter::Transformed(std::int64_t& x, std::int64_t& y) {
    // What the specials before paint lies beneath, and moves what comes.
    FlushPostScript();
    const Affine* t = graphics ? graphics->Transform() : nullptr;
    if (t == nullptr) return nullptr;
    if (pdf && pdfPage == pages + 1) {
        // dvipdfmx sets TeX's characters in PDF space, from the open blocks' origins.
        textTransform = pdf->TextTransform(*t);
        const auto [a, b, c, d, e, f] = textTransform;
        if (std::abs(a - 1) + std::abs(b) + std::abs(c) + std::abs(d - 1) < 1e-9 &&
            std::abs(e) + std::abs(f) < 1e-3)
            return nullptr;
        t = &textTransform;
    }
    // From the page's pixels to the current ones, as a map of the slide about TeX's
    // origin (one inch in from the top left corner).
    const double pixel = double(emuPerInch) / PostScriptGraphics::pixelsPerInch;
    const double px = double(x - emuPerInch), py = double(y - emuPerInch);
    x = emuPerInch + std::llround((*t)[0] * px + (*t)[2] * py + pixel * (*t)[4]);
    y = emuPerInch + std::llround((*t)[1] * px + (*t)[3] * py + pixel * (*t)[5]);
    return t;
}

void PptxWriter::OnBeginPage(std::int32_t) {}

void PptxWriter::OnEndPage(std::int32_t) {
    if (graphics) {
        FlushPostScript();
        graphics->EndPage();
    }
    if (pdf) pdf->EndPage();
    pagePictures = 0;
    ++pages;
    const DeckPage* at = pages <= plan.size() ? &plan[pages - 1] : nullptr;
    if (at != nullptr && at->note) {
        // A note page: its text, below the header of beamer's note page (which has the
        // date turned up its side, over the top quarter), is its frame's notes; once,
        // when each step repeats it.
        const std::int64_t quarter = ToEmu(Paper(pdf != nullptr).height * emuPerBigPoint) / 4;
        std::string text = layer.Paragraphs(layer.Turned() ? quarter : -1);
        std::string& frameNotes = notes[at->frame + 1];
        if (!text.empty() && !frameNotes.ends_with(text))
            frameNotes += (frameNotes.empty() ? "" : "\n") + text;
        layer.Finish(shapes);
        links.TakePage();
        shapes.Finish(nullptr);
        shapes.TakePictures();
        outlines->ReleaseRetired();
        return;
    }
    // The transition to a frame is that to its first step.
    if (frameSteps.empty()) frameTransition = transition;
    transition = PageTransition{};
    const PaperSize paper = Paper(pdf != nullptr);
    const TextLayer::Cover cover{background.value_or(RgbColour{255, 255, 255}),
                                 ToEmu(paper.width * emuPerBigPoint),
                                 ToEmu(paper.height * emuPerBigPoint)};
    layer.Finish(shapes, &cover);
    PageDrawing page;
    page.links = WritePageLinks();
    page.slide = shapes.Finish(background ? &*background : nullptr);
    page.pictures = StorePictures();
    outlines->ReleaseRetired();
    frameSteps.push_back(std::move(page));
    // The frame's last step: no later page but notes is of its frame.
    if (at != nullptr) {
        for (std::size_t next = pages; next < plan.size(); ++next) {
            if (plan[next].note) continue;
            if (plan[next].frame == at->frame) return;
            break;
        }
    }
    ++slides;
    std::string missing;
    PageDrawing slide =
        BuildFrame(std::move(frameSteps), TransitionElement(frameTransition, missing));
    frameSteps.clear();
    if (!missing.empty() && transitionsLeftOut.insert(missing).second) {
        warnings << "Transition " << Printable(missing) << " to slide " << slides
                 << " left out: presentations have none like it\n";
    }
    package.AddSpooled("ppt/slides/slide" + std::to_string(slides) + ".xml",
                       std::move(slide.slide));
    slideLinks.push_back(std::move(slide.links));
    slidePictures.push_back(std::move(slide.pictures));
}

std::vector<std::string> PptxWriter::StorePictures() {
    std::vector<std::string> names;
    for (SlideShapes::Media& media : shapes.TakePictures()) {
        const auto [known, added] = mediaNames.try_emplace(std::string_view(*media.bytes));
        if (added) {
            known->second = "image" + std::to_string(++pictures) + '.' + media.extension;
            (media.extension == "png" ? hasPng : hasJpeg) = true;
            package.Add("ppt/media/" + known->second, std::string(*media.bytes));
            mediaKept.push_back(media.bytes);
        }
        names.push_back(known->second);
    }
    return names;
}

// The page's links as invisible areas over the text, each with a relationship of its
// own (from rId2 on), written at the end when the destinations' slides are known. Web
// addresses of other schemes are left out.
std::vector<PageLink> PptxWriter::WritePageLinks() {
    std::vector<PageLink> kept;
    for (PageLink& link : links.TakePage()) {
        if (!link.uri.empty() && !IsLinkedScheme(link.uri)) {
            if (addressesLeftOut.insert(link.uri).second) {
                warnings << "Link to " << Printable(link.uri) << " on page " << pages
                         << " left out: only http, https, mailto and ftp addresses are linked\n";
            }
            continue;
        }
        const auto relationship = static_cast<std::uint32_t>(kept.size() + 2);
        shapes.LinkArea(link.left, link.top, link.right - link.left, link.bottom - link.top,
                        SlideLink{relationship, link.uri.empty()});
        kept.push_back(std::move(link));
    }
    return kept;
}

void PptxWriter::OnChar(std::int32_t c) {
    // The reader has checked that a font is selected and has the code c.
    SetCharacter(*fonts.CurrentFont(), c, 0);
}

void PptxWriter::SetCharacter(const TfmFont& font, std::int32_t c, int depth) {
    if (VirtualFonts::Instance* virtualFont = virtualFonts.Find(font)) {
        SetPacket(font, *virtualFont, c, depth);
        return;
    }
    if (font.metrics->jfm) {
        SetJapanese(font, c);
        return;
    }
    const GlyphOutline* glyph = outlines->Find(font, c);
    std::int64_t x = SlideX(h), y = SlideY(v);
    const Affine* linear = Transformed(x, y);
    // In vertical text (pTeX's tate) other fonts' glyphs lie turned a quarter clockwise.
    Affine turned{};
    if (direction != 0) {
        turned = Then(direction == 1 ? clockwise : anticlockwise, linear ? *linear : identity);
        linear = &turned;
    }
    if (graphics && graphics->Hidden()) return;
    if (links.Making()) {
        const ScaledChar& box = font.scaled[static_cast<std::size_t>(CharIndex(font, c))];
        links.Extend(x, y - ToEmu(box.height * emuPerUnit), x + ToEmu(box.width * emuPerUnit),
                     y + ToEmu(box.depth * emuPerUnit));
    }
    if (glyph != nullptr) {
        shapes.Glyph(*glyph, x, y, CurrentColour(), linear, Opacity());
        if (!options.textLayer) return;
    } else if (fontsAsText.insert(font.name).second) {
        warnings << "Font " << Printable(font.name)
                 << " has no Type 1 outline: its characters are set as text\n";
    }
    // A character without an outline is drawn by the text layer; one whose text is
    // unknown then shows as U+FFFD.
    const GlyphOutlines::CharacterText text = outlines->Text(font, c);
    const std::int32_t width = font.scaled[static_cast<std::size_t>(CharIndex(font, c))].width;
    LayText(text.text.empty() && glyph == nullptr ? "\xEF\xBF\xBD" : text.text, x, y,
            ToEmu(width * emuPerUnit), ToEmu(font.scaledSize * emuPerUnit), text.style,
            glyph == nullptr, linear);
}

void PptxWriter::SetJapanese(const TfmFont& font, std::int32_t c) {
    const auto glyph = japanese->Find(font, c);
    std::int64_t x = SlideX(h), y = SlideY(v);
    const Affine* linear = Transformed(x, y);
    if (graphics && graphics->Hidden()) return;
    const ScaledChar& box = font.scaled[static_cast<std::size_t>(CharIndex(font, c))];
    const std::int64_t advance = ToEmu(box.width * emuPerUnit),
                       size = ToEmu(font.scaledSize * emuPerUnit);
    // In vertical text a character runs down the page from (h, v): a vertical font's
    // glyph stands upright with the top centre of its em there (PDF's vertical origin),
    // another's lies turned a quarter clockwise about its origin. The text layer lays
    // the text along the line.
    const Affine turned = Then(clockwise, linear ? *linear : identity);
    const bool upright = direction == 0 || (glyph && glyph->vertical);
    const Affine* textLinear = direction != 0 ? &turned : linear;
    std::int64_t glyphX = x, glyphY = y;
    if (direction != 0 && upright) {
        const std::int64_t half = native->Advance(*glyph->font, glyph->id) / 2;
        const std::int64_t top = native->VerticalOrigin(*glyph->font, glyph->id);
        const Affine& m = linear ? *linear : identity;
        glyphX += std::llround(-m[0] * double(half) + m[2] * double(top));
        glyphY += std::llround(-m[1] * double(half) + m[3] * double(top));
    }
    if (links.Making()) {
        if (direction == 0)
            links.Extend(x, y - ToEmu(box.height * emuPerUnit), x + advance,
                         y + ToEmu(box.depth * emuPerUnit));
        else
            links.Extend(x - size / 2, y, x + size / 2, y + advance);
    }
    if (glyph) {
        shapes.Glyph(native->Glyph(*glyph->font, glyph->id), glyphX, glyphY, CurrentColour(),
                     upright ? linear : &turned, Opacity());
        if (!options.textLayer) return;
    }
    FontStyle style = glyph ? native->Style(*glyph->font) : FontStyle{};
    style.cjk = 1;
    // The text advances as the glyph does (a full-width comma's JFM width is half its
    // em, the rest glue), so that a reader finds one word where TeX set one.
    const std::int64_t textAdvance =
        !glyph ? advance
        : direction != 0 && glyph->vertical
            ? std::max(advance, size)
            : std::max(advance, native->Advance(*glyph->font, glyph->id));
    LayText(glyph && !glyph->text.empty() ? std::string_view(glyph->text) : "\xEF\xBF\xBD",
            direction != 0 ? x - size / 2 : x, y, textAdvance, size, style, !glyph, textLinear);
}

void PptxWriter::LayText(std::string_view text, std::int64_t x, std::int64_t y,
                         std::int64_t advance, std::int64_t size, FontStyle style, bool inked,
                         const Affine* linear) {
    // Text turned and scaled alike in both directions (rotated, scaled, a node's text)
    // is laid along its baseline at its size, text stretched along the axes at its
    // height; other text (reflected, slanted), upright at its place.
    double across = 1.0, up = 1.0, angle = 0.0;
    if (linear != nullptr) {
        const auto [a, b, c2, d, e, f] = *linear;
        const double length = std::hypot(a, b), tolerance = 1e-3 * std::hypot(length, c2, d);
        if (length > 0 && std::abs(c2 + b) <= tolerance && std::abs(d - a) <= tolerance) {
            across = up = length;
            angle = std::atan2(b, a);
        } else if (a > 0 && d > 0 && std::abs(b) <= tolerance && std::abs(c2) <= tolerance) {
            across = a;
            up = d;
        }
    }
    layer.Add(text, x, y, std::llround(double(advance) * across), std::llround(double(size) * up),
              style, inked ? std::optional(CurrentColour()) : std::nullopt, angle);
}

void PptxWriter::OnGlyphs(const NativeFont& font, const std::vector<PlacedGlyph>& glyphs,
                          std::int32_t width, std::u16string_view text) {
    NativeGlyphs::Font* prepared = native->Prepare(font);
    // A vertical layout is drawn as a horizontal one, said once for each font file.
    if (font.vertical && effectsLeftOut.insert(font.file).second) {
        warnings << "Font file " << Printable(font.file)
                 << ": vertical layout left out, its glyphs are drawn as the font has them\n";
    }
    // XeTeX's emboldening strokes the outlines too, as xdvipdfmx does ("2 Tr"), with a
    // line as many big points wide as the font's embolden value (which XeTeX has made
    // in proportion to its size).
    const std::int64_t stroke =
        font.embolden > 0 ? ToEmu(font.embolden / 65536.0 * emuPerBigPoint * double(mag) * 0.001)
                          : 0;
    // A coloured font sets its text in its own colour (and opacity), as xdvipdfmx does.
    if (font.rgba) {
        const std::uint32_t rgba = *font.rgba;
        colourStack.push_back(RgbColour{static_cast<std::uint8_t>(rgba >> 24),
                                        static_cast<std::uint8_t>(rgba >> 16),
                                        static_cast<std::uint8_t>(rgba >> 8)});
    }
    const std::int32_t alpha =
        font.rgba ? static_cast<std::int32_t>(std::llround((*font.rgba & 0xFF) / 255.0 * opaque))
                  : opaque;
    const std::int32_t opacity =
        static_cast<std::int32_t>(std::int64_t{Opacity()} * alpha / opaque);
    const std::int64_t size = ToEmu(font.size * emuPerUnit);
    // Text stretched by XeTeX is as wide as text of a larger size on the text layer.
    const std::int64_t layerSize =
        ToEmu(font.size * emuPerUnit * std::max(font.extend, 0x10000) / 65536.0);
    // Without the font, the run's text (when XeTeX gave it) is set at its first glyph.
    std::string runText;
    if (prepared == nullptr) {
        for (std::size_t i = 0; i < text.size(); ++i) {
            char32_t c = text[i];
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                text[i + 1] <= 0xDFFF)
                c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
            if (c < 0xD800 || c > 0xDFFF) AppendUtf8(runText, c);
        }
    }
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        const PlacedGlyph& glyph = glyphs[i];
        std::int64_t x = SlideX(glyph.h), y = SlideY(glyph.v);
        const Affine* linear = Transformed(x, y);
        if (graphics && graphics->Hidden()) break;
        const std::int32_t next = i + 1 < glyphs.size() ? glyphs[i + 1].h : h + width;
        const std::int64_t advance = ToEmu((double(next) - glyph.h) * emuPerUnit);
        if (links.Making())
            links.Extend(x, y - size * 3 / 4, x + std::max<std::int64_t>(advance, 0), y + size / 4);
        if (prepared != nullptr) {
            shapes.Glyph(native->Glyph(*prepared, glyph.id), x, y, CurrentColour(), linear, opacity,
                         stroke);
            if (!options.textLayer) continue;
            LayText(native->Text(*prepared, glyph.id), x, y, advance, layerSize,
                    native->Style(*prepared), false, linear);
        } else {
            LayText(i == 0 && !runText.empty() ? std::string_view(runText) : "\xEF\xBF\xBD", x, y,
                    advance, size, FontStyle{}, true, linear);
        }
    }
    if (font.rgba) colourStack.pop_back();
}

void PptxWriter::SetPacket(const TfmFont& font, VirtualFonts::Instance& virtualFont, std::int32_t c,
                           int depth) {
    const auto packet = virtualFont.font->packets.find(c);
    if (packet == virtualFont.font->packets.end()) return;  // a character the VF lacks
    if (depth == maxVirtualDepth) {
        if (fontsAsText.insert(font.name).second) {
            warnings << "Virtual font " << Printable(font.name) << " nests more than "
                     << maxVirtualDepth << " deep: its characters are left out\n";
        }
        return;
    }
    // The packet's DVI commands, from the character's place, with registers and a stack
    // of their own, in its first local font; its dimensions are fix_words of the font's
    // size. The reader's position comes back afterwards.
    const std::int32_t savedH = h, savedV = v;
    struct Registers {
        std::int32_t h, v, w, x, y, z;
    } r{h, v, 0, 0, 0, 0};
    std::vector<Registers> stack;
    const TfmFont* current = nullptr;
    const auto select = [&](std::int32_t k) {
        virtualFont.locals.SelectFont(k);
        current = virtualFont.locals.CurrentFont();
    };
    if (!virtualFont.font->fonts.empty()) select(virtualFont.first);
    const std::string_view commands = packet->second;
    std::size_t at = 0;
    // Each command's operand bytes must be there, else the packet ends.
    const auto has = [&](std::size_t count) { return at + count <= commands.size(); };
    const auto number = [&](int count, bool isSigned) {
        std::uint32_t value = 0;
        for (int i = 0; i < count; ++i)
            value = value << 8 | static_cast<unsigned char>(commands[at++]);
        if (isSigned && count < 4 && (value >> (8 * count - 1)) != 0)
            value -= std::uint32_t{1} << (8 * count);
        return static_cast<std::int32_t>(value);
    };
    const auto dimension = [&](int count) {
        return ScaledDimension(number(count, true), virtualFont.scaledSize);
    };
    const auto move = [](std::int32_t& position, std::int32_t by) {
        position = static_cast<std::int32_t>(static_cast<std::uint32_t>(position) +
                                             static_cast<std::uint32_t>(by));
    };
    // Along the line (right in horizontal text) and across it (down), as the direction
    // of pTeX's vertical text turns them.
    const auto along = [&](std::int32_t by) {
        if (direction == 0)
            move(r.h, by);
        else
            move(r.v, direction == 1 ? by : -by);
    };
    const auto across = [&](std::int32_t by) {
        if (direction == 0)
            move(r.v, by);
        else
            move(r.h, direction == 1 ? -by : by);
    };
    const auto set = [&](std::int32_t code, bool advance) {
        if (current == nullptr) return;
        const std::int64_t i = CharIndex(*current, code);
        if (i < 0 || i >= std::int64_t(current->scaled.size())) return;
        h = r.h, v = r.v;
        SetCharacter(*current, code, depth + 1);
        if (advance) along(current->scaled[static_cast<std::size_t>(i)].width);
    };
    // A register set by the operand of `count` bytes (none: as it is), then moved by,
    // along the line or across it.
    const auto step = [&](bool isAlong, std::int32_t* reg, int count) {
        std::int32_t by = reg != nullptr ? *reg : 0;
        if (count > 0) {
            by = dimension(count);
            if (reg != nullptr) *reg = by;
        }
        if (isAlong)
            along(by);
        else
            across(by);
    };
    while (at < commands.size()) {
        const int op = static_cast<unsigned char>(commands[at++]);
        // The operand bytes of the commands that have them.
        const int operands = op >= 128 && op <= 131   ? op - 127
                             : op >= 133 && op <= 136 ? op - 132
                             : op == 132 || op == 137 ? 8
                             : op >= 143 && op <= 146 ? op - 142
                             : op >= 147 && op <= 151 ? op - 147
                             : op >= 152 && op <= 156 ? op - 152
                             : op >= 157 && op <= 160 ? op - 156
                             : op >= 161 && op <= 165 ? op - 161
                             : op >= 166 && op <= 170 ? op - 166
                             : op >= 235 && op <= 242 ? (op - 235) % 4 + 1
                                                      : 0;
        if (!has(std::size_t(operands))) break;
        if (op <= 127) {
            set(op, true);
        } else if (op <= 131 || (op >= 133 && op <= 136)) {  // set1..4, put1..4
            set(number(operands, false), op <= 131);
        } else if (op == 132 || op == 137) {  // set_rule, put_rule
            const std::int32_t height = dimension(4), width = dimension(4);
            h = r.h, v = r.v;
            if (height > 0 && width > 0) Rule(height, width);
            if (op == 132) along(width);
        } else if (op == 138) {  // nop
        } else if (op == 141) {
            stack.push_back(r);
        } else if (op == 142) {
            if (stack.empty()) break;
            r = stack.back();
            stack.pop_back();
        } else if (op >= 143 && op <= 146) {
            step(true, nullptr, operands);
        } else if (op >= 147 && op <= 151) {
            step(true, &r.w, operands);
        } else if (op >= 152 && op <= 156) {
            step(true, &r.x, operands);
        } else if (op >= 157 && op <= 160) {
            step(false, nullptr, operands);
        } else if (op >= 161 && op <= 165) {
            step(false, &r.y, operands);
        } else if (op >= 166 && op <= 170) {
            step(false, &r.z, operands);
        } else if (op >= 171 && op <= 238) {  // fnt_num_0..63, fnt1..4
            const std::int32_t k = op <= 234 ? op - 171 : number(operands, false);
            if (!virtualFont.locals.Has(k)) break;
            select(k);
        } else if (op >= 239 && op <= 242) {  // xxx1..4
            const auto length = static_cast<std::uint32_t>(number(operands, false));
            if (!has(length)) break;
            h = r.h, v = r.v;
            OnSpecial(std::string(commands.substr(at, length)));
            at += length;
        } else {
            break;  // no other command belongs in a packet
        }
    }
    h = savedH;
    v = savedV;
}

void PptxWriter::OnRule(std::int32_t height, std::int32_t width) {
    // A rule covers h .. h + b across and v - a .. v upwards from the baseline; one
    // without a positive height and width draws nothing.
    if (height <= 0 || width <= 0) return;
    const std::int64_t left = SlideX(h), top = SlideY(double(v) - height);
    const std::int64_t right = SlideX(double(h) + width), bottom = SlideY(v);
    // Under a transformation, the rule moves with its bottom left corner.
    std::int64_t x = left, y = bottom;
    const Affine* linear = Transformed(x, y);
    if (graphics && graphics->Hidden()) return;
    links.Extend(x, y - (bottom - top), x + (right - left), y);
    shapes.Rectangle(x, y - (bottom - top), x + (right - left), y, CurrentColour(), linear,
                     Opacity());
}

void PptxWriter::RegisterSpecials() {
    using Case = SpecialDispatch::Case;
    // TeX's colour stack; the page's PostScript paints in its colour, and dvipdfmx sets it
    // as fill and stroke colour of the page's content. CMYK colours come as Ghostscript
    // draws dvips's, as the page's PostScript paints do.
    for (const char* prefix : {"color push", "color pop"}) {
        specials.On(prefix, [this](const std::string& special) {
            ApplyColourSpecial(special, colourStack, CmykToRgb);
            if (pdf && pdfPage == pages + 1) {
                graphics->Content(PdfSpecials::ColourCode(CurrentColour()), false, pages + 1);
            } else if (graphics) {
                graphics->Colour(CurrentColour());
            }
        });
    }
    // LaTeX's \pagecolor: the page's background, and that of the pages after it.
    specials.On("background", [this](const std::string& special) {
        background = ParseColour(special.substr(10), CmykToRgb);
    });
    specials.On("papersize=", [this](const std::string& special) { ReadPaperSize(special); });
    // hyperref's links and document information: pdfmarks for dvips, dvipdfmx's own.
    specials.On("ps:", [this](const std::string& special) {
        links.Read(special, SlideX(h), SlideY(v), pages + 1);
        if (special.find("/DOCINFO") != std::string::npos) ReadDocumentInfo(special, properties);
    });
    // beamer's transitions and sections: pdfmarks for dvips, dvipdfmx's own.
    for (const char* prefix : {"ps:", "pdf:put"}) {
        specials.On(prefix, [this](const std::string& special) {
            ReadPageTransition(special, transition);
        });
    }
    for (const char* prefix : {"ps:", "pdf:out"}) {
        specials.On(prefix, [this](const std::string& special) {
            ReadBookmark(special, bookmarks, openBookmarks);
        });
    }
    specials.On("pdf:", [this](const std::string& special) {
        links.ReadPdf(special, pages + 1);
        if (const auto size = PdfSpecials::PageSize(special); size && !paperSize)
            paperSize = PaperSize{(*size)[0], (*size)[1]};
    });
    specials.On("pdf:docinfo",
                [this](const std::string& special) { ReadDocumentInfo(special, properties); });
    // The page's graphics: dvipdfmx's and XeTeX's specials, and PostScript's.
    for (const char* prefix : {"pdf:", "x:"})
        specials.On(prefix, [this](const std::string& special) { ReadPdfSpecial(special); });
    for (const char* prefix : {"ps:", "\"", "!"})
        specials.On(prefix, [this](const std::string& special) { DrawPostScript(special); });
    specials.On(
        "header=", [this](const std::string& special) { DrawPostScript(special); }, Case::Any);
    // An EPS figure: in a document for dvipdfmx, an image of the box given, as dvipdfmx
    // reads graphicx's figures.
    specials.On(
        "psfile=",
        [this](const std::string& special) {
            if (pdf)
                ReadPdfSpecial(PdfSpecials::FigureOfPsfile(special));
            else
                DrawPostScript(special);
        },
        Case::Any);
}

void PptxWriter::OnSpecial(std::string text) {
    if (specials.Dispatch(text)) return;
    if (const std::string kind = KindOfSpecial(text); !kind.empty()) ++specialsLeftOut[kind];
}
