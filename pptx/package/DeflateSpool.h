// A spool file of deflated parts. Parts are compressed (raw deflate, as ZIP stores it)
// by worker threads, one per processor, while the caller goes on making the next one,
// and appended to an unlinked temporary file; at most a few parts wait in memory, so
// memory does not grow with the number of parts.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class DeflateSpool {
  public:
    // Where a part's compressed bytes are, and what ZIP records about it.
    struct Part {
        std::uint64_t offset = 0;          // in the spool file
        std::uint64_t compressedSize = 0;  // deflated bytes
        std::uint64_t size = 0;            // bytes before compression
        std::uint32_t crc = 0;             // CRC-32 of the bytes before compression
    };

    DeflateSpool() = default;
    DeflateSpool(const DeflateSpool&) = delete;
    DeflateSpool& operator=(const DeflateSpool&) = delete;
    ~DeflateSpool();

    // Creates the spool file beside `name` (the archive to be written); false when it
    // cannot be created.
    bool Create(const std::string& name);
    // Queues a part; waits while the workers are busy with enough parts already.
    // False once a worker has failed to write the spool file.
    bool Add(std::string data);
    // Waits for every part and stops the workers. The parts, in the order added; false
    // when one could not be written.
    bool Finish(std::vector<Part>& parts);
    // The spool file, for reading the parts back.
    int File() const { return file; }

  private:
    void Work();
    void Stop();

    int file = -1;
    std::vector<std::thread> workers;
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::pair<std::size_t, std::string>> queue;  // part index, data
    std::vector<Part> done;
    std::uint64_t fileSize = 0;
    std::size_t waitingLimit = 1;
    bool stopping = false;
    bool failed = false;
};
