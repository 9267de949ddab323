// deckgen-pptx: converts a DVI file into an Office Open XML presentation (.pptx). The
// presentation is written only when the whole conversion succeeded; fonts drawn as
// text instead of outlines, and links left out, are reported on standard error, one
// line each. Options come before the files: "--no-text-layer" leaves the transparent
// text off the slides, "--one-slide-per-page" makes each page a slide of its own (not
// each beamer frame, with its overlays as builds), "--postscript-seconds N" gives all the
// document's PostScript N seconds (120 without it). A command line of any other form gives the
// usage line.
#include <charconv>
#include <iostream>
#include <string_view>

#include "driver/RunConverter.h"
#include "pptx/PptxWriter.h"

namespace {

constexpr char usage[] =
    "Usage: deckgen-pptx [--no-text-layer] [--one-slide-per-page] [--postscript-seconds N] "
    "file.dvi file.pptx\n";

// Reads the options before the files into `options`; false when one is not understood,
// its value missing or not a whole number of seconds from 1 to a day.
bool ReadOptions(int& argc, char**& argv, PptxOptions& options) {
    while (argc > 1 && std::string_view(argv[1]).starts_with("--")) {
        const std::string_view option = argv[1];
        if (option == "--no-text-layer") {
            options.textLayer = false;
        } else if (option == "--one-slide-per-page") {
            options.slidePerPage = true;
        } else if (option == "--postscript-seconds" && argc > 2) {
            const std::string_view value = argv[2];
            int seconds = 0;
            const auto [end, error] = std::from_chars(value.begin(), value.end(), seconds);
            if (error != std::errc() || end != value.end() || seconds < 1 || seconds > 86400)
                return false;
            options.limits.documentSeconds = seconds;
            --argc;
            ++argv;
        } else {
            return false;
        }
        --argc;
        ++argv;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    PptxOptions options;
    if (!ReadOptions(argc, argv, options)) argc = 0;  // the usage line
    return RunConverter(argc, argv, usage, [&options](const char* dviName, const char* pptxName) {
        PptxWriter writer(dviName, pptxName, std::cerr, options);
        writer.Run();
    });
}
