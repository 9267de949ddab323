// Whether a program the tests need runs here.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <sstream>
#include <string>

// Whether `program` is an executable file in a folder on PATH.
inline bool OnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    for (std::istringstream folders(path ? path : "");;) {
        std::string folder;
        if (!std::getline(folders, folder, ':')) return false;
        if (access((folder + "/" + program).c_str(), X_OK) == 0) return true;
    }
}
