// The font file lookup of the presentation fuzz target: a built-in font map, written
// once into an anonymous in-memory file, that draws the built-in fonts with cmr10's
// Type 1 outline (plain, slanted and extended, and through an encoding file), and
// cmr10.pfb from TeX Live's usual place when it is installed. No process is started.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>

#include "fonts/FontFileLookup.h"

namespace {

std::string MemoryFile(const std::string& name, const std::string& bytes) {
    const int fd = memfd_create(name.c_str(), MFD_CLOEXEC);
    if (fd < 0 || write(fd, bytes.data(), bytes.size()) != ssize_t(bytes.size())) std::abort();
    return "/proc/self/fd/" + std::to_string(fd);
}

std::map<std::string, std::string> WriteFiles() {
    std::map<std::string, std::string> paths;
    paths["pdftex.map"] = MemoryFile("pdftex.map",
                                     "cmr10 CMR10 <cmr10.pfb\n"
                                     "cmmi10 CMMI10 \" .25 SlantFont 1.5 ExtendFont \" <cmr10.pfb\n"
                                     "fonts/cmr5 CMR5 <[fuzz.enc <cmr10.pfb\n"
                                     "cmbad CMBAD <missing.pfb\n");
    paths["fuzz.enc"] = MemoryFile("fuzz.enc", "/FuzzEncoding [ /A /B /.notdef /nothing ] def\n");
    const std::string cmr10 =
        "/usr/share/texlive/texmf-dist/fonts/type1/public/amsfonts/cm/cmr10.pfb";
    if (std::filesystem::exists(cmr10)) paths["cmr10.pfb"] = cmr10;
    return paths;
}

}  // namespace

void PrefetchFontFiles(const std::vector<std::string>&) {}
void ForgetFontFileLookups() {}

std::string FindConfigFile(const std::string&, const std::string&, const std::string&) {
    return {};
}

std::string FindSystemFontFile(const std::string&) {
    return {};
}

std::string FindFontFile(const std::string& fileName) {
    static const std::map<std::string, std::string> paths = WriteFiles();
    const auto found = paths.find(fileName);
    return found == paths.end() ? std::string() : found->second;
}

// No bitmap fonts: Metafont is not run under the fuzzer.
std::string FindBitmapFont(const std::string&, int) {
    return {};
}
