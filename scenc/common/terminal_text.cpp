#include "scenc/common/terminal_text.h"

namespace scenario::scenc {

namespace {

void append_escaped(std::string& out, unsigned value) {
    static constexpr char hex[] = "0123456789abcdef";
    out += "\\x";
    out += hex[(value >> 4) & 15];
    out += hex[value & 15];
}

bool is_continuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// The length of the valid UTF-8 sequence at the start of text, or 0.
std::size_t utf8_sequence_length(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    std::size_t length = lead >= 0xF0 && lead <= 0xF4   ? 4
                         : lead >= 0xE0                 ? 3
                         : lead >= 0xC2 && lead <= 0xDF ? 2
                                                        : 0;
    if (lead > 0xF4) length = 0;
    if (length == 0 || text.size() < length) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if (!is_continuation(static_cast<unsigned char>(text[i]))) return 0;
    }
    const auto second = static_cast<unsigned char>(text[1]);
    // Overlong forms, surrogates and code points past U+10FFFF.
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) ||
        (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F)) {
        return 0;
    }
    return length;
}

}  // namespace

std::string terminal_text(std::string_view text, bool keep_line_ends) {
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const auto byte = static_cast<unsigned char>(text[0]);
        if (byte < 0x80) {
            const bool shown =
                (byte >= 0x20 && byte != 0x7F) || byte == '\t' || (keep_line_ends && byte == '\n');
            if (shown) {
                out += static_cast<char>(byte);
            } else {
                append_escaped(out, byte);
            }
            text.remove_prefix(1);
            continue;
        }
        const std::size_t length = utf8_sequence_length(text);
        if (length == 0) {
            append_escaped(out, byte);
            text.remove_prefix(1);
        } else if (byte == 0xC2 && static_cast<unsigned char>(text[1]) < 0xA0) {
            append_escaped(out, static_cast<unsigned char>(text[1]));  // a C1 control
            text.remove_prefix(2);
        } else {
            out.append(text.substr(0, length));
            text.remove_prefix(length);
        }
    }
    return out;
}

std::size_t terminal_width_of_byte(char byte) {
    const auto value = static_cast<unsigned char>(byte);
    return (value < 0x20 && value != '\t') || value == 0x7F ? 4 : 1;
}

}  // namespace scenario::scenc
