// dvipdfmx's drawing specials, for the interpreter and the slide.
#include "pdf/PdfSpecials.h"

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <unordered_set>

#include "common/PlainText.h"
#include "pdf/ImageFiles.h"
#include "pdf/PdfOperators.h"
#include "ps/CmykColour.h"
#include "ps/DocumentFiles.h"
#include "ps/ProgramOutput.h"

namespace {

constexpr double pixelsPerBigPoint = 600.0 / 72.0;  // the interpreter's page units

std::string Fixed(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.5f", std::isfinite(value) ? value : 0.0);
    return text;
}

bool IsSpace(char ch) {
    return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n' || ch == '\f' || ch == '\0';
}
bool IsDelimiter(char ch) {
    return ch == '(' || ch == ')' || ch == '<' || ch == '>' || ch == '[' || ch == ']' ||
           ch == '{' || ch == '}' || ch == '/' || ch == '%';
}

// PDF's tokens, as content and objects are written.
class Scanner {
  public:
    explicit Scanner(std::string_view text) : text(text) {}

    void SkipSpace() {
        while (at < text.size()) {
            if (IsSpace(text[at])) {
                ++at;
            } else if (text[at] == '%') {
                while (at < text.size() && text[at] != '\n' && text[at] != '\r') ++at;
            } else {
                return;
            }
        }
    }
    bool AtEnd() {
        SkipSpace();
        return at >= text.size();
    }
    char Peek() { return AtEnd() ? '\0' : text[at]; }
    std::string_view Rest() {
        SkipSpace();
        return text.substr(at);
    }

    // The next token whole: a string or hex string with its delimiters, "<<", ">>", a
    // bracket or brace, a name with its slash, or a run of regular characters.
    std::string_view Token() {
        SkipSpace();
        const std::size_t start = at;
        if (at >= text.size()) return {};
        const char ch = text[at];
        if (ch == '(') {
            int depth = 0;
            for (; at < text.size(); ++at) {
                if (text[at] == '\\') {
                    ++at;
                } else if (text[at] == '(') {
                    ++depth;
                } else if (text[at] == ')' && --depth == 0) {
                    ++at;
                    break;
                }
            }
            if (depth != 0) at = text.size();
        } else if (ch == '<' || ch == '>') {
            if (at + 1 < text.size() && text[at + 1] == ch) {
                at += 2;
            } else if (ch == '<') {
                const std::size_t close = text.find('>', at);
                at = close == std::string_view::npos ? text.size() : close + 1;
            } else {
                ++at;
            }
        } else if (ch == '[' || ch == ']' || ch == '{' || ch == '}' || ch == ')') {
            ++at;
        } else {
            if (ch == '/') ++at;
            while (at < text.size() && !IsSpace(text[at]) && !IsDelimiter(text[at])) ++at;
        }
        return text.substr(start, at - start);
    }

    std::optional<double> Number() {
        SkipSpace();
        double value = 0;
        const char* begin = text.data() + at;
        const char* end = text.data() + text.size();
        if (begin < end && *begin == '+') ++begin;
        const auto [stop, error] = std::from_chars(begin, end, value);
        if (error != std::errc() || !std::isfinite(value)) return std::nullopt;
        at = static_cast<std::size_t>(stop - text.data());
        return value;
    }

    // A length with its unit, in big points; TeX's "true" units are the same here.
    std::optional<double> Length() {
        const std::optional<double> value = Number();
        if (!value) return std::nullopt;
        SkipSpace();
        std::string_view unit = text.substr(at);
        if (unit.starts_with("true")) {
            at += 4;
            unit.remove_prefix(4);
        }
        static constexpr std::pair<std::string_view, double> units[] = {
            {"pt", 72 / 72.27},
            {"bp", 1},
            {"in", 72},
            {"cm", 72 / 2.54},
            {"mm", 72 / 25.4},
            {"pc", 12 * 72 / 72.27},
            {"dd", 1238.0 / 1157 * 72 / 72.27},
            {"cc", 12 * 1238.0 / 1157 * 72 / 72.27},
            {"sp", 72 / 72.27 / 65536},
        };
        for (const auto& [name, factor] : units) {
            if (unit.starts_with(name)) {
                at += 2;
                return *value * factor;
            }
        }
        return *value;  // a bare number is in big points
    }

