#include "pptx/deck/PageLabels.h"

#include <algorithm>
#include <charconv>

#include "pdf/PdfStrings.h"

namespace {

constexpr std::size_t maxRanges = 100000;

void SkipBlanks(std::string_view text, std::size_t& at) {
    while (at < text.size() && IsBlank(text[at])) ++at;
}

std::optional<std::int64_t> ReadInteger(std::string_view text, std::size_t& at) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data() + at, text.data() + text.size(), value);
    if (error != std::errc() || value < 0 || value > 1000000000) return std::nullopt;
    at = static_cast<std::size_t>(end - text.data());
    return value;
}

// The text of a dictionary "<< ... >>" starting at text[at] (nested ones inside);
// `at` moves past it.
std::optional<std::string_view> ReadDictionary(std::string_view text, std::size_t& at) {
    if (text.substr(at, 2) != "<<") return std::nullopt;
    int depth = 0;
    for (std::size_t i = at; i + 1 < text.size(); ++i) {
        if (text[i] == '(' || (text[i] == '<' && text[i + 1] != '<')) {
            std::size_t end = i;
            if (!ReadPdfString(text, end)) return std::nullopt;
            i = end - 1;
        } else if (text.substr(i, 2) == "<<") {
            ++depth, ++i;
        } else if (text.substr(i, 2) == ">>") {
            ++i;
            if (--depth == 0) {
                const std::string_view dictionary = text.substr(at, i + 1 - at);
                at = i + 1;
                return dictionary;
            }
        }
    }
    return std::nullopt;
}

std::string Roman(std::int64_t n, bool upper) {
    static constexpr std::pair<int, std::string_view> numerals[] = {
        {1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"}, {100, "c"}, {90, "xc"}, {50, "l"},
        {40, "xl"},  {10, "x"},   {9, "ix"},  {5, "v"},    {4, "iv"},  {1, "i"}};
    std::string text;
    for (const auto& [value, numeral] : numerals)
        for (; n >= value && text.size() < 64; n -= value) text += numeral;
    if (upper)
        for (char& ch : text) ch = static_cast<char>(ch - 'a' + 'A');
    return text;
}

}  // namespace

std::optional<std::vector<LabelRange>> ReadPageLabels(std::string_view special) {
    std::size_t at = special.find("/PageLabels");
    if (at == std::string_view::npos) return std::nullopt;
    at = special.find("/Nums", at);
    if (at == std::string_view::npos) return std::nullopt;
    at += 5;
    SkipBlanks(special, at);
    if (at >= special.size() || special[at] != '[') return std::nullopt;
    ++at;
    std::vector<LabelRange> ranges;
    for (;;) {
        SkipBlanks(special, at);
        if (at >= special.size()) return std::nullopt;
        if (special[at] == ']') break;
        const std::optional<std::int64_t> first = ReadInteger(special, at);
        SkipBlanks(special, at);
        const std::optional<std::string_view> entry = ReadDictionary(special, at);
        if (!first || !entry || ranges.size() == maxRanges) return std::nullopt;
        LabelRange range;
        range.first = static_cast<std::uint32_t>(*first);
        if (const auto prefix = DictValue(*entry, "/P")) range.prefix = TextString(*prefix);
        if (const auto style = DictValue(*entry, "/S");
            style && style->size() == 1 &&
            std::string_view("DRrAa").find((*style)[0]) != std::string_view::npos)
            range.style = (*style)[0];
        if (const std::size_t st = entry->find("/St"); st != std::string_view::npos) {
            std::size_t number = st + 3;
            SkipBlanks(*entry, number);
            if (const auto start = ReadInteger(*entry, number)) range.start = *start;
        }
        // The number tree lists its keys in increasing order.
        if (!ranges.empty() && range.first <= ranges.back().first) return std::nullopt;
        ranges.push_back(std::move(range));
    }
    return ranges;
}

std::string PageLabel(const std::vector<LabelRange>& ranges, std::uint32_t page) {
    const auto after =
        std::upper_bound(ranges.begin(), ranges.end(), page,
                         [](std::uint32_t p, const LabelRange& range) { return p < range.first; });
    if (after == ranges.begin()) return std::to_string(page + 1);
    const LabelRange& range = *(after - 1);
    const std::int64_t n = range.start + (page - range.first);
    std::string label = range.prefix;
    switch (range.style) {
        case 'D':
            label += std::to_string(n);
            break;
        case 'R':
        case 'r':
            label += Roman(n, range.style == 'R');
            break;
        case 'A':
        case 'a':
            // A to Z, then AA to ZZ, and so on.
            if (n >= 1)
                label += std::string(
                    static_cast<std::size_t>(std::min<std::int64_t>((n - 1) / 26 + 1, 64)),
                    static_cast<char>((range.style == 'A' ? 'A' : 'a') + (n - 1) % 26));
            break;
        default:
            break;
    }
    return label;
}

std::vector<DeckPage> PlanFrames(const std::vector<LabelRange>& ranges, std::uint32_t pages) {
    // Note pages are told from frames only where frames are labelled by a prefix alone,
    // as beamer labels them.
    const bool beamer = std::any_of(ranges.begin(), ranges.end(), [](const LabelRange& range) {
        return range.style == 0 && !range.prefix.empty();
    });
    const auto isNote = [&](std::uint32_t page) {
        const auto after = std::upper_bound(
            ranges.begin(), ranges.end(), page,
            [](std::uint32_t p, const LabelRange& range) { return p < range.first; });
        return beamer && after != ranges.begin() && (after - 1)->style == 'D' &&
               (after - 1)->prefix.empty();
    };
    std::vector<DeckPage> plan(pages);
    std::string last;
    bool any = false;
    std::uint32_t frame = 0;
    for (std::uint32_t page = 0; page < pages; ++page) {
        if (isNote(page) && any) {
            plan[page] = {frame, true};
            continue;
        }
        std::string label = PageLabel(ranges, page);
        if (any && (label != last || !beamer)) ++frame;
        plan[page] = {frame, false};
        last = std::move(label);
        any = true;
    }
    return plan;
}
