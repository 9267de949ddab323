// dvipdfmx's specials that draw, read as dvipdfmx reads them: "pdf:" content
// (literal, code, content, bcontent and econtent, btrans and etrans), its named
// objects and form XObjects (obj, put, bxobj, exobj, uxobj), its images (image, epdf),
// its colour stack (bcolor, ecolor, scolor), and XeTeX's "x:" transformations.
//
// Content becomes PostScript for the interpreter that runs the page's PostScript, in
// which PDF's operators are procedures (pdf/PdfOperators.h): the page's graphics state
// is PDF's, in big points from TeX's origin, y upwards, as dvipdfmx sets it up.
// PNG and JPEG images become pictures in their own bytes; a page of a PDF file becomes
// PostScript through poppler's pdftops, and EPS files are read as they are.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "dvi/ColourSpecials.h"
#include "ps/Paint.h"

// An image file placed on the page.
struct PlacedPicture {
    std::shared_ptr<const std::string> bytes;
    std::string extension;  // "png" or "jpeg"
    // From the unit square of the image (rows from the top, as stored) to the page's
    // PDF space: big points from TeX's origin, y upwards.
    Affine matrix{};
    // The part of the unit square shown (left, top, right, bottom), when it is clipped.
    std::optional<std::array<double, 4>> crop;
};

class PdfSpecials {
  public:
    // `dviName`: image files are looked for beside it. `pdftops`: the program that turns
    // a page of a PDF file into PostScript, found on PATH.
    PdfSpecials(const std::string& dviName, std::ostream& warnings,
                std::string pdftops = "pdftops");

    // What a special gives the page: PostScript to run where the last left off (empty
    // for none), to run isolated (a figure), a picture, a colour-stack operation.
    struct Result {
        std::string code;
        std::string isolated;
        std::optional<PlacedPicture> picture;
        // Push and Replace `pushed` on TeX's colour stack; Reapply sets its colour again.
        enum class Colour : std::uint8_t {
            None,
            Push,
            Pop,
            Replace,
            Reapply
        } colour = Colour::None;
        RgbColour pushed{0, 0, 0};
        bool understood = true;  // false for a special of another kind than those read here
    };
    // Reads `special` at (h, v), in inches from TeX's origin (y downwards), on `page`.
    Result Read(std::string_view special, double h, double v, std::uint32_t page);

    // The pdf:image special that draws a "PSfile=" special's figure as dvipdfmx draws it:
    // the box llx lly urx ury at the width rwi and height rhi (tenths of a big point).
    static std::string FigureOfPsfile(std::string_view special);
    // Whether a special of dvipdfmx's or XeTeX's is one that draws nothing (a page size,
    // a link, document data): read elsewhere, or meaningless on a slide.
    static bool DrawsNothing(std::string_view special);
    // The page size of a pdf:pagesize special, width and height in big points.
    static std::optional<std::array<double, 2>> PageSize(std::string_view special);
    // The content that sets TeX's colour as fill and stroke colour, as dvipdfmx
    // writes it at a colour special and at a page's start.
    static std::string ColourCode(RgbColour colour);
    // The content that opens a page in the interpreter: PDF's space over dvips's, in
    // TeX's colour.
    static std::string PageOpening(RgbColour colour);
    // The definitions and named objects, given once before the first page.
    static std::string_view Operators();

    // From where the page's PDF space is now (the interpreter's transformation, as the
    // map of dvips's 600-to-the-inch pixels it reports) to where TeX's characters and rules
    // are set, which the open bcontent blocks move back to their own origins.
    Affine TextTransform(const Affine& reported) const;

    void EndPage();

  private:
    // An image special's arguments at (x, y), as the innermost block sees it.
    void ReadImage(std::string_view args, double x, double y, Result& result);
    static bool IsUndrawn(std::string_view op);
    std::optional<std::string> FigureCode(const std::string& bytes, bool isPdf, int page,
                                          std::array<double, 4>& box);

    std::string directory;
    std::ostream& warnings;
    std::string pdftops;
    std::uint32_t page = 0;
    // The origins of the open bcontent blocks, in the page's PDF space.
    std::vector<std::array<double, 2>> origins;
    // The form XObject being grabbed: its name, box and content so far.
    struct Form {
        std::string name;
        std::array<double, 4> box{};
        std::string content, resources;
    };
    std::optional<Form> form;
    // Images named with @name, to be used again by uxobj.
    struct NamedImage {
        std::string args;
    };
    std::map<std::string, NamedImage, std::less<>> images;
    std::map<std::string, std::shared_ptr<const std::string>, std::less<>> files;
};
