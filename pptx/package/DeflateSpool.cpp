// Compressing parts in worker threads into the spool file.
#include "pptx/package/DeflateSpool.h"

#include <fcntl.h>
#include <libdeflate.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

namespace {

// The fastest level: slides are long runs of similar path markup, which level 1
// already shrinks about sixfold.
constexpr int compressionLevel = 1;

bool WriteAll(int fd, const char* data, std::size_t size, std::uint64_t offset) {
    while (size > 0) {
        const ssize_t wrote = pwrite(fd, data, size, static_cast<off_t>(offset));
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return false;
        data += wrote;
        size -= static_cast<std::size_t>(wrote);
        offset += static_cast<std::uint64_t>(wrote);
    }
    return true;
}

}  // namespace

DeflateSpool::~DeflateSpool() {
    Stop();
    if (file >= 0) close(file);
}

bool DeflateSpool::Create(const std::string& name) {
    // Beside the archive, on the disk it will be written to, and unlinked at once:
    // nothing is left behind however the run ends.
    std::string pattern = name + ".XXXXXX";
    file = mkostemp(pattern.data(), O_CLOEXEC);
    if (file < 0) return false;
    unlink(pattern.c_str());

    const unsigned processors = std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
    waitingLimit = processors;
    for (unsigned i = 0; i < processors; ++i) workers.emplace_back(&DeflateSpool::Work, this);
    return true;
}

bool DeflateSpool::Add(std::string data) {
    std::unique_lock lock(mutex);
    changed.wait(lock, [&] { return queue.size() < waitingLimit || failed; });
    if (failed) return false;
    queue.emplace_back(done.size(), std::move(data));
    done.emplace_back();
    changed.notify_all();
    return true;
}

bool DeflateSpool::Finish(std::vector<Part>& parts) {
    Stop();
    parts = std::move(done);
    return !failed;
}

void DeflateSpool::Stop() {
    {
        std::lock_guard lock(mutex);
        stopping = true;
    }
    changed.notify_all();
    for (std::thread& worker : workers) worker.join();
    workers.clear();
}

void DeflateSpool::Work() {
    libdeflate_compressor* compressor = libdeflate_alloc_compressor(compressionLevel);
    std::vector<char> compressed;
    for (;;) {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return !queue.empty() || stopping; });
        if (queue.empty()) break;
        auto [index, data] = std::move(queue.front());
        queue.pop_front();
        changed.notify_all();  // room in the queue
        lock.unlock();

        std::size_t size = 0;
        if (compressor != nullptr) {
            compressed.resize(libdeflate_deflate_compress_bound(compressor, data.size()));
            size = libdeflate_deflate_compress(compressor, data.data(), data.size(),
                                               compressed.data(), compressed.size());
        }
        const std::uint32_t crc = libdeflate_crc32(0, data.data(), data.size());

        lock.lock();
        const std::uint64_t offset = fileSize;
        fileSize += size;
        lock.unlock();
        // The range is this worker's alone: the write needs no lock.
        const bool written = size > 0 && WriteAll(file, compressed.data(), size, offset);

        lock.lock();
        done[index] = Part{offset, size, data.size(), crc};
        if (!written) failed = true;
        changed.notify_all();
    }
    if (compressor != nullptr) libdeflate_free_compressor(compressor);
}
