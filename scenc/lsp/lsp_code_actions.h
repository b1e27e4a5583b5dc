// The language server's quick fixes: the fixes a check finds for a diagnostic (the nearest
// keyword, the nearest multiple of 50, ...) offered as code actions that edit the texts where
// the editor holds them.
#pragma once

#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "compiler/diagnostic.h"
#include "scenc/lsp/lsp_text.h"

namespace scenario::scenc::lsp {

// A text of the scenario checked, as the check names it, with where the editor finds it.
struct TextSite {
    std::string uri;
    const EditorText* text;
};
using TextSites = std::map<std::string, TextSite>;  // by the name the check gives the text

// A diagnostic's fixes as code actions of kind "quickfix", each with its edits by URI
// ({"title", "kind", "isPreferred", "edits": [{"uri", "edits"}]}); the form of the workspace
// edit is chosen when they are offered, as the client supports. A fix that edits a text not
// among the sites (no train text open, say) is left out: the editor could not apply it; so is
// one that would replace a character Windows-1252 lacks, which the check read as '?'.
nlohmann::json quick_fixes(const std::vector<Fix>& fixes, const TextSites& sites);

// The version of an open document, or null for a text the editor has not open.
using VersionOf = std::function<nlohmann::json(const std::string& uri)>;

// The answer to textDocument/codeAction: the quick fixes of every published diagnostic that
// overlaps the requested range or is among the request's context diagnostics, each naming its
// diagnostic. `actions[i]` holds the quick_fixes of `published[i]`. With `document_changes`
// the edit is a list of versioned document edits, else a map of edits by URI.
nlohmann::json code_actions(const nlohmann::json& params, const nlohmann::json& published,
                            const std::vector<nlohmann::json>& actions, const VersionOf& version_of,
                            bool document_changes);

}  // namespace scenario::scenc::lsp
