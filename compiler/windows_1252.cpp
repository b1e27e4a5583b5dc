#include "compiler/windows_1252.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace scenario {

namespace {

constexpr char32_t replacement_character = 0xFFFD;

// Code points of bytes 0x80..0x9F; the undefined bytes map to the replacement character.
constexpr std::array<char32_t, 32> windows_1252_high{
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

void append_utf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

}  // namespace

std::string windows_1252_to_utf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const auto byte = static_cast<std::uint8_t>(c);
        append_utf8(out, byte >= 0x80 && byte < 0xA0 ? windows_1252_high[byte - 0x80] : byte);
    }
    return out;
}

bool undefined_in_windows_1252(char byte) {
    const auto value = static_cast<std::uint8_t>(byte);
    return value >= 0x80 && value < 0xA0 &&
           windows_1252_high[value - 0x80] == replacement_character;
}

Utf8Character next_utf8_character(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
    const std::uint8_t first = byte(0);
    if (first < 0x80) return {first, 1};
    std::size_t length = 0;
    char32_t code = 0;
    char32_t lowest = 0;
    if ((first & 0xE0) == 0xC0) {
        length = 2, code = first & 0x1F, lowest = 0x80;
    } else if ((first & 0xF0) == 0xE0) {
        length = 3, code = first & 0x0F, lowest = 0x800;
    } else if ((first & 0xF8) == 0xF0) {
        length = 4, code = first & 0x07, lowest = 0x10000;
    } else {
        return {replacement_character, 1};
    }
    if (text.size() < length) return {replacement_character, 1};
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return {replacement_character, 1};
        code = (code << 6) | (byte(i) & 0x3F);
    }
    // Overlong forms, surrogates and code points past Unicode are not characters.
    if (code < lowest || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000)) {
        return {replacement_character, 1};
    }
    return {code, length};
}

std::string utf8_to_windows_1252(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const Utf8Character character = next_utf8_character(text);
        text.remove_prefix(character.bytes);
        const char32_t code = character.code;
        if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) {
            out += static_cast<char>(code);
            continue;
        }
        const auto* found = std::find(windows_1252_high.begin(), windows_1252_high.end(), code);
        out += code != replacement_character && found != windows_1252_high.end()
                   ? static_cast<char>(0x80 + (found - windows_1252_high.begin()))
                   : '?';
    }
    return out;
}

std::string message_in_utf8(std::string_view text) {
    for (std::string_view rest = text; !rest.empty();) {
        const Utf8Character character = next_utf8_character(rest);
        if (character.code == replacement_character && character.bytes == 1) {
            return windows_1252_to_utf8(text);
        }
        rest.remove_prefix(character.bytes);
    }
    return std::string(text);
}

}  // namespace scenario
