// Ghostscript, started once and fed chunks of PostScript over a pipe: it runs the
// reporting prologue (what is painted is written back as records, see PaintRecords.h)
// with -dSAFER, so that PostScript cannot open files or start programs, under a limit
// on its memory; a chunk that runs too long or writes too much stops the interpreter,
// which starts afresh for the next chunk. Chunks go in batches, each batch one exchange;
// all the document's chunks share one budget of time.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

struct InterpreterLimits {
    int seconds = 20;                                 // for one chunk
    int documentSeconds = 120;                        // for all chunks together
    long memoryKiB = 1L << 20;                        // Ghostscript's -K
    std::size_t reportBytes = std::size_t{64} << 20;  // of one batch's records
};

class PostScriptInterpreter {
  public:
    // `program`: the interpreter's name, found on PATH; the page is `width` by `height`
    // big points.
    PostScriptInterpreter(std::string program, double width, double height,
                          InterpreterLimits limits = {});
    ~PostScriptInterpreter();
    PostScriptInterpreter(const PostScriptInterpreter&) = delete;
    PostScriptInterpreter& operator=(const PostScriptInterpreter&) = delete;

    struct Outcome {
        std::string records;      // up to the chunk's closing line
        std::string failure;      // why the chunk did not finish; empty when it did
        bool notStarted = false;  // the interpreter could not be started
        bool exhausted = false;   // the document's time ran out: no chunk runs any more
    };
    // A chunk of PostScript; an `isolated` one runs between save and restore.
    struct Chunk {
        std::string code;
        bool isolated = false;
    };
    // Runs chunks in order, sent together, starting the interpreter first when it is
    // not running. The outcome of each chunk that finished and, when one did not, a last
    // outcome with its failure: the interpreter is stopped, the chunks after it do not
    // run, and the next call finds a fresh interpreter.
    std::vector<Outcome> Run(const std::vector<Chunk>& chunks);
    // Stops the interpreter: the next call starts a fresh one.
    void Stop();

  private:
    std::string Start();  // the failure, or empty
    std::string BudgetFailure() const;
    bool Exchange(std::string_view message, std::size_t count, std::vector<Outcome>& outcomes);

    std::string program;
    double width, height;
    InterpreterLimits limits;
    std::chrono::steady_clock::duration spent{};  // in exchanges, for the document's budget
    pid_t child = -1;
    int input = -1, output = -1;  // our ends: its standard input and standard output
};
