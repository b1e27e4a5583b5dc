#include "compiler/windows_1252.h"

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

}  // namespace scenario
