// The presentation writer: a DviReader that turns the pages of a DVI file into an
// Office Open XML presentation, one slide per page, each glyph drawn from its font's
// Type 1 outline and each rule as a filled rectangle, in the colours of the page. The
// page's text lies over the glyphs, transparent, and its links can be clicked.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "dvi/ColourSpecials.h"
#include "dvi/DviReader.h"
#include "dvi/SpecialDispatch.h"
#include "pdf/PdfSpecials.h"
#include "pptx/Emu.h"
#include "pptx/glyphs/GlyphOutlines.h"
#include "pptx/glyphs/JapaneseFonts.h"
#include "pptx/LinkSpecials.h"
#include "pptx/glyphs/NativeGlyphs.h"
#include "pptx/PaperSize.h"
#include "pptx/shapes/SlideShapes.h"
#include "pptx/text/TextLayer.h"
#include "pptx/glyphs/VirtualFonts.h"
#include "pptx/package/ZipPackage.h"
#include "pptx/deck/FrameBuilds.h"
#include "pptx/deck/PageData.h"
#include "pptx/deck/PageLabels.h"
#include "ps/PostScriptGraphics.h"

// What the command line chooses.
struct PptxOptions {
    bool textLayer = true;  // without it the slides hold no text but that of fonts without outlines
    bool slidePerPage = false;       // a slide for each page, not for each of beamer's frames
    std::string interpreter = "gs";  // runs the PostScript specials; found on PATH
    InterpreterLimits limits;        // its time and memory
};

class PptxWriter : public DviReader {
  public:
    // Reads the DVI file's postamble and preamble, then prepares the output file.
    // Fonts without outlines are reported on `warnings`, one line per font, and links
    // left out one line per address.
    PptxWriter(const std::string& dviName, const std::string& pptxName, std::ostream& warnings,
               PptxOptions options = {});

    // The whole conversion: every page, then the package, written in one go at the end.
    void Run();

  protected:
    void OnSpecial(std::string text) override;
    void OnChar(std::int32_t c) override;
    // Sets character c of `font` at (h, v): its glyph, or a virtual font's packet, in
    // which `depth` virtual fonts are already open.
    void SetCharacter(const TfmFont& font, std::int32_t c, int depth);
    void SetPacket(const TfmFont& font, VirtualFonts::Instance& virtualFont, std::int32_t c,
                   int depth);
    // Sets character c of a JFM font (pTeX's) at (h, v).
    void SetJapanese(const TfmFont& font, std::int32_t c);
    static constexpr int maxVirtualDepth = 8;
    void OnRule(std::int32_t height, std::int32_t width) override;
    void OnGlyphs(const NativeFont& font, const std::vector<PlacedGlyph>& glyphs,
                  std::int32_t width, std::u16string_view text) override;
    // Lays a character's text on the text layer at (x, y) on the slide, advancing by
    // `advance` in a font of `size` (EMU), as the page's PostScript has transformed it
    // (`linear`); with `inked`, the layer draws it.
    void LayText(std::string_view text, std::int64_t x, std::int64_t y, std::int64_t advance,
                 std::int64_t size, FontStyle style, bool inked, const Affine* linear);
    void OnBeginPage(std::int32_t n) override;
    void OnEndPage(std::int32_t n) override;

