// The writer: a DviReader that turns the pages of a DVI file into an MHT package
// (MIME multipart/related) holding a main document, a presentation part listing the
// slides, and one HTML slide per page with the page drawn as VML shapes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dvi/DviReader.h"
#include "writer/Colour.h"
#include "writer/OutputFile.h"

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

    // What every text box of one font shares, prepared when the current font changes
    // or is reloaded under another name.
    struct PreparedFont {
        const TfmFont* font = nullptr;
        std::uint32_t generation = 0;
        std::string family;        // the font name, escaped for the markup
        double sizePercent = 0.0;  // the font size as a percentage of baseFontSize
    };
    const PreparedFont& Prepare(const TfmFont& font);

    OutputFile out;
    std::int32_t shapeId = 1;
    double pointsPerUnit = 0.0;
    double baseFontSize = 18.0;
    std::vector<RgbColour> colourStack;
    double heightQuantum = 0.125;
    double offsetX = 44.0;
    double offsetY = 44.0;
    PreparedFont prepared;
};
