// The ZIP container of the presentation, written with libzip. Slides are appended to a
// spool file as they are made, so memory does not grow with the page count; the
// archive itself is written at Commit into a temporary file beside the target and
// renamed over it, so a failed run leaves no partial presentation behind.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class ZipPackage {
  public:
    ZipPackage() = default;
    ZipPackage(const ZipPackage&) = delete;
    ZipPackage& operator=(const ZipPackage&) = delete;
    ~ZipPackage();

    // Prepares to write the archive `name`: fails with "Failed to create " + name
    // when no file can be made beside it.
    void Create(const std::string& name);
    // A part kept in memory until Commit.
    void Add(std::string partName, std::string data);
    // A part appended to the spool file now; "Failed to write " + name on an error.
    void AddSpooled(std::string partName, std::string_view data);
    // Writes the archive: the parts kept in memory in the order added, then the spooled
    // parts in the order added. "Failed to write " + name on an error.
    void Commit();

    // A spooled part: where its bytes are in the spool file.
    struct SpoolRange {
        int fd = -1;
        std::uint64_t offset = 0, size = 0, position = 0;
    };

  private:
    struct Part {
        std::string name;
        std::string data;  // for a part in memory
        SpoolRange range;  // for a spooled part
    };
    void Fail() const;

    std::string name;
    int spool = -1;
    std::uint64_t spoolSize = 0;
    std::vector<Part> memoryParts, spooledParts;
};
