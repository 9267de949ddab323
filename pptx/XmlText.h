// Text as XML character data.
#pragma once

#include <string>
#include <string_view>

// Appends `text` with the markup characters as references.
inline void AppendEscaped(std::string& xml, std::string_view text) {
    for (const char ch : text) {
        if (ch == '&')
            xml += "&amp;";
        else if (ch == '<')
            xml += "&lt;";
        else if (ch == '>')
            xml += "&gt;";
        else
            xml.push_back(ch);
    }
}