    std::string_view Word() {
        SkipSpace();
        const std::size_t start = at;
        while (at < text.size() && !IsSpace(text[at]) && !IsDelimiter(text[at])) ++at;
        return text.substr(start, at - start);
    }

    // "@name", or empty.
    std::string_view Ident() {
        if (Peek() != '@') return {};
        return Word();
    }

    // One PDF object, as PostScript that leaves it on the operand stack: references to
    // named objects looked up, indirect references (which specials do not have) as
    // null. False when there is none, or it is not whole.
    bool Object(std::string& out, int depth = 0) {
        if (depth > 64) return false;
        const std::string_view token = Token();
        if (token.empty()) return false;
        if (token == "<<" || token == "[") {
            const std::string_view close = token == "<<" ? ">>" : "]";
            out += token;
            out += ' ';
            while (!AtEnd()) {
                SkipSpace();
                if (text.substr(at).starts_with(close)) {
                    at += close.size();
                    out += close;
                    out += ' ';
                    return true;
                }
                if (!Object(out, depth + 1)) return false;
                // An indirect reference: two numbers and R.
                if (Peek() == 'R' &&
                    (at + 1 >= text.size() || IsSpace(text[at + 1]) || IsDelimiter(text[at + 1]))) {
                    ++at;
                    out += "pop pop null ";
                }
            }
            return false;
        }
        const char first = token.front();
        if (first == '(' || first == '<' || first == '/') {
            if (first == '(' && token.back() != ')') return false;
            out += token;
        } else if (first == '@') {
            out += '/';
            out += token;
            out += " pdfref";
        } else if (token == "true" || token == "false" || token == "null") {
            out += token;
        } else {
            double value = 0;
            const auto [end, error] = std::from_chars(token.data() + (first == '+' ? 1 : 0),
                                                      token.data() + token.size(), value);
            if (error != std::errc() || end != token.data() + token.size()) return false;
            out += token;
        }
        out += ' ';
        return true;
    }

    std::size_t at = 0;

