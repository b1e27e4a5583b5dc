// scenc's language server: the scenario texts open in an editor, checked as the author types.
// It takes one message at a time and returns the messages to send back (responses and
// notifications); it does no input or output of its own but reading a route text that is not
// open in the editor, through the function it is given. It never writes a file.
#pragma once

#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/check.h"
#include "scenc/lsp/lsp_code_actions.h"
#include "scenc/lsp/lsp_features.h"
#include "scenc/lsp/lsp_text.h"

namespace scenario::scenc::lsp {

// JSON-RPC and LSP error codes.
namespace error_code {
constexpr int parse_error = -32700;
constexpr int invalid_request = -32600;
constexpr int method_not_found = -32601;
constexpr int invalid_params = -32602;
constexpr int internal_error = -32603;
constexpr int server_not_initialized = -32002;
constexpr int request_cancelled = -32800;
}  // namespace error_code

// The content of a file by its path, or nothing when it cannot be read.
using ReadFile = std::function<std::optional<std::string>(const std::string& path)>;

// A request's error response.
nlohmann::json error_response(const nlohmann::json& id, int code, const std::string& message);

// No client nests its messages this deep; a deeper body is refused unread rather than
// walked, since copying, comparing and writing JSON all recurse into it.
constexpr int deepest_nesting = 256;

// A message body parsed: the message, or the error response a body that is not JSON, or is
// nested deeper than deepest_nesting, gets.
struct ParsedBody {
    nlohmann::json message;
    std::optional<nlohmann::json> refusal;
};
ParsedBody parse_body(std::string_view body);

class LanguageServer {
  public:
    LanguageServer(ReadFile read_file, std::string version);

    std::vector<nlohmann::json> handle(const nlohmann::json& message);
    // A message body as it came: one that is not JSON gets a ParseError response.
    std::vector<nlohmann::json> handle_body(std::string_view body);

    bool exit_requested() const { return state_ == State::exited; }
    // 0 after an exit that followed shutdown, 1 otherwise.
    int exit_status() const { return shut_down_before_exit_ ? 0 : 1; }

  private:
    enum class State { starting, running, shut_down, exited };

    struct Document {
        EditorText text;
        std::optional<TextRole> role;  // none: the name tells neither kind of text
        // Larger than a scenario text can be: kept without its text and not checked.
        bool too_large = false;
        // The text's rows, found at the first request that needs them: every hover and the
        // outline read them, and an editor asks for many between two changes.
        std::optional<std::vector<TextRow>> rows;
        nlohmann::json version;  // the editor's version of the text, null when not given
    };
    // A route text for a train or for hover, from the editor or from disk.
    struct Route {
        std::string uri;
        EditorText text;
        Identity id;
    };
    // The last check of one train text (or of a route text alone), kept until its inputs
    // change: the texts it read and the diagnostics it gave for each URI.
    struct Checked {
        std::string route_uri;
        std::string route_text;
        std::string train_text;
        std::map<std::string, nlohmann::json> diagnostics;
        // Beside each diagnostic, its quick fixes (quick_fixes).
        std::map<std::string, std::vector<nlohmann::json>> actions;
    };

    std::vector<nlohmann::json> request(const std::string& method, const nlohmann::json& params);
    nlohmann::json answer(const std::string& method, const nlohmann::json& params);
    void notification(const std::string& method, const nlohmann::json& params);

    void open_or_change(const std::string& uri, const std::string& text,
                        const nlohmann::json& version);
    void close(const std::string& uri);
    void refresh_for(const std::string& uri);
    void refresh_route(const std::string& route_uri);
    void refresh_lone_train(const std::string& uri);
    std::optional<Route> route_for_train(const std::string& train_uri) const;
    std::optional<Route> route_at(const std::string& route_uri) const;
    std::vector<std::string> open_trains_of(const std::string& route_uri) const;
    const Checked& checked(const std::string& key, const Route& route,
                           const std::string& train_uri);
    void publish(const std::string& uri, nlohmann::json diagnostics,
                 std::vector<nlohmann::json> actions = {});
    nlohmann::json quick_fixes_for(const std::string& uri, const nlohmann::json& params) const;
    const Document* document(const std::string& uri) const;
    const std::vector<TextRow>& rows_of(const std::string& uri, TextRole role);
    const Model* compiled_for(const std::string& uri);

    ReadFile read_file_;
    std::string version_;
    State state_ = State::starting;
    bool shut_down_before_exit_ = false;
    std::map<std::string, Document> documents_;
    std::map<std::string, Checked> checks_;
    std::map<std::string, nlohmann::json> published_;
    // Beside each published diagnostic, its quick fixes.
    std::map<std::string, std::vector<nlohmann::json>> published_actions_;
    // Whether the client takes versioned document edits in a workspace edit.
    bool versioned_edits_ = false;
    // The model of the last hover and the texts it was compiled from: hovers over the same
    // texts compile once.
    struct Compiled {
        std::string route_uri;
        std::string train_uri;
        std::string route_text;
        std::string train_text;
        Model model;
    };
    std::optional<Compiled> hovered_;
    // The cell tables of the last check, lent to the next: a check runs at every change.
    TrackStorage track_storage_;
    std::vector<nlohmann::json> outgoing_;
};

// The file's role by its name: STEM_linea.txt a route text, STEM_N-.txt a train text.
std::optional<TextRole> role_by_name(std::string_view file_name);

}  // namespace scenario::scenc::lsp
