// scenc serve's state: the view of the last good compile of two texts, what stands in the way
// of a newer one, and the event streams waiting to hear of each rebuild.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "compiler/check.h"
#include "compiler/identity.h"

namespace scenario::scenc {

// What one rebuild of the texts gives: the view data of a clean compile, or the lines that say
// why there is none (the check's diagnostics as its gcc format prints them, or a file that
// cannot be read).
struct Rebuilt {
    std::optional<std::string> view_json;
    std::vector<std::string> problems;
};

// Checks the texts in memory and, when the check finds no error, compiles them and makes the
// view data of the compiled files. Touches no file.
Rebuilt rebuild_view(const SourceText& route, const SourceText& train, const Identity& id);

// The state a page is shown.
struct LiveSnapshot {
    std::uint64_t version = 0;       // one more at every rebuild
    std::uint64_t view_version = 0;  // one more at every clean compile; 0 before the first
    std::shared_ptr<const std::string> view_json;  // the last clean compile's, or none yet
    std::vector<std::string> problems;             // empty when the texts compile clean
};

// The state shared by the thread that rebuilds and those that answer requests. Each open
// event stream holds a server thread while it waits, so only the newest few are kept: a page
// that was reloaded or closed leaves a stream nobody reads, which the next one ends.
class LiveState {
  public:
    explicit LiveState(std::size_t most_streams) : most_streams_(most_streams) {}

    LiveSnapshot current() const;
    // A rebuild: the view stays that of the last clean compile when this one gave none.
    void publish(Rebuilt rebuilt);
    // Ends every stream, now and from now on.
    void close();

    std::uint64_t open_stream();
    void close_stream(std::uint64_t stream);
    // Waits until there is a state newer than `seen` and returns it, or returns nothing when
    // the stream has to end.
    std::optional<LiveSnapshot> next(std::uint64_t stream, std::uint64_t seen);

  private:
    bool stream_ended(std::uint64_t stream) const;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    LiveSnapshot snapshot_;
    bool closed_ = false;
    std::size_t most_streams_;
    std::uint64_t last_stream_ = 0;
    std::deque<std::uint64_t> open_streams_;  // oldest first
};

// The event-stream message for a state: its version, its view's version and its problems.
std::string state_event(const LiveSnapshot& snapshot);

}  // namespace scenario::scenc
