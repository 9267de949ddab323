#include "writer/OutputFile.h"

#include <fcntl.h>
#include <unistd.h>

#include "common/Failure.h"

void OutputFile::Create(const std::string& fileName) {
    name = fileName;
    fd = open(fileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    Require(fd >= 0, "Failed to create " + fileName);
}

void OutputFile::Close() {
    if (fd >= 0) close(fd);
    fd = -1;
}

OutputFile& OutputFile::Integer(std::int64_t value) {
    char buffer[24];
    return Text(IntegerText(value, 1, buffer));
}

OutputFile& OutputFile::FourDigits(std::int64_t value) {
    char buffer[24];
    return Text(IntegerText(value, 4, buffer));
}

OutputFile& OutputFile::Hex(std::uint8_t value) {
    static constexpr char hexDigits[] = "0123456789abcdef";
    const char digits[2] = {hexDigits[value >> 4], hexDigits[value & 15]};
    return Text({digits, 2});
}

void OutputFile::FailToWrite() const {
    throw Failure("Failed to write " + name);
}
