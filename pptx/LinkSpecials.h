// hyperref's links as dvips carries them: PostScript specials that mark where a link
// starts and ends on the page (H.S, and H.R, H.L or H.A), then pdfmark the link with
// its target (/ANN or /LNK with the rectangle H.B), and named destinations (/DEST).
// Only what these specials mean is read; nothing of them is run.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "pptx/package/PackageParts.h"

struct PageLink {
    std::int64_t left, top, right, bottom;  // EMU on the slide
    std::string uri;                        // a web address, or empty
    std::string destination;                // a named destination, or empty
};

class LinkSpecials {
  public:
    // `emuPerBigPoint`: a PostScript point on the slide.
    explicit LinkSpecials(double emuPerBigPoint) : emuPerBigPoint(emuPerBigPoint) {}

    // Reads a PostScript special found at (x, y), in EMU on slide `slide`; what is not
    // about links changes nothing.
    void Read(std::string_view special, std::int64_t x, std::int64_t y, std::uint32_t slide);

    // dvipdfmx's link specials on `slide`: pdf:dest, and pdf:bann ... pdf:eann, a link
    // over what is set between them (`Extend`), one piece per line.
    void ReadPdf(std::string_view special, std::uint32_t slide);
    // Whether a pdf:bann link is being made, which what is set extends.
    bool Making() const { return open.has_value(); }
    // Something set on the page from (left, top) to (right, bottom), EMU.
    void Extend(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom);

    // The links of the page read since the last call.
    std::vector<PageLink> TakePage();
    // The slide of a named destination, when the document defines it.
    std::optional<std::uint32_t> SlideOf(const std::string& destination) const;

  private:
    void EndPiece();

    double emuPerBigPoint;
    // The link dvipdfmx is drawing, and its piece on the current line.
    std::optional<PageLink> open;
    bool pieceStarted = false;
    std::int64_t startX = 0, startY = 0;                    // H.S
    std::int64_t left = 0, top = 0, right = 0, bottom = 0;  // the rectangle H.B gives
    std::vector<PageLink> page;
    std::unordered_map<std::string, std::uint32_t> destinations;
};

// The document information of a pdf:docinfo special or a /DOCINFO pdfmark: its title,
// author, subject and keywords, as UTF-8, into `properties`.
void ReadDocumentInfo(std::string_view special, parts::DocumentProperties& properties);
