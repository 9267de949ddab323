// The Unicode text of a font's glyphs, found as a PDF writer finds it for the text it
// embeds: the character map read backwards, then the glyph substitutions of OpenType's
// GSUB table followed backwards, so that a ligature stands for its letters and a variant
// (a small capital, an old-style figure) for its base, then the glyph names.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Gives each glyph without text that GSUB makes from glyphs with text (as `texts` has
// them on the call) the text they stand for: a ligature the texts of its components, a
// single or alternate substitute the text of the glyph it replaces. The features'
// lookups are followed in the feature list's order, and the first text found stays.
// `gsub` is the table's bytes, read within their bounds and with bounded work; glyph
// ids beyond `texts` are ignored.
void AddSubstitutionTexts(std::string_view gsub, std::vector<std::string>& texts);
