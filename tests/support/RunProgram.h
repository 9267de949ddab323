// Runs one of the shipped programs as a user would, capturing its standard output,
// standard error and exit status.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <vector>

#include "support/TempDir.h"

struct ProgramResult {
    int status;
    std::string out, err;
};

// Runs `program` with `args` (no argument may hold a single quote); its output goes
// through files in `dir`.
inline ProgramResult RunProgram(const char* program, const TempDir& dir,
                                const std::vector<std::string>& args) {
    std::string command = program;
    for (const std::string& arg : args) command += " '" + arg + "'";
    const int status =
        std::system((command + " >" + dir / "stdout" + " 2>" + dir / "stderr").c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, dir.Read("stdout"), dir.Read("stderr")};
}
