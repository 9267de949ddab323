// The floor of a converter that hands every output line to the operating system with
// one write() call: given an MHT file that deckgen produced, it first reads the
// length of every line (the line feed included), then creates an output file and
// writes the same number of lines of the same lengths, one write() each, and prints
// the time of that writing phase (create, writes, close) in seconds.
//
// Usage: floor reference.mht output-file
//
// The bytes written are a filler, not the reference's text: a single buffer as long
// as the longest line holds the filler followed by a line feed, and a line of length
// L is its last L bytes. No formatting or copying is done between the writes.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

bool ReadLineLengths(const char* fileName, std::vector<std::uint32_t>& lengths) {
    const int fd = open(fileName, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    std::vector<char> block(1 << 20);
    std::uint64_t current = 0;
    for (;;) {
        const ssize_t got = read(fd, block.data(), block.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            close(fd);
            return false;
        }
        if (got == 0) break;
        const char* p = block.data();
        const char* const end = p + got;
        while (p < end) {
            const char* lf = static_cast<const char*>(std::memchr(p, '\n', std::size_t(end - p)));
            if (!lf) {
                current += std::uint64_t(end - p);
                break;
            }
            current += std::uint64_t(lf - p) + 1;
            lengths.push_back(static_cast<std::uint32_t>(current));
            current = 0;
            p = lf + 1;
        }
    }
    if (current > 0) lengths.push_back(static_cast<std::uint32_t>(current));  // no final LF
    close(fd);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("Usage: floor reference.mht output-file\n", stderr);
        return 2;
    }
    std::vector<std::uint32_t> lengths;
    lengths.reserve(1 << 21);
    if (!ReadLineLengths(argv[1], lengths)) {
        std::fprintf(stderr, "floor: cannot read %s\n", argv[1]);
        return 1;
    }
    std::uint32_t longest = 1;
    std::uint64_t total = 0;
    for (const std::uint32_t length : lengths) {
        if (length > longest) longest = length;
        total += length;
    }
    std::vector<char> filler(longest, 'x');
    filler.back() = '\n';
    const char* const fillerEnd = filler.data() + filler.size();

    const auto start = std::chrono::steady_clock::now();
    const int fd = open(argv[2], O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        std::fprintf(stderr, "floor: cannot create %s\n", argv[2]);
        return 1;
    }
    for (const std::uint32_t length : lengths) {
        const char* line = fillerEnd - length;
        for (std::size_t done = 0; done < length;) {
            const ssize_t written = write(fd, line + done, length - done);
            if (written < 0 && errno == EINTR) continue;
            if (written <= 0) {
                std::fprintf(stderr, "floor: cannot write %s\n", argv[2]);
                return 1;
            }
            done += std::size_t(written);
        }
    }
    close(fd);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    // seconds, lines, bytes
    std::printf("%.6f %zu %llu\n", elapsed.count(), lengths.size(), static_cast<unsigned long long>(total));
    return 0;
}
