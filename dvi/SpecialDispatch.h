// Specials go by their prefix to the handlers that asked for it: a colour handler, the
// PostScript and PDF graphics, the links, the document's properties, each registered
// once and knowing only its own prefixes. A special no handler takes is the caller's to
// count.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

class SpecialDispatch {
  public:
    using Handler = std::function<void(const std::string& special)>;
    enum class Case : bool { Exact, Any };

    // `handler` is given every special that begins with `prefix` (its letters compared
    // without case with Case::Any), after the handlers registered before it.
    void On(std::string prefix, Handler handler, Case letters = Case::Exact);
    // Gives `special` to the handlers of its prefixes; false when none takes it.
    bool Dispatch(const std::string& special) const;

  private:
    struct Entry {
        std::string prefix;
        Handler handler;
        Case letters;
    };
    std::vector<Entry> entries;
};
