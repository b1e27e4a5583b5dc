// The language server's answer to textDocument/formatting: the layout scenc fmt writes.
#pragma once

#include <nlohmann/json.hpp>

#include "scenc/lsp/lsp_features.h"
#include "scenc/lsp/lsp_text.h"

namespace scenario::scenc::lsp {

// One edit for each line whose layout changes, replacing the line's content (its line end
// stays). A line that holds a character Windows-1252 lacks is left alone: the compiler reads
// it as '?', which the edit would write back.
nlohmann::json formatting_edits(const EditorText& text, TextRole role);

}  // namespace scenario::scenc::lsp
