#include "pptx/deck/FrameBuilds.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <optional>
#include <string_view>
#include <unordered_map>

namespace {

// In a shape's text as kept here: its id, the number in its name, a picture's media part
// and a link's target stand between marks, to be numbered on the frame's slide.
constexpr char idMark = '\x01', nameMark = '\x02', pictureMark = '\x03', linkMark = '\x04';

// Beyond these sizes two steps are not matched (their shapes all change on the click).
constexpr std::size_t maxShapes = 20000, maxEdits = 2000;

struct SlideParts {
    std::string head;                 // up to the shape tree's first shape
    std::vector<std::string> shapes;  // each from its <p:sp> or <p:pic>
    std::string tail;                 // from the end of the shape tree
};

SlideParts Split(const std::string& slide) {
    SlideParts parts;
    const std::size_t end = slide.rfind("</p:spTree>");
    const std::size_t tree = slide.find("<p:spTree>");
    if (end == std::string::npos || tree == std::string::npos) {
        parts.head = slide;
        return parts;
    }
    std::vector<std::size_t> starts;
    for (std::size_t at = tree; (at = slide.find("<p:", at + 1)) < end;) {
        const std::string_view rest = std::string_view(slide).substr(at);
        if (rest.starts_with("<p:sp>") || rest.starts_with("<p:pic>")) starts.push_back(at);
    }
    const std::size_t first = starts.empty() ? end : starts.front();
    parts.head = slide.substr(0, first);
    for (std::size_t i = 0; i < starts.size(); ++i)
        parts.shapes.push_back(
            slide.substr(starts[i], (i + 1 < starts.size() ? starts[i + 1] : end) - starts[i]));
    parts.tail = slide.substr(end);
    return parts;
}

std::optional<std::size_t> NumberAt(std::string_view text, std::size_t at, std::size_t& end) {
    std::size_t value = 0;
    const auto [ptr, error] = std::from_chars(text.data() + at, text.data() + text.size(), value);
    if (error != std::errc()) return std::nullopt;
    end = static_cast<std::size_t>(ptr - text.data());
    return value;
}

std::string LinkKey(const PageLink& link) {
    return link.uri.empty() ? '#' + link.destination : link.uri;
}

// A shape's text with its id, name number and relationships between marks.
std::string Marked(std::string_view shape, const PageDrawing& page) {
    std::string out;
    out.reserve(shape.size());
    std::size_t at = 0;
    const auto replace = [&](std::string_view before, char mark, auto&& value) {
        const std::size_t found = shape.find(before, at);
        if (found == std::string_view::npos) return false;
        std::size_t end = 0;
        const std::optional<std::size_t> number = NumberAt(shape, found + before.size(), end);
        if (!number) return false;
        out.append(shape.substr(at, found + before.size() - at));
        out += mark;
        out += value(*number);
        if (mark == pictureMark || mark == linkMark) out += mark;
        at = end;
        return true;
    };
    const auto none = [](std::size_t) { return std::string(); };
    replace("<p:cNvPr id=\"", idMark, none);
    if (const std::size_t name = shape.find(" name=\"", at); name != std::string_view::npos) {
        const std::size_t close = shape.find('"', name + 7);
        const std::size_t space = shape.rfind(' ', close);
        if (close != std::string_view::npos && space > name + 6) {
            std::size_t end = 0;
            if (NumberAt(shape, space + 1, end) && end == close) {
                out.append(shape.substr(at, space + 1 - at));
                out += nameMark;
                at = close;
            }
        }
    }
    while (replace("r:embed=\"rIm", pictureMark, [&](std::size_t n) {
        return n >= 1 && n <= page.pictures.size() ? page.pictures[n - 1] : std::string();
    })) {
    }
    while (replace("r:id=\"rId", linkMark, [&](std::size_t n) {
        return n >= 2 && n - 2 < page.links.size() ? LinkKey(page.links[n - 2]) : std::string();
    })) {
    }
    out.append(shape.substr(at));
    return out;
}

enum class Edit : std::uint8_t { Keep, Old, New };

// The shortest edit script from `a` to `b` (Myers's algorithm): Keep takes one of each,
// Old one of a's only, New one of b's only; none beyond the bounds.
std::optional<std::vector<Edit>> Diff(const std::vector<int>& a, const std::vector<int>& b) {
    const int n = static_cast<int>(a.size()), m = static_cast<int>(b.size());
    const int most = std::min(n + m, static_cast<int>(maxEdits));
    const int offset = most + 1;
    std::vector<int> v(2 * static_cast<std::size_t>(most) + 3, 0);
    std::vector<std::vector<int>> trace;
    int reached = -1;
    for (int d = 0; d <= most && reached < 0; ++d) {
        trace.push_back(v);
        for (int k = -d; k <= d; k += 2) {
            const auto at = [&](int diagonal) {
                return static_cast<std::size_t>(diagonal + offset);
            };
            int x = (k == -d || (k != d && v[at(k - 1)] < v[at(k + 1)])) ? v[at(k + 1)]
                                                                         : v[at(k - 1)] + 1;
            int y = x - k;
            while (x < n && y < m &&
                   a[static_cast<std::size_t>(x)] == b[static_cast<std::size_t>(y)])
                ++x, ++y;
            v[at(k)] = x;
            if (x >= n && y >= m) {
                reached = d;
                break;
            }
        }
    }
    if (reached < 0) return std::nullopt;
    // Back from the end, through each d's furthest points.
    std::vector<Edit> edits;
    int x = n, y = m;
    for (int d = reached; d > 0; --d) {
        const std::vector<int>& before = trace[static_cast<std::size_t>(d)];
        const auto at = [&](int diagonal) { return static_cast<std::size_t>(diagonal + offset); };
        const int k = x - y;
        const bool down = k == -d || (k != d && before[at(k - 1)] < before[at(k + 1)]);
        const int previousK = down ? k + 1 : k - 1;
        const int previousX = before[at(previousK)], previousY = previousX - previousK;
        while (x > previousX + (down ? 0 : 1) && y > previousY + (down ? 1 : 0)) {
            edits.push_back(Edit::Keep);
            --x, --y;
        }
        edits.push_back(down ? Edit::New : Edit::Old);
        x = previousX, y = previousY;
    }
    while (x > 0 && y > 0) {
        edits.push_back(Edit::Keep);
        --x, --y;
    }
    std::reverse(edits.begin(), edits.end());
    return edits;
}

// A shape of the frame: its marked text and the steps that show it.
struct FrameShape {
    int key;
    std::vector<bool> shown;
};

// An Appear effect (entrance, or exit) of shape `id`, the first of its click or with it.
std::string Effect(int node, int behaviour, bool enters, bool first, const std::string& id) {
    return "<p:par><p:cTn id=\"" + std::to_string(node) + "\" presetID=\"1\" presetClass=\"" +
           (enters ? "entr" : "exit") + "\" presetSubtype=\"0\" fill=\"hold\" grpId=\"" +
           (enters ? "0" : "1") + "\" nodeType=\"" + (first ? "clickEffect" : "withEffect") +
           "\"><p:stCondLst><p:cond delay=\"0\"/></p:stCondLst><p:childTnLst><p:set><p:cBhvr>"
           "<p:cTn id=\"" +
           std::to_string(behaviour) +
           "\" dur=\"1\" fill=\"hold\"><p:stCondLst><p:cond delay=\"0\"/></p:stCondLst></p:cTn>"
           "<p:tgtEl><p:spTgt spid=\"" +
           id +
           "\"/></p:tgtEl><p:attrNameLst><p:attrName>style.visibility</p:attrName>"
           "</p:attrNameLst></p:cBhvr><p:to><p:strVal val=\"" +
           (enters ? "visible" : "hidden") + "\"/></p:to></p:set></p:childTnLst></p:cTn></p:par>";
}

}  // namespace

