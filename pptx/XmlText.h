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

// Appends `text` as an attribute's value in double quotes: the quote escaped too.
inline void AppendAttribute(std::string& xml, std::string_view text) {
    for (const char ch : text) {
        if (ch == '"')
            xml += "&quot;";
        else
            AppendEscaped(xml, std::string_view(&ch, 1));
    }
}
