// The font "tst" of reader and writer tests, and a kpsewhich that serves it. tst has
// design size 10 pt, checksum 0x12345678, and the characters A (width 0.5, height
// 0.4375 of the size) and B (width, height and depth of 5, 7 and -2 fix_word units).
#pragma once

#include <cstdlib>
#include <regex>

#include "fonts/FontFileLookup.h"
#include "support/DviBuilder.h"
#include "support/TempDir.h"
#include "support/TfmBuilder.h"

constexpr std::int32_t tstChecksum = 0x12345678;
constexpr std::int32_t tstDesignSize = 10 << 16;  // 10 pt in DVI's 2^-16 pt units

inline TfmBuilder TestFont() {
    return {.chars = {{0x80000, 0x70000, 0}, {5, 7, -2}}};
}

// Defines "tst" as font k at scaled size s.
inline DviBuilder& DefineTst(DviBuilder& dvi, int k = 0, std::int32_t s = 1 << 20) {
    return dvi.FontDef(k, tstChecksum, s, tstDesignSize, "tst");
}

// A kpsewhich first on PATH for the life of the object: for each file name asked it
// prints the answer a test gave (nothing otherwise), and it logs each request as a line.
struct FakeKpsewhich : TempDir {
    FakeKpsewhich() : savedPath(std::getenv("PATH") ? std::getenv("PATH") : "") {
        Write("kpsewhich", "#!/bin/sh\ncd '" + path.string() + "'\necho \"$*\" >> calls\n" +
                               "for name; do cat \"answers/$name\" 2>/dev/null; done\nexit 3\n");
        std::filesystem::permissions(path / "kpsewhich", std::filesystem::perms::owner_all);
        setenv("PATH", (path.string() + ":" + savedPath).c_str(), 1);
        ForgetFontFileLookups();
    }
    ~FakeKpsewhich() {
        setenv("PATH", savedPath.c_str(), 1);
        ForgetFontFileLookups();
    }
    // The exact bytes printed for a request of `fileName`; answers kept from before go.
    void Answer(const std::string& name, const std::string& output) {
        Write("answers/" + name, output);
        ForgetFontFileLookups();
    }
    // Stores a TFM file for font `name` and answers its path.
    void AddFont(const std::string& name, const std::string& tfm) {
        Answer(name + ".tfm", Write(name + ".tfm", tfm) + "\n");
    }
    std::string Calls() const { return Read("calls"); }

    std::string savedPath;
};

// The groups of every match of `pattern` in `text`, as `format` puts them.
inline std::string Matches(const std::string& text, const char* pattern, const char* format) {
    return std::regex_replace(text, std::regex(pattern), format,
                              std::regex_constants::format_no_copy);
}
