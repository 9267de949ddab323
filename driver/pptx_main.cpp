// deckgen-pptx: converts a DVI file into an Office Open XML presentation (.pptx). The
// presentation is written only when the whole conversion succeeded; fonts drawn as
// text instead of outlines are reported on standard error, one line each.
#include <iostream>

#include "driver/RunConverter.h"
#include "pptx/PptxWriter.h"

int main(int argc, char** argv) {
    return RunConverter(argc, argv, "Usage: deckgen-pptx file.dvi file.pptx\n",
                        [](const char* dviName, const char* pptxName) {
                            PptxWriter writer(dviName, pptxName, std::cerr);
                            writer.Run();
                        });
}
