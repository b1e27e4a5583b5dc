#include "scenc/commands/serve.h"

#include <httplib.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <nlohmann/json.hpp>
#include <ostream>
#include <thread>

#include "scenc/common/identity_from_names.h"
#include "scenc/common/input_files.h"
#include "scenc/review/view.h"
#include "scenc/serve/file_watch.h"
#include "scenc/serve/live_view.h"
#include "scenc/serve/serve_http.h"

extern char** environ;

namespace scenario::scenc {

namespace {

// Each open page holds one thread with its event stream; the others answer everything else.
constexpr std::size_t server_threads = 8;
constexpr std::size_t most_event_streams = 4;
// Saves come as several events (a new file, then its rename; or a write, then its close):
// the rebuild waits until the folder has been quiet this long.
constexpr int settle_ms = 30;

// The texts as they are on disk now; a text that cannot be read is one of the problems shown.
Rebuilt rebuild_from_disk(const ServeRequest& request, const Identity& id) {
    const CompileRequest& texts = request.texts;
    std::vector<std::string> unreadable;
    std::string route_text, train_text;
    for (auto [path, text] : {std::pair{&texts.route, &route_text}, {&texts.train, &train_text}}) {
        try {
            *text = read_scenario_text(*path);
        } catch (const UsageProblem& problem) {
            unreadable.push_back(problem.what());
        }
    }
    if (!unreadable.empty()) return {std::nullopt, unreadable};
    return rebuild_view({texts.route.string(), route_text}, {texts.train.string(), train_text}, id);
}

void send_event_stream(httplib::Response& response, LiveState& state) {
    const std::uint64_t stream = state.open_stream();
    response.set_chunked_content_provider(
        "text/event-stream",
        [&state, stream, seen = std::uint64_t{0}](std::size_t, httplib::DataSink& sink) mutable {
            const std::optional<LiveSnapshot> snapshot = state.next(stream, seen);
            if (!snapshot) {
                sink.done();
                return true;
            }
            // A page whose server was restarted finds it again within a second.
            const std::string message =
                (seen == 0 ? "retry: 1000\n\n" : "") + state_event(*snapshot);
            seen = snapshot->version;
            return sink.write(message.data(), message.size());
        },
        [&state, stream](bool) { state.close_stream(stream); });
}

void answer(const httplib::Request& request, httplib::Response& response, LiveState& state) {
    response.set_header("Cache-Control", "no-store");
    switch (serve_target(request.method, request.path, request.get_header_value("Host"))) {
        case ServeTarget::page: {
            const LiveSnapshot now = state.current();
            const nlohmann::json live{
                {"events", events_path}, {"data", data_path}, {"view", now.view_version}};
            response.set_content(
                view_page_with_data(now.view_json ? *now.view_json : "null", live.dump()),
                "text/html; charset=utf-8");
            return;
        }
        case ServeTarget::data: {
            const LiveSnapshot now = state.current();
            response.set_content(now.view_json ? *now.view_json : "null", "application/json");
            return;
        }
        case ServeTarget::events:
            if (request.method == "GET") send_event_stream(response, state);
            return;
        case ServeTarget::foreign_host:
            response.status = 403;
            response.set_content("this server answers only requests for localhost\n", "text/plain");
            return;
        case ServeTarget::method_not_allowed:
            response.status = 405;
            response.set_header("Allow", "GET, HEAD");
            return;
        case ServeTarget::not_found:
            response.status = 404;
            response.set_content("not found\n", "text/plain");
            return;
    }
}

void configure(httplib::Server& server, LiveState& state) {
    server.new_task_queue = [] { return new httplib::ThreadPool(server_threads); };
    // One request per connection: a kept-alive connection is waited on by polling, which
    // would keep an idle server busy.
    server.set_keep_alive_max_count(1);
    server.set_keep_alive_timeout(2);
    server.set_read_timeout(2);
    // The library would also set SO_REUSEPORT, with which a second server shares the port
    // instead of finding it in use.
    server.set_socket_options([](int socket) {
        int on = 1;
        ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    });
    server.set_pre_routing_handler(
        [&state](const httplib::Request& request, httplib::Response& response) {
            answer(request, response, state);
            return httplib::Server::HandlerResponse::Handled;
        });
}

// SIGINT and SIGTERM arrive on a descriptor that the watch loop polls; they are blocked
// before any thread starts, so that none of them takes the signal instead.
int signal_descriptor() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    // A page closed while its event is sent must not end the server.
    ::signal(SIGPIPE, SIG_IGN);
    const int descriptor = signalfd(-1, &signals, SFD_CLOEXEC);
    if (descriptor < 0) throw std::runtime_error(std::string("signalfd: ") + std::strerror(errno));
    return descriptor;
}

// Waits until the watched folders have been quiet for a moment, reading what comes.
void let_saves_settle(FileWatch& watch) {
    pollfd watched{watch.descriptor(), POLLIN, 0};
    while (::poll(&watched, 1, settle_ms) > 0) watch.read_changes();
}

// Rebuilds at every change of a text until a signal comes.
void follow_texts(const ServeRequest& request, const Identity& id, FileWatch& watch, int signals,
                  LiveState& state) {
    pollfd waiting[2] = {{signals, POLLIN, 0}, {watch.descriptor(), POLLIN, 0}};
    for (;;) {
        if (::poll(waiting, 2, -1) < 0) {
            if (errno == EINTR) continue;
            throw std::runtime_error(std::string("poll: ") + std::strerror(errno));
        }
        if (waiting[0].revents != 0) return;
        if (!watch.read_changes()) continue;
        let_saves_settle(watch);
        state.publish(rebuild_from_disk(request, id));
    }
}

void open_in_browser(const std::string& url, std::ostream& err) {
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
    pid_t child = 0;
    char* arguments[] = {const_cast<char*>("xdg-open"), const_cast<char*>(url.c_str()), nullptr};
    const int failed = posix_spawnp(&child, "xdg-open", nullptr, &attributes, arguments, environ);
    posix_spawnattr_destroy(&attributes);
    if (failed != 0) {
        err << "scenc: cannot start xdg-open (" << std::strerror(failed) << "); open " << url
            << " in a browser\n";
    }
}

// The server's thread, ended and joined however serving ends.
class ServerThread {
  public:
    explicit ServerThread(httplib::Server& server)
        : server_(server), thread_([&server] { server.listen_after_bind(); }) {
        // stop() ends only a server that is already running; a signal may come at once.
        for (int waited = 0; !server.is_running() && waited < 1000; ++waited) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    ~ServerThread() {
        server_.stop();
        thread_.join();
    }

  private:
    httplib::Server& server_;
    std::thread thread_;
};

}  // namespace

int run_serve(const ServeRequest& request, std::ostream& out, std::ostream& err) {
    return report_problems(err, [&] {
        const CompileRequest& texts = request.texts;
        const Identity id =
            identity_from_names(texts.route, texts.train, texts.stem, texts.train_number);
        for (const auto& path : {texts.route, texts.train}) read_scenario_text(path);
        const int signals = signal_descriptor();
        FileWatch watch({texts.route, texts.train});
        LiveState state(most_event_streams);
        state.publish(rebuild_from_disk(request, id));

        httplib::Server server;
        configure(server, state);
        int port = request.port;
        if (port == 0) {
            port = server.bind_to_any_port("127.0.0.1");
        } else if (!server.bind_to_port("127.0.0.1", port)) {
            port = -1;
        }
        if (port < 0) {
            throw UsageProblem("cannot listen on 127.0.0.1:" + std::to_string(request.port) +
                               ": the port is in use (choose another with --port)");
        }
        const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/";
        {
            ServerThread serving(server);
            out << "scenc serve: " << url << " shows " << texts.route.string() << " and "
                << texts.train.string() << "; Ctrl-C ends" << std::endl;
            if (request.open) open_in_browser(url, err);
            try {
                follow_texts(request, id, watch, signals, state);
            } catch (...) {
                state.close();
                throw;
            }
            state.close();
        }
        ::close(signals);
        return 0;
    });
}

}  // namespace scenario::scenc
