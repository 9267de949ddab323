// Reading hyperref's link specials.
#include "pptx/LinkSpecials.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "pdf/PdfStrings.h"

namespace {

// Whether `word` stands in `text` as a token of its own.
bool HasToken(std::string_view text, std::string_view word) {
    for (std::size_t at = text.find(word); at != std::string_view::npos;
         at = text.find(word, at + 1)) {
        const std::size_t after = at + word.size();
        if ((at == 0 || IsDelimiter(text[at - 1])) &&
            (after == text.size() || IsDelimiter(text[after])))
            return true;
    }
    return false;
}

// The number before the token `word`, as in "12 H.A".
double NumberBefore(std::string_view text, std::string_view word) {
    const std::size_t at = text.find(word);
    std::size_t end = at;
    while (end > 0 && IsBlank(text[end - 1])) --end;
    std::size_t start = end;
    while (start > 0 && !IsBlank(text[start - 1])) --start;
    double value = 0.0;
    const auto [ptr, error] = std::from_chars(text.data() + start, text.data() + end, value);
    return error == std::errc() && ptr == text.data() + end && std::isfinite(value) ? value : 0.0;
}

// A link's target: a web address, or a named destination; false for anything else (a
// named action, a file: nothing a slide can follow).
bool ReadTarget(std::string_view text, PageLink& link) {
    if (auto uri = DictValue(text, "/URI")) {
        link.uri = std::move(*uri);
    } else if (auto destination = Destination(text)) {
        link.destination = std::move(*destination);
    } else {
        return false;
    }
    return true;
}

}  // namespace

void ReadDocumentInfo(std::string_view special, parts::DocumentProperties& properties) {
    const std::pair<std::string_view, std::string*> keys[] = {
        {"/Title", &properties.title},
        {"/Author", &properties.author},
        {"/Subject", &properties.subject},
        {"/Keywords", &properties.keywords},
    };
    for (const auto& [key, into] : keys) {
        if (const std::optional<std::string> value = DictValue(special, key);
            value && !value->empty())
            *into = TextString(*value);
    }
}

void LinkSpecials::ReadPdf(std::string_view special, std::uint32_t slide) {
    std::string_view rest = special.substr(4);
    while (!rest.empty() && IsBlank(rest.front())) rest.remove_prefix(1);
    const auto is = [&](std::string_view word) {
        return rest.starts_with(word) &&
               (rest.size() == word.size() || IsDelimiter(rest[word.size()]));
    };
    if (is("dest") || is("destination")) {
        std::size_t at = rest.find_first_of("(<");
        if (at == std::string_view::npos) return;
        if (const auto name = ReadPdfString(rest, at)) destinations.emplace(*name, slide);
    } else if (is("bann") || is("bannot") || is("beginann")) {
        PageLink link{0, 0, 0, 0, {}, {}};
        if (!ReadTarget(rest, link)) return;
        open = std::move(link);
        pieceStarted = false;
    } else if (is("eann") || is("eannot") || is("endann")) {
        EndPiece();
        open.reset();
    }
}

void LinkSpecials::Extend(std::int64_t l, std::int64_t t, std::int64_t r, std::int64_t b) {
    if (!open) return;
    if (pieceStarted) {
        // Something on another line, or back to the left, starts the link's next piece.
        const bool sameLine = t < open->bottom && b > open->top && l >= open->left;
        if (!sameLine) EndPiece();
    }
    if (!pieceStarted) {
        open->left = l, open->top = t, open->right = r, open->bottom = b;
        pieceStarted = true;
        return;
    }
    open->left = std::min(open->left, l);
    open->top = std::min(open->top, t);
    open->right = std::max(open->right, r);
    open->bottom = std::max(open->bottom, b);
}

void LinkSpecials::EndPiece() {
    if (open && pieceStarted) page.push_back(*open);
    pieceStarted = false;
}

void LinkSpecials::Read(std::string_view special, std::int64_t x, std::int64_t y,
                        std::uint32_t slide) {
    const auto point = [&](double points) { return std::llround(points * emuPerBigPoint); };
    const std::int64_t border = point(1.0);  // hyperref's HyperBorder, a point
    if (HasToken(special, "H.S")) {
        startX = x;
        startY = y;
    }
    if (HasToken(special, "H.R")) {
        left = startX - border;
        bottom = startY + border;
        right = x + border;
        top = y - border;
    } else if (const char* end = HasToken(special, "H.L")   ? "H.L"
                                 : HasToken(special, "H.A") ? "H.A"
                                                            : nullptr) {
        // The link's top is the baseline skip, less two points, above the end.
        const double skip = NumberBefore(special, end);
        left = startX - border;
        bottom = startY + border;
        right = x;
        top = y - point(std::clamp(skip - 2.0, -1e6, 1e6));
    }
    if (HasToken(special, "/DEST") && HasToken(special, "pdfmark")) {
        if (const auto name = DictValue(special, "/Dest")) destinations.emplace(*name, slide);
    } else if ((HasToken(special, "/ANN") || HasToken(special, "/LNK")) &&
               HasToken(special, "H.B")) {
        PageLink link{std::min(left, right),
                      std::min(top, bottom),
                      std::max(left, right),
                      std::max(top, bottom),
                      {},
                      {}};
        if (!ReadTarget(special, link)) return;
        page.push_back(std::move(link));
    }
}

std::vector<PageLink> LinkSpecials::TakePage() {
    // A link still open at the page's end is broken there; its next piece starts on the
    // next page.
    EndPiece();
    std::vector<PageLink> links;
    links.swap(page);
    return links;
}

std::optional<std::uint32_t> LinkSpecials::SlideOf(const std::string& destination) const {
    const auto found = destinations.find(destination);
    if (found == destinations.end()) return std::nullopt;
    return found->second;
}
