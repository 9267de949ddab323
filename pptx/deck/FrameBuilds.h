// A frame's steps (the pages beamer writes for its overlays) as one slide whose clicks
// bring each step in turn. The shapes of the steps' slides are matched (a diff of each
// step against the shapes so far, by their XML with ids and relationships resolved), so
// that what steps share is one shape; a shape then appears on the click that brings the
// first step of a run of steps showing it, and disappears on the click after its last,
// both PowerPoint's Appear effects in the slide's timing.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "pptx/LinkSpecials.h"

// A page's slide as SlideShapes wrote it, with the media parts of its pictures (rIm1,
// rIm2, ...) and its links (rId2, rId3, ...).
struct PageDrawing {
    std::string slide;
    std::vector<std::string> pictures;
    std::vector<PageLink> links;
};

// The slide of a frame whose steps are `steps` (one or more), the media parts and links
// of its relationships in the same numbering; `transition` (a p:transition element, or
// empty) is the transition to it.
PageDrawing BuildFrame(std::vector<PageDrawing> steps, std::string_view transition = {});
