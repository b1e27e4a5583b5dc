// Text from a scenario or a file name made harmless on a terminal.
#pragma once

#include <string>
#include <string_view>

namespace scenario::scenc {

// Shows every control character as \xNN (ESC as \x1b): the bytes 0x00 to 0x1F but the tab,
// 0x7F, the C1 controls U+0080 to U+009F, and any byte that is not part of valid UTF-8 (an
// 8-bit terminal reads 0x9B as the start of a control sequence). Such a text can then neither
// clear the screen, move the cursor, retitle the window, hide text nor reset the terminal, and
// stays on its line. Line ends are kept only when asked for, for a whole table.
std::string terminal_text(std::string_view text, bool keep_line_ends = false);

// How many columns terminal_text shows one byte of a single-byte (Windows-1252) text in.
std::size_t terminal_width_of_byte(char byte);

}  // namespace scenario::scenc
