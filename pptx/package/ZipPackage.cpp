// Writing the presentation's ZIP archive with libzip.
#include "pptx/package/ZipPackage.h"

#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <cerrno>

#include "common/Failure.h"

namespace {

// Every entry gets the same time stamp, so converting the same DVI file twice gives the
// same bytes: 2000-01-01 12:00. It is set as ZIP's DOS date and time fields, in every
// time zone the same; libzip would write a time_t in the machine's local time.
constexpr time_t entryTime = 946728000;
constexpr zip_uint16_t entryDosTime = 12 << 11, entryDosDate = (2000 - 1980) << 9 | 1 << 5 | 1;

// The libzip source of a spooled part. Its stat gives the compression method, sizes and
// CRC, so libzip copies the deflated bytes into the archive as they are.
zip_int64_t ReadSpool(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command) {
    auto& source = *static_cast<ZipPackage::SpooledSource*>(state);
    const DeflateSpool::Part& part = source.part;
    switch (command) {
        case ZIP_SOURCE_OPEN:
            source.position = 0;
            return 0;
        case ZIP_SOURCE_READ: {
            const std::uint64_t wanted =
                std::min<std::uint64_t>(length, part.compressedSize - source.position);
            std::uint64_t done = 0;
            while (done < wanted) {
                const ssize_t got =
                    pread(source.file, static_cast<char*>(data) + done, wanted - done,
                          static_cast<off_t>(part.offset + source.position + done));
                if (got < 0 && errno == EINTR) continue;
                if (got <= 0) return -1;
                done += static_cast<std::uint64_t>(got);
            }
            source.position += done;
            return static_cast<zip_int64_t>(done);
        }
        case ZIP_SOURCE_STAT: {
            if (length < sizeof(zip_stat_t)) return -1;
            auto* stat = static_cast<zip_stat_t*>(data);
            zip_stat_init(stat);
            stat->size = part.size;
            stat->comp_size = part.compressedSize;
            stat->comp_method = ZIP_CM_DEFLATE;
            stat->crc = part.crc;
            stat->mtime = entryTime;
            stat->valid |= ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD |
                           ZIP_STAT_CRC | ZIP_STAT_MTIME;
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

ZipPackage::~ZipPackage() = default;

void ZipPackage::Create(const std::string& fileName) {
    name = fileName;
    if (!spool.Create(name)) throw Failure("Failed to create " + name);
}

void ZipPackage::Add(std::string partName, std::string data) {
    memoryParts.emplace_back(std::move(partName), std::move(data));
}

void ZipPackage::AddSpooled(std::string partName, std::string data) {
    if (!spool.Add(std::move(data))) Fail();
    spooledNames.push_back(std::move(partName));
}

void ZipPackage::Fail() const {
    throw Failure("Failed to write " + name);
}

void ZipPackage::Commit() {
    std::vector<DeflateSpool::Part> spooled;
    if (!spool.Finish(spooled)) Fail();
    std::vector<SpooledSource> sources;
    for (const DeflateSpool::Part& part : spooled) sources.push_back({spool.File(), part, 0});

    int error = 0;
    zip_t* archive = zip_open(name.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (archive == nullptr) Fail();
    const auto add = [&](const std::string& partName, zip_source_t* source) {
        const zip_int64_t index =
            source == nullptr ? -1
                              : zip_file_add(archive, partName.c_str(), source, ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            if (source != nullptr) zip_source_free(source);
            zip_discard(archive);
            Fail();
        }
        zip_file_set_dostime(archive, static_cast<zip_uint64_t>(index), entryDosTime, entryDosDate,
                             0);
        return static_cast<zip_uint64_t>(index);
    };
    for (const auto& [partName, data] : memoryParts) {
        const zip_uint64_t index =
            add(partName, zip_source_buffer(archive, data.data(), data.size(), 0));
        zip_set_file_compression(archive, index, ZIP_CM_DEFLATE, 1);
    }
    for (std::size_t i = 0; i < sources.size(); ++i)
        add(spooledNames[i], zip_source_function(archive, ReadSpool, &sources[i]));

    // libzip writes the archive into a temporary file beside `name` and renames it.
    if (zip_close(archive) != 0) {
        zip_discard(archive);
        Fail();
    }
}
