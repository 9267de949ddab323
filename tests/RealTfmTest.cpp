// The TFM reader on TeX Live's own fonts, found by the real kpsewhich, against what
// TeX Live's tftopl prints for the same files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <sstream>

#include "fonts/TfmMetrics.h"

namespace {

struct Dimensions {
    double width = 0, height = 0, depth = 0;
};

struct PropertyList {
    double designSize = 0;
    std::uint32_t checksum = 0;
    std::map<int, Dimensions> chars;
};

// Runs tftopl on the font and keeps design size, checksum and character dimensions.
PropertyList Tftopl(const std::string& name) {
    const std::string command = "tftopl -charcode-format=octal \"$(kpsewhich " + name + ".tfm)\"";
    FILE* pipe = popen(command.c_str(), "r");
    std::string text;
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        text.append(buffer, got);
    pclose(pipe);

    PropertyList list;
    std::istringstream lines(text);
    Dimensions* current = nullptr;
    for (std::string word; lines >> word;) {
        std::string kind, value;
        if (word == "(DESIGNSIZE") lines >> kind >> list.designSize;
        if (word == "(CHECKSUM")
            lines >> kind >> value, list.checksum = std::stoul(value, nullptr, 8);
        if (word == "(CHARACTER")
            lines >> kind >> value, current = &list.chars[std::stoi(value, nullptr, 8)];
        if (word == "(CHARWD") lines >> kind >> current->width;
        if (word == "(CHARHT") lines >> kind >> current->height;
        if (word == "(CHARDP") lines >> kind >> current->depth;
    }
    return list;
}

void ExpectSameAsTftopl(const std::string& name, int lh, int bc) {
    TfmMetrics metrics;
    metrics.LoadTfm(name);
    const PropertyList expected = Tftopl(name);
    ASSERT_FALSE(expected.chars.empty()) << "tftopl printed no characters for " << name;
    EXPECT_EQ(metrics.lh, lh);
    EXPECT_EQ(metrics.bc, bc);
    EXPECT_EQ(static_cast<std::uint32_t>(metrics.checksum), expected.checksum);
    EXPECT_EQ(metrics.designSize, std::lround(expected.designSize * 0x1p20));
    // tftopl prints each fix_word with the fewest decimals that give it back.
    const auto fixWord = [](double value) { return std::lround(value * 0x1p20); };
    for (int code = metrics.bc; code <= metrics.ec; ++code) {
        const auto found = expected.chars.find(code);
        const Dimensions dimensions = found == expected.chars.end() ? Dimensions{} : found->second;
        const std::size_t i = code - metrics.bc;
        EXPECT_NEAR(metrics.width[i], fixWord(dimensions.width), 1) << name << " code " << code;
        EXPECT_NEAR(metrics.height[i], fixWord(dimensions.height), 1) << name << " code " << code;
        EXPECT_NEAR(metrics.depth[i], fixWord(dimensions.depth), 1) << name << " code " << code;
    }
}

TEST(RealTfm, Cmr10) {
    ExpectSameAsTftopl("cmr10", 18, 0);
}
TEST(RealTfm, Logo10) {
    ExpectSameAsTftopl("logo10", 2, 65);
}
TEST(RealTfm, Cmex10) {
    ExpectSameAsTftopl("cmex10", 18, 0);
}

}  // namespace
