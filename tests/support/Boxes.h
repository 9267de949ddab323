// Checking where a paint lies on the slide.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "pptx/shapes/PaintGeometry.h"

// Whether `path` spans `want` (big points from the slide's top left corner) within
// `slack` big points on each side.
inline testing::AssertionResult Spans(const PaintPath& path, const Extent& want,
                                      double slack = 0.01) {
    const std::optional<Extent> box = Bounds(path);
    if (!box) return testing::AssertionFailure() << "an empty path";
    const double bp = 12700;
    const Extent got{box->left / bp, box->top / bp, box->right / bp, box->bottom / bp};
    if (std::abs(got.left - want.left) > slack || std::abs(got.top - want.top) > slack ||
        std::abs(got.right - want.right) > slack || std::abs(got.bottom - want.bottom) > slack)
        return testing::AssertionFailure()
               << "spans " << got.left << ' ' << got.top << ' ' << got.right << ' ' << got.bottom
               << ", not " << want.left << ' ' << want.top << ' ' << want.right << ' '
               << want.bottom;
    return testing::AssertionSuccess();
}
