#include "scenc/serve/serve_http.h"

#include <gtest/gtest.h>

namespace scenario::scenc {
namespace {

TEST(ServeHttp, OnlyLoopbackHostNamesAreTaken) {
    for (const char* host : {"localhost", "localhost:8917", "LocalHost:1", "127.0.0.1",
                             "127.0.0.1:8917", "[::1]", "[::1]:8917"}) {
        EXPECT_TRUE(is_loopback_host(host)) << host;
    }
    // Names a rebinding page would send, and headers that only look like loopback ones.
    for (const char* host : {"", "example.com", "example.com:8917", "localhost.example.com",
                             "127.0.0.1.nip.io", "127.0.0.2:8917", "0.0.0.0:8917", "localhost:89x",
                             "localhost:", "[::1]x", "::1", "localhost:8917:1", "127.0.0.1 "}) {
        EXPECT_FALSE(is_loopback_host(host)) << '"' << host << '"';
    }
}

TEST(ServeHttp, RequestsGoToThePageTheDataOrTheEvents) {
    struct Case {
        const char* method;
        const char* path;
        const char* host;
        ServeTarget target;
    };
    const Case cases[] = {
        {"GET", "/", "127.0.0.1:8917", ServeTarget::page},
        {"HEAD", "/", "localhost", ServeTarget::page},
        {"GET", "/data.json", "localhost:8917", ServeTarget::data},
        {"GET", "/events", "[::1]:8917", ServeTarget::events},
        {"GET", "/index.html", "localhost", ServeTarget::not_found},
        {"GET", "/events/", "localhost", ServeTarget::not_found},
        {"GET", "/../texts/route.txt", "localhost", ServeTarget::not_found},
        {"POST", "/", "localhost", ServeTarget::method_not_allowed},
        {"PUT", "/data.json", "localhost", ServeTarget::method_not_allowed},
        // The Host check comes first: a foreign page learns nothing, not even what exists.
        {"GET", "/", "attacker.example:8917", ServeTarget::foreign_host},
        {"POST", "/nothing", "attacker.example", ServeTarget::foreign_host},
        {"GET", "/events", "", ServeTarget::foreign_host},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(serve_target(c.method, c.path, c.host), c.target)
            << c.method << " " << c.path << " Host: " << c.host;
    }
}

TEST(ServeHttp, EventMessagesCarryEachDataLineAndEndWithAnEmptyLine) {
    EXPECT_EQ(event_message("state", "{\"version\":3}"), "event: state\ndata: {\"version\":3}\n\n");
    // A line break in the data must not end the message early.
    EXPECT_EQ(event_message("state", "a\nb\n"), "event: state\ndata: a\ndata: b\ndata: \n\n");
    EXPECT_EQ(event_message("state", ""), "event: state\ndata: \n\n");
}

}  // namespace
}  // namespace scenario::scenc
