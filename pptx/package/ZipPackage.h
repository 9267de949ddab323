// The ZIP container of the presentation, written with libzip. Slides are deflated into a
// spool file as they are made (DeflateSpool), so memory does not grow with the page
// count; the archive itself is written at Commit into a temporary file beside the
// target and renamed over it, so a failed run leaves no partial presentation behind.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pptx/package/DeflateSpool.h"

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
    // A part deflated into the spool file; "Failed to write " + name on an error.
    void AddSpooled(std::string partName, std::string data);
    // Writes the archive: the parts kept in memory in the order added, then the spooled
    // parts in the order added. "Failed to write " + name on an error.
    void Commit();

    // A spooled part as libzip reads it: its deflated bytes in the spool file.
    struct SpooledSource {
        int file = -1;
        DeflateSpool::Part part;
        std::uint64_t position = 0;
    };

  private:
    void Fail() const;

    std::string name;
    DeflateSpool spool;
    std::vector<std::pair<std::string, std::string>> memoryParts;  // name, data
    std::vector<std::string> spooledNames;
};
