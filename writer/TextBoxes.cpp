// Characters: one VML text box per character, placed in points, in the TeX font's own
// name as font family, at a size relative to an 18-point base, in the current colour.
// Only the position changes from one character to the next: the rest of the text is
// made once per font and character code.
#include <cmath>

#include "writer/SlideWriter.h"

namespace {

// The code written for a DVI character code: the control codes and the blank, which a
// slide would not show, move to 161 and up.
std::int32_t OutputCode(std::int32_t c) {
    if (c >= 0 && c <= 9) return c + 161;
    if (c >= 10 && c <= 32) return c + 163;
    if (c == 127) return 196;
    return c;
}

// A font name comes from the DVI file: every byte other than a letter, a digit or one
// of - _ . / + is written as a character reference, so no name can break the markup.
std::string EscapedName(const std::string& name) {
    std::string escaped;
    for (const char ch : name) {
        const auto byte = static_cast<unsigned char>(ch);
        const bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                           (byte >= '0' && byte <= '9') || byte == '-' || byte == '_' ||
                           byte == '.' || byte == '/' || byte == '+';
        if (plain) {
            escaped.push_back(ch);
        } else {
            escaped += "&#" + std::to_string(byte) + ";";
        }
    }
    return escaped;
}

// The fixed pieces of the two lines' starts, and the greatest length of those starts.
constexpr std::string_view shapeStart = "<v:shape id=3D\"_x0000_s";
constexpr std::string_view shapeLeft =
    "\" type=3D\"#_x0000_t202\" style=3D'position:absolute;left:";
constexpr std::string_view shapeTop = "pt;top:";
constexpr std::string_view textStart = "<div v:shape=3D\"_x0000_s";
constexpr std::string_view colourStart = "color:#";
constexpr std::size_t shapeStartRoom = shapeStart.size() + ShortText::capacity + shapeLeft.size() +
                                       ShortText::capacity + shapeTop.size() + ShortText::capacity;
constexpr std::size_t textStartRoom = textStart.size() + ShortText::capacity;

}  // namespace

SlideWriter::PreparedFont& SlideWriter::PrepareFont(const TfmFont& font) {
    PreparedFont& prepared = preparedFonts[&font];
    if (prepared.generation != font.generation) {
        prepared.generation = font.generation;
        prepared.spanStart =
            "\" class=3DO ><span style=3D'font-family:" + EscapedName(font.name) + ";font-size:";
        AppendNumber(prepared.spanStart, font.scaledSize * pointsPerUnit / baseFontSize * 100);
        prepared.spanStart += "%;";
        prepared.chars.clear();
        prepared.chars.resize(font.metrics->width.size());
    }
    lastFont = &font;
    lastPrepared = &prepared;
    return prepared;
}

void SlideWriter::MakeChar(const TfmFont& font, const PreparedFont& preparedFont,
                           PreparedChar& glyph, std::int32_t c) {
    const TfmMetrics& metrics = *font.metrics;
    const std::size_t i = static_cast<std::size_t>(std::int64_t{c} - metrics.bc);
    const double f = pointsPerUnit;
    const double s = font.scaledSize;
    double width = s * metrics.width[i] * f * 0x1p-20;
    const double height = s * metrics.height[i] * f * 0x1p-20;
    const double depth = s * metrics.depth[i] * f * 0x1p-20;
    // A character without width (an accent, say) gets a box as wide as it is high.
    const bool square = width == 0;
    if (square) width = height;
    // Height and depth are cut toward zero to whole multiples of heightQuantum.
    const double heightCut = std::trunc(height / heightQuantum) * heightQuantum;
    const double depthCut = std::trunc(depth / heightQuantum) * heightQuantum;
    // The insets shrink the text area to the baseline when the depth is not negative.
    const double bottomInset = depthCut > 0 ? depthCut : 0;
    const double topInset = heightCut + (depthCut < 0 ? -depthCut : 0);

    std::string text = "pt;width:";
    AppendNumber(text, width);
    text += "pt;height:";
    AppendNumber(text, heightCut + depthCut);
    text += square ? "pt;mso-wrap-style:square" : "pt;mso-wrap-style:none";
    text +=
        ";v-text-anchor:bottom-baseline' filled=3D\"f\" stroked=3D\"f\" "
        "strokecolor=3D\"black [1]\"><v:fill color2=3D\"white [0]\"/>"
        "<v:shadow color=3D\"gray [2]\"/><o:lock v:ext=3D\"edit\" aspectratio=3D\"t\"/>"
        "<v:textbox style=3D'mso-fit-shape-to-text:f' inset=3D\"0pt,";
    AppendNumber(text, topInset);
    text += "pt,0pt,";
    AppendNumber(text, bottomInset);
    text += "pt\"/></v:shape>\n";
    glyph.shapeLine.Make(shapeStartRoom, text);
    glyph.textLine.Make(textStartRoom, preparedFont.spanStart +
                                           ";mso-line-spacing:\"300 0 0\"'>&#" +
                                           std::to_string(OutputCode(c)) + "</span></div>\n");
    glyph.colourAt = preparedFont.spanStart.size();
    glyph.heightCut = heightCut;
}

void SlideWriter::OnChar(std::int32_t c) {
    const TfmFont& font = *fonts.CurrentFont();
    PreparedFont& prepared = Prepare(font);
    PreparedChar& glyph = PrepareChar(font, prepared, c);
    const ShortText& id = shapeNumber.Text();

    // The shape line: its start, up to the top edge, goes right before the prepared end.
    ShortText left;
    left.size = static_cast<std::uint8_t>(WriteNumber(left.bytes, h * pointsPerUnit + offsetX) -
                                          left.bytes);
    const ShortText& top = topEdges.At(v, glyph.heightCut);
    const std::size_t shapeStartSize =
        shapeStart.size() + id.size + shapeLeft.size() + left.size + shapeTop.size() + top.size;
    glyph.shapeLine.Start(shapeStartSize)
        .Text(shapeStart)
        .Text(id)
        .Text(shapeLeft)
        .Text(left)
        .Text(shapeTop)
        .Text(top);
    out.Line(glyph.shapeLine.Line(shapeStartSize));

    // The text line: the same, unless a colour goes in the middle of the prepared end.
    if (const RgbColour* colour = CurrentColour()) {
        const std::string_view end = glyph.textLine.End();
        ReservedText text = out.Reserved(textStart.size() + ShortText::capacity +
                                         colourStart.size() + 6 + end.size());
        text.Text(textStart).Text(id).Text(end.substr(0, glyph.colourAt)).Text(colourStart);
        text.Hex(colour->r).Hex(colour->g).Hex(colour->b).Text(end.substr(glyph.colourAt));
        out.EndLine(text);
    } else {
        const std::size_t textStartSize = textStart.size() + id.size;
        glyph.textLine.Start(textStartSize).Text(textStart).Text(id);
        out.Line(glyph.textLine.Line(textStartSize));
    }
    shapeNumber.Next();
}
