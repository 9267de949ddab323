// An instance of the FreeType library, for as long as the object lives.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

struct FreeTypeLibrary {
    FT_Library handle = nullptr;  // null when FreeType could not start
    FreeTypeLibrary() {
        if (FT_Init_FreeType(&handle) != 0) handle = nullptr;
    }
    ~FreeTypeLibrary() {
        if (handle != nullptr) FT_Done_FreeType(handle);
    }
    FreeTypeLibrary(const FreeTypeLibrary&) = delete;
    FreeTypeLibrary& operator=(const FreeTypeLibrary&) = delete;
};
