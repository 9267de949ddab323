#include "writer/LineOutput.h"

#include <unistd.h>

#include <cerrno>

namespace {

// The rest of a line that one write did not take whole (interrupted, or a partial write).
bool WriteRest(int fd, std::string_view bytes, ssize_t written) {
    for (;;) {
        if (written < 0 && errno == EINTR) {
            written = 0;
        } else if (written <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
        if (bytes.empty()) return true;
        written = write(fd, bytes.data(), bytes.size());
    }
}

}  // namespace

bool WriteLine(int fd, std::string_view bytes) {
    if (bytes.empty()) return true;
    const ssize_t written = write(fd, bytes.data(), bytes.size());
    if (written == static_cast<ssize_t>(bytes.size())) return true;
    return WriteRest(fd, bytes, written);
}
