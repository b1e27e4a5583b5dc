// Keyword tests shared by both scenario text formats.
#pragma once

#include <string>
#include <string_view>

namespace scenario {

// Lowers ASCII letters only, so keyword tests and contest codes never depend on the locale.
inline std::string ascii_lowered(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return result;
}

// Rows are recognised by substrings of their keyword field.
inline bool contains(std::string_view field, std::string_view word) {
    return field.find(word) != std::string_view::npos;
}

}  // namespace scenario
