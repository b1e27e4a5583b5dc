// Scenario texts are single-byte Windows-1252, as the simulator reads them; terminals, JSON
// and messages want UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace scenario {

// Each byte as the code-page character it stands for, in UTF-8; the five bytes the code page
// leaves undefined become the replacement character.
std::string windows_1252_to_utf8(std::string_view text);

// True for the bytes 0x81, 0x8D, 0x8F, 0x90 and 0x9D, which Windows-1252 does not define.
bool undefined_in_windows_1252(char byte);

// One character of UTF-8 text: its code point and the bytes it takes. A byte that begins no
// well-formed character stands alone, as the replacement character.
struct Utf8Character {
    char32_t code = 0;
    std::size_t bytes = 0;
};
Utf8Character next_utf8_character(std::string_view text);

// A message in UTF-8: messages quote the texts' own bytes, Windows-1252 unless the author
// wrote UTF-8, beside words already in UTF-8; a message that is well-formed UTF-8 is kept as it
// is, any other is read as Windows-1252.
std::string message_in_utf8(std::string_view text);

// UTF-8 text as Windows-1252 bytes, one byte for each character, so that the n-th character
// is the n-th byte: a character the code page lacks, and a byte that is not UTF-8, become '?'.
std::string utf8_to_windows_1252(std::string_view text);

}  // namespace scenario
