// The frames of a beamer talk, as its page labels give them. beamer (through hyperref)
// labels every page of a frame with the frame's number, and a note page with a number of
// its own in decimal: consecutive pages with one label are the steps of a frame, and a
// note page belongs to the frame before it. A document whose labels are all numbered
// (an article) has one frame per page.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The labels from page `first` (counted from 0) on: the prefix, then (with a style: 'D'
// decimal, 'R' or 'r' roman, 'A' or 'a' letters) a number counting from `start`.
struct LabelRange {
    std::uint32_t first = 0;
    std::string prefix;  // UTF-8
    char style = 0;      // none: the prefix alone
    std::int64_t start = 1;
};

// The ranges of the /PageLabels number tree of a special (hyperref's /PUT pdfmark on
// the catalog, or dvipdfmx's pdf:put @catalog); none when it has none.
std::optional<std::vector<LabelRange>> ReadPageLabels(std::string_view special);

// The label of page `page` (from 0).
std::string PageLabel(const std::vector<LabelRange>& ranges, std::uint32_t page);

struct DeckPage {
    std::uint32_t frame = 0;  // from 0
    bool note = false;
};

// Each of `pages` pages' frame, and whether it is a note page.
std::vector<DeckPage> PlanFrames(const std::vector<LabelRange>& ranges, std::uint32_t pages);