  private:
    std::string_view text;
};

// The operators of PDF's content, with the number of operands each takes (-1: as many
// as come, for colour and text operators).
const std::unordered_set<std::string_view>& ContentOperators() {
    static const std::unordered_set<std::string_view> operators = {
        "q",  "Q",  "cm", "m",  "l",  "c",  "v",  "y",   "h",   "re",  "f",  "F",   "f*",  "S",
        "s",  "B",  "B*", "b",  "b*", "n",  "W",  "W*",  "w",   "J",   "j",  "M",   "d",   "i",
        "ri", "g",  "G",  "rg", "RG", "k",  "K",  "cs",  "CS",  "sc",  "SC", "scn", "SCN", "gs",
        "sh", "Do", "BT", "ET", "Tf", "Td", "TD", "Tm",  "Tj",  "TJ",  "'",  "\"",  "Tc",  "Tw",
        "Tz", "TL", "Ts", "Tr", "T*", "d0", "d1", "BMC", "BDC", "EMC", "MP", "DP",  "BX",  "EX"};
    return operators;
}

// PDF content as PostScript the procedures of pdf/PdfOperators.h run: its operators
// with their operands; an unknown operator goes with its operands. None when the
// content holds what cannot be run here (an inline image's data).
std::optional<std::string> Content(std::string_view content) {
    Scanner scanner(content);
    std::string out, operands;
    while (!scanner.AtEnd()) {
        const std::size_t start = scanner.at;
        const char first = scanner.Peek();
        if (first == '<' || first == '[' || first == '(' || first == '/' || first == '@' ||
            first == '-' || first == '+' || first == '.' || (first >= '0' && first <= '9') ||
            scanner.Rest().starts_with("true") || scanner.Rest().starts_with("false") ||
            scanner.Rest().starts_with("null")) {
            const std::string_view word = scanner.Rest();
            const bool keyword =
                word.starts_with("true") || word.starts_with("false") || word.starts_with("null");
            if (!keyword || first == 't' || first == 'f' || first == 'n') {
                if (scanner.Object(operands)) continue;
                if (!keyword) return std::nullopt;
                scanner.at = start;
            }
        }
        const std::string_view token = scanner.Token();
        if (token == "BI" || token == "ID" || token == "{" || token == "}" || token == "]" ||
            token == ">>" || token == ")")
            return std::nullopt;
        if (ContentOperators().contains(token)) {
            out += operands;
            out += token;
            out += '\n';
        }
        operands.clear();
    }
    return out;
}

// The transformation a dimension-and-transformation list gives: width, height and
// depth (with bbox, the box they fit), scale, xscale, yscale, rotate, matrix; and the
// other keys images take.
struct Dimensions {
    std::optional<double> width, height, depth;
    double xscale = 1, yscale = 1, rotate = 0;
    std::optional<std::array<double, 4>> bbox;
    std::optional<std::array<double, 6>> matrix;
    bool clip = false, hide = false;
    int page = 1;
};

bool ReadDimensions(Scanner& scanner, Dimensions& dims) {
    for (;;) {
        const char next = scanner.Peek();
        if (next == '\0' || next == '(' || next == '<' || next == '[' || next == '/') return true;
        const std::size_t start = scanner.at;
        const std::string_view key = scanner.Word();
        if (key.empty()) return false;
        const auto numbers = [&](double* into, int count) {
            for (int i = 0; i < count; ++i) {
                const std::optional<double> value = scanner.Number();
                if (!value) return false;
                into[i] = *value;
            }
            return true;
        };
        std::optional<double> length;
        if (key == "width" || key == "height" || key == "depth") {
            if (!(length = scanner.Length())) return false;
            (key == "width" ? dims.width : key == "height" ? dims.height : dims.depth) = length;
        } else if (key == "scale") {
            double s = 1;
            if (!numbers(&s, 1)) return false;
            dims.xscale = dims.yscale = s;
        } else if (key == "xscale") {
            if (!numbers(&dims.xscale, 1)) return false;
        } else if (key == "yscale") {
            if (!numbers(&dims.yscale, 1)) return false;
        } else if (key == "rotate") {
            if (!numbers(&dims.rotate, 1)) return false;
        } else if (key == "bbox") {
            std::array<double, 4> box{};
            if (!numbers(box.data(), 4)) return false;
            dims.bbox = box;
        } else if (key == "matrix") {
            std::array<double, 6> m{};
            if (!numbers(m.data(), 6)) return false;
            dims.matrix = m;
        } else if (key == "clip") {
            double c = 0;
            if (!numbers(&c, 1)) return false;
            dims.clip = c != 0;
        } else if (key == "page") {
            double p = 1;
            if (!numbers(&p, 1)) return false;
            // Clamped as a double: a page number out of int's range is no int to cast.
            dims.page = std::isfinite(p) ? static_cast<int>(std::clamp(p, 1.0, 1048576.0)) : 1;
        } else if (key == "pagebox") {
            scanner.Word();
        } else if (key == "hide") {
            dims.hide = true;
        } else if (key == "xoffset" || key == "yoffset") {
            if (!scanner.Length()) return false;
        } else {
            scanner.at = start;
            return true;
        }
    }
}

// The user's transformation: scaling then rotation, or the matrix given.
Affine UserMatrix(const Dimensions& dims) {
    if (dims.matrix) {
        const auto& m = *dims.matrix;
        return {m[0], m[1], m[2], m[3], m[4], m[5]};
    }
    const double angle = dims.rotate * std::numbers::pi / 180;
    const double c = std::cos(angle), s = std::sin(angle);
    return {dims.xscale * c, dims.xscale * s, -dims.yscale * s, dims.yscale * c, 0, 0};
}

std::string Matrix(const Affine& m) {
    std::string text;
    for (const double value : m) text += Fixed(value) + ' ';
    return text + "cm\n";
}

// Where an image of natural box `box` (big points) goes: fitted to the width, height
// and depth asked for, then the user's transformation, from the reference point.
Affine Placement(const std::array<double, 4>& box, const Dimensions& dims, double x, double y) {
    const double width = box[2] - box[0], height = box[3] - box[1];
    double sx = 1, sy = 1;
    const double wanted = dims.height.value_or(0) + dims.depth.value_or(0);
    if (dims.width && width > 0) {
        sx = *dims.width / width;
        sy = dims.height && height > 0 ? wanted / height : sx;
    } else if (dims.height && height > 0) {
        sy = wanted / height;
        sx = sy;
    }
    const Affine fit{sx, 0, 0, sy, -sx * box[0], -sy * box[1] - dims.depth.value_or(0)};
    return Then(Then(fit, UserMatrix(dims)), Affine{1, 0, 0, 1, x, y});
}

}  // namespace

