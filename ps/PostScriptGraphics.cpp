// dvips's ways with PostScript specials, for the interpreter.
#include "ps/PostScriptGraphics.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "common/PlainText.h"
#include "fonts/FontFileLookup.h"
#include "ps/DocumentFiles.h"
#include "ps/PaintRecords.h"

namespace {

// dvips's resolution: its positions count in pixels of this many to the inch.
constexpr double resolution = PostScriptGraphics::pixelsPerInch;
// The keys of a psfile special, each a number given to dvips's procedure of its name.
constexpr std::string_view figureKeys[] = {"hoffset", "voffset", "hsize", "vsize", "hscale",
                                           "vscale",  "angle",   "llx",   "lly",   "urx",
                                           "ury",     "rwi",     "rhi"};

std::string Fixed(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.3f", value);
    return text;
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// A DOS EPS binary file keeps only its PostScript section.
void KeepPostScriptSection(std::string& contents) {
    constexpr std::string_view dosMagic = "\xC5\xD0\xD3\xC6";
    if (contents.size() < 30 || !std::string_view(contents).starts_with(dosMagic)) return;
    const auto word = [&](std::size_t at) {
        std::uint32_t value = 0;
        for (int i = 3; i >= 0; --i)
            value =
                value << 8 | static_cast<unsigned char>(contents[at + static_cast<std::size_t>(i)]);
        return std::size_t{value};
    };
    const std::size_t start = word(4), length = word(8);
    if (start > contents.size() || length > contents.size() - start) {
        contents.clear();
        return;
    }
    contents = contents.substr(start, length);
}

}  // namespace

PostScriptGraphics::PostScriptGraphics(const std::string& dviName, double width, double height,
                                       double magnification, std::ostream& warnings,
                                       std::string program, InterpreterLimits limits)
    : width(width),
      height(height),
      magnification(magnification),
      warnings(warnings),
      interpreter(std::move(program), width, height, limits) {
    const std::size_t slash = dviName.rfind('/');
    if (slash != std::string::npos) directory = dviName.substr(0, slash + 1);
}

bool PostScriptGraphics::IsPostScript(std::string_view special) {
    const auto starts = [&](std::string_view prefix) {
        return special.size() >= prefix.size() &&
               std::equal(prefix.begin(), prefix.end(), special.begin(), [](char a, char b) {
                   return a == std::tolower(static_cast<unsigned char>(b));
               });
    };
    return special.starts_with("ps:") || special.starts_with('"') || special.starts_with('!') ||
           starts("header=") || starts("psfile=");
}

std::optional<std::string> PostScriptGraphics::ReadFile(std::string_view name,
                                                        std::string& failure) const {
    std::optional<std::string> contents = ReadDocumentFile(directory, name, failure);
    if (contents) KeepPostScriptSection(*contents);
    return contents;
}

std::optional<PostScriptGraphics::Code> PostScriptGraphics::Translate(std::string_view special,
                                                                      std::string& failure) {
    if (!IsPostScript(special)) return std::nullopt;
    // The forms of "ps:", longest first: "ps::[begin]" starts at the current point,
    // as "ps:" does; the others continue where the last left off.
    if (special.starts_with("ps::[begin]"))
        return Code{std::string(special.substr(11)), false, true};
    if (special.starts_with("ps::[end]")) return Code{std::string(special.substr(9)), false, false};
    if (special.starts_with("ps::[nobreak]"))
        return Code{std::string(special.substr(13)), false, false};
    if (special.starts_with("ps::")) return Code{std::string(special.substr(4)), false, false};
    if (special.starts_with("ps:")) {
        const std::string_view text = Trimmed(special.substr(3));
        if (text.starts_with("plotfile ")) {
            std::optional<std::string> file = ReadFile(Trimmed(text.substr(9)), failure);
            if (!file) return std::nullopt;
            return Code{std::move(*file), false, true};
        }
        return Code{std::string(special.substr(3)), false, true};
    }
    if (special.starts_with('"')) {
        return Code{
            "@beginspecial @setspecial\n" + std::string(special.substr(1)) + "\n@endspecial", true,
            true};
    }
    if (special.starts_with('!') || std::tolower(static_cast<unsigned char>(special[0])) == 'h')
        return std::nullopt;  // a header, run before the first page
    // psfile=name key=value ...: the file at the current point, scaled, offset and
    // clipped as the keys say.
    std::string_view rest = Trimmed(special.substr(7));
    std::string_view name;
    if (rest.starts_with('"')) {
        const std::size_t close = rest.find('"', 1);
        name = rest.substr(1, close == std::string_view::npos ? close : close - 1);
        rest = close == std::string_view::npos ? std::string_view() : rest.substr(close + 1);
    } else {
        name = rest.substr(0, rest.find(' '));
        rest.remove_prefix(name.size());
    }
    std::string text = "@beginspecial";
    for (rest = Trimmed(rest); !rest.empty(); rest = Trimmed(rest)) {
        const std::string_view word = rest.substr(0, rest.find(' '));
        rest.remove_prefix(word.size());
        const std::size_t equals = word.find('=');
        const std::string_view key = word.substr(0, equals);
        if (equals == std::string_view::npos) {
            if (key == "clip") text += " @clip";
            continue;
        }
        double value = 0;
        const std::string_view number = word.substr(equals + 1);
        const auto [end, error] =
            std::from_chars(number.data(), number.data() + number.size(), value);
        if (error != std::errc() || end != number.data() + number.size() || !std::isfinite(value))
            continue;
        for (const std::string_view known : figureKeys) {
            if (key == known) text += ' ' + Fixed(value) + " @" + std::string(key);
        }
    }
    std::optional<std::string> file = ReadFile(name, failure);
    if (!file) return std::nullopt;
    return Code{text + " @setspecial\n" + *file + "\n@endspecial", true, true};
}

void PostScriptGraphics::Header(std::string_view special) {
    if (special.starts_with('!')) {
        headers.push_back("TeXDict begin @defspecial\n" + std::string(special.substr(1)) +
                          "\n@fedspecial end");
        return;
    }
    std::string failure;
    std::optional<std::string> file = ReadFile(Trimmed(special.substr(7)), failure);
    if (file) {
        headers.push_back(std::move(*file));
    } else {
        warnings << "PostScript header left out: " << failure << '\n';
    }
}

void PostScriptGraphics::Queue(std::string code, bool isolated, std::uint32_t at, Role role) {
    queue.push_back(Pending{std::move(code), isolated, at, role});
}

std::vector<Paint> PostScriptGraphics::Flush() {
    std::vector<Paint> paints;
    while (!queue.empty() && !unavailable) {
        std::vector<Pending> batch = std::move(queue);
        queue.clear();
        std::vector<PostScriptInterpreter::Chunk> chunks;
        chunks.reserve(batch.size());
        for (const Pending& pending : batch) chunks.push_back({pending.code, pending.isolated});
        const std::vector<PostScriptInterpreter::Outcome> outcomes = interpreter.Run(chunks);
        for (std::size_t i = 0; i < outcomes.size(); ++i) {
            const PostScriptInterpreter::Outcome& outcome = outcomes[i];
            const Pending& chunk = batch[i];
            if (outcome.notStarted || outcome.exhausted) {
                // Nothing more of PostScript can be drawn.
                unavailable = true;
                queue.clear();
                if (outcome.notStarted) {
                    warnings << "PostScript specials are left out: " << outcome.failure << '\n';
                } else {
                    warnings << "PostScript from page " << std::max(chunk.page, page)
                             << " on left out: " << outcome.failure << '\n';
                }
                return paints;
            }
            // The chunks after one that did not finish, or after a page's special that
            // failed and may have left its state behind, run in a fresh interpreter.
            const auto rest = [&] {
                return std::vector<Pending>(std::make_move_iterator(batch.begin() + long(i) + 1),
                                            std::make_move_iterator(batch.end()));
            };
            if (!outcome.failure.empty()) {
                if (chunk.role == Role::Special) {
                    warnings << "PostScript on page " << chunk.page
                             << " left out: " << outcome.failure << '\n';
                }
                Restart(chunk, rest());
                break;
            }
            ChunkReport report = ReadPaintRecords(outcome.records, height);
            if (!report.error.empty()) {
                if (chunk.role == Role::Special) {
                    warnings << "PostScript on page " << chunk.page << " left out: it failed ("
                             << report.error << ")\n";
                    if (!chunk.isolated) {
                        Restart(chunk, rest());
                        break;
                    }
                } else if (chunk.role == Role::Header) {
                    warnings << "PostScript header left out: it failed (" << report.error << ")\n";
                }
                continue;
            }
            Take(chunk, report, paints);
        }
    }
    return paints;
}

void PostScriptGraphics::Take(const Pending& chunk, ChunkReport& report,
                              std::vector<Paint>& paints) {
    switch (chunk.role) {
        case Role::PageOpen:
            interpreterInPage = true;
            pageOpening = chunk.code;
            pageLog.clear();
            masks.Clear();
            break;
        case Role::PageClose:
            interpreterInPage = false;
            pageLog.clear();
            break;
        case Role::Colour:
        case Role::Special:
            if (!chunk.isolated && interpreterInPage) pageLog.push_back(chunk.code);
            break;
        default:
            break;
    }
    if (report.transform) {
        transform = *report.transform;
        const Affine& t = transform;
        transformed = std::abs(t[0] - 1) > 1e-6 || std::abs(t[1]) > 1e-6 || std::abs(t[2]) > 1e-6 ||
                      std::abs(t[3] - 1) > 1e-6 || std::abs(t[4]) > 1e-3 || std::abs(t[5]) > 1e-3;
    }
    alpha = report.alpha;
    if (chunk.role == Role::Replay) return;  // drawn when it first ran
    pageDropped += report.beyond;
    masks.Begin(report.masks);
    std::size_t leftOut = report.dropped;
    for (Paint& paint : report.paints) {
        if (pagePaints == maxPagePaints) {
            ++pageDropped;
            continue;
        }
        ++pagePaints;
        if (paint.blended) ++pageBlended;
        const PageMasks::Use use = masks.Take(paint);
        if (use == PageMasks::Use::LeftOut) ++leftOut;
        if (use != PageMasks::Use::Draw) continue;
        paints.push_back(std::move(paint));
    }
    if (leftOut > 0) {
        warnings << "PostScript on page " << chunk.page << ": " << leftOut
                 << " of its paints left out (shadings of other kinds, patterns of too many "
                    "tiles, PDF's patterns, soft masks of too many paints, malformed records)\n";
    }
}

void PostScriptGraphics::Restart(const Pending& failed, std::vector<Pending> rest) {
    interpreter.Stop();
    // A header or a chunk run again that failed is not run again.
    if (failed.role == Role::Header) std::erase(headers, failed.code);
    if (failed.role == Role::Replay) std::erase(pageLog, failed.code);
    std::vector<Pending> next;
    if (!DocumentSetUp(next, failed.page)) {
        unavailable = true;
        queue.clear();
        return;
    }
    if (interpreterInPage) {
        next.push_back(Pending{pageOpening, false, failed.page, Role::Replay});
        for (const std::string& code : pageLog)
            next.push_back(Pending{code, false, failed.page, Role::Replay});
    }
    next.insert(next.end(), std::make_move_iterator(rest.begin()),
                std::make_move_iterator(rest.end()));
    next.insert(next.end(), std::make_move_iterator(queue.begin()),
                std::make_move_iterator(queue.end()));
    queue = std::move(next);
    // The state is that of the page before the chunk, once the chunks run again.
    transformed = false;
    alpha = 1;
}

bool PostScriptGraphics::DocumentSetUp(std::vector<Pending>& into, std::uint32_t at) {
    if (prologue.empty()) {
        PrefetchFontFiles({"tex.pro", "special.pro", "color.pro"});
        for (const char* name : {"tex.pro", "special.pro", "color.pro"}) {
            const std::string path = FindFontFile(name);
            std::optional<std::string> contents = path.empty() ? std::nullopt : Contents(path);
            if (!contents) {
                warnings << "PostScript specials are left out: dvips's " << name
                         << " is not found\n";
                return false;
            }
            prologue.push_back(std::move(*contents));
        }
        // The page's size in dvips's units, the magnification and resolution.
        prologue.push_back("TeXDict begin " + std::to_string(std::lround(width * 65781.76)) + ' ' +
                           std::to_string(std::lround(height * 65781.76)) + ' ' +
                           std::to_string(std::lround(magnification * 1000)) + ' ' +
                           Fixed(resolution) + ' ' + Fixed(resolution) +
                           " (document.dvi) @start end");
    }
    for (const std::string& chunk : prologue)
        into.push_back(Pending{chunk, false, at, Role::Prologue});
    // The headers, all read before the first page, run before it, as dvips puts them at
    // the document's start.
    for (const std::string& header : headers)
        into.push_back(Pending{header, false, at, Role::Header});
    return true;
}

bool PostScriptGraphics::Ready(std::uint32_t at) {
    if (unavailable) return false;
    if (!documentOpen) {
        if (!DocumentSetUp(queue, at)) {
            unavailable = true;
            return false;
        }
        documentOpen = true;
    }
    if (pageOpen) return true;
    Queue(
        "TeXDict begin 1 0 bop dg /base matrix currentmatrix put dg /state get dup /paints 0 "
        "put dup /masking 0 put dup /mask 0 put dup /masks 0 put /most " +
            std::to_string(maxPagePaints) + " put",
        false, at, Role::PageOpen);
    pageOpen = true;
    Colour(colour);
    return true;
}

void PostScriptGraphics::Special(std::string_view special, double h, double v, std::uint32_t at) {
    if (unavailable) return;
    page = at;
    std::string failure;
    std::optional<Code> code = Translate(special, failure);
    if (!code) {
        if (!failure.empty())
            warnings << "PostScript on page " << page << " left out: " << failure << '\n';
        return;
    }
    if (!code->positioned && code->text.find_first_not_of(" \t\r\n") == std::string::npos) return;
    if (!Ready(page)) return;
    if (code->positioned) {
        code->text = Fixed(h * resolution) + ' ' + Fixed(v * resolution) + " a\n" + code->text;
    }
    Queue(std::move(code->text), code->isolated, page, Role::Special);
}

void PostScriptGraphics::Content(std::string code, bool isolated, std::uint32_t at) {
    if (unavailable) return;
    page = at;
    if (!Ready(page)) return;
    Queue(std::move(code), isolated, page, Role::Special);
}

void PostScriptGraphics::Colour(RgbColour next) {
    colour = next;
    if (!pageOpen) return;
    Queue(Fixed(colour.r / 255.0) + ' ' + Fixed(colour.g / 255.0) + ' ' + Fixed(colour.b / 255.0) +
              " setrgbcolor",
          false, page, Role::Colour);
}

void PostScriptGraphics::EndPage() {
    transformed = false;
    alpha = 1;
    if (pageDropped > 0) {
        warnings << "PostScript on page " << page << ": " << pageDropped
                 << " paints left out beyond the page's " << maxPagePaints << '\n';
    }
    if (pageBlended > 0) {
        warnings << "PostScript on page " << page << ": " << pageBlended
                 << " paints under a blend mode other than Normal drawn as Normal\n";
    }
    pagePaints = pageDropped = pageBlended = 0;
    if (!pageOpen) return;
    pageOpen = false;
    Queue("eop end", false, page, Role::PageClose);
}
