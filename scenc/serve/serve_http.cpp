#include "scenc/serve/serve_http.h"

#include <algorithm>
#include <cctype>

namespace scenario::scenc {

namespace {

bool same_letters(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

bool all_digits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c)) != 0;
    });
}

// The host name of a Host header, without its port; empty when the port is not a number.
std::string_view host_name(std::string_view host) {
    // "[::1]:8917": the port follows the bracket.
    std::size_t colon = host.starts_with('[') ? host.find("]:") : host.rfind(':');
    if (colon == std::string_view::npos) return host;
    if (host.starts_with('[')) ++colon;
    if (!all_digits(host.substr(colon + 1))) return {};
    return host.substr(0, colon);
}

}  // namespace

bool is_loopback_host(std::string_view host) {
    const std::string_view name = host_name(host);
    return same_letters(name, "localhost") || name == "127.0.0.1" || name == "[::1]";
}

ServeTarget serve_target(std::string_view method, std::string_view path, std::string_view host) {
    if (!is_loopback_host(host)) return ServeTarget::foreign_host;
    if (method != "GET" && method != "HEAD") return ServeTarget::method_not_allowed;
    if (path == "/") return ServeTarget::page;
    if (path == data_path) return ServeTarget::data;
    if (path == events_path) return ServeTarget::events;
    return ServeTarget::not_found;
}

std::string event_message(std::string_view event, std::string_view data) {
    std::string message = "event: " + std::string(event) + "\n";
    for (std::size_t start = 0;;) {
        std::size_t end = data.find('\n', start);
        message += "data: " + std::string(data.substr(start, end - start)) + "\n";
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return message + "\n";
}

}  // namespace scenario::scenc
