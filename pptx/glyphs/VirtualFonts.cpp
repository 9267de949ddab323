// Finding, reading and loading virtual fonts.
#include "pptx/glyphs/VirtualFonts.h"

#include <fstream>
#include <iterator>

#include "common/PlainText.h"
#include "fonts/FontFileLookup.h"

namespace {

// VF files are small (PSNFSS's are a few KiB); a larger one is not read.
constexpr std::size_t largestVirtualFont = std::size_t{4} << 20;

}  // namespace

const VirtualFont* VirtualFonts::Read(const TfmFont& font) {
    const auto known = files.find(font.name);
    if (known != files.end()) return known->second.get();
    std::unique_ptr<VirtualFont>& entry = files[font.name];
    // Only a plain name is looked up: a DVI file names its fonts.
    if (font.name.find('/') != std::string::npos) return nullptr;
    const std::string path = FindFontFile(font.name + ".vf");
    if (path.empty()) return nullptr;
    std::ifstream file(path, std::ios::binary);
    std::string bytes;
    char buffer[1 << 14];
    while (file.read(buffer, sizeof buffer) || file.gcount() > 0) {
        bytes.append(buffer, static_cast<std::size_t>(file.gcount()));
        if (bytes.size() > largestVirtualFont) {
            warnings << "Virtual font " << Printable(font.name)
                     << " is larger than 4 MiB: it is drawn from its own font\n";
            return nullptr;
        }
    }
    entry = std::make_unique<VirtualFont>(ReadVirtualFont(bytes, font.name));
    if (entry->checksum != 0 && font.metrics->checksum != 0 &&
        entry->checksum != font.metrics->checksum) {
        warnings << "Virtual font " << Printable(font.name)
                 << " has a checksum other than its TFM file's\n";
    }
    return entry.get();
}

VirtualFonts::Instance* VirtualFonts::Find(const TfmFont& font) {
    // Characters come in runs of one font: the last answer is kept.
    if (&font == last && last->generation == lastLoaded->generation)
        return lastLoaded->instance.get();
    Loaded& loaded = instances[&font];
    last = &font;
    lastLoaded = &loaded;
    if (loaded.generation == font.generation) return loaded.instance.get();
    loaded.generation = font.generation;
    loaded.instance.reset();
    const VirtualFont* file = Read(font);
    if (file == nullptr) return nullptr;
    auto instance = std::make_unique<Instance>();
    instance->font = file;
    instance->scaledSize = font.scaledSize;
    instance->locals.japanese = true;  // pLaTeX's fonts are virtual fonts of JFM fonts
    std::vector<std::string> names;
    for (const VirtualFont::LocalFont& local : file->fonts) names.push_back(local.name);
    const std::vector<std::string> missing = instance->locals.Prefetch(names);
    if (!missing.empty()) {
        warnings << "Virtual font " << Printable(font.name) << " uses " << Printable(missing[0])
                 << ", which has no TFM file: it is drawn from its own font\n";
        files[font.name].reset();
        return nullptr;
    }
    for (const VirtualFont::LocalFont& local : file->fonts) {
        // The local font's size is a fix_word of the virtual font's; its design size a
        // fix_word in points, where DVI counts 2^-16 points.
        const std::int32_t checksum =
            instance->locals.DefineFont(local.number, ScaledDimension(local.scale, font.scaledSize),
                                        local.designSize >> 4, local.name);
        if (checksum != 0 && local.checksum != 0 && checksum != local.checksum) {
            warnings << "Virtual font " << Printable(font.name) << ": the checksum of "
                     << Printable(local.name) << " differs from its TFM file's\n";
        }
    }
    if (!file->fonts.empty()) instance->first = file->fonts.front().number;
    loaded.instance = std::move(instance);
    return loaded.instance.get();
}
