// Pages, characters, rules and specials of the presentation writer.
#include "pptx/PptxWriter.h"

#include <algorithm>

#include "common/PlainText.h"
#include "pptx/PackageParts.h"

namespace {

// PowerPoint's limits for the slide size: 1 inch to 56 inches.
constexpr std::int64_t minSlideSide = 914400, maxSlideSide = 51206400;

// A character code, or a byte of a font name, as XML text. A code that is not an XML
// character, or is a control character, becomes U+FFFD.
void AppendXmlChar(std::string& xml, std::int32_t c) {
    if (IsPlainText(c)) {
        xml.push_back(static_cast<char>(c));
        return;
    }
    const bool character = c >= 32 && c != 127 && c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF) &&
                           c != 0xFFFE && c != 0xFFFF;
    xml += "&#" + std::to_string(character ? c : 0xFFFD) + ";";
}

}  // namespace

PptxWriter::PptxWriter(const std::string& dviName, const std::string& pptxName,
                       std::ostream& warnings)
    : warnings(warnings) {
    Open(dviName);
    package.Create(pptxName);
    // num / den gives a DVI unit in units of 10^-7 m: 254000 of them to the inch.
    emuPerUnit = (double(num) / double(den)) * (double(mag) * 0.001) * (914400.0 / 254000.0);
    outlines = std::make_unique<GlyphOutlines>(emuPerUnit);
}

void PptxWriter::Run() {
    ReadPages();

    const PaperSize paper = paperSize.value_or(PaperSize{});
    const std::int64_t width =
        std::clamp(ToEmu(paper.width * emuPerBigPoint), minSlideSide, maxSlideSide);
    const std::int64_t height =
        std::clamp(ToEmu(paper.height * emuPerBigPoint), minSlideSide, maxSlideSide);
    package.Add("[Content_Types].xml", parts::ContentTypes(slides));
    package.Add("_rels/.rels", std::string(parts::rootRelationships));
    package.Add("ppt/presentation.xml", parts::Presentation(slides, width, height));
    package.Add("ppt/_rels/presentation.xml.rels", parts::PresentationRelationships(slides));
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
    for (std::uint32_t i = 1; i <= slides; ++i) {
        package.Add("ppt/slides/_rels/slide" + std::to_string(i) + ".xml.rels",
                    std::string(parts::slideRelationships));
    }
    package.Commit();
}

void PptxWriter::OnBeginPage(std::int32_t) {}

void PptxWriter::OnEndPage(std::int32_t) {
    ++slides;
    package.AddSpooled("ppt/slides/slide" + std::to_string(slides) + ".xml",
                       shapes.Finish(background ? &*background : nullptr));
    outlines->ReleaseRetired();
}

void PptxWriter::OnChar(std::int32_t c) {
    // The reader has checked that a font is selected and has the code c.
    const TfmFont& font = *fonts.CurrentFont();
    if (const GlyphOutline* glyph = outlines->Find(font, c)) {
        shapes.Glyph(*glyph, SlideX(h), SlideY(v), CurrentColour());
    } else {
        CharAsText(font, c);
    }
}

// A character of a font without outlines: a text box in the TeX font's name, as wide
// as the character and as high as its height and depth, its text standing on the box's
// bottom edge.
void PptxWriter::CharAsText(const TfmFont& font, std::int32_t c) {
    if (fontsAsText.insert(font.name).second) {
        warnings << "Font " << font.name
                 << " has no Type 1 outline: its characters are set as text\n";
    }
    const ScaledChar& dimensions =
        font.scaled[static_cast<std::size_t>(std::int64_t{c} - font.metrics->bc)];
    const double width = dimensions.width, height = dimensions.height;
    const double depth = dimensions.depth;

    std::string text, typeface;
    AppendXmlChar(text, c);
    for (const char byte : font.name) AppendXmlChar(typeface, static_cast<unsigned char>(byte));
    const double points = font.scaledSize * emuPerUnit / emuPerBigPoint;
    const std::int64_t hundredths = std::clamp<std::int64_t>(ToEmu(points * 100.0), 100, 400000);
    shapes.TextBox(text, typeface, hundredths, SlideX(h), SlideY(v - height),
                   ToEmu(width * emuPerUnit), ToEmu((height + depth) * emuPerUnit),
                   CurrentColour());
}

void PptxWriter::OnRule(std::int32_t height, std::int32_t width) {
    // A rule covers h .. h + b across and v - a .. v upwards from the baseline; one
    // without a positive height and width draws nothing.
    if (height <= 0 || width <= 0) return;
    shapes.Rectangle(SlideX(h), SlideY(double(v) - height), SlideX(double(h) + width), SlideY(v),
                     CurrentColour());
}

void PptxWriter::OnSpecial(std::string text) {
    if (ApplyColourSpecial(text, colourStack)) return;
    const std::string_view special = text;
    if (special.starts_with("background")) {
        // LaTeX's \pagecolor: the page's background, and that of the pages after it.
        background = ParseColour(text.substr(10));
    } else if (!paperSize && special.starts_with("papersize=")) {
        paperSize = ParsePaperSize(special);
    }
}
