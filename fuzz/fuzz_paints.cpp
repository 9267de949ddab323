// Fuzz target: the records of the PostScript interpreter, as hostile PostScript could
// write them, read and drawn on a slide (clipping, gradients, pictures); and the same
// bytes as a special, turned into dvips's PostScript without starting an interpreter.
#include <cstdint>
#include <sstream>
#include <string_view>

#include "pptx/SlideShapes.h"
#include "ps/PaintRecords.h"
#include "ps/PostScriptGraphics.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const ChunkReport report = ReadPaintRecords(input, 300);
    SlideShapes shapes;
    for (const Paint& paint : report.paints) shapes.Draw(paint);
    shapes.Finish(nullptr);
    shapes.TakePictures();

    static std::ostringstream warnings;
    warnings.str({});
    PostScriptGraphics graphics("/dev/shm/deckgen-fuzz.dvi", 300, 300, 1, warnings,
                                "deckgen-fuzz-no-interpreter");
    std::string failure;
    graphics.Translate(input, failure);
    return 0;
}
