#include "scenc/lsp/lsp_code_actions.h"

#include <cstdint>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "compiler/windows_1252.h"

namespace scenario::scenc::lsp {

using nlohmann::json;

namespace {

constexpr std::string_view quickfix_kind = "quickfix";

// A replacement in the editor's terms: UTF-8, and any row it adds ended as the editor's copy
// ends its lines.
std::string editor_replacement(const std::string& single_byte, const EditorText& text) {
    std::string utf8 = windows_1252_to_utf8(single_byte);
    const std::string_view line_end = text.line_end();
    if (line_end == "\r\n") return utf8;
    std::string out;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if (utf8.compare(i, 2, "\r\n") == 0) {
            out += line_end;
            ++i;
        } else {
            out += utf8[i];
        }
    }
    return out;
}

// The edits of one fix grouped by URI, in the order their texts first appear; null when an
// edit falls in a text the editor does not hold, or over a character Windows-1252 lacks.
json edits_by_uri(const Fix& fix, const TextSites& sites) {
    json groups = json::array();
    for (const TextEdit& edit : fix.edits) {
        const auto site = sites.find(edit.range.file);
        if (site == sites.end()) return nullptr;
        const EditorText& text = *site->second.text;
        if (!text.holds_as_checked(edit.range)) return nullptr;
        json lsp_edit = {{"range", text.edit_range(edit.range)},
                         {"newText", editor_replacement(edit.replacement, text)}};
        json* group = nullptr;
        for (json& g : groups) {
            if (g["uri"] == site->second.uri) group = &g;
        }
        if (group == nullptr) {
            groups.push_back({{"uri", site->second.uri}, {"edits", json::array()}});
            group = &groups.back();
        }
        (*group)["edits"].push_back(std::move(lsp_edit));
    }
    return groups;
}

// A position's line and character; a client's may be any JSON, so anything but two whole
// numbers is refused rather than converted.
std::pair<std::int64_t, std::int64_t> place_of(const json& position) {
    const json& line = position.at("line");
    const json& character = position.at("character");
    if (!line.is_number_integer() || !character.is_number_integer()) {
        throw std::invalid_argument("a position is not two whole numbers");
    }
    return {line.get<std::int64_t>(), character.get<std::int64_t>()};
}

using Span =
    std::pair<std::pair<std::int64_t, std::int64_t>, std::pair<std::int64_t, std::int64_t>>;

Span span_of(const json& range) {
    return {place_of(range.at("start")), place_of(range.at("end"))};
}

// Whether two ranges share a position; touching ends count, so a caret just after a field
// still finds its diagnostic.
bool overlaps(const Span& a, const Span& b) {
    return a.first <= b.second && b.first <= a.second;
}

std::string code_text(const json& diagnostic) {
    const json code = diagnostic.value("code", json());
    return code.is_string() ? code.get<std::string>() : code.dump();
}

// Whether a diagnostic the client sends back is the published one. Clients that keep columns
// in their own units send the range back converted, so only its line is compared.
bool same_diagnostic(const json& sent, const json& published) {
    return sent.is_object() && sent.value("message", json()) == published.at("message") &&
           code_text(sent) == code_text(published) && sent.contains("range") &&
           sent["range"].at("start").at("line") == published.at("range").at("start").at("line");
}

bool quickfix_wanted(const json& context) {
    if (!context.is_object() || !context.contains("only")) return true;
    for (const json& kind : context.at("only")) {
        const std::string& wanted = kind.get_ref<const std::string&>();
        if (wanted.empty() || wanted == quickfix_kind || quickfix_kind.starts_with(wanted + ".")) {
            return true;
        }
    }
    return false;
}

json workspace_edit(const json& groups, const VersionOf& version_of, bool document_changes) {
    if (document_changes) {
        json changes = json::array();
        for (const json& group : groups) {
            const std::string& uri = group.at("uri").get_ref<const std::string&>();
            changes.push_back({{"textDocument", {{"uri", uri}, {"version", version_of(uri)}}},
                               {"edits", group.at("edits")}});
        }
        return {{"documentChanges", std::move(changes)}};
    }
    json changes = json::object();
    for (const json& group : groups) {
        changes[group.at("uri").get<std::string>()] = group.at("edits");
    }
    return {{"changes", std::move(changes)}};
}

}  // namespace

json quick_fixes(const std::vector<Fix>& fixes, const TextSites& sites) {
    json actions = json::array();
    for (const Fix& fix : fixes) {
        json groups = edits_by_uri(fix, sites);
        if (groups.is_null() || groups.empty()) continue;
        actions.push_back({{"title", fix.description},
                           {"kind", quickfix_kind},
                           {"isPreferred", fix.safe},
                           {"edits", std::move(groups)}});
    }
    return actions;
}

json code_actions(const json& params, const json& published, const std::vector<json>& actions,
                  const VersionOf& version_of, bool document_changes) {
    const Span range = span_of(params.at("range"));
    static const json no_context = json::object();
    const auto given = params.find("context");
    const json& context = given == params.end() ? no_context : *given;
    json out = json::array();
    if (!quickfix_wanted(context)) return out;
    static const json none = json::array();
    const auto listed = context.find("diagnostics");
    const json& sent = listed == context.end() ? none : *listed;
    for (std::size_t i = 0; i < published.size() && i < actions.size(); ++i) {
        if (actions[i].empty()) continue;
        const json& diagnostic = published[i];
        bool wanted = overlaps(range, span_of(diagnostic.at("range")));
        for (const json& s : sent) {
            if (wanted) break;
            wanted = same_diagnostic(s, diagnostic);
        }
        if (!wanted) continue;
        for (const json& action : actions[i]) {
            out.push_back(
                {{"title", action.at("title")},
                 {"kind", action.at("kind")},
                 {"diagnostics", json::array({diagnostic})},
                 {"isPreferred", action.at("isPreferred")},
                 {"edit", workspace_edit(action.at("edits"), version_of, document_changes)}});
        }
    }
    return out;
}

}  // namespace scenario::scenc::lsp
