// Reading a ZIP archive back with libzip, which checks each entry's CRC as it reads.
#pragma once

#include <gtest/gtest.h>
#include <zip.h>

#include <string>
#include <utility>
#include <vector>

// The parts of a ZIP archive, in archive order.
inline std::vector<std::pair<std::string, std::string>> ReadZip(const std::string& path) {
    std::vector<std::pair<std::string, std::string>> parts;
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
    EXPECT_NE(archive, nullptr) << path;
    if (archive == nullptr) return parts;
    for (zip_int64_t i = 0; i < zip_get_num_entries(archive, 0); ++i) {
        zip_stat_t stat;
        zip_stat_index(archive, static_cast<zip_uint64_t>(i), 0, &stat);
        std::string data(stat.size, '\0');
        zip_file_t* file = zip_fopen_index(archive, static_cast<zip_uint64_t>(i), 0);
        EXPECT_EQ(zip_fread(file, data.data(), data.size()), zip_int64_t(data.size()));
        zip_fclose(file);
        parts.emplace_back(stat.name, data);
    }
    zip_close(archive);
    return parts;
}
