// scenc serve's answers, apart from the HTTP library: which requests it takes, and the
// messages of its event stream.
#pragma once

#include <string>
#include <string_view>

namespace scenario::scenc {

// Whether a Host header names this machine's loopback: localhost, 127.0.0.1 or [::1], with or
// without a port. A page elsewhere that reaches the server through a name of its own (DNS
// rebinding) sends that name, and is refused.
bool is_loopback_host(std::string_view host);

enum class ServeTarget {
    page,                // the view page
    data,                // the view data of the last good compile, as JSON
    events,              // the event stream that tells the page of every rebuild
    foreign_host,        // 403
    not_found,           // 404
    method_not_allowed,  // 405
};

// What a request asks for, from its method, path and Host header. Only GET and HEAD of the
// server's own three paths are answered, and only for a loopback Host.
ServeTarget serve_target(std::string_view method, std::string_view path, std::string_view host);

// The paths the page finds its data and its events at.
inline constexpr std::string_view data_path = "/data.json";
inline constexpr std::string_view events_path = "/events";

// One event-stream message: "event: NAME", then each line of the data as "data: LINE", then
// an empty line.
std::string event_message(std::string_view event, std::string_view data);

}  // namespace scenario::scenc
