// Fuzz target: the whole presentation conversion of one DVI file, with TFM files from
// the built-in data, the built-in font map drawing them with cmr10's Type 1 outlines,
// and the package written to an in-memory file system; PostScript specials are left out
// (fuzz_paints covers what the interpreter reports). A Failure is the orderly
// refusal of a damaged file; anything else is a finding.
#include <unistd.h>

#include <cstdint>
#include <ostream>
#include <streambuf>

#include "FuzzInput.h"
#include "common/Failure.h"
#include "pptx/PptxWriter.h"

namespace {

// Warnings about fonts without outlines go nowhere.
struct NullBuffer : std::streambuf {
    int overflow(int c) override { return c; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static NullBuffer nothing;
    static std::ostream warnings(&nothing);
    static const std::string output = "/dev/shm/deckgen-fuzz-" + std::to_string(getpid()) + ".pptx";
    try {
        // PostScript specials find no interpreter: the fuzzer starts no process.
        PptxOptions options;
        options.interpreter = "deckgen-fuzz-no-interpreter";
        PptxWriter writer(InputPath(data, size), output, warnings, options);
        writer.Run();
    } catch (const Failure&) {
    }
    unlink(output.c_str());
    return 0;
}
