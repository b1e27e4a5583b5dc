// The one way every text file of the scenario is produced: a table of lines.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace scenario {

// Closes a line table; it is never written.
inline constexpr std::string_view end_mark = "riferimento fine del file";
// A line table has slots 0..1000; a table without the end mark stops after the last slot.
inline constexpr std::size_t line_table_slots = 1001;

// A text file of the scenario: its name (without folder) and its lines, single-byte text.
struct TextDocument {
    std::string file_name;
    std::vector<std::string> lines;
};

// The bytes of a line table as written to disk: each line before the end mark (or before
// slot 1001) followed by CR LF.
std::string line_table_bytes(const std::vector<std::string>& lines);

}  // namespace scenario