PdfSpecials::PdfSpecials(const std::string& dviName, std::ostream& warnings, std::string pdftops)
    : warnings(warnings), pdftops(std::move(pdftops)) {
    const std::size_t slash = dviName.rfind('/');
    if (slash != std::string::npos) directory = dviName.substr(0, slash + 1);
}

std::string_view PdfSpecials::Operators() {
    return pdfOperators;
}

std::string PdfSpecials::ColourCode(RgbColour colour) {
    const std::string rgb =
        Fixed(colour.r / 255.0) + ' ' + Fixed(colour.g / 255.0) + ' ' + Fixed(colour.b / 255.0);
    return "pdfops begin " + rgb + " rg " + rgb + " RG end\n";
}

std::string PdfSpecials::PageOpening(RgbColour colour) {
    return Fixed(pixelsPerBigPoint) + " dup neg scale\n" + ColourCode(colour);
}

Affine PdfSpecials::TextTransform(const Affine& reported) const {
    // A character at pixel p is set at PDF point T p less the open blocks' origin, and
    // drawn through the interpreter's transformation of PDF space.
    const double ox = origins.empty() ? 0 : origins.back()[0];
    const double oy = origins.empty() ? 0 : origins.back()[1];
    const Affine toPdf{1 / pixelsPerBigPoint, 0, 0, -1 / pixelsPerBigPoint, -ox, -oy};
    return Then(toPdf, reported);
}

std::string PdfSpecials::FigureOfPsfile(std::string_view special) {
    std::string_view rest = special.substr(std::min<std::size_t>(special.size(), 7));
    std::string name;
    if (rest.starts_with('"')) {
        const std::size_t close = rest.find('"', 1);
        name = rest.substr(1, close == std::string_view::npos ? rest.size() : close - 1);
        rest = close == std::string_view::npos ? std::string_view() : rest.substr(close + 1);
    } else {
        name = rest.substr(0, rest.find(' '));
        rest.remove_prefix(name.size());
    }
    std::map<std::string, double, std::less<>> keys;
    for (Scanner scanner(rest); !scanner.AtEnd();) {
        const std::string_view word = scanner.Word();
        if (word.empty()) break;
        const std::size_t equals = word.find('=');
        double value = 0;
        if (equals == std::string_view::npos) continue;
        const std::string_view number = word.substr(equals + 1);
        if (std::from_chars(number.data(), number.data() + number.size(), value).ec == std::errc())
            keys[std::string(word.substr(0, equals))] = value;
    }
    const auto key = [&](std::string_view k) {
        return keys.contains(k) ? keys.find(k)->second : 0.0;
    };
    std::string image = "pdf:image bbox " + Fixed(key("llx")) + ' ' + Fixed(key("lly")) + ' ' +
                        Fixed(key("urx")) + ' ' + Fixed(key("ury"));
    if (keys.contains("rwi")) image += " width " + Fixed(key("rwi") / 10) + "bp";
    if (keys.contains("rhi")) image += " height " + Fixed(key("rhi") / 10) + "bp";
    if (keys.contains("clip")) image += " clip 1";
    // The name as a PDF string: parentheses and backslashes escaped.
    image += " (";
    for (const char ch : name) {
        if (ch == '(' || ch == ')' || ch == '\\') image += '\\';
        image += ch;
    }
    return image + ')';
}

std::optional<std::array<double, 2>> PdfSpecials::PageSize(std::string_view special) {
    if (!special.starts_with("pdf:")) return std::nullopt;
    Scanner scanner(special.substr(4));
    if (scanner.Word() != "pagesize") return std::nullopt;
    Dimensions dims;
    ReadDimensions(scanner, dims);
    if (!dims.width || !dims.height || *dims.width <= 0 || *dims.height <= 0) return std::nullopt;
    return std::array<double, 2>{*dims.width, *dims.height + dims.depth.value_or(0)};
}

void PdfSpecials::EndPage() {
    origins.clear();
    form.reset();
}

