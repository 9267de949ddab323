// A talk's frames from its page labels, as hyperref writes them for dvips and dvipdfmx:
// the steps of a frame, its note pages, and documents that are not talks.
#include <gtest/gtest.h>

#include "pptx/deck/PageLabels.h"

TEST(PageLabels, FramesStepsAndNotes) {
    struct Case {
        const char* what;
        const char* special;
        std::uint32_t pages;
        const char* labels;  // each page's, and "*" after a note page's
        const char* frames;  // each page's frame, from 0
    };
    for (const Case& c : std::initializer_list<Case>{
             {"beamer's frames, two steps and one",
              "ps:SDict begin [ {Catalog} <</PageLabels<</Nums[0<</P(1)>>2<</P(2)>>]>>>> /PUT "
              "pdfmark end",
              3, "1 1 2", "0 0 1"},
             {"note pages after their frame's steps, in UTF-16 labels",
              "ps:SDict begin [ {Catalog} <</PageLabels<</Nums[0<</P(\\376\\377\\0001)>>1<</S/D "
              "/St 2>>2<</P(\\376\\377\\0001)>>3<</S/D /St 4>>4<</P(\\376\\377\\0002)>>]>>>> "
              "/PUT pdfmark end",
              6, "1 2* 1 4* 2 2", "0 0 0 0 1 1"},
             {"dvipdfmx's catalog, a frame of one step between",
              "pdf:put @catalog <</PageLabels<</Nums[0<</P(1)>>1<</P(2)>>2<</P(3)>>]>>>>", 4,
              "1 2 3 3", "0 1 2 2"},
             {"an article: numbered pages, each its own slide",
              "ps:SDict begin [ {Catalog} <</PageLabels<</Nums[0<</S/r>>2<</S/D>>]>>>> /PUT "
              "pdfmark end",
              4, "i ii 1 2", "0 1 2 3"},
             {"letters and a prefix",
              "pdf:put @catalog <</PageLabels<</Nums[0<</S/A/P(A-)/St 26>>]>>>>", 3,
              "A-Z A-AA A-BB", "0 1 2"},
         }) {
        const std::optional<std::vector<LabelRange>> ranges = ReadPageLabels(c.special);
        ASSERT_TRUE(ranges) << c.what;
        const std::vector<DeckPage> plan = PlanFrames(*ranges, c.pages);
        std::string labels, frames;
        for (std::uint32_t page = 0; page < c.pages; ++page) {
            labels += (page ? " " : "") + PageLabel(*ranges, page) + (plan[page].note ? "*" : "");
            frames += (page ? " " : "") + std::to_string(plan[page].frame);
        }
        EXPECT_EQ(labels, c.labels) << c.what;
        EXPECT_EQ(frames, c.frames) << c.what;
    }
    // No labels, or a number tree out of order: no frames.
    for (const char* special : {"ps:SDict begin [ {Catalog}<<>> /PUT pdfmark end",
                                "pdf:put @catalog <</PageLabels<</Nums[2<</P(1)>>0<</P(2)>>]>>>>",
                                "pdf:put @catalog <</PageLabels<</Nums[0<</P(1)>>"})
        EXPECT_FALSE(ReadPageLabels(special)) << special;
}
