#include "scenc/lsp/lsp.h"

#include <unistd.h>

#include <cerrno>
#include <set>

#include "scenc/common/input_files.h"

namespace scenario::scenc::lsp {

namespace {

using nlohmann::json;

// The ids of the requests that a $/cancelRequest among the frames names.
std::set<json> cancelled_ids(const std::vector<json>& messages) {
    std::set<json> ids;
    for (const json& message : messages) {
        if (!message.is_object() || message.value("method", json()) != "$/cancelRequest") continue;
        const json params = message.value("params", json::object());
        if (params.is_object() && params.contains("id")) ids.insert(params["id"]);
    }
    return ids;
}

std::string framed_json(const json& message) {
    // Replies quote the texts; a byte that is not UTF-8 must not stop the reply.
    return framed(message.dump(-1, ' ', false, json::error_handler_t::replace));
}

}  // namespace

std::string serve_frames(LanguageServer& server, const std::vector<Frame>& frames,
                         std::ostream& log) {
    std::vector<ParsedBody> parsed;
    std::vector<json> messages;
    for (const Frame& frame : frames) {
        parsed.push_back(frame.body ? parse_body(*frame.body) : ParsedBody{});
        messages.push_back(std::move(parsed.back().message));
    }
    const std::set<json> cancelled = cancelled_ids(messages);
    std::string out;
    for (std::size_t i = 0; i < frames.size() && !server.exit_requested(); ++i) {
        if (!frames[i].body) {
            log << "scenc lsp: a message header that cannot be read (" << frames[i].problem
                << "); reading goes on at the next header\n";
            continue;
        }
        const json& message = messages[i];
        std::vector<json> replies;
        if (parsed[i].refusal) {
            replies = {*parsed[i].refusal};
        } else if (message.is_object() && message.contains("method") && message.contains("id") &&
                   cancelled.contains(message["id"])) {
            replies = {error_response(message["id"], error_code::request_cancelled,
                                      "cancelled before it was handled")};
        } else {
            replies = server.handle(message);
        }
        for (const json& reply : replies) out += framed_json(reply);
    }
    return out;
}

int run_language_server(int input, std::ostream& output, std::ostream& log,
                        const std::string& version) {
    LanguageServer server(read_text_file, version);
    FrameReader reader;
    char buffer[65536];
    while (!server.exit_requested()) {
        const ssize_t count = ::read(input, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) break;
        reader.feed(std::string_view(buffer, static_cast<std::size_t>(count)));
        std::vector<Frame> frames;
        while (std::optional<Frame> frame = reader.next()) frames.push_back(std::move(*frame));
        output << serve_frames(server, frames, log) << std::flush;
    }
    if (!server.exit_requested()) {
        if (const std::optional<std::string> rest = reader.unfinished()) {
            log << "scenc lsp: the input ended inside a message: " << *rest << "\n";
        } else {
            log << "scenc lsp: the input ended without an exit notification\n";
        }
    }
    return server.exit_status();
}

std::optional<std::string> read_text_file(const std::string& path) {
    try {
        return read_any_text(path);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

}  // namespace scenario::scenc::lsp
