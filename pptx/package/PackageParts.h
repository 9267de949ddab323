// The parts of the presentation package other than the slides: content types,
// relationships, the presentation with its slide list and size, and the one slide
// master, slide layout and theme every slide is based on.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace parts {

// With `png` and `jpeg`, files of those kinds are among the parts; with `core`, the
// document's properties.
// `notes`: the slides that have speaker notes, in order.
std::string ContentTypes(std::uint32_t slides, bool png = false, bool jpeg = false,
                         bool core = false, const std::vector<std::uint32_t>& notes = {});
// The document's title, author, subject and keywords (UTF-8), as its PDF's document
// information gives them.
struct DocumentProperties {
    std::string title, author, subject, keywords;
    bool Empty() const {
        return title.empty() && author.empty() && subject.empty() && keywords.empty();
    }
};
// docProps/core.xml, and the package's relationships that lead to it when `core`.
std::string CoreProperties(const DocumentProperties& properties);
std::string RootRelationships(bool core);
// A slide's relationships: its layout (rId1), then rId2, rId3 ... for its links, each a
// slide number or else a web address (written percent-encoded where it is not plain
// ASCII, and escaped).
struct LinkTarget {
    std::uint32_t slide = 0;  // 0: the address
    std::string address;
};
// Its pictures, "rIm1" on, are the media parts named (in ppt/media).
// With `notes`, the slide's notes slide (ppt/notesSlides/notesSlide<slide>.xml).
std::string SlideRelationships(const std::vector<LinkTarget>& links,
                               const std::vector<std::string>& pictures = {},
                               std::uint32_t notes = 0);
// With `notes`, the notes master too.
std::string PresentationRelationships(std::uint32_t slides, bool notes = false);
// A section: its name (UTF-8) and its first slide; it ends where the next begins.
struct Section {
    std::string name;
    std::uint32_t first;
};
// `width` and `height` in EMU.
std::string Presentation(std::uint32_t slides, std::int64_t width, std::int64_t height,
                         bool notes = false, const std::vector<Section>& sections = {});
// The notes slide of `slide` holding `text` (UTF-8, paragraphs apart by newlines), and
// its relationships.
std::string NotesSlide(const std::string& text);
std::string NotesSlideRelationships(std::uint32_t slide);
extern const std::string_view notesMaster;
extern const std::string_view notesMasterRelationships;

extern const std::string_view slideMaster;
extern const std::string_view slideMasterRelationships;
extern const std::string_view slideLayout;
extern const std::string_view slideLayoutRelationships;
extern const std::string_view theme;
extern const std::string_view presentationProperties;
extern const std::string_view viewProperties;
extern const std::string_view tableStyles;

}  // namespace parts
