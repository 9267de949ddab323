// The TFM lookup of the fuzz targets: the built-in fonts are written once into a
// directory of their own, and a lookup answers their paths without starting any
// process. Other names are not found, as kpsewhich would not find them.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

#include "BuiltinFonts.h"
#include "common/Failure.h"
#include "fonts/TfmLookup.h"

namespace {

struct FontDirectory {
    FontDirectory() {
        char pattern[] = "/tmp/deckgen-fuzz-fonts-XXXXXX";
        const char* made = mkdtemp(pattern);
        if (!made) std::abort();
        dir = made;
        for (const BuiltinFont& font : BuiltinFonts()) {
            // Area bytes become a subdirectory of the file name, as on a real disk.
            const std::filesystem::path file = dir / (font.name + ".tfm");
            paths[font.name] = file.string();
            if (font.tfm.empty()) continue;
            std::filesystem::create_directories(file.parent_path());
            std::ofstream(file, std::ios::binary) << font.tfm;
        }
    }
    ~FontDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }

    std::filesystem::path dir;
    std::map<std::string, std::string> paths;
};

}  // namespace

std::string FindTfmFile(const std::string& name) {
    static const FontDirectory fonts;
    const auto found = fonts.paths.find(name);
    if (found == fonts.paths.end()) throw Failure("Failed to find " + name + ".tfm file");
    return found->second;
}
