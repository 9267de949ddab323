// The package's number format: a double as printf's %.14g writes it, with an exponent
// of at least three digits (1.52e-005), independent of locale and stream state.
#pragma once

#include <string>

void AppendNumber(std::string& text, double value);
