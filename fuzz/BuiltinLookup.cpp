// The TFM lookup of the fuzz targets: the built-in fonts are written once into
// anonymous in-memory files, and a lookup answers their paths (/proc/self/fd/N)
// without starting any process or leaving files behind. Other names are not found,
// as kpsewhich would not find them.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <map>

#include "BuiltinFonts.h"
#include "common/Failure.h"
#include "fonts/TfmLookup.h"

namespace {

std::map<std::string, std::string> WriteFonts() {
    std::map<std::string, std::string> paths;
    for (const BuiltinFont& font : BuiltinFonts()) {
        if (font.tfm.empty()) {
            paths[font.name] = "/nonexistent/" + font.name + ".tfm";  // found, cannot be opened
            continue;
        }
        const int fd = memfd_create(font.name.c_str(), MFD_CLOEXEC);
        if (fd < 0 || write(fd, font.tfm.data(), font.tfm.size()) != ssize_t(font.tfm.size())) {
            std::abort();
        }
        paths[font.name] = "/proc/self/fd/" + std::to_string(fd);
    }
    return paths;
}

}  // namespace

std::string FindTfmFile(const std::string& name) {
    static const std::map<std::string, std::string> paths = WriteFonts();
    const auto found = paths.find(name);
    if (found == paths.end()) throw Failure("Failed to find " + name + ".tfm file");
    return found->second;
}

// The built-in files are at hand: nothing is looked up ahead.
std::unordered_map<std::string, std::string> FindTfmFiles(const std::vector<std::string>&) {
    return {};
}
