// deckgen-pptx: converts a DVI file into an Office Open XML presentation (.pptx). The
// presentation is written only when the whole conversion succeeded; fonts drawn as
// text instead of outlines, and links left out, are reported on standard error, one
// line each. "--no-text-layer" first leaves the transparent text off the slides.
#include <cstring>
#include <iostream>

#include "driver/RunConverter.h"
#include "pptx/PptxWriter.h"

int main(int argc, char** argv) {
    const bool textLayer = !(argc > 1 && std::strcmp(argv[1], "--no-text-layer") == 0);
    if (!textLayer) {
        --argc;
        ++argv;
    }
    return RunConverter(argc, argv, "Usage: deckgen-pptx [--no-text-layer] file.dvi file.pptx\n",
                        [textLayer](const char* dviName, const char* pptxName) {
                            PptxWriter writer(dviName, pptxName, std::cerr, textLayer);
                            writer.Run();
                        });
}
