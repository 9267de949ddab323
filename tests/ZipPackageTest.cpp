// The presentation's ZIP archive: parts deflated by worker threads come back whole and
// in order, and a failure leaves nothing behind.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/Failure.h"
#include "pptx/ZipPackage.h"
#include "support/ReadZip.h"
#include "support/TempDir.h"

namespace {

TEST(ZipPackage, PartsComeBackWholeAndInOrder) {
    TempDir dir;
    std::vector<std::pair<std::string, std::string>> expected{{"first.xml", "<a/>"}};
    ZipPackage package;
    package.Create(dir / "out.zip");
    package.Add("first.xml", "<a/>");
    // Sizes from empty to a few megabytes, so workers finish out of order.
    for (int i = 0; i < 40; ++i) {
        std::string data;
        const int repeats = (i * 7919) % 40 == 0 ? 0 : (i % 5) * (i % 5) * 20000 + i;
        for (int k = 0; k < repeats; ++k) data += "<a:pt x=\"" + std::to_string(k * i) + "\"/>";
        const std::string name = "slides/slide" + std::to_string(i) + ".xml";
        expected.emplace_back(name, data);
        package.AddSpooled(name, data);
    }
    package.Commit();
    EXPECT_EQ(ReadZip(dir / "out.zip"), expected);
    // Only the archive is left: the spool file was never visible.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path),
                            std::filesystem::directory_iterator()),
              1);
}

TEST(ZipPackage, AnAbandonedPackageWritesNothing) {
    TempDir dir;
    {
        ZipPackage package;
        package.Create(dir / "out.zip");
        package.AddSpooled("slide.xml", std::string(100000, 'x'));
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.path));
    ZipPackage package;
    try {
        package.Create(dir / "missing/out.zip");
        FAIL() << "created in a missing directory";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.Message(), "Failed to create " + (dir / "missing/out.zip"));
    }
}

}  // namespace
