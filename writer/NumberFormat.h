// The package's number format: a double as printf's %.14g writes it, with an exponent
// of at least three digits (1.52e-005), independent of locale and stream state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

void AppendNumber(std::string& text, double value);

// The same, written at `out`; returns the end. The text is at most maxNumberLength
// bytes, and so is the room used: the bytes between the end and out + maxNumberLength
// may be overwritten (the digits are placed with fixed-size copies).
constexpr std::size_t maxNumberLength = 32;
char* WriteNumber(char* out, double value);

// Writes the decimal digits of `value`, padded on the left with '0' to `minDigits`
// (at most 20); returns the end.
char* WriteInteger(char* out, std::uint64_t value, int minDigits);

// An integer as the package's number fields write it, padded on the left with '0' to
// `minDigits` characters (before the sign, as in a right-aligned stream field).
std::string_view IntegerText(std::int64_t value, int minDigits, char (&buffer)[24]);
