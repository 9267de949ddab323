// Reading TFM files: header counts, checksum, design size and character dimensions,
// and damaged files rejected without reading outside their data.
#include <gtest/gtest.h>

#include <sstream>

#include "common/Failure.h"
#include "fonts/TfmMetrics.h"
#include "support/TestFont.h"

namespace {

std::string ReadFailure(const std::string& bytes) {
    std::istringstream file(bytes);
    TfmMetrics metrics;
    try {
        metrics.Read(file, "bad");
    } catch (const Failure& failure) {
        metrics.ReleaseArrays();  // a failed object can still be released
        return failure.Message();
    }
    return "";
}

TEST(TfmMetrics, ReadsHeaderAndCharacters) {
    for (int lh : {2, 18}) {  // 16 further header words are skipped for lh = 18
        TfmBuilder font = TestFont();
        font.lh = lh;
        font.checksum = static_cast<std::int32_t>(0x80000001);
        font.chars.push_back({-0x100000, 0, 0x30000});
        std::istringstream file(font.Build());
        TfmMetrics metrics;
        metrics.Read(file, "tst");
        EXPECT_EQ(metrics.lh, lh);
        EXPECT_EQ(metrics.bc, 65);
        EXPECT_EQ(metrics.ec, 67);
        EXPECT_EQ(metrics.checksum, static_cast<std::int32_t>(0x80000001));
        EXPECT_EQ(metrics.designSize, 0xA00000);
        EXPECT_EQ(metrics.width, (std::vector<std::int32_t>{0x80000, 5, -0x100000}));
        EXPECT_EQ(metrics.height, (std::vector<std::int32_t>{0x70000, 7, 0}));
        EXPECT_EQ(metrics.depth, (std::vector<std::int32_t>{0, -2, 0x30000}));
        EXPECT_EQ(metrics.italic, (std::vector<std::int32_t>{0, 0, 0}));
    }
}

TEST(TfmMetrics, FontWithoutCharacters) {
    TfmBuilder font = TestFont();
    font.chars.clear();  // ec = bc - 1
    std::istringstream file(font.Build());
    TfmMetrics metrics;
    metrics.Read(file, "empty");
    EXPECT_EQ(metrics.ec, 64);
    EXPECT_TRUE(metrics.width.empty());
}

TEST(TfmMetrics, DamagedFiles) {
    const std::string good = TestFont().Build();
    // Every cut of the file is noticed, wherever it falls.
    for (std::size_t length = 0; length < good.size(); ++length) {
        EXPECT_EQ(ReadFailure(good.substr(0, length)), "Font bad tfm file is truncated") << length;
    }
    std::string backwards = good;
    backwards[7] = 60;  // ec = 60 < bc - 1
    EXPECT_EQ(ReadFailure(backwards), "Font bad tfm file has an invalid character range");
    std::string farIndex = good;
    farIndex[32] = 9;  // width index 9 of a table of 3
    EXPECT_EQ(ReadFailure(farIndex), "Font bad tfm file has a character index outside its tables");
    std::string huge = good.substr(0, 24);
    huge[2] = huge[3] = huge[8] = huge[9] = huge[20] = huge[21] = '\xFF';  // lh, nw, np
    EXPECT_EQ(ReadFailure(huge), "Font bad tfm file is truncated");
}

}  // namespace
