#include "compiler/timetable.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

namespace scenario {

namespace {

constexpr std::int64_t twelve_hours = seconds_per_day / 2;

// A cell's speed byte holds the speed in km/h divided by 5.
constexpr double kmh_per_step = 5.0;
constexpr double seconds_per_hour_over_metres_per_km = 3.6;

}  // namespace

std::int64_t TimetableRun::least_whole_s() const {
    // A hair below a whole second is that second: the sum of many cells carries rounding.
    return static_cast<std::int64_t>(std::ceil(least_s - 1e-6));
}

double least_time_s(const Model& model, std::int32_t from, std::int32_t to) {
    if (!model.has_cells() || to <= from) return 0;
    const std::int64_t track_end = static_cast<std::int64_t>(model.cells.size()) * cell_length;
    const std::int64_t start = std::max<std::int64_t>(from, 0);
    const std::int64_t end = std::min<std::int64_t>(to, track_end);
    double seconds = 0;
    for (std::int64_t cell = start / cell_length; cell * cell_length < end; ++cell) {
        const std::uint8_t steps = model.cells[static_cast<std::size_t>(cell)].speed_limit;
        if (steps == 0) continue;
        const std::int64_t cell_start = std::max(cell * cell_length, start);
        const std::int64_t cell_end = std::min((cell + 1) * cell_length, end);
        seconds += static_cast<double>(cell_end - cell_start) *
                   seconds_per_hour_over_metres_per_km / (steps * kmh_per_step);
    }
    return seconds;
}

std::vector<std::int64_t> line_times(const std::vector<TimetableStation>& stations) {
    std::vector<std::int64_t> times(stations.size(), 0);
    std::int64_t day = 0;
    std::optional<std::int64_t> last;
    for (std::size_t i = 0; i < stations.size(); ++i) {
        if (!is_timed(stations[i])) continue;
        std::int64_t time = stations[i].time_s + day;
        if (last && *last - time > twelve_hours) {
            day += seconds_per_day;
            time += seconds_per_day;
        }
        times[i] = time;
        last = time;
    }
    return times;
}

std::vector<TimetableRun> timetable_runs(const Model& model,
                                         const std::vector<TimetableStation>& stations) {
    const std::vector<std::int64_t> times = line_times(stations);
    std::vector<TimetableRun> runs;
    std::optional<std::size_t> previous;
    for (std::size_t i = 0; i < stations.size(); ++i) {
        if (!is_timed(stations[i])) continue;
        if (previous) {
            TimetableRun run;
            run.from = *previous;
            run.from_origin = *previous == 0;
            run.to = i;
            run.length_m = stations[i].position - stations[*previous].position;
            run.scheduled_s = times[i] - times[*previous];
            run.least_s = least_time_s(model, stations[*previous].position, stations[i].position);
            runs.push_back(run);
        }
        previous = i;
    }
    return runs;
}

std::string duration_text(std::int64_t seconds) {
    const bool negative = seconds < 0;
    const std::int64_t s = negative ? -seconds : seconds;
    char text[64];
    if (s >= 3600) {
        std::snprintf(text, sizeof text, "%lld h %02lld min %02lld s",
                      static_cast<long long>(s / 3600), static_cast<long long>(s / 60 % 60),
                      static_cast<long long>(s % 60));
    } else if (s >= 60) {
        std::snprintf(text, sizeof text, "%lld min %02lld s", static_cast<long long>(s / 60),
                      static_cast<long long>(s % 60));
    } else {
        std::snprintf(text, sizeof text, "%lld s", static_cast<long long>(s));
    }
    return (negative ? "-" : "") + std::string(text);
}

std::string distance_text(std::int32_t metres) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f km", metres / 1000.0);
    return text;
}

}  // namespace scenario