  private:
    // A DVI position on the slide, in EMU: TeX's origin is one inch from the top and
    // left edges.
    std::int64_t SlideX(double h) const { return emuPerInch + ToEmu(h * emuPerUnit); }
    std::int64_t SlideY(double v) const { return emuPerInch + ToEmu(v * emuPerUnit); }
    RgbColour CurrentColour() const {
        return colourStack.empty() ? RgbColour{0, 0, 0} : colourStack.back();
    }
    // Each kind of special to its handler.
    void RegisterSpecials();
    // The page's links as areas on it; those kept.
    std::vector<PageLink> WritePageLinks();
    // The presentation's sections: the top-level bookmarks.
    std::vector<parts::Section> Sections() const;
    // The slide that shows page `page` (from 1).
    std::uint32_t SlideOfPage(std::uint32_t page) const;
    void DrawPostScript(std::string_view special);
    // Starts the page's interpreter, when it is not running yet, with dvips's headers;
    // `dvipdfmx` when the special that needs it is dvipdfmx's.
    void StartGraphics(bool dvipdfmx = false);
    // The slide's size: the document's paper, else the driver's (dvipdfmx's, or dvips's).
    PaperSize Paper(bool dvipdfmx);
    // A special of dvipdfmx's (or XeTeX's "x:"): drawn, or kept for the package.
    void ReadPdfSpecial(const std::string& special);
    // The media parts of the page's pictures, each file stored once.
    std::vector<std::string> StorePictures();
    // The slide size: the first papersize special's.
    void ReadPaperSize(std::string_view special);
    // Draws what the PostScript specials queued since the last call paint.
    void FlushPostScript();
    void Shown(const ShownGlyph& glyph);
    // Moves a place on the slide as the page's PostScript has transformed where TeX
    // sets things; the transformation, or null when there is none.
    const Affine* Transformed(std::int64_t& x, std::int64_t& y);
    // The opacity in which the page's PostScript has TeX set things (pgf's opacity).
    std::int32_t Opacity() const { return graphics ? OpacityOf(graphics->Alpha()) : opaque; }

    std::string dviName;
    PptxOptions options;
    ZipPackage package;
    std::ostream& warnings;
    double emuPerUnit = 0.0;
    std::unique_ptr<GlyphOutlines> outlines;
    std::unique_ptr<NativeGlyphs> native;
    std::unique_ptr<JapaneseFonts> japanese;
    SlideShapes shapes;
    TextLayer layer;
    LinkSpecials links;
    std::vector<std::vector<PageLink>> slideLinks;        // the links kept, by slide
    std::vector<std::vector<std::string>> slidePictures;  // media part names, by slide
    std::uint32_t pictures = 0;
    // The media parts by their bytes, and whether any PNG or JPEG part is there.
    std::unordered_map<std::string_view, std::string> mediaNames;
    std::vector<std::shared_ptr<const std::string>> mediaKept;
    bool hasPng = false, hasJpeg = false;
    std::unordered_set<std::string> addressesLeftOut;
    std::vector<RgbColour> colourStack;
    std::optional<RgbColour> background;
    std::optional<PaperSize> paperSize;
    std::optional<PaperSize> driverPaper;  // once asked
    parts::DocumentProperties properties;
    std::uint32_t slides = 0, pages = 0;  // written and read so far
    // Each page's frame, from beamer's page labels (empty: a slide for each page), and
    // the steps of the frame being read.
    std::vector<DeckPage> plan;
    std::vector<PageDrawing> frameSteps;
    std::map<std::uint32_t, std::string> notes;  // speaker notes, by slide
    PageTransition transition, frameTransition;  // to the page, and to the frame's slide
    std::unordered_set<std::string> transitionsLeftOut;
    std::vector<Bookmark> bookmarks;
    std::vector<std::int64_t> openBookmarks;
    std::unordered_set<std::string> fontsAsText;  // the fonts already warned about
    std::unordered_set<std::string> effectsLeftOut;  // XeTeX's vertical fonts, warned about
    VirtualFonts virtualFonts{warnings};
    SpecialDispatch specials;
    std::map<std::string, std::uint32_t> specialsLeftOut;  // by kind, how many
    // The page's PostScript, once the first PostScript special comes.
    std::unique_ptr<PostScriptGraphics> graphics;
    // dvipdfmx's specials, once the first comes; the page whose PDF state is open.
    std::unique_ptr<PdfSpecials> pdf;
    std::uint32_t pdfPage = 0;
    // Image files placed on the page; beyond the bound they are left out.
    static constexpr std::size_t maxPagePictures = 10000;
    std::size_t pagePictures = 0;
    Affine textTransform{};
};
