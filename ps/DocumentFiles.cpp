// Reading the files a DVI file names.
#include "ps/DocumentFiles.h"

#include <fstream>

#include "common/PlainText.h"
#include "fonts/FontFileLookup.h"

std::optional<std::string> Contents(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    std::string contents;
    char buffer[1 << 16];
    while (file.read(buffer, sizeof buffer) || file.gcount() > 0) {
        contents.append(buffer, static_cast<std::size_t>(file.gcount()));
        if (contents.size() > largestDocumentFile) return std::nullopt;
    }
    return contents;
}

bool SafeName(std::string_view name) {
    if (name.empty() || name.front() == '/' || name.front() == '`' || name.size() > 1024)
        return false;
    for (const char ch : name)
        if (ch < 0x21 || ch > 0x7E) return false;
    for (std::size_t start = 0;;) {
        const std::size_t slash = name.find('/', start);
        if (name.substr(start, slash - start) == "..") return false;
        if (slash == std::string_view::npos) return true;
        start = slash + 1;
    }
}

std::optional<std::string> ReadDocumentFile(const std::string& directory, std::string_view name,
                                            std::string& failure) {
    if (!SafeName(name)) {
        failure = "the file name " + Printable(name) + " is not a plain relative one";
        return std::nullopt;
    }
    std::optional<std::string> contents = Contents(directory + std::string(name));
    if (!contents) {
        const std::string found = FindFontFile(std::string(name));
        if (!found.empty()) contents = Contents(found);
    }
    if (!contents) failure = "the file " + Printable(name) + " is not found, or larger than 64 MiB";
    return contents;
}