PdfSpecials::Result PdfSpecials::Read(std::string_view special, double h, double v,
                                      std::uint32_t at) {
    page = at;
    Result result;
    // The reference point in PDF space, and as the innermost bcontent block sees it.
    const double x = h * 72, y = -v * 72;
    const double ux = x - (origins.empty() ? 0 : origins.back()[0]);
    const double uy = y - (origins.empty() ? 0 : origins.back()[1]);
    const bool extension = special.starts_with("x:");
    if (!extension && !special.starts_with("pdf:")) {
        result.understood = false;
        return result;
    }
    Scanner scanner(special.substr(extension ? 2 : 4));
    const std::string_view op = scanner.Word();
    std::string& code = form ? form->content : result.code;
    const auto content = [&](std::string_view text) -> std::optional<std::string> {
        std::optional<std::string> translated = Content(text);
        if (!translated)
            warnings << "PDF content on page " << page << " left out: it holds an inline image\n";
        return translated;
    };
    const auto about = [&](const Affine& m) {
        // m about the reference point.
        return Then(Then(Affine{1, 0, 0, 1, -ux, -uy}, m), Affine{1, 0, 0, 1, ux, uy});
    };
    if (extension) {
        if (op == "gsave")
            code += "q\n";
        else if (op == "grestore")
            code += "Q\n";
        else if (op == "scale" || op == "rotate") {
            Dimensions dims;
            const std::optional<double> first = scanner.Number();
            if (!first) return result;
            if (op == "scale") {
                dims.xscale = *first;
                dims.yscale = scanner.Number().value_or(*first);
            } else {
                dims.rotate = *first;
            }
            code += Matrix(about(UserMatrix(dims)));
        } else {
            // XeTeX's font map lines: nothing drawn.
            result.understood = DrawsNothing(special);
        }
        return result;
    }
    if (op == "code" || op == "literal" || op == "content") {
        bool direct = op == "code";
        if (op == "literal") {
            for (;;) {
                const std::size_t start = scanner.at;
                const std::string_view word = scanner.Word();
                if (word == "direct") {
                    direct = true;
                } else if (word != "reverse") {
                    scanner.at = start;
                    break;
                }
            }
        }
        const std::optional<std::string> text = content(scanner.Rest());
        if (!text || text->empty()) return result;
        if (op == "content") {
            code += "q " + Matrix({1, 0, 0, 1, ux, uy}) + *text + "Q\n";
        } else if (direct) {
            code += *text;
        } else {
            code += Matrix({1, 0, 0, 1, ux, uy}) + *text + Matrix({1, 0, 0, 1, -ux, -uy});
        }
    } else if (op == "bcontent") {
        code += "q " + Matrix({1, 0, 0, 1, ux, uy});
        origins.push_back({x, y});
    } else if (op == "econtent") {
        if (!origins.empty()) origins.pop_back();
        code += "Q\n";
        result.colour = Result::Colour::Reapply;
    } else if (op == "btrans" || op == "begintransform" || op == "begintrans" || op == "bt") {
        Dimensions dims;
        ReadDimensions(scanner, dims);
        code += "q " + Matrix(about(UserMatrix(dims)));
    } else if (op == "etrans" || op == "endtransform" || op == "endtrans" || op == "et") {
        code += "Q\n";
    } else if (op == "obj" || op == "object" || op == "stream") {
        const std::string_view name = scanner.Ident();
        std::string object;
        if (name.empty()) return result;
        if (op == "stream") {
            // A stream (pgf's type 4 functions) is kept as its dictionary, with its data
            // as the string pdfcode (which a function-based shading runs).
            std::string data;
            if (!scanner.Object(data)) return result;
            if (scanner.Peek() != '<' || !scanner.Object(object)) object = "<< >> ";
            object += "dup /pdfcode " + data + "put ";
        } else if (!scanner.Object(object)) {
            return result;
        }
        result.code += "currentglobal true setglobal /" + std::string(name) + ' ' + object +
                       "pdfdefine setglobal\n";
    } else if (op == "put") {
        const std::string_view name = scanner.Ident();
        std::string object;
        while (!scanner.AtEnd() && scanner.Object(object)) {
        }
        if (name.empty() || object.empty()) return result;
        if (name == "@resources") {
            if (form) {
                form->resources += object;
            } else {
                result.code +=
                    "currentglobal true setglobal " + object + "pdfaddresources setglobal\n";
            }
        } else if (name.starts_with("@") && name != "@thispage" && name != "@catalog" &&
                   name != "@names" && name != "@pages" && name != "@prevpage" &&
                   name != "@nextpage" && !name.starts_with("@page")) {
            result.code += "currentglobal true setglobal /" + std::string(name) + ' ' + object +
                           "pdfput setglobal\n";
        }
    } else if (op == "bxobj" || op == "beginxobj" || op == "bform") {
        const std::string_view name = scanner.Ident();
        Dimensions dims;
        ReadDimensions(scanner, dims);
        if (name.empty() || form) return result;
        std::array<double, 4> box{0, -dims.depth.value_or(0), dims.width.value_or(0),
                                  dims.height.value_or(0)};
        if (dims.bbox) box = *dims.bbox;
        form = Form{std::string(name), box, {}, {}};
    } else if (op == "exobj" || op == "endxobj" || op == "eform") {
        if (!form) return result;
        result.code += "currentglobal true setglobal /" + form->name + " << /BBox [";
        for (const double value : form->box) result.code += Fixed(value) + ' ';
        // The resources put inside, each category's dictionaries merged.
        result.code += "] /Resources << >> [ " + form->resources + "] pdfmergeresources /Proc { " +
                       form->content + "} >> pdfdefine setglobal\n";
        form.reset();
    } else if (op == "uxobj" || op == "usexobj") {
        const std::string_view name = scanner.Ident();
        if (name.empty()) return result;
        if (const auto image = images.find(name); image != images.end()) {
            ReadImage(image->second.args, ux, uy, result);
            return result;
        }
        code +=
            "q " + Matrix({1, 0, 0, 1, ux, uy}) + '/' + std::string(name) + " pdfref pdfdoform Q\n";
    } else if (op == "image" || op == "img" || op == "epdf") {
        const std::string_view name = scanner.Ident();
        const std::string args(scanner.Rest());
        if (!name.empty()) images[std::string(name)] = NamedImage{args};
        ReadImage(args, ux, uy, result);
    } else if (op == "bcolor" || op == "bc" || op == "begincolor" || op == "bgray" || op == "bg" ||
               op == "begingray" || op == "scolor" || op == "sc" || op == "setcolor") {
        // [g], [r g b] or [c m y k]; a second, the stroke colour, is drawn as the first.
        std::vector<double> values;
        const bool array = scanner.Peek() == '[';
        if (array) scanner.Token();
        while (std::optional<double> value = scanner.Number()) values.push_back(*value);
        const auto byte = [](double value) {
            return static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0, 1.0) * 255));
        };
        RgbColour colour{0, 0, 0};
        if (values.size() == 1) {
            colour = {byte(values[0]), byte(values[0]), byte(values[0])};
        } else if (values.size() == 3) {
            colour = {byte(values[0]), byte(values[1]), byte(values[2])};
        } else if (values.size() == 4) {
            colour = CmykToRgb(values[0], values[1], values[2], values[3]);
        } else {
            return result;
        }
        result.pushed = colour;
        result.colour = op.starts_with('s') ? Result::Colour::Replace : Result::Colour::Push;
    } else if (op == "ecolor" || op == "ec" || op == "endcolor" || op == "egray" || op == "eg" ||
               op == "endgray") {
        result.colour = Result::Colour::Pop;
    } else if (op == "pageresources") {
        std::string object;
        if (scanner.Object(object))
            result.code += "currentglobal true setglobal " + object + "pdfaddresources setglobal\n";
    } else {
        result.understood = IsUndrawn(op);
    }
    return result;
}

