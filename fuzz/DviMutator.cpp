// The custom mutator of the DVI fuzz targets, which keeps mutated files readable
// beyond their postamble.
#include <cstdint>
#include <cstring>

namespace {

constexpr std::uint8_t post = 248, postPost = 249, trailer = 223;

std::uint32_t Get32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

}  // namespace

// Most mutations insert or remove bytes, which moves the postamble away from where the
// trailer's pointer says it starts, and the file is then refused before any page is
// read. After each mutation, when the trailer is intact but its pointer misses, it is
// aimed at the last post byte that leaves room for a postamble before the trailer.
// A postamble's page count costs one line of output per page declared whatever the
// file holds, up to 65535, which makes an input some hundred times slower and reaches
// no new code; mutated counts above 32 are cut to their low five bits. One mutation in
// eight is left as it came. The repaired input is what is stored, so every saved input
// reproduces by itself.
extern "C" std::size_t LLVMFuzzerMutate(std::uint8_t* data, std::size_t size, std::size_t maxSize);

extern "C" std::size_t LLVMFuzzerCustomMutator(std::uint8_t* data, std::size_t size,
                                               std::size_t maxSize, unsigned int seed) {
    size = LLVMFuzzerMutate(data, size, maxSize);
    if (seed % 8 == 0) return size;
    std::size_t id = size;
    while (id > 0 && data[id - 1] == trailer) --id;
    if (id < 6 || size - id < 3) return size;
    const std::size_t postPostAt = id - 1 - 5;
    if (data[postPostAt] != postPost) return size;
    std::uint32_t q = Get32(data + postPostAt + 1);
    if (q >= postPostAt || data[q] != post) {
        for (std::size_t p = postPostAt >= 28 ? postPostAt - 28 : 0; p-- > 0;) {
            if (data[p] == post) {
                q = static_cast<std::uint32_t>(p);
                const std::uint8_t bytes[4] = {std::uint8_t(q >> 24), std::uint8_t(q >> 16),
                                               std::uint8_t(q >> 8), std::uint8_t(q)};
                std::memcpy(data + postPostAt + 1, bytes, 4);
                break;
            }
        }
    }
    // The page count t is the postamble's last two bytes before its font definitions.
    if (q < postPostAt && data[q] == post && q + 29 <= postPostAt) {
        const unsigned pages = data[q + 27] << 8 | data[q + 28];
        if (pages > 32) {
            data[q + 27] = 0;
            data[q + 28] = static_cast<std::uint8_t>(pages & 31);
        }
    }
    return size;
}
