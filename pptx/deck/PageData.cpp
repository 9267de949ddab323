#include "pptx/deck/PageData.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>

#include "pdf/PdfStrings.h"

namespace {

// The number after the key `key` in `text`.
std::optional<double> NumberAfter(std::string_view text, std::string_view key) {
    for (std::size_t at = text.find(key); at != std::string_view::npos;
         at = text.find(key, at + 1)) {
        std::size_t i = at + key.size();
        if (i < text.size() && !IsDelimiter(text[i])) continue;
        while (i < text.size() && IsBlank(text[i])) ++i;
        double value = 0;
        const auto [end, error] =
            std::from_chars(text.data() + i, text.data() + text.size(), value);
        if (error == std::errc() && std::isfinite(value)) return value;
    }
    return std::nullopt;
}

// The side a PDF direction (degrees counterclockwise from left to right) moves to.
std::string_view Side(int direction) {
    switch ((direction % 360 + 360) % 360 / 45) {
        case 1:
        case 2:
            return "u";
        case 3:
        case 4:
            return "l";
        case 5:
        case 6:
            return "d";
        default:
            return "r";
    }
}

}  // namespace

bool ReadPageTransition(std::string_view special, PageTransition& into) {
    const bool pdfmark = special.starts_with("ps:") &&
                         special.find("{ThisPage}") != std::string_view::npos &&
                         special.find("/PUT") != std::string_view::npos;
    const bool dvipdfmx =
        special.starts_with("pdf:put") && special.find("@thispage") != std::string_view::npos;
    if (!pdfmark && !dvipdfmx) return false;
    if (const std::size_t trans = special.find("/Trans"); trans != std::string_view::npos) {
        const std::string_view dictionary = special.substr(trans);
        PageTransition transition;
        transition.advance = into.advance;
        if (const auto style = DictValue(dictionary, "/S")) transition.style = *style;
        if (const auto dimension = DictValue(dictionary, "/Dm"); dimension && !dimension->empty())
            transition.dimension = (*dimension)[0];
        if (const auto motion = DictValue(dictionary, "/M"); motion && !motion->empty())
            transition.motion = (*motion)[0];
        if (const auto direction = NumberAfter(dictionary, "/Di"))
            transition.direction = static_cast<int>(std::clamp(*direction, -720.0, 720.0));
        if (const auto duration = NumberAfter(dictionary, "/D")) transition.duration = *duration;
        into = transition;
    }
    if (const auto advance = NumberAfter(special, "/Dur"); advance && *advance >= 0)
        into.advance = std::min(*advance, 86400.0);
    return true;
}

std::string TransitionElement(const PageTransition& transition, std::string& missing) {
    const std::string& s = transition.style;
    std::string effect;
    if (s == "Dissolve" || s == "Glitter") {
        effect = "<p:dissolve/>";
    } else if (s == "Fade") {
        effect = "<p:fade/>";
    } else if (s == "Blinds") {
        effect =
            transition.dimension == 'V' ? "<p:blinds dir=\"vert\"/>" : "<p:blinds dir=\"horz\"/>";
    } else if (s == "Box") {
        effect = transition.motion == 'O' ? "<p:zoom dir=\"out\"/>" : "<p:zoom dir=\"in\"/>";
    } else if (s == "Split") {
        effect = std::string("<p:split orient=\"") +
                 (transition.dimension == 'V' ? "vert" : "horz") + "\" dir=\"" +
                 (transition.motion == 'O' ? "out" : "in") + "\"/>";
    } else if (s == "Wipe" || s == "Push" || s == "Cover" || s == "Uncover") {
        const std::string element = s == "Wipe"    ? "wipe"
                                    : s == "Push"  ? "push"
                                    : s == "Cover" ? "cover"
                                                   : "pull";
        effect = "<p:" + element + " dir=\"" + std::string(Side(transition.direction)) + "\"/>";
    } else if (!s.empty() && s != "R") {
        missing = s;
    }
    const bool advances = transition.advance >= 0;
    if (effect.empty() && !advances) return {};
    std::string element = "<p:transition";
    if (!effect.empty() && transition.duration >= 0) {
        element += transition.duration < 0.75   ? " spd=\"fast\""
                   : transition.duration < 1.25 ? " spd=\"med\""
                                                : " spd=\"slow\"";
    }
    if (advances)
        element += " advTm=\"" + std::to_string(std::lround(transition.advance * 1000)) + '"';
    if (effect.empty()) return element + "/>";
    return element + '>' + effect + "</p:transition>";
}

void ReadBookmark(std::string_view special, std::vector<Bookmark>& bookmarks,
                  std::vector<std::int64_t>& open) {
    if (bookmarks.size() >= 100000) return;
    Bookmark bookmark;
    if (special.starts_with("ps:") && special.find("/OUT") != std::string_view::npos &&
        special.find("pdfmark") != std::string_view::npos) {
        // A pdfmark's level: how many parents still owe it children.
        bookmark.level = static_cast<int>(open.size());
        if (!open.empty()) --open.back();
        const std::int64_t count = static_cast<std::int64_t>(
            std::min(std::abs(NumberAfter(special, "/Count").value_or(0)), 100000.0));
        if (count > 0 && open.size() < 64) open.push_back(count);
        while (!open.empty() && open.back() == 0) open.pop_back();
    } else if (special.starts_with("pdf:outline") || special.starts_with("pdf:out ")) {
        std::size_t at = special.find(' ');
        while (at < special.size() && (IsBlank(special[at]) || special[at] == '[' ||
                                       special[at] == '-' || special[at] == ']'))
            ++at;
        int level = 0;
        const auto [end, error] = std::from_chars(special.data() + std::min(at, special.size()),
                                                  special.data() + special.size(), level);
        if (error != std::errc() || level < 0 || level > 64) return;
        bookmark.level = level;
    } else {
        return;
    }
    if (const auto title = DictValue(special, "/Title")) bookmark.title = TextString(*title);
    if (auto destination = Destination(special)) bookmark.destination = std::move(*destination);
    bookmarks.push_back(std::move(bookmark));
}
