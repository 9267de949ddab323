// deckgen-pptx: converts a DVI file into an Office Open XML presentation (.pptx).
// The one place where failures are caught: the message goes to standard error exactly
// as raised (no line end is added) and the run ends with status 1. The presentation is
// written only when the whole conversion succeeded.
#include <cstdio>
#include <iostream>

#include "common/Failure.h"
#include "pptx/PptxWriter.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("Usage: deckgen-pptx file.dvi file.pptx\n", stdout);
        std::fflush(stdout);
        return 0;
    }
    try {
        PptxWriter writer(argv[1], argv[2], std::cerr);
        writer.Run();
    } catch (const Failure& failure) {
        const std::string& message = failure.Message();
        std::fwrite(message.data(), 1, message.size(), stderr);
        return 1;
    }
    return 0;
}
