// What the language server tells about a scenario text beyond its diagnostics: the rows it
// holds, a hover on one of them, its outline and the keywords to complete.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/keywords.h"
#include "compiler/model.h"
#include "scenc/lsp/lsp_text.h"

namespace scenario::scenc::lsp {

enum class TextRole { route, train };

// One line of a text that begins a row or a section, read line by line as authors write
// them (one row a line): the keyword field's place, and the values read after it.
struct TextRow {
    int line = 0;
    int column = 0;  // 0-based byte column of the keyword field
    int span = 0;
    std::string header;                 // a section header's text, else empty
    const RowKeyword* kind = nullptr;   // the row's kind, if the keyword names one
    std::vector<std::int32_t> numbers;  // the values read, up to the first that is no number
    std::string text;                   // a sign board's text or a station's name
};

// The section headers and rows of a text; lines before "[generale]" hold none, and in a
// route text the first header after it ends the general block.
std::vector<TextRow> text_rows(std::string_view single_byte, TextRole role);

// The hover of a row at a 1-based line, in Markdown: what the row means in the author's
// units and, given the model compiled from the scenario, what its cell holds. Null when the
// line holds no row.
nlohmann::json row_hover(const EditorText& text, TextRole role, int line, const Model* model);

// The outline: the sections, each holding its stations, signals, slowdowns and sign boards.
nlohmann::json document_symbols(const EditorText& text, TextRole role);

// The row keywords of the text's kind, each with a snippet of its fields; none past the
// keyword field of a line.
nlohmann::json keyword_completions(const EditorText& text, TextRole role,
                                   const nlohmann::json& position);

}  // namespace scenario::scenc::lsp
