// The PostScript that Ghostscript runs first: the painting operators redefined to
// report what they paint (the records of PaintRecords.h), and the loop that reads and
// runs the chunks of PostScript that follow on its input.
#pragma once

#include <string_view>

extern const std::string_view reportingPrologue;
