// scenc serve: the view of two texts, compiled in memory and shown again in the open page
// each time one of them is saved.
#pragma once

#include <iosfwd>

#include "scenc/commands/compile_commands.h"

namespace scenario::scenc {

struct ServeRequest {
    CompileRequest texts;  // the route and train texts, and the identity options
    int port = 8917;       // 0 for any free port
    bool open = false;     // open the page in the desktop's browser
};

// Serves the view on 127.0.0.1 until SIGINT or SIGTERM, then returns 0. Returns 2 when the
// names tell no identity, a text cannot be read at the start or the port is taken. Writes no
// file.
int run_serve(const ServeRequest& request, std::ostream& out, std::ostream& err);

}  // namespace scenario::scenc
