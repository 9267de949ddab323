// The fuzz input as a file: targets open it by path, as the programs open their
// argument.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

// The input lives in an anonymous in-memory file, opened by path as deckgen opens its
// argument, so the reader seeks in it exactly as in a real file.
inline const std::string& InputPath(const std::uint8_t* data, std::size_t size) {
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
