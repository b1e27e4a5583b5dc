// A scenario text as the editor holds it (Unicode, positions in UTF-16 code units) and as the
// compiler reads it (Windows-1252 bytes, columns in bytes), with the mapping between the two.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "compiler/diagnostic.h"
#include "compiler/field_reader.h"

namespace scenario::scenc::lsp {

class EditorText {
  public:
    // The editor's copy, in UTF-8.
    static EditorText from_editor(std::string utf8);
    // A copy read from disk, in Windows-1252.
    static EditorText from_disk(std::string single_byte);

    const std::string& single_byte() const { return single_byte_; }
    const std::string& utf8() const { return utf8_; }

    // The editor position {line, character} of a 1-based line and 0-based byte column of the
    // single-byte text; a column past the line's end stays at its end.
    nlohmann::json position(int line, int byte_column) const;
    // The editor range of a place in the single-byte text: the field, or the whole line when
    // the column is unknown, or the first line when the line is.
    nlohmann::json range(const SourceLocation& place) const;
    // The editor range of exactly the bytes an edit replaces: `span` bytes from the 1-based
    // column of the line, empty for an insertion.
    nlohmann::json edit_range(const SourceLocation& place) const;
    // Whether the editor's copy holds the bytes of a place as they were checked: false where
    // a character Windows-1252 lacks stands as '?' in the single-byte text, which an edit of
    // those bytes would write back as '?'.
    bool holds_as_checked(const SourceLocation& place) const;
    // The line end the editor's copy uses, CR LF when it has none yet.
    std::string_view line_end() const;
    // The 1-based line and 0-based byte column of an editor position.
    std::pair<int, int> byte_place(const nlohmann::json& position) const;

  private:
    std::string utf8_;
    std::string single_byte_;
    // Diagnostics come in line order: each range starts from the line found last.
    mutable LineFinder utf8_lines_;
    mutable LineFinder single_byte_lines_;
};

// The file name at the end of a URI, percent-decoded ("file:///a/B_linea.txt" gives
// "B_linea.txt"), and the URI with its file name replaced.
std::string file_name_of(std::string_view uri);
std::string folder_of(std::string_view uri);
std::string sibling_uri(std::string_view uri, std::string_view file_name);
// The local path of a file: URI, if it is one.
std::optional<std::string> path_of(std::string_view uri);

}  // namespace scenario::scenc::lsp
