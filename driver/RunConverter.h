// The command line both programs share: exactly two arguments, the DVI file and the
// output file; otherwise the usage line on standard output and status 0. This is the
// one place where failures are caught: the message goes to standard error exactly as
// raised (no line end is added) and the run ends with status 1.
#pragma once

#include <cstdio>
#include <string>

#include "common/Failure.h"

// Calls convert(dviName, outputName) with the two arguments.
template <typename Convert>
int RunConverter(int argc, char** argv, const char* usage, Convert convert) {
    if (argc != 3) {
        std::fputs(usage, stdout);
        std::fflush(stdout);
        return 0;
    }
    try {
        convert(argv[1], argv[2]);
    } catch (const Failure& failure) {
        const std::string& message = failure.Message();
        std::fwrite(message.data(), 1, message.size(), stderr);
        return 1;
    }
    return 0;
}
