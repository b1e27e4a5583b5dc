// scenc lsp: the language server on standard input and output.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "scenc/lsp/language_server.h"
#include "scenc/lsp/lsp_framing.h"

namespace scenario::scenc::lsp {

// The framed replies to messages that arrived together, each handled in turn; a request that
// a later $/cancelRequest among them names is answered RequestCancelled instead. A header
// that cannot be read is told on log.
std::string serve_frames(LanguageServer& server, const std::vector<Frame>& frames,
                         std::ostream& log);

// Serves one editor over a file descriptor and a stream until it sends exit, or closes its
// end; the exit status is 0 after shutdown and exit, 1 otherwise.
int run_language_server(int input, std::ostream& output, std::ostream& log,
                        const std::string& version);

// A route text from disk, for the server; nothing when it cannot be read.
std::optional<std::string> read_text_file(const std::string& path);

}  // namespace scenario::scenc::lsp
