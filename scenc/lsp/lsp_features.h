// What the language server tells about a scenario text beyond its diagnostics: the rows it
// holds, a hover on one of them, its outline and the keywords to complete.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/model.h"
#include "compiler/row_grammar.h"
#include "scenc/lsp/lsp_text.h"

namespace scenario::scenc::lsp {

enum class TextRole { route, train };

// A row or a section header of a text, found by the row scanner as the parsers find them:
// the keyword field's place, and the values read after it with their places.
struct TextRow {
    int line = 0;
    int column = 0;  // 0-based byte column of the keyword field
    int span = 0;
    std::string header;                       // a section header's text, else empty
    const RowGrammar* kind = nullptr;         // the row's kind, if the keyword names one
    std::vector<std::int32_t> numbers;        // the values read, up to the first that is no number
    std::string text;                         // a sign board's text or a station's name
    std::vector<SourceLocation> value_sites;  // where each value read stands (no file name)
};

// The section headers and rows of a text: "[generale]", then each keyword field that names
// a row or is a header. A row that does not read to its end keeps the values it read, and
// the scan goes on at the next line that begins a row.
std::vector<TextRow> text_rows(std::string_view single_byte, TextRole role);

// The hover at a 1-based line and 0-based byte column, in Markdown. On a value: its field's
// name, meaning, unit and range, and the value as the simulator stores it. Elsewhere on a
// row's line: what the row means in the author's units and, given the model compiled from the
// scenario, what its cell holds. Null when the line holds no row.
nlohmann::json row_hover(const EditorText& text, TextRole role, int line, int column,
                         const Model* model);
// The same from the text's rows (text_rows), for a caller that keeps them between requests.
nlohmann::json row_hover(const EditorText& text, const std::vector<TextRow>& rows, int line,
                         int column, const Model* model);

// The outline: the sections, each holding its stations, signals, slowdowns and sign boards.
nlohmann::json document_symbols(const EditorText& text, TextRole role);
nlohmann::json document_symbols(const EditorText& text, const std::vector<TextRow>& rows);

// The row keywords of the text's kind, each with a snippet of its fields; none past the
// keyword field of a line.
nlohmann::json keyword_completions(const EditorText& text, TextRole role,
                                   const nlohmann::json& position);

}  // namespace scenario::scenc::lsp
