#include "scenc/lsp/language_server.h"

#include <algorithm>
#include <set>
#include <stdexcept>

#include "compiler/explanations.h"
#include "compiler/row_scanner.h"
#include "compiler/windows_1252.h"
#include "io/file_input.h"
#include "scenc/common/identity_from_names.h"
#include "scenc/common/input_files.h"
#include "scenc/lsp/lsp_formatting.h"

namespace scenario::scenc::lsp {

using nlohmann::json;

namespace {

constexpr std::string_view route_suffix = "_linea.txt";
constexpr std::string_view train_suffix = "-.txt";
constexpr int severity_error = 1;
constexpr int severity_warning = 2;
constexpr int severity_information = 3;
constexpr int full_sync = 1;
// An editor shows every diagnostic, but a text of garbage should not bury it in them.
constexpr std::size_t most_errors = 200;
constexpr std::size_t most_warnings = 200;

json response(const json& id, json result) {
    return {{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}};
}

json notice(const std::string& method, json params) {
    return {{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}};
}

bool valid_id(const json& id) {
    return id.is_string() || id.is_number_integer() || id.is_null();
}

// The message with its notes under it, as the command line shows them: the checks a route
// without a track left out, how many diagnostics follow from this one and are not shown.
std::string message_with_notes(const Diagnostic& d) {
    std::string message = message_in_utf8(d.message);
    for (const std::string& note : d.notes) message += "\n" + message_in_utf8(note);
    if (d.consequences) {
        const std::string count = consequences_note(*d.consequences);
        if (!count.empty()) message += "\n" + count;
    }
    return message;
}

// Built key by key: a diagnostic goes out for every row at fault, and a braced list of pairs
// first builds each pair as an array of its own.
json lsp_diagnostic(const Diagnostic& d, const TextSite& site, const SourceLocation& place) {
    json out = json::object();
    out["range"] = site.text->range(place);
    out["severity"] = d.severity == Severity::error ? severity_error : severity_warning;
    out["source"] = "scenc";
    out["message"] = message_with_notes(d);
    if (d.name.empty()) {
        out["code"] = d.number;
    } else {
        out["code"] = d.name;
    }
    return out;
}

json related_information(const TextSite& site, const SourceLocation& place,
                         const std::string& what) {
    return json::array({{{"location", {{"uri", site.uri}, {"range", site.text->range(place)}}},
                         {"message", what}}});
}

// The diagnostics of a check for each text, by URI, and beside each its quick fixes. A
// diagnostic tied to no text (the placement pass) goes to the first line of `unplaced`, if
// given; one of a text not among the sites is left out. One whose related place lies in the
// other text is shown there too, with the same fixes.
struct ByUri {
    std::map<std::string, json> diagnostics;
    std::map<std::string, std::vector<json>> actions;
};

ByUri by_uri(const CheckResult& result, const TextSites& sites, const std::string& unplaced) {
    ByUri split;
    std::map<std::string, json>& out = split.diagnostics;
    const auto add = [&](const std::string& uri, json diagnostic, const json& actions) {
        out[uri].push_back(std::move(diagnostic));
        split.actions[uri].push_back(actions);
    };
    for (const auto& [name, site] : sites) {
        out[site.uri] = json::array();
        split.actions[site.uri];
    }
    std::size_t warnings = result.omitted_warnings;
    for (const Diagnostic& d : result.diagnostics) {
        if (d.severity == Severity::warning) ++warnings;
        SourceLocation place = d.location;
        if (place.file.empty()) place = {unplaced, 0, 0, 0};
        const auto found = sites.find(place.file);
        if (found == sites.end()) continue;
        json diagnostic = lsp_diagnostic(d, found->second, place);
        const json actions = quick_fixes(d.fixes, sites);
        const auto related = d.related ? sites.find(d.related->file) : sites.end();
        if (related != sites.end()) {
            diagnostic["relatedInformation"] =
                related_information(related->second, *d.related, "the row involved");
            if (related->second.uri != found->second.uri) {
                json mirrored = lsp_diagnostic(d, related->second, *d.related);
                mirrored["relatedInformation"] =
                    related_information(found->second, place, "where the error is raised");
                add(related->second.uri, std::move(mirrored), actions);
            }
        }
        add(found->second.uri, std::move(diagnostic), actions);
    }
    if (warnings > most_warnings && !sites.empty()) {
        const TextSite& first = sites.begin()->second;
        out[first.uri].push_back({{"range", first.text->range({"", 1, 0, 0})},
                                  {"severity", severity_information},
                                  {"source", "scenc"},
                                  {"message", std::to_string(warnings) + " warnings, the first " +
                                                  std::to_string(most_warnings) + " shown"}});
    }
    return split;
}

json one_notice(const std::string& message) {
    return json::array(
        {{{"range",
           {{"start", {{"line", 0}, {"character", 0}}}, {"end", {{"line", 0}, {"character", 0}}}}},
          {"severity", severity_information},
          {"source", "scenc"},
          {"message", message}}});
}

// Thrown by answer() for a method it does not know.
struct UnknownMethod : std::runtime_error {
    using std::runtime_error::runtime_error;
};

TextRole guessed_role(const std::string& single_byte) {
    return holds_route_length_words(single_byte) ? TextRole::route : TextRole::train;
}

}  // namespace

json error_response(const json& id, int code, const std::string& message) {
    return {{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}};
}

std::optional<TextRole> role_by_name(std::string_view name) {
    if (name.size() > route_suffix.size() && name.ends_with(route_suffix)) return TextRole::route;
    if (name.size() > train_suffix.size() && name.ends_with(train_suffix)) return TextRole::train;
    return std::nullopt;
}

LanguageServer::LanguageServer(ReadFile read_file, std::string version)
    : read_file_(std::move(read_file)), version_(std::move(version)) {}

namespace {

struct TooDeep {};

// Whether an LSP range holds a position; its end is taken in, so a caret just after the field
// still shows it.
bool range_holds(const json& range, const json& position) {
    const auto place = [](const json& p) {
        return std::pair{p.at("line").get<int>(), p.at("character").get<int>()};
    };
    const auto at = place(position);
    return place(range.at("start")) <= at && at <= place(range.at("end"));
}

// The hover with the explanation of every published diagnostic whose range holds the position
// added after what the row itself tells.
json with_explanations(json hover, const json& published, const json& position) {
    std::string explained;
    json range;
    for (const json& diagnostic : published) {
        if (!diagnostic.contains("code") || !range_holds(diagnostic.at("range"), position))
            continue;
        const json& code = diagnostic.at("code");
        const std::string name = code.is_string() ? code.get<std::string>() : code.dump();
        const std::optional<std::string> text = explanation_text(name);
        if (!text) continue;
        explained += "\n\n---\n\n```\n" + *text + "```";
        if (range.is_null()) range = diagnostic.at("range");
    }
    if (explained.empty()) return hover;
    if (hover.is_null()) {
        return {{"contents", {{"kind", "markdown"}, {"value", explained.substr(7)}}},
                {"range", range}};
    }
    hover["contents"]["value"] = hover["contents"]["value"].get<std::string>() + explained;
    return hover;
}

// Whether the client's capabilities say it takes versioned document edits; a client that
// says nothing, or says it oddly, gets edits by URI, which every client takes.
bool client_takes_versioned_edits(const json& params) {
    const json* at = &params;
    for (const char* key : {"capabilities", "workspace", "workspaceEdit", "documentChanges"}) {
        if (!at->is_object() || !at->contains(key)) return false;
        at = &(*at)[key];
    }
    return at->is_boolean() && at->get<bool>();
}

}  // namespace

ParsedBody parse_body(std::string_view body) {
    const json::parser_callback_t depth_guard = [](int depth, json::parse_event_t event, json&) {
        const bool opens =
            event == json::parse_event_t::object_start || event == json::parse_event_t::array_start;
        if (opens && depth >= deepest_nesting) throw TooDeep{};
        return true;
    };
    ParsedBody parsed;
    try {
        parsed.message = json::parse(body, depth_guard, false);
    } catch (const TooDeep&) {
        parsed.refusal = error_response(
            nullptr, error_code::parse_error,
            "the message nests deeper than " + std::to_string(deepest_nesting) + " levels");
        return parsed;
    }
    if (parsed.message.is_discarded()) {
        parsed.refusal =
            error_response(nullptr, error_code::parse_error, "the message is not JSON");
    }
    return parsed;
}

std::vector<json> LanguageServer::handle_body(std::string_view body) {
    ParsedBody parsed = parse_body(body);
    if (parsed.refusal) return {std::move(*parsed.refusal)};
    return handle(parsed.message);
}

std::vector<json> LanguageServer::handle(const json& message) {
    if (!message.is_object() || message.value("jsonrpc", json()) != "2.0") {
        return {error_response(nullptr, error_code::invalid_request,
                               "not a JSON-RPC 2.0 message object")};
    }
    const bool has_id = message.contains("id");
    const json id = has_id ? message["id"] : json();
    if (!message.contains("method")) {
        // A response to a request of ours: the server sends none that await one.
        if (has_id && (message.contains("result") || message.contains("error"))) return {};
        return {error_response(nullptr, error_code::invalid_request, "a message without method")};
    }
    static const json no_params = json::object();
    const auto given = message.find("params");
    const json& params = given == message.end() ? no_params : *given;
    if (!message["method"].is_string() || !valid_id(id) ||
        !(params.is_object() || params.is_array())) {
        return {error_response(valid_id(id) ? id : json(), error_code::invalid_request,
                               "method, id or params of the wrong type")};
    }
    const std::string method = message["method"].get<std::string>();
    outgoing_.clear();
    if (has_id) {
        std::vector<json> out = request(method, params);
        // The answer goes before the diagnostics it may have caused.
        out[0]["id"] = id;
        out.insert(out.end(), outgoing_.begin(), outgoing_.end());
        return out;
    }
    try {
        notification(method, params);
    } catch (const std::exception&) {
        // A notification with bad parameters has nobody to answer; it changes nothing.
    }
    return std::move(outgoing_);
}

std::vector<json> LanguageServer::request(const std::string& method, const json& params) {
    if (state_ == State::starting && method != "initialize") {
        return {error_response(nullptr, error_code::server_not_initialized,
                               "the server has not been initialized")};
    }
    if (state_ != State::starting && method == "initialize") {
        return {error_response(nullptr, error_code::invalid_request, "already initialized")};
    }
    if (state_ == State::shut_down || state_ == State::exited) {
        return {error_response(nullptr, error_code::invalid_request, "the server is shut down")};
    }
    try {
        return {response(nullptr, answer(method, params))};
    } catch (const json::exception& error) {
        return {error_response(nullptr, error_code::invalid_params, error.what())};
    } catch (const std::invalid_argument& error) {
        return {error_response(nullptr, error_code::invalid_params, error.what())};
    } catch (const UnknownMethod&) {
        return {error_response(nullptr, error_code::method_not_found, "no method " + method)};
    } catch (const std::exception& error) {
        return {error_response(nullptr, error_code::internal_error, error.what())};
    }
}

json LanguageServer::answer(const std::string& method, const json& params) {
    if (method == "initialize") {
        state_ = State::running;
        versioned_edits_ = client_takes_versioned_edits(params);
        return {
            {"capabilities",
             {{"positionEncoding", "utf-16"},
              {"textDocumentSync",
               {{"openClose", true}, {"change", full_sync}, {"save", {{"includeText", false}}}}},
              {"hoverProvider", true},
              {"documentSymbolProvider", true},
              {"documentFormattingProvider", true},
              {"codeActionProvider", {{"codeActionKinds", {"quickfix"}}}},
              {"completionProvider", {{"resolveProvider", false}}}}},
            {"serverInfo", {{"name", "scenc"}, {"version", version_}}}};
    }
    if (method == "shutdown") {
        state_ = State::shut_down;
        return nullptr;
    }
    const bool known = method == "textDocument/hover" || method == "textDocument/documentSymbol" ||
                       method == "textDocument/completion" || method == "textDocument/formatting" ||
                       method == "textDocument/codeAction";
    if (!known) throw UnknownMethod(method);
    const std::string uri = params.at("textDocument").at("uri").get<std::string>();
    const Document* open = document(uri);
    if (open == nullptr || open->too_large) {
        return method == "textDocument/hover" ? json() : json::array();
    }
    if (method == "textDocument/codeAction") return quick_fixes_for(uri, params);
    const TextRole role = open->role.value_or(guessed_role(open->text.single_byte()));
    if (method == "textDocument/documentSymbol") {
        return document_symbols(open->text, rows_of(uri, role));
    }
    if (method == "textDocument/formatting") return formatting_edits(open->text, role);
    const json& position = params.at("position");
    if (method == "textDocument/completion") return keyword_completions(open->text, role, position);
    const auto [line, column] = open->text.byte_place(position);
    const auto published = published_.find(uri);
    json hover = row_hover(open->text, rows_of(uri, role), line, column, compiled_for(uri));
    if (published == published_.end()) return hover;
    return with_explanations(std::move(hover), published->second, position);
}

// The quick fixes of the diagnostics last published for the text; each edit names the version
// of its text as the editor holds it now, which every change re-checks and re-publishes.
json LanguageServer::quick_fixes_for(const std::string& uri, const json& params) const {
    const auto published = published_.find(uri);
    const auto actions = published_actions_.find(uri);
    if (published == published_.end() || actions == published_actions_.end()) {
        return json::array();
    }
    const VersionOf version_of = [this](const std::string& edited) {
        const Document* open = document(edited);
        return open == nullptr ? json() : open->version;
    };
    return code_actions(params, published->second, actions->second, version_of, versioned_edits_);
}

void LanguageServer::notification(const std::string& method, const json& params) {
    if (method == "exit") {
        shut_down_before_exit_ = state_ == State::shut_down;
        state_ = State::exited;
        return;
    }
    if (state_ != State::running) return;
    if (method == "textDocument/didOpen") {
        const json& item = params.at("textDocument");
        open_or_change(item.at("uri").get<std::string>(),
                       item.at("text").get_ref<const std::string&>(),
                       item.value("version", json()));
    } else if (method == "textDocument/didChange") {
        const json& changes = params.at("contentChanges");
        if (changes.empty() || changes.back().contains("range")) return;
        const std::string uri = params.at("textDocument").at("uri").get<std::string>();
        // A change to a text never opened, or closed since, is no text to check.
        if (document(uri) == nullptr) return;
        open_or_change(uri, changes.back().at("text").get_ref<const std::string&>(),
                       params.at("textDocument").value("version", json()));
    } else if (method == "textDocument/didSave") {
        // Texts on disk may have changed with it.
        const std::string uri = params.at("textDocument").at("uri").get<std::string>();
        if (document(uri) != nullptr) refresh_for(uri);
    } else if (method == "textDocument/didClose") {
        close(params.at("textDocument").at("uri").get<std::string>());
    }
    // $/cancelRequest: every request is answered before the next message is read, so there is
    // nothing left to cancel here. Other notifications are not needed.
}

const LanguageServer::Document* LanguageServer::document(const std::string& uri) const {
    const auto found = documents_.find(uri);
    return found == documents_.end() ? nullptr : &found->second;
}

// A document's role stays while its text does, and a change replaces the document: the rows
// found once serve every request until then.
const std::vector<TextRow>& LanguageServer::rows_of(const std::string& uri, TextRole role) {
    Document& open = documents_.at(uri);
    if (!open.rows) open.rows = text_rows(open.text.single_byte(), role);
    return *open.rows;
}

void LanguageServer::open_or_change(const std::string& uri, const std::string& text,
                                    const json& version) {
    const bool too_large = text.size() > largest_text_file;
    documents_.insert_or_assign(uri,
                                Document{EditorText::from_editor(too_large ? std::string() : text),
                                         role_by_name(file_name_of(uri)), too_large, std::nullopt,
                                         version.is_number_integer() ? version : json()});
    refresh_for(uri);
}

void LanguageServer::close(const std::string& uri) {
    const auto found = documents_.find(uri);
    if (found == documents_.end()) return;
    const std::optional<TextRole> role = found->second.role;
    const std::optional<Route> route =
        role == TextRole::train ? route_for_train(uri) : std::nullopt;
    documents_.erase(found);
    checks_.erase(uri);
    publish(uri, json::array());
    published_.erase(uri);
    published_actions_.erase(uri);
    // The route's diagnostics lose what came from this train; a closed route is read from disk.
    if (route) refresh_route(route->uri);
    if (role == TextRole::route) refresh_route(uri);
}

void LanguageServer::refresh_for(const std::string& uri) {
    const Document& open = documents_.at(uri);
    if (open.too_large) {
        checks_.erase(uri);
        publish(uri, one_notice("this text is larger than " + size_in_mib(largest_text_file) +
                                ", more than a scenario text can be: it is not checked"));
        return;
    }
    if (!open.role) {
        publish(uri, one_notice("scenc checks texts named STEM_linea.txt (route) and "
                                "STEM_N-.txt (train); this name is neither"));
        return;
    }
    if (*open.role == TextRole::route) return refresh_route(uri);
    if (const std::optional<Route> route = route_for_train(uri)) return refresh_route(route->uri);
    refresh_lone_train(uri);
}

void LanguageServer::refresh_lone_train(const std::string& uri) {
    checks_.erase(uri);
    publish(uri, one_notice("no route text STEM_linea.txt for this train text in its folder, "
                            "open or on disk: it is checked once there is one"));
}

// Every open train text of the route is checked against it; the route text shows what all
// those checks find in it, or, with no train text open, what a check with an empty train
// text finds.
void LanguageServer::refresh_route(const std::string& route_uri) {
    const std::optional<Route> route = route_at(route_uri);
    const std::vector<std::string> trains = open_trains_of(route_uri);
    std::map<std::string, json> gathered;
    std::map<std::string, std::vector<json>> gathered_actions;
    // The diagnostics gathered so far, as the checks cached in checks_ hold them: each check
    // keeps its lists until its texts change, so pointers into them stay valid here.
    const auto by_value = [](const json* a, const json* b) { return *a < *b; };
    std::map<std::string, std::set<const json*, decltype(by_value)>> gathered_seen;
    for (const std::string& train : trains) {
        if (!route) {
            refresh_lone_train(train);
            continue;
        }
        const Checked& check = checked(train, *route, train);
        for (const auto& [uri, list] : check.diagnostics) {
            json& all = gathered[uri];
            if (all.is_null()) all = json::array();
            std::vector<json>& all_actions = gathered_actions[uri];
            const std::vector<json>& actions = check.actions.at(uri);
            auto& seen = gathered_seen.try_emplace(uri, by_value).first->second;
            for (std::size_t i = 0; i < list.size(); ++i) {
                if (!seen.insert(&list[i]).second) continue;
                all.push_back(list[i]);
                all_actions.push_back(i < actions.size() ? actions[i] : json::array());
            }
        }
    }
    if (route && trains.empty() && document(route_uri) != nullptr) {
        const Checked& check = checked(route_uri, *route, "");
        gathered = check.diagnostics;
        gathered_actions = check.actions;
    }
    for (auto& [uri, list] : gathered) {
        if (document(uri) != nullptr) {
            publish(uri, std::move(list), std::move(gathered_actions[uri]));
        }
    }
    if (document(route_uri) != nullptr && !gathered.contains(route_uri)) {
        publish(route_uri, json::array());
    }
}

const LanguageServer::Checked& LanguageServer::checked(const std::string& key, const Route& route,
                                                       const std::string& train_uri) {
    const Document* train = train_uri.empty() ? nullptr : document(train_uri);
    static const EditorText no_text = EditorText::from_disk("");
    const EditorText& train_text = train ? train->text : no_text;
    const auto cached = checks_.find(key);
    if (cached != checks_.end() && cached->second.route_uri == route.uri &&
        cached->second.route_text == route.text.single_byte() &&
        cached->second.train_text == train_text.single_byte()) {
        return cached->second;
    }
    const std::string route_name = file_name_of(route.uri);
    const std::string train_name =
        train ? file_name_of(train_uri) : route.id.route_stem + "_(no train text)-.txt";
    const CheckResult result = check_scenario(
        {route_name, route.text.single_byte()}, {train_name, train_text.single_byte()}, route.id,
        CheckOptions{most_errors, {.none = false, .off = {}, .most = most_warnings}},
        &track_storage_);
    TextSites sites{{route_name, {route.uri, &route.text}}};
    if (train) sites.insert({train_name, {train_uri, &train_text}});
    ByUri split = by_uri(result, sites, train ? train_name : "");
    Checked& entry = checks_[key];
    entry = {route.uri, route.text.single_byte(), train_text.single_byte(),
             std::move(split.diagnostics), std::move(split.actions)};
    return entry;
}

std::optional<LanguageServer::Route> LanguageServer::route_at(const std::string& route_uri) const {
    const std::string name = file_name_of(route_uri);
    Identity id{name.substr(0, name.size() - route_suffix.size()), "0"};
    if (const Document* open = document(route_uri)) {
        if (open->too_large) return std::nullopt;
        return Route{route_uri, open->text, id};
    }
    const std::optional<std::string> path = path_of(route_uri);
    if (!path) return std::nullopt;
    std::optional<std::string> content = read_file_(*path);
    if (!content) return std::nullopt;
    return Route{route_uri, EditorText::from_disk(std::move(*content)), id};
}

// The route of a train text STEM_N-.txt is STEM_linea.txt beside it; a stem may hold "_"
// itself, so each split is tried, the longest stem first, open texts before those on disk.
std::optional<LanguageServer::Route> LanguageServer::route_for_train(
    const std::string& train_uri) const {
    const std::string name = file_name_of(train_uri);
    std::vector<std::pair<std::string, Identity>> candidates;
    for (std::size_t split = name.rfind('_'); split != std::string::npos && split > 0;
         split = name.rfind('_', split - 1)) {
        const std::string route_name = name.substr(0, split) + std::string(route_suffix);
        Identity id;
        try {
            id = identity_from_names(route_name, name, std::nullopt, std::nullopt);
        } catch (const UsageProblem&) {
            continue;
        }
        std::string uri = sibling_uri(train_uri, route_name);
        // The editor may spell the URI differently from ours.
        for (const auto& [open_uri, open] : documents_) {
            if (open.role == TextRole::route && folder_of(open_uri) == folder_of(train_uri) &&
                file_name_of(open_uri) == route_name) {
                uri = open_uri;
            }
        }
        candidates.emplace_back(std::move(uri), std::move(id));
    }
    for (bool open : {true, false}) {
        for (const auto& [uri, id] : candidates) {
            if ((document(uri) != nullptr) != open) continue;
            if (std::optional<Route> route = route_at(uri)) {
                route->id = id;
                return route;
            }
        }
    }
    return std::nullopt;
}

std::vector<std::string> LanguageServer::open_trains_of(const std::string& route_uri) const {
    std::vector<std::string> trains;
    for (const auto& [uri, open] : documents_) {
        if (open.role != TextRole::train || open.too_large) continue;
        const std::optional<Route> route = route_for_train(uri);
        if (route && route->uri == route_uri) trains.push_back(uri);
    }
    return trains;
}

// The model compiled from the text's scenario, for hover: a train text with its route, a
// route text with its first open train text or else an empty one.
const Model* LanguageServer::compiled_for(const std::string& uri) {
    const Document& open = documents_.at(uri);
    std::optional<Route> route;
    std::string train_uri;
    if (open.role == TextRole::train) {
        route = route_for_train(uri);
        train_uri = uri;
    } else if (open.role == TextRole::route) {
        route = route_at(uri);
        const std::vector<std::string> trains = open_trains_of(uri);
        if (!trains.empty()) train_uri = trains.front();
    }
    if (!route) return nullptr;
    const std::string& route_text = route->text.single_byte();
    const std::string train_text =
        train_uri.empty() ? "" : documents_.at(train_uri).text.single_byte();
    if (!hovered_ || hovered_->route_uri != route->uri || hovered_->train_uri != train_uri ||
        hovered_->route_text != route_text || hovered_->train_text != train_text) {
        // The model of the last hover gives its table's memory to the next.
        std::vector<TrackCell> spare =
            hovered_ ? std::move(hovered_->model.cells) : std::vector<TrackCell>{};
        hovered_ = Compiled{route->uri, train_uri, route_text, train_text,
                            compile_texts({file_name_of(route->uri), route_text},
                                          {file_name_of(train_uri), train_text}, route->id, true,
                                          {}, std::move(spare))};
    }
    return &hovered_->model;
}

void LanguageServer::publish(const std::string& uri, json diagnostics, std::vector<json> actions) {
    published_actions_[uri] = std::move(actions);
    json& last = published_[uri];
    if (last == diagnostics) return;
    last = diagnostics;
    outgoing_.push_back(notice("textDocument/publishDiagnostics",
                               {{"uri", uri}, {"diagnostics", std::move(diagnostics)}}));
}

}  // namespace scenario::scenc::lsp
