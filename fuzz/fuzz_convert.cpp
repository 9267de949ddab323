// Fuzz target: the whole conversion of one DVI file, from its postamble to the last
// slide, with fonts served from the built-in TFM data and the package written to
// /dev/null. A Failure is the converter's orderly refusal of a damaged file; anything
// else (a crash, a sanitizer report, a hang, unbounded memory) is a finding.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/Failure.h"
#include "writer/SlideWriter.h"

namespace {

// The input lives in an anonymous in-memory file, opened by path as deckgen opens its
// argument, so the reader seeks in it exactly as in a real file.
const std::string& InputPath(const std::uint8_t* data, std::size_t size) {
    static const int fd = memfd_create("fuzz.dvi", MFD_CLOEXEC);
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);
    if (fd < 0 || ftruncate(fd, 0) != 0) std::abort();
    for (std::size_t done = 0; done < size;) {
        const ssize_t n = pwrite(fd, data + done, size - done, static_cast<off_t>(done));
        if (n <= 0) std::abort();
        done += static_cast<std::size_t>(n);
    }
    return path;
}

constexpr std::uint8_t post = 248, postPost = 249, trailer = 223;

std::uint32_t Get32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        SlideWriter writer(InputPath(data, size), "/dev/null");
        writer.Run();
    } catch (const Failure&) {
    }
    return 0;
}

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
