// A talk's frames from its page labels, as hyperref writes them for dvips and dvipdfmx:
// the steps of a frame, its note pages, and documents that are not talks; the
// transitions to pages and the bookmarks.
#include <gtest/gtest.h>

#include "pptx/deck/FrameBuilds.h"
#include "pptx/deck/PageData.h"
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

TEST(PageData, TransitionsAsBeamerWritesThem) {
    struct Case {
        const char* special;
        const char* element;  // or the transition left out, after "!"
    };
    for (const Case& c : std::initializer_list<Case>{
             {"ps:SDict begin [ {ThisPage}<</Trans << /S /R >> >> /PUT pdfmark end", ""},
             {"ps:SDict begin [ {ThisPage}<</Trans << /S /Dissolve   >> >> /PUT pdfmark end",
              "<p:transition><p:dissolve/></p:transition>"},
             {"pdf:put @thispage <</Trans<</S/Blinds /Dm /V  >>>>",
              "<p:transition><p:blinds dir=\"vert\"/></p:transition>"},
             {"pdf:put @thispage <</Trans<</S/Box /M /O /D 2 >>>>",
              "<p:transition spd=\"slow\"><p:zoom dir=\"out\"/></p:transition>"},
             {"ps:SDict begin [ {ThisPage}<</Trans << /S /Split /Dm /H /M /O /D 0.5 >> >> /PUT "
              "pdfmark end",
              "<p:transition spd=\"fast\"><p:split orient=\"horz\" dir=\"out\"/></p:transition>"},
             {"pdf:put @thispage <</Trans<</S/Wipe /Di 180 >>>>",
              "<p:transition><p:wipe dir=\"l\"/></p:transition>"},
             {"pdf:put @thispage <</Trans<</S/Uncover /Di 270 /D 1>> /Dur 2.5>>",
              "<p:transition spd=\"med\" advTm=\"2500\"><p:pull dir=\"d\"/></p:transition>"},
             {"ps:SDict begin [ {ThisPage}<</Dur 2>> /PUT pdfmark end",
              "<p:transition advTm=\"2000\"/>"},
             {"pdf:put @thispage <</Trans<</S/Fly >>>>", "!Fly"},
         }) {
        PageTransition transition;
        ASSERT_TRUE(ReadPageTransition(c.special, transition)) << c.special;
        std::string missing;
        const std::string element = TransitionElement(transition, missing);
        EXPECT_EQ(missing.empty() ? element : "!" + missing, c.element) << c.special;
    }
    PageTransition transition;
    EXPECT_FALSE(ReadPageTransition("pdf:put @resources <</Trans 1>>", transition));
}

TEST(PageData, BookmarksAtTheirLevels) {
    // hyperref's pdfmarks give each bookmark's number of children; dvipdfmx's their level.
    std::vector<Bookmark> bookmarks;
    std::vector<std::int64_t> open;
    for (const char* special :
         {"ps:SDict begin [/Count 0/Dest (Outline0.1) cvn/Title (\\376\\377\\000A) /OUT pdfmark "
          "end",
          "ps:SDict begin [/Count -2/Dest (Outline0.2) cvn/Title (B) /OUT pdfmark end",
          "ps:SDict begin [/Count 1/Dest (b1) cvn/Title (B1) /OUT pdfmark end",
          "ps:SDict begin [/Count 0/Dest (b11) cvn/Title (B11) /OUT pdfmark end",
          "ps:SDict begin [/Count 0/Dest (b2) cvn/Title (B2) /OUT pdfmark end",
          "ps:SDict begin [/Count 0/Dest (c) cvn/Title (C) /OUT pdfmark end",
          "pdf:outline 2<</Title(D)/A<</S/GoTo/D(d)>>>>", "pdf:outline [-] 3<</Title(E)/Dest(e)>>",
          "ps:SDict begin [/View [/XYZ H.V]/Dest (x) cvn /DEST pdfmark end",
          // More children than any long holds.
          "ps:SDict begin [/Count 1e300/Dest (z) cvn/Title (Z) /OUT pdfmark end"})
        ReadBookmark(special, bookmarks, open);
    std::string found;
    for (const Bookmark& b : bookmarks)
        found += std::to_string(b.level) + b.title + ">" + b.destination + " ";
    EXPECT_EQ(found, "0A>Outline0.1 0B>Outline0.2 1B1>b1 2B11>b11 1B2>b2 0C>c 2D>d 3E>e 0Z>z ");
}

