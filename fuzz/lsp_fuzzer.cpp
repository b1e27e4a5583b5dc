// Fuzzes scenc's language server. The first byte chooses how the rest is given to it: with
// its low bit clear, as the bytes an editor sends (headers and bodies, any of them broken),
// fed to the frame reader in pieces of a size the second byte gives, after a proper
// initialize; with it set, as a route and a train text (split at the first NUL) that an
// editor opens, asks one request of (the first byte's other bits choose which, of which text,
// and whether the route is changed before the texts close), and closes. Every reply must be
// framed JSON; nothing may throw.
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>

#include "fuzz/fuzz_invariants.h"
#include "scenc/lsp/language_server.h"
#include "scenc/lsp/lsp.h"

using namespace scenario::scenc::lsp;
using nlohmann::json;

namespace {

const std::string route_uri = "file:///f/S_linea.txt";
const std::string train_uri = "file:///f/S_1-.txt";

std::optional<std::string> no_disk(const std::string&) {
    return std::nullopt;
}

json message(const std::string& method, json params, std::optional<int> id = std::nullopt) {
    json out = {{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}};
    if (id) out["id"] = *id;
    return out;
}

void check_framed(const std::string& out) {
    FrameReader reader;
    reader.feed(out);
    while (std::optional<Frame> frame = reader.next()) {
        if (!frame->body || json::parse(*frame->body, nullptr, false).is_discarded())
            __builtin_trap();
    }
}

void serve_bytes(std::string_view bytes, std::size_t piece) {
    LanguageServer server(no_disk, "fuzz");
    std::ostringstream log;
    FrameReader reader;
    reader.feed(framed(message("initialize", json::object(), 0).dump()));
    for (std::size_t at = 0; at <= bytes.size() && !server.exit_requested(); at += piece) {
        reader.feed(bytes.substr(at, piece));
        std::vector<Frame> frames;
        while (std::optional<Frame> frame = reader.next()) frames.push_back(std::move(*frame));
        check_framed(serve_frames(server, frames, log));
    }
}

// One request of an editor about an open text, at a line and a column where it has one.
using Request = json (*)(const json& document, const json& position);

json document_only(const json& document, const json&) {
    return {{"textDocument", document}};
}

json at_position(const json& document, const json& position) {
    return {{"textDocument", document}, {"position", position}};
}

json formatting(const json& document, const json&) {
    return {{"textDocument", document}, {"options", {{"tabSize", 4}, {"insertSpaces", true}}}};
}

// The quick fixes of every diagnostic of the text: a range over the whole of it.
json code_actions(const json& document, const json&) {
    return {{"textDocument", document},
            {"range",
             {{"start", {{"line", 0}, {"character", 0}}},
              {"end", {{"line", 1 << 30}, {"character", 0}}}}},
            {"context", {{"diagnostics", json::array()}}}};
}

struct RequestKind {
    const char* method;
    Request params;
};

// Each input asks one of these: a check of the pair on every open and change costs far more
// than any of them, so asking every one of them of every input mostly repeats work.
constexpr RequestKind request_kinds[] = {
    {"textDocument/hover", at_position},
    {"textDocument/completion", at_position},
    {"textDocument/documentSymbol", document_only},
    {"textDocument/formatting", formatting},
    {"textDocument/codeAction", code_actions},
};

// What an input of texts asks, from the bits of its first byte above the lowest: bits 1 to 3
// the request (round the kinds), bit 4 the text (the train's, else the route's), bits 5 and 6
// both set whether the route is changed (to the train text, checked again) before both close.
// A change costs a second check, as much as the rest of the input, and runs the same code as
// an open: one input in four asks for it.
struct Session {
    const RequestKind* request;
    bool of_train;
    bool changes_route;
};

Session session_of(std::uint8_t flags) {
    constexpr std::size_t kinds = std::size(request_kinds);
    return {&request_kinds[(flags >> 1 & 7u) % kinds], (flags & 0x10u) != 0,
            (flags & 0x60u) == 0x60u};
}

void send_to(LanguageServer& server, const json& m) {
    for (const json& reply : server.handle(m)) {
        (void)reply.dump(-1, ' ', false, json::error_handler_t::replace);
    }
}

// One server, initialized once, for every input of texts, as an editor keeps one for a
// session: each input opens its texts and closes them again, which leaves the server with no
// document, as it found it, keeping only what it keeps for speed (the memory of the last
// check's tracks, the last hover's model, the completion items).
LanguageServer& session_server() {
    static LanguageServer server(no_disk, "fuzz");
    static const bool initialized =
        (send_to(server, message("initialize", json::object(), 0)), true);
    (void)initialized;
    return server;
}

void edit_texts(std::uint8_t flags, std::string_view text) {
    const Session session = session_of(flags);
    const std::size_t split = text.find('\0');
    const std::string route(text.substr(0, split));
    const std::string train(split == std::string_view::npos ? "" : text.substr(split + 1));
    LanguageServer& server = session_server();
    int id = 0;
    auto send = [&](const json& m) { send_to(server, m); };
    auto open = [&](const std::string& uri, const std::string& content) {
        send(message("textDocument/didOpen",
                     {{"textDocument", {{"uri", uri}, {"version", 1}, {"text", content}}}}));
    };
    open(train_uri, train);
    open(route_uri, route);
    // The row asked about: one of the first eight lines, where every text has rows.
    const int line = static_cast<int>(scenario::fuzzing::input_hash(text) % 8);
    const json document = {{"uri", session.of_train ? train_uri : route_uri}};
    const json position = {{"line", line}, {"character", line * 3}};
    send(message(session.request->method, session.request->params(document, position), ++id));
    if (session.changes_route) {
        send(message("textDocument/didChange", {{"textDocument", {{"uri", route_uri}}},
                                                {"contentChanges", {{{"text", train}}}}}));
    }
    send(message("textDocument/didClose", {{"textDocument", {{"uri", route_uri}}}}));
    send(message("textDocument/didClose", {{"textDocument", {{"uri", train_uri}}}}));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::string_view rest = scenario::fuzzing::as_text(data + 2, size - 2);
    if ((data[0] & 1) == 0) {
        serve_bytes(rest, std::size_t{1} + data[1]);
    } else {
        edit_texts(data[0], scenario::fuzzing::as_text(data + 1, size - 1));
    }
    return 0;
}
