#include "sources/line_table.h"

namespace scenario {

std::string line_table_bytes(const std::vector<std::string>& lines) {
    std::string bytes;
    for (std::size_t slot = 0; slot < lines.size() && slot < line_table_slots; ++slot) {
        if (lines[slot] == end_mark) break;
        bytes += lines[slot];
        bytes += "\r\n";
    }
    return bytes;
}

}  // namespace scenario
