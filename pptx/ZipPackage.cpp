// Writing the presentation's ZIP archive with libzip.
#include "pptx/ZipPackage.h"

#include <fcntl.h>
#include <unistd.h>
#include <zip.h>

#include <cerrno>

#include "common/Failure.h"

namespace {

// Every entry gets the same time stamp, so converting the same DVI file twice gives the
// same bytes: 2000-01-01 12:00 UTC.
constexpr time_t entryTime = 946728000;

// The libzip source of a spooled part: reads its range of the spool file.
zip_int64_t ReadSpool(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command) {
    auto& range = *static_cast<ZipPackage::SpoolRange*>(state);
    switch (command) {
        case ZIP_SOURCE_OPEN:
            range.position = 0;
            return 0;
        case ZIP_SOURCE_READ: {
            const std::uint64_t wanted =
                std::min<std::uint64_t>(length, range.size - range.position);
            std::uint64_t done = 0;
            while (done < wanted) {
                const ssize_t got = pread(range.fd, static_cast<char*>(data) + done, wanted - done,
                                          static_cast<off_t>(range.offset + range.position + done));
                if (got < 0 && errno == EINTR) continue;
                if (got <= 0) return -1;
                done += static_cast<std::uint64_t>(got);
            }
            range.position += done;
            return static_cast<zip_int64_t>(done);
        }
        case ZIP_SOURCE_STAT: {
            if (length < sizeof(zip_stat_t)) return -1;
            auto* stat = static_cast<zip_stat_t*>(data);
            zip_stat_init(stat);
            stat->size = range.size;
            stat->mtime = entryTime;
            stat->valid |= ZIP_STAT_SIZE | ZIP_STAT_MTIME;
            return sizeof(zip_stat_t);
        }
        case ZIP_SOURCE_ERROR: {
            zip_error_t error;
            zip_error_init_with_code(&error, ZIP_ER_READ);
            const zip_int64_t size = zip_error_to_data(&error, data, length);
            zip_error_fini(&error);
            return size;
        }
        case ZIP_SOURCE_CLOSE:
        case ZIP_SOURCE_FREE:
            return 0;
        case ZIP_SOURCE_SUPPORTS:
            return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ,
                                                  ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                                  ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
        default:
            return -1;
    }
}

}  // namespace

ZipPackage::~ZipPackage() {
    if (spool >= 0) close(spool);
}

void ZipPackage::Create(const std::string& fileName) {
    name = fileName;
    // The spool file lives beside the target, on the disk the archive will be written
    // to, and is unlinked at once: nothing is left behind however the run ends.
    std::string pattern = name + ".XXXXXX";
    spool = mkostemp(pattern.data(), O_CLOEXEC);
    if (spool < 0) throw Failure("Failed to create " + name);
    unlink(pattern.c_str());
}

void ZipPackage::Add(std::string partName, std::string data) {
    memoryParts.push_back(Part{std::move(partName), std::move(data), {}});
}

void ZipPackage::AddSpooled(std::string partName, std::string_view data) {
    const SpoolRange range{spool, spoolSize, data.size(), 0};
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t wrote = write(spool, data.data() + done, data.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) Fail();
        done += static_cast<std::size_t>(wrote);
    }
    spoolSize += data.size();
    spooledParts.push_back(Part{std::move(partName), {}, range});
}

void ZipPackage::Fail() const {
    throw Failure("Failed to write " + name);
}

void ZipPackage::Commit() {
    int error = 0;
    zip_t* archive = zip_open(name.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (archive == nullptr) Fail();

    const auto add = [&](const Part& part, zip_source_t* source) {
        const zip_int64_t index =
            source == nullptr ? -1
                              : zip_file_add(archive, part.name.c_str(), source, ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            if (source != nullptr) zip_source_free(source);
            zip_discard(archive);
            Fail();
        }
        zip_file_set_mtime(archive, static_cast<zip_uint64_t>(index), entryTime, 0);
        // Deflate at its fastest level: slides are long runs of similar path markup,
        // which level 1 already shrinks about sixfold, while libzip's default (9) takes
        // fifteen times as long for a third less.
        zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 1);
    };
    for (const Part& part : memoryParts)
        add(part, zip_source_buffer(archive, part.data.data(), part.data.size(), 0));
    for (Part& part : spooledParts) add(part, zip_source_function(archive, ReadSpool, &part.range));

    // libzip writes the archive into a temporary file beside `name` and renames it.
    if (zip_close(archive) != 0) {
        zip_discard(archive);
        Fail();
    }
}
