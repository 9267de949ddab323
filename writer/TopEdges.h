// The top edges of text boxes, v * pointsPerUnit + offsetY - heightCut in points, kept
// as text by baseline v and cut height: the characters of a line share a few heights,
// and an edge already written on the same baseline need not be formatted again.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>

#include "writer/NumberFormat.h"
#include "writer/ShortText.h"

class TopEdges {
  public:
    void SetScale(double pointsPerUnitValue, double offsetYValue) {
        pointsPerUnit = pointsPerUnitValue;
        offsetY = offsetYValue;
        for (Entry& entry : entries) entry.heightCut = std::nan("");  // equal to nothing
    }

    // The text of the top edge of a box of cut height heightCut on the baseline v.
    const ShortText& At(std::int32_t v, double heightCut) {
        // One entry per slot, the slot chosen by the height's bits: a new baseline
        // overwrites the old one's entries as its heights come.
        const std::uint64_t hash = std::bit_cast<std::uint64_t>(heightCut) * 0x9E3779B97F4A7C15ULL;
        Entry& entry = entries[hash >> (64 - slotBits)];
        if (entry.v != v || !(entry.heightCut == heightCut)) {
            entry.v = v;
            entry.heightCut = heightCut;
            const double top = v * pointsPerUnit + offsetY - heightCut;
            entry.text.size =
                static_cast<std::uint8_t>(WriteNumber(entry.text.bytes, top) - entry.text.bytes);
        }
        return entry.text;
    }

  private:
    static constexpr int slotBits = 6;
    static_assert(ShortText::capacity >= maxNumberLength);

    struct Entry {
        std::int32_t v = 0;
        double heightCut = std::nan("");
        ShortText text;
    };
    Entry entries[1 << slotBits];
    double pointsPerUnit = 0.0;
    double offsetY = 0.0;
};
