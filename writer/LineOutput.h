// Hands the package's lines to the operating system. The converter links the real
// write; tools that must not spend a system call per line (fuzz targets) link their own.
#pragma once

#include <string_view>

// Writes all of `bytes` to the file descriptor; false when they cannot be written.
bool WriteLine(int fd, std::string_view bytes);
