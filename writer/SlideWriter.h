// The writer: a DviReader that turns the pages of a DVI file into an MHT package
// (MIME multipart/related) holding a main document, a presentation part listing the
// slides, and one HTML slide per page with the page drawn as VML shapes.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "dvi/ColourSpecials.h"
#include "dvi/DviReader.h"
#include "writer/LineTemplate.h"
#include "writer/OutputFile.h"
#include "writer/ShapeNumber.h"
#include "writer/ShortText.h"
#include "writer/TopEdges.h"

class SlideWriter : public DviReader {
  public:
    // Reads the DVI file's postamble and preamble, then creates the output file.
    SlideWriter(const std::string& dviName, const std::string& mhtName);
    ~SlideWriter() override;

    // The whole conversion: package header, every page, trailer.
    void Run();

  protected:
    void OnSpecial(std::string text) override;
    void OnChar(std::int32_t c) override;
    void OnRule(std::int32_t height, std::int32_t width) override;
    void OnBeginPage(std::int32_t n) override;
    void OnEndPage(std::int32_t n) override;

  private:
    void WriteHeader();
    void WriteTrailer();
    void WriteLines(const auto& lines) {
        for (const auto& line : lines) out.Text(line).EndLine();
    }
    // The top of the colour stack, or none.
    const RgbColour* CurrentColour() const {
        return colourStack.empty() ? nullptr : &colourStack.back();
    }

    // The text of a text box that depends only on the font and the character code, made
    // the first time the code is set in the font: the pieces that differ from character
    // to character, kept small (the text they go between is the same for all), so that
    // the characters of a page share few cache lines.
    struct PreparedChar {
        double heightCut = 0.0;  // the height, cut to a multiple of heightQuantum
        BlockText<128> size;     // from "pt;width:" to the wrap style
        BlockText<96> insets;    // the inset's top and bottom to the end of the shape line
        ShortText code;          // the output code and the end of the text line
    };
    // What the text boxes of one font share, prepared when the font is first used and
    // again when a redefinition reloads it under another name.
    struct PreparedFont {
        std::uint32_t generation = 0;
        std::string spanStart;  // after the shape number up to the font size's "%;"
        // The text line of a character without colour, its middle the span's start and
        // what follows the colour.
        LineTemplate textLine;
        std::vector<PreparedChar> chars;  // entry i for code bc + i
    };
    // The prepared text of a font and of a character code in it: the checks are inline,
    // the making (first use, or a reload of the font) is not.
    PreparedFont& Prepare(const TfmFont& font) {
        if (&font == lastFont && lastPrepared->generation == font.generation) return *lastPrepared;
        return PrepareFont(font);
    }
    const PreparedChar& PrepareChar(const TfmFont& font, PreparedFont& preparedFont,
                                    std::int32_t c) {
        // The reader has checked that the font has the code c.
        PreparedChar& glyph =
            preparedFont.chars[static_cast<std::size_t>(std::int64_t{c} - font.metrics->bc)];
        if (glyph.size.size == 0) MakeChar(font, glyph, c);
        return glyph;
    }
    // Makes the line templates of the text boxes.
    void PrepareTextBoxes();
    PreparedFont& PrepareFont(const TfmFont& font);
    void MakeChar(const TfmFont& font, PreparedChar& glyph, std::int32_t c);

    OutputFile out;
    // Shape numbers run on over the whole package.
    ShapeNumber shapeNumber;
    double pointsPerUnit = 0.0;
    double baseFontSize = 18.0;
    std::vector<RgbColour> colourStack;
    double heightQuantum = 0.125;
    double offsetX = 44.0;
    double offsetY = 44.0;
    TopEdges topEdges;
    LineTemplate shapeLine;  // a text box's shape line, around its fixed middle
    std::unordered_map<const TfmFont*, PreparedFont> preparedFonts;
    const TfmFont* lastFont = nullptr;  // the font of the last text box, and its entry
    PreparedFont* lastPrepared = nullptr;
};
