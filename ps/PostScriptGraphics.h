// The PostScript of a DVI file's specials, given to the interpreter as dvips gives it
// to a printer: its prologue files, the document's headers ("header=" files and "!"
// literals), and for each page the PostScript specials at their places in the
// coordinates dvips sets up for each kind ("ps:", "ps::", '"', "psfile="). The specials
// wait in a queue, which goes to the interpreter in one exchange when what they paint is
// wanted (before TeX sets the next character or rule): it comes back as paints, in the
// order the page's specials come.
//
// The DVI file is not trusted: figure and header files are read only when named by a
// relative path without "..", beside the DVI file or through kpsewhich, and sent on the
// pipe (the interpreter itself opens no file). A special that fails leaves out what it
// paints, with one warning line naming the page and the reason; what follows it is drawn
// as if it had painted nothing. A page keeps at most `maxPagePaints` paints.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "dvi/ColourSpecials.h"
#include "ps/Paint.h"
#include "ps/PaintRecords.h"
#include "ps/PostScriptInterpreter.h"

class PostScriptGraphics {
  public:
    // `dviName`: figure files are looked for beside it. The page is `width` by `height`
    // big points, the document magnified by `magnification` (1 for none).
    PostScriptGraphics(const std::string& dviName, double width, double height,
                       double magnification, std::ostream& warnings, std::string program = "gs",
                       InterpreterLimits limits = {});

    // Whether a special is one of PostScript's.
    static bool IsPostScript(std::string_view special);

    // A header special ("!" or "header="), of those the document has: all are given
    // before the first special, and run before the first page, in their order.
    void Header(std::string_view special);

    // Queues a PostScript special at (h, v), in inches from TeX's origin, on the page
    // numbered `page` (for warnings).
    void Special(std::string_view special, double h, double v, std::uint32_t page);
    // Queues code of another kind of special (PDF content, in procedures a header has
    // defined) to run where the last left off; `isolated` code runs between save and
    // restore.
    void Content(std::string code, bool isolated, std::uint32_t page);
    // Runs the queue: what its specials paint, in order.
    std::vector<Paint> Flush();
    // The transformation (after Flush) from the page's coordinates (dvips's pixels, 600 to the
    // inch, from TeX's origin, y downwards) to those in which TeX's characters and rules are now
    // set, as the page's PostScript left it (pgf sets node text so); null when there is none.
    const Affine* Transform() const { return transformed ? &transform : nullptr; }
    // The constant alpha (after Flush) in which TeX's characters and rules are now set.
    double Alpha() const { return std::max(alpha, 0.0); }
    // Whether they are now set on another device than the page's, so that they are not
    // on the page at all (beamer's covered overlays).
    bool Hidden() const { return alpha < 0; }
    static constexpr double pixelsPerInch = 600;
    static constexpr std::size_t maxPagePaints = 50000;

    // The colour of TeX's colour specials, in which the PostScript that follows paints.
    void Colour(RgbColour colour);
    // The page is over: its PostScript state goes (the queue should have been run).
    void EndPage();

    // The code a special gives the interpreter, and whether it runs isolated (between
    // save and restore); none for a header or a special that cannot run (`failure`
    // tells why).
    struct Code {
        std::string text;
        bool isolated = false;
        bool positioned = false;  // it begins at the current point
    };
    std::optional<Code> Translate(std::string_view special, std::string& failure);

  private:
    // What a chunk is to the page: a special's, or the set-up around the specials.
    enum class Role : std::uint8_t {
        Prologue,   // dvips's prologue files and set-up
        Header,     // one of the document's headers
        PageOpen,   // bop
        PageClose,  // eop
        Colour,     // TeX's colour
        Special,
        Replay,  // run again in a fresh interpreter to bring back the page's state; paints nothing
    };
    struct Pending {
        std::string code;
        bool isolated;
        std::uint32_t page;
        Role role;
    };
    void Queue(std::string code, bool isolated, std::uint32_t page, Role role);
    // Queues what the interpreter's document lacks (prologue files, set-up, headers)
    // and the opening of the page; false when nothing can run.
    bool Ready(std::uint32_t page);
    // Queues the prologue files, the set-up and the headers into `into`; false when
    // dvips's prologue files are missing.
    bool DocumentSetUp(std::vector<Pending>& into, std::uint32_t page);
    // After the chunk `failed` of `batch` failed: a fresh interpreter, brought to the state
    // the chunks before it left, runs `rest` next.
    void Restart(const Pending& failed, std::vector<Pending> rest);
    // Takes in a finished chunk's report: its paints into `paints`, its state.
    void Take(const Pending& chunk, ChunkReport& report, std::vector<Paint>& paints);
    std::optional<std::string> ReadFile(std::string_view name, std::string& failure) const;

    std::string directory;  // of the DVI file, with a trailing '/' (or empty)
    double width, height, magnification;
    std::ostream& warnings;
    PostScriptInterpreter interpreter;
    std::vector<std::string> prologue;  // dvips's prologue files and the set-up
    std::vector<std::string> headers;   // the document's, in order
    bool unavailable = false;           // the interpreter cannot be started, or its time is spent
    bool documentOpen = false, pageOpen = false;  // as the queue leaves them
    std::vector<Pending> queue;
    // The non-isolated chunks the interpreter has run since it opened the page, which a
    // fresh one runs again; the chunk that opened it.
    std::vector<std::string> pageLog;
    std::string pageOpening;
    bool interpreterInPage = false;  // as the chunks run so far leave the interpreter
    Affine transform{1, 0, 0, 1, 0, 0};
    bool transformed = false;
    double alpha = 1;
    RgbColour colour{0, 0, 0};
    std::uint32_t page = 0;                       // of the last special
    std::size_t pagePaints = 0, pageDropped = 0;  // paints kept and left out on the page
    std::size_t pageBlended = 0;                  // paints under other blend modes
    // The page's soft masks by number, as the records give them.
    PageMasks masks;
};
