// Characters: one VML text box per character, placed in points, in the TeX font's own
// name as font family, at a size relative to an 18-point base, in the current colour.
// Only the position changes from one character to the next: the rest of the text is
// made once per font and character code.
#include <cmath>

#include "common/PlainText.h"
#include "writer/CharacterCodes.h"
#include "writer/SlideWriter.h"

namespace {

// A font name comes from the DVI file: every byte that is not plain text is written as
// a character reference.
std::string EscapedName(const std::string& name) {
    std::string escaped;
    for (const char ch : name) {
        const auto byte = static_cast<unsigned char>(ch);
        if (IsPlainText(byte)) {
            escaped.push_back(ch);
        } else {
            escaped += "&#" + std::to_string(byte) + ";";
        }
    }
    return escaped;
}

// The text that the pieces of the two lines go between; the middles stay in place in
// the line templates.
constexpr std::string_view shapeStart = "<v:shape id=3D\"_x0000_s";
constexpr std::string_view shapeLeft =
    "\" type=3D\"#_x0000_t202\" style=3D'position:absolute;left:";
constexpr std::string_view shapeTop = "pt;top:";
constexpr std::string_view shapeMiddle =
    ";v-text-anchor:bottom-baseline' filled=3D\"f\" stroked=3D\"f\" "
    "strokecolor=3D\"black [1]\"><v:fill color2=3D\"white [0]\"/>"
    "<v:shadow color=3D\"gray [2]\"/><o:lock v:ext=3D\"edit\" aspectratio=3D\"t\"/>"
    "<v:textbox style=3D'mso-fit-shape-to-text:f' inset=3D\"0pt,";
constexpr std::string_view textStart = "<div v:shape=3D\"_x0000_s";
constexpr std::string_view colourStart = "color:#";
constexpr std::string_view textMiddle = ";mso-line-spacing:\"300 0 0\"'>&#";

// Appends a number as the package writes it.
template <std::size_t capacity>
bool AppendNumber(BlockText<capacity>& text, double value) {
    char buffer[maxNumberLength];
    return text.Append({buffer, static_cast<std::size_t>(WriteNumber(buffer, value) - buffer)});
}

}  // namespace

void SlideWriter::PrepareTextBoxes() {
    // Shape line: shape number, left and top edges, size; middle; insets.
    shapeLine.Make(shapeStart.size() + ShortText::capacity + shapeLeft.size() +
                       ShortText::capacity + shapeTop.size() + ShortText::capacity +
                       decltype(PreparedChar::size)::capacity,
                   shapeMiddle, decltype(PreparedChar::insets)::capacity + 1);
}

SlideWriter::PreparedFont& SlideWriter::PrepareFont(const TfmFont& font) {
    PreparedFont& prepared = preparedFonts[&font];
    if (prepared.generation != font.generation) {
        prepared.generation = font.generation;
        prepared.spanStart =
            "\" class=3DO ><span style=3D'font-family:" + EscapedName(font.name) + ";font-size:";
        AppendNumber(prepared.spanStart, font.scaledSize * pointsPerUnit / baseFontSize * 100);
        prepared.spanStart += "%;";
        // Text line: shape number; the font's span and what follows the colour; code.
        prepared.textLine.Make(textStart.size() + ShortText::capacity,
                               prepared.spanStart + std::string(textMiddle),
                               ShortText::capacity + 1);
        prepared.chars.clear();
        prepared.chars.resize(font.metrics->width.size());
    }
    lastFont = &font;
    lastPrepared = &prepared;
    return prepared;
}

void SlideWriter::MakeChar(const TfmFont& font, PreparedChar& glyph, std::int32_t c) {
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

    // Each piece has room for its text with numbers of any length (at most
    // maxNumberLength each).
    glyph.size.Append("pt;width:");
    AppendNumber(glyph.size, width);
    glyph.size.Append("pt;height:");
    AppendNumber(glyph.size, heightCut + depthCut);
    glyph.size.Append(square ? "pt;mso-wrap-style:square" : "pt;mso-wrap-style:none");
    AppendNumber(glyph.insets, topInset);
    glyph.insets.Append("pt,0pt,");
    AppendNumber(glyph.insets, bottomInset);
    glyph.insets.Append("pt\"/></v:shape>");
    glyph.code.Append(std::to_string(OutputCode(c)));
    glyph.code.Append("</span></div>");
    glyph.heightCut = heightCut;
}

void SlideWriter::OnChar(std::int32_t c) {
    const TfmFont& font = *fonts.CurrentFont();
    PreparedFont& prepared = Prepare(font);
    const PreparedChar& glyph = PrepareChar(font, prepared, c);
    const ShortText& id = shapeNumber.Text();

    ShortText left;
    left.size = static_cast<std::uint8_t>(WriteNumber(left.bytes, h * pointsPerUnit + offsetX) -
                                          left.bytes);
    const ShortText& top = topEdges.At(v, glyph.heightCut);
    shapeLine
        .Start(shapeStart.size() + id.size + shapeLeft.size() + left.size + shapeTop.size() +
               top.size + glyph.size.size)
        .Text(shapeStart)
        .Text(id)
        .Text(shapeLeft)
        .Text(left)
        .Text(shapeTop)
        .Text(top)
        .Text(glyph.size);
    ReservedText shapeEnd = shapeLine.End();
    shapeEnd.Text(glyph.insets).Text("\n");
    out.Line(shapeLine.Line(shapeEnd));

    if (const RgbColour* colour = CurrentColour()) {
        // The colour goes in the middle of the text line: gathered in the output.
        const std::string_view span = prepared.spanStart;
        ReservedText text =
            out.Reserved(textStart.size() + id.capacity + span.size() + colourStart.size() + 6 +
                         textMiddle.size() + glyph.code.capacity);
        text.Text(textStart).Text(id).Text(span);
        text.Text(colourStart).Hex(colour->r).Hex(colour->g).Hex(colour->b);
        text.Text(textMiddle).Text(glyph.code);
        out.EndLine(text);
    } else {
        LineTemplate& textLine = prepared.textLine;
        textLine.Start(textStart.size() + id.size).Text(textStart).Text(id);
        ReservedText textEnd = textLine.End();
        textEnd.Text(glyph.code).Text("\n");
        out.Line(textLine.Line(textEnd));
    }
    shapeNumber.Next();
}
