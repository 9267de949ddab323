// The save area of the DVI push and pop commands.
#pragma once

#include <cstdint>
#include <vector>

struct Registers {
    std::int32_t h, v, w, x, y, z;
    std::int32_t d = 0;  // pTeX's typesetting direction
};

struct RegisterStack {
    // Sets the depth limit to the postamble's s. Entries are stored only as pushes
    // arrive, so a large declared depth costs nothing until a page really uses it.
    void Allocate(std::uint32_t n) {
        Release();
        capacity = n;
    }
    void Release() {
        saved.clear();
        saved.shrink_to_fit();
        capacity = 0;
        level = 0;
    }

    std::vector<Registers> saved;  // entries 0 .. level - 1 are in use
    std::uint32_t level = 0;       // the next free index
    std::uint32_t capacity = 0;    // the postamble's maximum stack depth s
};
