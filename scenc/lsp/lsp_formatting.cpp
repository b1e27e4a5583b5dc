#include "scenc/lsp/lsp_formatting.h"

#include "compiler/field_reader.h"
#include "compiler/formatter.h"
#include "compiler/windows_1252.h"

namespace scenario::scenc::lsp {

nlohmann::json formatting_edits(const EditorText& text, TextRole role) {
    const std::string& before = text.single_byte();
    const std::string after = formatted_scenario_text(
        before, "", role == TextRole::route ? RowPlace::route_general : RowPlace::train);
    nlohmann::json edits = nlohmann::json::array();
    if (after == before) return edits;
    // fmt keeps every line end, so the n-th line of one text is the n-th of the other.
    LineFinder before_lines, after_lines, editor_lines;
    for (int line = 1, last = line_count(before); line <= last; ++line) {
        const std::string_view old_line = before_lines.line(before, line);
        const std::string_view new_line = after_lines.line(after, line);
        const std::string_view editor_line = editor_lines.line(text.utf8(), line);
        if (old_line == new_line || windows_1252_to_utf8(old_line) != editor_line) continue;
        edits.push_back(
            {{"range", text.range({"", line, 0, 0})}, {"newText", windows_1252_to_utf8(new_line)}});
    }
    return edits;
}

}  // namespace scenario::scenc::lsp