bool PdfSpecials::IsUndrawn(std::string_view op) {
    // Read elsewhere (links, document data, the page size), or meaningless on a slide.
    static constexpr std::string_view known[] = {
        "dest",    "destination",  "bann",         "bannot",   "beginann", "eann",
        "eannot",  "endann",       "docinfo",      "pagesize", "outline",  "out",
        "docview", "majorversion", "minorversion", "mapline",  "mapfile",  "tounicode",
        "close",   "link",         "nolink",       "names",    "fstream",  "bgcolor",
        "bgc",     "bbc",          "bbg",          "trailerid"};
    return std::find(std::begin(known), std::end(known), op) != std::end(known);
}

bool PdfSpecials::DrawsNothing(std::string_view special) {
    const bool extension = special.starts_with("x:");
    if (!extension && !special.starts_with("pdf:")) return false;
    Scanner scanner(special.substr(extension ? 2 : 4));
    const std::string_view op = scanner.Word();
    return extension ? op == "fontmapline" || op == "fontmapfile" : IsUndrawn(op);
}

void PdfSpecials::ReadImage(std::string_view args, double x, double y, Result& result) {
    Scanner scanner(args);
    Dimensions dims;
    std::string name;
    if (!ReadDimensions(scanner, dims) || scanner.Peek() != '(') {
        warnings << "Image on page " << page << " left out: its special is not understood\n";
        return;
    }
    const std::string_view quoted = scanner.Token();
    if (quoted.size() < 2 || quoted.back() != ')') return;
    name = quoted.substr(1, quoted.size() - 2);
    if (dims.hide) return;
    std::shared_ptr<const std::string>& bytes = files[name];
    if (!bytes) {
        std::string failure;
        std::optional<std::string> contents = ReadDocumentFile(directory, name, failure);
        if (!contents) {
            warnings << "Image on page " << page << " left out: " << failure << '\n';
            files.erase(name);
            return;
        }
        bytes = std::make_shared<const std::string>(std::move(*contents));
    }
    if (const std::optional<ImageInfo> info = ReadImageInfo(*bytes)) {
        // Its natural size: its pixels at its resolution.
        const double width = info->width * 72 / info->xdpi, height = info->height * 72 / info->ydpi;
        const std::array<double, 4> box =
            dims.bbox.value_or(std::array<double, 4>{0, 0, width, height});
        PlacedPicture picture{
            bytes, info->extension,
            Then(Affine{width, 0, 0, -height, 0, height}, Placement(box, dims, x, y)),
            std::nullopt};
        if (dims.clip && dims.bbox)
            picture.crop = std::array<double, 4>{box[0] / width, 1 - box[3] / height,
                                                 box[2] / width, 1 - box[1] / height};
        result.picture = std::move(picture);
        return;
    }
    const bool isPdf = bytes->starts_with("%PDF");
    std::array<double, 4> box{};
    std::optional<std::string> figure = FigureCode(*bytes, isPdf, dims.page, box);
    if (!figure) return;
    if (dims.bbox) box = *dims.bbox;
    std::string code = "pdfops begin " + Matrix(Placement(box, dims, x, y));
    if (dims.clip) {
        code += Fixed(box[0]) + ' ' + Fixed(box[1]) + ' ' + Fixed(box[2] - box[0]) + ' ' +
                Fixed(box[3] - box[1]) + " re W n\n";
    }
    result.isolated = code + "end\nuserdict begin /showpage {} def\n" + *figure + "\nend\n";
}

