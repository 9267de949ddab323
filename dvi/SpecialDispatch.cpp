#include "dvi/SpecialDispatch.h"

#include <algorithm>
#include <cctype>

void SpecialDispatch::On(std::string prefix, Handler handler, Case letters) {
    if (letters == Case::Any)
        for (char& ch : prefix)
            ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    entries.push_back({std::move(prefix), std::move(handler), letters});
}

bool SpecialDispatch::Dispatch(const std::string& special) const {
    bool taken = false;
    for (const Entry& entry : entries) {
        const std::string_view prefix = entry.prefix;
        if (special.size() < prefix.size()) continue;
        const bool matches =
            entry.letters == Case::Exact
                ? special.starts_with(prefix)
                : std::equal(prefix.begin(), prefix.end(), special.begin(), [](char a, char b) {
                      return a == std::tolower(static_cast<unsigned char>(b));
                  });
        if (!matches) continue;
        entry.handler(special);
        taken = true;
    }
    return taken;
}
