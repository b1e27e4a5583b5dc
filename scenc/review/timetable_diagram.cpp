#include "scenc/review/timetable_diagram.h"

#include <algorithm>

#include "scenc/review/scenario_view.h"

namespace scenario::scenc {

namespace {

// The path at the speed limits from one position to another, one point where each cell's
// limit differs from the one before, so a long stretch at one speed is one straight line.
std::vector<DiagramPoint> fastest_path(const Model& model, std::int32_t from, std::int32_t to,
                                       double start_seconds) {
    std::vector<DiagramPoint> points{{double(from), start_seconds}};
    std::int32_t at = from;
    double seconds = start_seconds;
    while (at < to) {
        // Run on to the next cell boundary whose limit differs, or to the end.
        const std::size_t cell = static_cast<std::size_t>(std::max(at, 0) / cell_length);
        std::int32_t next = static_cast<std::int32_t>((cell + 1) * cell_length);
        while (next < to && next / cell_length < static_cast<std::int32_t>(model.cells.size()) &&
               model.cells[static_cast<std::size_t>(next / cell_length)].speed_limit ==
                   model.cells[cell].speed_limit) {
            next += cell_length;
        }
        next = std::min(next, to);
        seconds += least_time_s(model, at, next);
        points.push_back({double(next), seconds});
        at = next;
    }
    return points;
}

}  // namespace

TimetableDiagram timetable_diagram(const Model& model) {
    TimetableDiagram diagram;
    std::vector<TimetableStation> stations;
    for (int slot : station_slots(model)) {
        const ScenarioRecord& record = model.records[static_cast<std::size_t>(slot)];
        stations.push_back({record.position, record.time_s, record.text});
    }
    const std::vector<std::int64_t> times = line_times(stations);
    bool any_timed = false;
    for (std::size_t i = 0; i < stations.size(); ++i) {
        const bool timed = is_timed(stations[i]);
        diagram.stations.push_back(
            {stations[i].position, stations[i].name, timed, double(times[i])});
        if (!timed) continue;
        diagram.first_seconds =
            any_timed ? std::min(diagram.first_seconds, double(times[i])) : double(times[i]);
        diagram.last_seconds =
            any_timed ? std::max(diagram.last_seconds, double(times[i])) : double(times[i]);
        any_timed = true;
    }
    if (!stations.empty()) {
        diagram.first_metre = stations.front().position;
        diagram.last_metre = stations.back().position;
        for (const TimetableStation& s : stations) {
            diagram.first_metre = std::min(diagram.first_metre, s.position);
            diagram.last_metre = std::max(diagram.last_metre, s.position);
        }
    }
    if (!model.has_cells()) return diagram;
    for (const TimetableRun& run : timetable_runs(model, stations)) {
        DiagramRun drawn{run, {}};
        if (run.length_m > 0) {
            drawn.fastest = fastest_path(model, stations[run.from].position,
                                         stations[run.to].position, double(times[run.from]));
            diagram.last_seconds = std::max(diagram.last_seconds, drawn.fastest.back().seconds);
        }
        diagram.runs.push_back(std::move(drawn));
    }
    return diagram;
}

}  // namespace scenario::scenc
