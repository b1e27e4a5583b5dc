// The train's timetable against the line: how long each run between two timed stations is
// scheduled to take, and the least time the line's speed limits allow for it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "compiler/model.h"

namespace scenario {

constexpr std::int64_t seconds_per_day = 24 * 60 * 60;

// A station as the timetable sees it: where it is and its scheduled time, seconds after
// midnight as written (0 means the train passes it without a time).
struct TimetableStation {
    std::int32_t position = 0;
    std::int64_t time_s = 0;
    std::string name;
};

// One run between two consecutive timed stations, by their index in the station list.
struct TimetableRun {
    std::size_t from = 0;
    std::size_t to = 0;
    std::int32_t length_m = 0;
    // Seconds from the first station's time to the second's, after a fall of more than
    // twelve hours has been taken as the next day; zero or less when the times do not rise.
    std::int64_t scheduled_s = 0;
    // The time at the speed limit in force over every cell between the two stations.
    double least_s = 0;
    bool rises() const { return scheduled_s > 0; }
    // The run leaves the first station of the list. Its time there is when the run starts,
    // which need not be a scheduled departure: a scenario may start its train late, as the
    // carried one does (18 minutes behind its card), so only later runs are held to the
    // schedule.
    bool from_origin = false;
    // The least time as a whole number of seconds, rounded up, as the author is told it.
    std::int64_t least_whole_s() const;
    // Scheduled faster than the speed limits allow (by at least a whole second).
    bool too_fast() const { return rises() && scheduled_s < least_whole_s(); }
};

// Whether a station has a time of its own.
inline bool is_timed(const TimetableStation& station) {
    return station.time_s != 0;
}

// The least time, in seconds, to run from one position to another at the speed limit each
// 50 m cell between them holds. A cell without a limit (speed 0) adds nothing, so the figure
// stays a lower bound.
double least_time_s(const Model& model, std::int32_t from, std::int32_t to);

// The times of the timed stations along the line, in seconds from the midnight before the
// first: a time that falls by more than twelve hours from the one before is taken as the
// next day. One entry per station of the list; an untimed station's entry is 0 and unused.
std::vector<std::int64_t> line_times(const std::vector<TimetableStation>& stations);

// Every run between consecutive timed stations, in line order.
std::vector<TimetableRun> timetable_runs(const Model& model,
                                         const std::vector<TimetableStation>& stations);

// "4 min 35 s", "1 h 02 min 00 s", "45 s": a duration as the author is told it.
std::string duration_text(std::int64_t seconds);

// "8.2 km": a distance in tenths of a kilometre.
std::string distance_text(std::int32_t metres);

}  // namespace scenario
