// deckgen: converts a DVI file into a presentation saved as an MHT web archive.
// The one place where failures are caught: the message goes to standard error exactly
// as raised (no line end is added) and the run ends with status 1.
#include <cstdio>

#include "common/Failure.h"
#include "writer/SlideWriter.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("Usage: deckgen file.dvi file.mht\n", stdout);
        std::fflush(stdout);
        return 0;
    }
    try {
        SlideWriter writer(argv[1], argv[2]);
        writer.Run();
    } catch (const Failure& failure) {
        const std::string& message = failure.Message();
        std::fwrite(message.data(), 1, message.size(), stderr);
        return 1;
    }
    return 0;
}
