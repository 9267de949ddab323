// The strings and values of PDF objects as pdfmarks and dvipdfmx's specials write
// them: literal and hexadecimal strings, the value of a key, text strings as UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>

bool IsBlank(char ch);
// A blank or one of PDF's delimiters.
bool IsDelimiter(char ch);
// Reads a string starting at text[at], "(...)" with its escapes or "<hex>"; nothing when
// there is none. `at` moves past it.
std::optional<std::string> ReadPdfString(std::string_view text, std::size_t& at);
// The value of the key `key` ("/Title") in `text`: a string, or a name ("/Name", given
// without its slash). Keys followed by something else (the "/URI" of "/Subtype /URI")
// are passed over.
std::optional<std::string> DictValue(std::string_view text, std::string_view key);
// The named destination a link or bookmark goes to: its /Dest, or its action's /D.
std::optional<std::string> Destination(std::string_view text);
// A PDF text string as UTF-8: UTF-16BE after its byte order mark, else PDFDocEncoding
// (read as Latin-1); control characters go, as XML cannot hold them. At most 4096 bytes.
std::string TextString(const std::string& bytes);