PageDrawing BuildFrame(std::vector<PageDrawing> steps, std::string_view transition) {
    if (steps.size() == 1) {
        // After the colour mapping, at the end.
        std::string& slide = steps.front().slide;
        slide.insert(std::min(slide.rfind("</p:sld>"), slide.size()), transition);
        return std::move(steps.front());
    }
    const std::size_t count = steps.size();
    // Each distinct shape text once; the shapes of the frame in their order on the slide.
    std::unordered_map<std::string, int> keys;
    std::vector<std::string> texts;
    std::vector<FrameShape> frame;
    SlideParts first;
    for (std::size_t step = 0; step < count; ++step) {
        SlideParts parts = Split(steps[step].slide);
        std::vector<int> shapes;
        for (const std::string& shape : parts.shapes) {
            const auto [known, added] =
                keys.try_emplace(Marked(shape, steps[step]), static_cast<int>(texts.size()));
            if (added) texts.push_back(known->first);
            shapes.push_back(known->second);
        }
        if (step == 0) first = std::move(parts);
        std::vector<int> before;
        for (const FrameShape& shape : frame) before.push_back(shape.key);
        std::optional<std::vector<Edit>> edits;
        if (before.size() + shapes.size() <= maxShapes) edits = Diff(before, shapes);
        if (!edits) {  // nothing kept: every shape of the step is new
            edits = std::vector<Edit>(before.size(), Edit::Old);
            edits->insert(edits->end(), shapes.size(), Edit::New);
        }
        std::vector<FrameShape> merged;
        std::size_t i = 0, j = 0;
        for (const Edit edit : *edits) {
            if (edit == Edit::New) {
                merged.push_back({shapes[j++], std::vector<bool>(count)});
                merged.back().shown[step] = true;
                continue;
            }
            merged.push_back(std::move(frame[i++]));
            if (edit == Edit::Keep) merged.back().shown[step] = true, ++j;
        }
        frame = std::move(merged);
    }
    // A shape shown in runs of steps apart is a shape for each run: [from, to] steps.
    struct Placed {
        int key;
        std::size_t from, to;
    };
    std::vector<Placed> placed;
    for (const FrameShape& shape : frame) {
        for (std::size_t s = 0; s < count;) {
            if (!shape.shown[s]) {
                ++s;
                continue;
            }
            std::size_t e = s;
            while (e + 1 < count && shape.shown[e + 1]) ++e;
            placed.push_back({shape.key, s, e});
            s = e + 1;
        }
    }
    // The slide: its shapes numbered in order, their pictures and links gathered.
    PageDrawing slide;
    std::unordered_map<std::string, std::size_t> pictureIndex, linkIndex;
    for (const PageDrawing& step : steps) {
        for (const std::string& picture : step.pictures) {
            if (pictureIndex.try_emplace(picture, slide.pictures.size() + 1).second)
                slide.pictures.push_back(picture);
        }
        for (const PageLink& link : step.links) {
            if (linkIndex.try_emplace(LinkKey(link), slide.links.size() + 2).second)
                slide.links.push_back(link);
        }
    }
    std::string& out = slide.slide;
    out = first.head;
    for (std::size_t n = 0; n < placed.size(); ++n) {
        const std::string& text = texts[static_cast<std::size_t>(placed[n].key)];
        for (std::size_t at = 0; at < text.size(); ++at) {
            const char ch = text[at];
            if (ch == idMark) {
                out += std::to_string(n + 2);
            } else if (ch == nameMark) {
                out += std::to_string(n + 1);
            } else if (ch == pictureMark || ch == linkMark) {
                const std::size_t close = text.find(ch, at + 1);
                const std::string value = text.substr(at + 1, close - at - 1);
                const auto& index = ch == pictureMark ? pictureIndex : linkIndex;
                const auto found = index.find(value);
                out += std::to_string(found == index.end() ? 0 : found->second);
                at = close;
            } else {
                out += ch;
            }
        }
    }
    // The timing: click c (from 1) brings step c + 1.
    std::string clicks;
    std::string builds;
    std::vector<std::string> empty;  // the ids of the empty shapes that repeated steps show
    int node = 2;
    for (std::size_t click = 1; click < count; ++click) {
        // The shapes that enter (true) or leave on the click.
        std::vector<std::pair<bool, std::string>> changes;
        for (std::size_t n = 0; n < placed.size(); ++n) {
            const bool enters = placed[n].from == click, leaves = placed[n].to + 1 == click;
            if (!enters && !leaves) continue;
            changes.emplace_back(enters, std::to_string(n + 2));
            const std::string_view shape = texts[static_cast<std::size_t>(placed[n].key)];
            if (shape.starts_with("<p:sp>") && shape.find("<p:txBody>") != std::string_view::npos)
                builds += "<p:bldP spid=\"" + changes.back().second + "\" grpId=\"" +
                          (enters ? "0" : "1") + "\" animBg=\"1\"/>";
        }
        if (changes.empty()) {
            // A step like the one before: its click shows an empty shape, so that each
            // click still brings the next step.
            empty.push_back(std::to_string(placed.size() + 2 + empty.size()));
            changes.emplace_back(true, empty.back());
        }
        const int outer = ++node, inner = ++node;
        clicks += "<p:par><p:cTn id=\"" + std::to_string(outer) +
                  "\" fill=\"hold\"><p:stCondLst><p:cond delay=\"indefinite\"/></p:stCondLst>"
                  "<p:childTnLst><p:par><p:cTn id=\"" +
                  std::to_string(inner) +
                  "\" fill=\"hold\"><p:stCondLst><p:cond delay=\"0\"/></p:stCondLst>"
                  "<p:childTnLst>";
        for (std::size_t c = 0; c < changes.size(); ++c) {
            const int effect = ++node, behaviour = ++node;
            clicks += Effect(effect, behaviour, changes[c].first, c == 0, changes[c].second);
        }
        clicks += "</p:childTnLst></p:cTn></p:par></p:childTnLst></p:cTn></p:par>";
    }
    for (std::size_t k = 0; k < empty.size(); ++k) {
        out += "<p:sp><p:nvSpPr><p:cNvPr id=\"" + empty[k] + "\" name=\"Step " +
               std::to_string(k + 1) +
               "\"/><p:cNvSpPr/><p:nvPr/></p:nvSpPr><p:spPr><a:xfrm><a:off x=\"0\" y=\"0\"/>"
               "<a:ext cx=\"0\" cy=\"0\"/></a:xfrm><a:prstGeom prst=\"rect\"><a:avLst/>"
               "</a:prstGeom><a:noFill/><a:ln><a:noFill/></a:ln></p:spPr></p:sp>";
    }
    // The tail up to the slide's end, the transition and the timing.
    out.append(first.tail, 0, first.tail.rfind("</p:sld>"));
    out += transition;
    if (!clicks.empty()) {
        out +=
            "<p:timing><p:tnLst><p:par><p:cTn id=\"1\" dur=\"indefinite\" restart=\"never\" "
            "nodeType=\"tmRoot\"><p:childTnLst><p:seq concurrent=\"1\" nextAc=\"seek\">"
            "<p:cTn id=\"2\" dur=\"indefinite\" nodeType=\"mainSeq\"><p:childTnLst>";
        out += clicks;
        out +=
            "</p:childTnLst></p:cTn><p:prevCondLst><p:cond evt=\"onPrev\" delay=\"0\">"
            "<p:tgtEl><p:sldTgt/></p:tgtEl></p:cond></p:prevCondLst><p:nextCondLst>"
            "<p:cond evt=\"onNext\" delay=\"0\"><p:tgtEl><p:sldTgt/></p:tgtEl></p:cond>"
            "</p:nextCondLst></p:seq></p:childTnLst></p:cTn></p:par></p:tnLst>";
        if (!builds.empty()) out += "<p:bldLst>" + builds + "</p:bldLst>";
        out += "</p:timing>";
    }
    out += "</p:sld>";
    return slide;
}
