// Fuzz target: the records of the PostScript interpreter, as hostile PostScript could
// write them, read and drawn on a slide (clipping, gradients, pictures, soft masks); and the same
// bytes as a special, turned into dvips's PostScript, or read as dvipdfmx's (its content
// and objects as PostScript, an image header), without starting an interpreter.
#include <cstdint>
#include <sstream>
#include <string_view>

#include "pdf/ImageFiles.h"
#include "pdf/PdfSpecials.h"
#include "pptx/shapes/SlideShapes.h"
#include "ps/PaintRecords.h"
#include "ps/PostScriptGraphics.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    ChunkReport report = ReadPaintRecords(input, 300);
    PageMasks masks;
    masks.Begin(report.masks);
    SlideShapes shapes;
    for (Paint& paint : report.paints)
        if (masks.Take(paint) == PageMasks::Use::Draw) shapes.Draw(paint);
    shapes.Finish(nullptr);
    shapes.TakePictures();

    static std::ostringstream warnings;
    warnings.str({});
    PostScriptGraphics graphics("/dev/shm/deckgen-fuzz.dvi", 300, 300, 1, warnings,
                                "deckgen-fuzz-no-interpreter");
    std::string failure;
    graphics.Translate(input, failure);

    PdfSpecials pdf("/dev/shm/deckgen-fuzz.dvi", warnings, "deckgen-fuzz-no-pdftops");
    pdf.Read(input, 1, 2, 1);
    pdf.Read("pdf:exobj", 1, 2, 1);
    PdfSpecials::PageSize(input);
    PdfSpecials::FigureOfPsfile(input);
    ReadImageInfo(input);
    return 0;
}
