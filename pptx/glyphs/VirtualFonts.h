// The document's virtual fonts: a DVI font whose VF file kpsewhich finds is drawn from
// the characters of its packets, as dvips draws it, rather than from the font map. Each
// VF file is read once; each DVI font that is one has its local fonts loaded at its size.
#pragma once

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <unordered_map>

#include "fonts/FontTable.h"
#include "fonts/VirtualFont.h"

class VirtualFonts {
  public:
    explicit VirtualFonts(std::ostream& warnings) : warnings(warnings) {}

    // A virtual font at the size of one DVI font (or of a local font of another).
    struct Instance {
        const VirtualFont* font = nullptr;
        std::int32_t scaledSize = 0;  // of the DVI font, in DVI units
        FontTable locals;             // by their numbers in the packets
        std::int32_t first = 0;       // the number of the font a packet starts in
    };
    // The virtual font `font` is, or null when it is none: no VF file, or one whose
    // local fonts have no TFM files (said once).
    Instance* Find(const TfmFont& font);

  private:
    const VirtualFont* Read(const TfmFont& font);

    std::ostream& warnings;
    // By font name; null where there is no usable VF file.
    std::unordered_map<std::string, std::unique_ptr<VirtualFont>> files;
    struct Loaded {
        std::uint32_t generation;
        std::unique_ptr<Instance> instance;  // null when the font is no virtual one
    };
    std::unordered_map<const TfmFont*, Loaded> instances;
    const TfmFont* last = nullptr;
    Loaded* lastLoaded = nullptr;
};
