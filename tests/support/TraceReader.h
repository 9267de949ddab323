// A DVI reader that writes one line per callback, so tests compare the interpreter's
// events with an expected trace, without any output format in the way.
#pragma once

#include <memory>
#include <sstream>
#include <string>

#include "common/Failure.h"
#include "dvi/DviReader.h"

class TraceReader : public DviReader {
  public:
    // Opens the DVI bytes and walks the pages; returns the trace, or the trace so far
    // followed by "failure: " and the message.
    static std::string Run(const std::string& dvi) {
        TraceReader reader;
        try {
            reader.Open(std::make_unique<std::istringstream>(dvi));
            reader.ReadPages();
        } catch (const Failure& failure) {
            reader.trace << "failure: " << failure.Message();
        }
        return reader.trace.str();
    }

  protected:
    void OnSpecial(std::string text) override { trace << "special '" << text << "'\n"; }
    void OnChar(std::int32_t c) override {
        trace << "char " << c << " h=" << h << " v=" << v << "\n";
    }
    void OnRule(std::int32_t a, std::int32_t b) override {
        trace << "rule " << a << "x" << b << " h=" << h << " v=" << v << "\n";
    }
    void OnBeginPage(std::int32_t n) override { trace << "begin " << n << "\n"; }
    void OnEndPage(std::int32_t n) override {
        trace << "end " << n << " h=" << h << " v=" << v << " box=" << minH << "," << maxH << ","
              << minV << "," << maxV << "\n";
    }

    std::ostringstream trace;
};
