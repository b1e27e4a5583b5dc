#include "scenc/serve/live_view.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <sstream>
#include <utility>

#include "compiler/writer.h"
#include "scenc/common/input_files.h"
#include "scenc/reports/check_report.h"
#include "compiler/compiled_reader.h"
#include "scenc/reports/error_report.h"
#include "scenc/serve/serve_http.h"
#include "scenc/review/source_rows.h"
#include "scenc/review/view.h"

namespace scenario::scenc {

namespace {

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty()) lines.push_back(line);
    }
    return lines;
}

// The view of the compiled files as `scenc view --texts` shows them, read back from their
// bytes rather than from the model that made them.
std::string view_json_of(const CompiledSources& compiled, const SourceText& route,
                         const SourceText& train) {
    Model shown;
    shown.records = decode_record_file(compiled.outcome.files.records);
    shown.cells = decode_cell_file(compiled.outcome.files.cells);
    shown.cell_upper = static_cast<std::int32_t>(shown.cells.size()) - 1;
    const Plan plan = decode_plan_file(plan_file_bytes(compiled.model));
    std::optional<SourceRows> rows;
    try {
        rows.emplace(route.text, route.display_name, train.text, train.display_name);
    } catch (const UsageProblem&) {
        // A row the view cannot place only costs the features their lines.
    }
    return view_data(shown, plan, rows ? &*rows : nullptr).dump();
}

}  // namespace

Rebuilt rebuild_view(const SourceText& route, const SourceText& train, const Identity& id) {
    const CheckResult found = check_scenario(route, train, id);
    if (last_error(found.diagnostics) != nullptr) {
        const CheckedTexts texts{route, train, id.route_stem + "_" + id.train_number};
        ReportOptions gcc_lines;
        gcc_lines.format = ReportFormat::gcc;
        return {std::nullopt, lines_of(render_check(found, texts, gcc_lines))};
    }
    const CompiledSources compiled = compile_sources(route, train, id, 1);
    if (compiled.outcome.status != CompileOutcome::Status::ready || !compiled.report.empty()) {
        return {std::nullopt, lines_of(compiled.report)};
    }
    return {view_json_of(compiled, route, train), {}};
}

LiveSnapshot LiveState::current() const {
    std::lock_guard lock(mutex_);
    return snapshot_;
}

void LiveState::publish(Rebuilt rebuilt) {
    {
        std::lock_guard lock(mutex_);
        ++snapshot_.version;
        if (rebuilt.view_json) {
            ++snapshot_.view_version;
            snapshot_.view_json =
                std::make_shared<const std::string>(std::move(*rebuilt.view_json));
        }
        snapshot_.problems = std::move(rebuilt.problems);
    }
    changed_.notify_all();
}

void LiveState::close() {
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
    }
    changed_.notify_all();
}

std::uint64_t LiveState::open_stream() {
    std::uint64_t stream;
    {
        std::lock_guard lock(mutex_);
        stream = ++last_stream_;
        open_streams_.push_back(stream);
        while (open_streams_.size() > most_streams_) open_streams_.pop_front();
    }
    changed_.notify_all();
    return stream;
}

void LiveState::close_stream(std::uint64_t stream) {
    std::lock_guard lock(mutex_);
    std::erase(open_streams_, stream);
}

bool LiveState::stream_ended(std::uint64_t stream) const {
    return closed_ ||
           std::find(open_streams_.begin(), open_streams_.end(), stream) == open_streams_.end();
}

std::optional<LiveSnapshot> LiveState::next(std::uint64_t stream, std::uint64_t seen) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return stream_ended(stream) || snapshot_.version > seen; });
    if (stream_ended(stream)) return std::nullopt;
    return snapshot_;
}

std::string state_event(const LiveSnapshot& snapshot) {
    const nlohmann::json data{{"version", snapshot.version},
                              {"view", snapshot.view_version},
                              {"problems", snapshot.problems}};
    // A stray byte of a text in a message must not stop the stream.
    return event_message("state",
                         data.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
}

}  // namespace scenario::scenc