namespace {

// A slide as SlideShapes writes it, holding shapes named by one letter each; a picture
// shape's letter after "P" names its media part, a link's after "L" its address.
PageDrawing Page(const std::string& letters) {
    PageDrawing page;
    page.slide = "<p:sld><p:cSld><p:spTree><p:nvGrpSpPr/>";
    int id = 2;
    for (std::size_t i = 0; i < letters.size(); ++i, ++id) {
        const std::string n = std::to_string(id), number = std::to_string(id - 1);
        if (letters[i] == 'P' && i + 1 < letters.size()) {
            page.pictures.push_back(std::string(1, letters[++i]) + ".png");
            page.slide += "<p:pic><p:cNvPr id=\"" + n + "\" name=\"Picture " + number +
                          "\"/><a:blip r:embed=\"rIm" + std::to_string(page.pictures.size()) +
                          "\"/></p:pic>";
        } else if (letters[i] == 'L' && i + 1 < letters.size()) {
            page.links.push_back({0, 0, 1, 1, "https://" + std::string(1, letters[++i]), ""});
            page.slide += "<p:sp><p:cNvPr id=\"" + n + "\" name=\"Link " + number +
                          "\"><a:hlinkClick r:id=\"rId" + std::to_string(page.links.size() + 1) +
                          "\"/></p:cNvPr></p:sp>";
        } else {
            page.slide += "<p:sp><p:cNvPr id=\"" + n + "\" name=\"Drawing " + number + "\"/><a:t>" +
                          letters[i] + "</a:t></p:sp>";
        }
    }
    page.slide += "</p:spTree></p:cSld><p:clrMapOvr/></p:sld>";
    return page;
}

}  // namespace

TEST(FrameBuilds, EachClickBringsTheNextStep) {
    // Each case: the steps; the slide's shapes in order (a letter each, "P" and "L" with
    // theirs, "_" the empty shape of a repeated step); and each click's changes, shapes
    // entering (+) and leaving (-) by their place on the slide from 1.
    struct Case {
        const char* what;
        std::vector<const char*> steps;
        const char* shapes;
        std::vector<const char*> clicks;
    };
    for (const Case& c : std::initializer_list<Case>{
             {"items one by one", {"ab", "abc", "abcd"}, "abcd", {"+3", "+4"}},
             {"an alert: one shape leaves and its other colour enters",
              {"axc", "ayc"},
              "axyc",
              {"-2 +3"}},
             {"shown, hidden, shown again: two shapes", {"ab", "a", "ab"}, "abb", {"-2", "+3"}},
             {"a step like the one before", {"a", "a", "ab"}, "ab_", {"+3", "+2"}},
             {"pictures and links stored once, numbered on the slide",
              {"PxLu", "PxLuPyLv"},
              "PxLuPyLv",
              {"+3 +4"}},
         }) {
        std::vector<PageDrawing> steps;
        for (const char* step : c.steps) steps.push_back(Page(step));
        const PageDrawing slide = BuildFrame(steps);
        // The shapes in order, by their text or relationship's target.
        std::string shapes;
        std::vector<std::string> ids;
        for (std::size_t at = 0;
             (at = slide.slide.find("<p:cNvPr id=\"", at)) != std::string::npos;) {
            at += 13;
            const std::string id = slide.slide.substr(at, slide.slide.find('"', at) - at);
            ids.push_back(id);
            const std::size_t end = slide.slide.find("</p:s", at);
            const std::string shape = slide.slide.substr(at, end - at);
            if (const std::size_t t = shape.find("<a:t>"); t != std::string::npos) {
                shapes += shape[t + 5];
            } else if (const std::size_t p = shape.find("r:embed=\"rIm"); p != std::string::npos) {
                shapes += 'P';
                shapes += slide.pictures.at(std::stoul(shape.substr(p + 12)) - 1)[0];
            } else if (const std::size_t l = shape.find("r:id=\"rId"); l != std::string::npos) {
                shapes += 'L';
                shapes += slide.links.at(std::stoul(shape.substr(l + 9)) - 2).uri.back();
            } else {
                shapes += '_';
            }
        }
        EXPECT_EQ(shapes, c.shapes) << c.what;
        // Ids from 2 in order, each once.
        for (std::size_t i = 0; i < ids.size(); ++i)
            EXPECT_EQ(ids[i], std::to_string(i + 2)) << c.what;
        // The clicks, in the timing's main sequence.
        std::vector<std::string> clicks;
        for (std::size_t at = 0;
             (at = slide.slide.find("<p:cond delay=\"indefinite\"/>", at)) != std::string::npos;) {
            const std::size_t next = slide.slide.find("<p:cond delay=\"indefinite\"/>", at + 1);
            const std::string group = slide.slide.substr(at, next - at);
            std::string changes;
            for (std::size_t e = 0; (e = group.find("presetClass=\"", e)) != std::string::npos;) {
                const bool enters = group.compare(e + 13, 4, "entr") == 0;
                const std::size_t spid = group.find("spTgt spid=\"", e) + 12;
                changes += (changes.empty() ? "" : " ") + std::string(enters ? "+" : "-") +
                           std::to_string(std::stoi(group.substr(spid)) - 1);
                e = spid;
            }
            clicks.push_back(changes);
            if (next == std::string::npos) break;
            at = next;
        }
        EXPECT_EQ(clicks, std::vector<std::string>(c.clicks.begin(), c.clicks.end())) << c.what;
    }
}
