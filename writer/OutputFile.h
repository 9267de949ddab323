// The package's output: text is gathered into one reusable line buffer and every
// line is handed to the operating system with one write as soon as it ends, so a run
// that stops early keeps every line written so far.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "writer/NumberFormat.h"

class OutputFile {
public:
    OutputFile() { line.reserve(1024); }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile() { Close(); }

    // Creates the file, or cuts an existing one to zero length.
    void Create(const std::string& fileName);
    void Close();

    OutputFile& Text(std::string_view text) {
        line.append(text);
        return *this;
    }
    OutputFile& Number(double value) {
        AppendNumber(line, value);
        return *this;
    }
    OutputFile& Integer(std::int64_t value);
    // An integer padded on the left with '0' to four characters; longer ones whole.
    OutputFile& FourDigits(std::int64_t value);
    // Two lower-case hexadecimal digits.
    OutputFile& Hex(std::uint8_t value);
    // Ends the line with LF and writes it out.
    void EndLine();

private:
    std::string name;
    std::string line;
    int fd = -1;
};
