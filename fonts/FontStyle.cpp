// Telling a TeX font's style from its name.
#include "fonts/FontStyle.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace {

bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

}  // namespace

FontStyle StyleOfFont(std::string_view tfmName, std::string_view codingScheme) {
    std::string name(tfmName.substr(tfmName.rfind('/') + 1));
    for (char& ch : name) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    std::string scheme(codingScheme);
    for (char& ch : scheme) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    // The encoding prefix of Latin Modern's and others' names ("ec-", "t1-"), then the
    // family prefix; what is left before the size and encoding digits is the shape.
    if (const std::size_t dash = name.find('-'); dash != std::string::npos) name.erase(0, dash + 1);
    FontStyle style;
    const bool urw = name.size() > 3 && (name[0] == 'p' || name[0] == 'u');
    if (Contains(scheme, "MATH SYMBOLS") || Contains(scheme, "MATH EXTENSION") ||
        name.starts_with("cmsy") || name.starts_with("cmbsy") || name.starts_with("cmex")) {
        style.family = 3;
    } else if (Contains(scheme, "TYPEWRITER") || Contains(name, "tt") || name.starts_with("pcr") ||
               name.starts_with("ucr")) {
        style.family = 2;
    } else if (Contains(name, "ss") || name.starts_with("ecsx") || name.starts_with("ecsi") ||
               name.starts_with("phv") || name.starts_with("uhv")) {
        style.family = 1;
    }
    std::string shape = name.substr(std::min<std::size_t>(name.size(), urw ? 3 : 2));
    shape = shape.substr(0, shape.find_first_of("0123456789"));
    style.bold = Contains(shape, "b") || shape.starts_with("sx");
    style.mathItalic = Contains(scheme, "MATH ITALIC");
    style.italic =
        Contains(shape, "i") || Contains(shape, "sl") || Contains(shape, "o") || style.mathItalic;
    style.smallCaps = Contains(shape, "csc") || shape.starts_with("cc");
    return style;
}

FontStyle StyleOfPostScriptFont(std::string_view fontName) {
    std::string name(fontName);
    for (char& ch : name) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    // TeX's fonts by their TFM names; others by the words of their names.
    if (name.starts_with("cm") || name.starts_with("lm") || name.starts_with("sf"))
        return StyleOfFont(name, "");
    FontStyle style;
    if (Contains(name, "symbol") || Contains(name, "math")) {
        style.family = 3;
    } else if (Contains(name, "courier") || Contains(name, "mono") ||
               Contains(name, "typewriter")) {
        style.family = 2;
    } else if (Contains(name, "helvetica") || Contains(name, "arial") || Contains(name, "sans")) {
        style.family = 1;
    }
    style.bold = Contains(name, "bold") || Contains(name, "black") || Contains(name, "heavy");
    style.italic = Contains(name, "italic") || Contains(name, "oblique");
    return style;
}
