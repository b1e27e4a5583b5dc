// Scenario texts are single-byte Windows-1252, as the simulator reads them; terminals, JSON
// and messages want UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace scenario {

// Each byte as the code-page character it stands for, in UTF-8; the five bytes the code page
// leaves undefined become the replacement character.
std::string windows_1252_to_utf8(std::string_view text);

// True for the bytes 0x81, 0x8D, 0x8F, 0x90 and 0x9D, which Windows-1252 does not define.
bool undefined_in_windows_1252(char byte);

}  // namespace scenario
