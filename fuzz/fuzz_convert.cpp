// Fuzz target: the whole conversion of one DVI file, from its postamble to the last
// slide, with fonts served from the built-in TFM data and the package written to
// /dev/null. A Failure is the converter's orderly refusal of a damaged file; anything
// else (a crash, a sanitizer report, a hang, unbounded memory) is a finding.
#include <cstdint>

#include "FuzzInput.h"
#include "common/Failure.h"
#include "writer/SlideWriter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        SlideWriter writer(InputPath(data, size), "/dev/null");
        writer.Run();
    } catch (const Failure&) {
    }
    return 0;
}