std::optional<std::string> PdfSpecials::FigureCode(const std::string& bytes, bool isPdf,
                                                   int figurePage, std::array<double, 4>& box) {
    std::string eps;
    if (isPdf) {
        // pdftops reads a copy, so that the name the DVI file gives goes nowhere else.
        char path[] = "/tmp/deckgen-figure-XXXXXX";
        const int fd = mkstemp(path);
        if (fd < 0) return std::nullopt;
        bool written = true;
        for (std::size_t at = 0; at < bytes.size() && written;) {
            const ssize_t put = write(fd, bytes.data() + at, bytes.size() - at);
            written = put > 0;
            if (written) at += static_cast<std::size_t>(put);
        }
        close(fd);
        std::optional<std::string> output;
        if (written) {
            output = ProgramOutput(pdftops,
                                   {"-eps", "-q", "-f", std::to_string(figurePage), "-l",
                                    std::to_string(figurePage), path, "-"},
                                   largestDocumentFile, 60);
        }
        unlink(path);
        if (!output) {
            warnings << "PDF figure on page " << page << " left out: " << pdftops
                     << " could not turn it into PostScript\n";
            return std::nullopt;
        }
        eps = std::move(*output);
    } else {
        eps = bytes;
    }
    // The figure's box: its high-resolution bounding box, else its bounding box.
    for (const std::string_view key : {"%%HiResBoundingBox:", "%%BoundingBox:"}) {
        const std::size_t at = eps.find(key);
        if (at == std::string::npos) continue;
        Scanner scanner(std::string_view(eps).substr(at + key.size(), 200));
        bool whole = true;
        for (double& value : box) {
            const std::optional<double> number = scanner.Number();
            whole = whole && number.has_value();
            value = number.value_or(0);
        }
        if (whole) return eps;
    }
    warnings << "Figure on page " << page << " left out: it has no bounding box\n";
    return std::nullopt;
}
