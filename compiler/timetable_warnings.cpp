#include "compiler/timetable_warnings.h"

#include <algorithm>
#include <array>
#include <utility>

#include "compiler/timetable.h"
#include "compiler/warnings.h"
#include "compiler/windows_1252.h"

namespace scenario {

namespace {

struct ClockPart {
    const char* what;
    std::int32_t most;
};
constexpr std::array<ClockPart, 3> clock_parts{{{"hours", 23}, {"minutes", 59}, {"seconds", 59}}};

std::int64_t seconds_of(const ClockField& hours, const ClockField& minutes,
                        const ClockField& seconds) {
    return (std::int64_t{hours.value} * 60 + minutes.value) * 60 + seconds.value;
}

std::string two_digits(std::int64_t value) {
    return (value >= 0 && value < 10 ? "0" : "") + std::to_string(value);
}

std::string clock_text(const ClockField& hours, const ClockField& minutes,
                       const ClockField& seconds) {
    return two_digits(hours.value) + ":" + two_digits(minutes.value) + ":" +
           two_digits(seconds.value);
}

void check_clock(const std::array<const ClockField*, 3>& fields, const std::string& row,
                 Diagnostics& out) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const ClockField& field = *fields[i];
        if (field.value >= 0 && field.value <= clock_parts[i].most) continue;
        out.push_back(warning_diagnostic(
            warning_name::clock_range, field.site,
            std::string(clock_parts[i].what) + " " + std::to_string(field.value) + " of " + row +
                " lies outside 0 to " + std::to_string(clock_parts[i].most) + ": the time " +
                clock_text(*fields[0], *fields[1], *fields[2]) + " is not a clock time"));
    }
}

std::string named(const std::string& name) {
    return "\"" + windows_1252_to_utf8(name) + "\"";
}

}  // namespace

void TimetableWarnings::start_clock(const ClockField& hours, const ClockField& minutes,
                                    const ClockField& seconds) {
    start_clock_ = {hours, minutes, seconds};
}

void TimetableWarnings::station(std::int32_t position, const ClockField& hours,
                                const ClockField& minutes, const ClockField& seconds,
                                std::string name) {
    stations_.push_back({position, hours, minutes, seconds, std::move(name)});
}

Diagnostics TimetableWarnings::warnings(const Model& model) const {
    Diagnostics out;
    if (start_clock_.size() == 3) {
        check_clock({&start_clock_[0], &start_clock_[1], &start_clock_[2]}, "the start clock", out);
    }
    std::vector<TimetableStation> timetable;
    for (const Station& s : stations_) {
        check_clock({&s.hours, &s.minutes, &s.seconds}, "station " + named(s.name), out);
        timetable.push_back({s.position, seconds_of(s.hours, s.minutes, s.seconds), s.name});
    }
    for (const TimetableRun& run : timetable_runs(model, timetable)) {
        const Station& from = stations_[run.from];
        const Station& to = stations_[run.to];
        const std::string times = clock_text(to.hours, to.minutes, to.seconds);
        const std::string before = clock_text(from.hours, from.minutes, from.seconds);
        if (!run.rises()) {
            Diagnostic& d = out.emplace_back(warning_diagnostic(
                warning_name::timetable_order, to.hours.site,
                "station " + named(to.name) + " at " + times + " is timed no later than " +
                    named(from.name) + " before it at " + before +
                    ": times must rise along the line (a fall of more than twelve hours is "
                    "taken as the next day)"));
            d.position = to.position;
            d.related = from.hours.site;
        } else if (run.length_m > 0 && !run.from_origin && run.too_fast()) {
            Diagnostic& d = out.emplace_back(warning_diagnostic(
                warning_name::timetable_too_fast, to.hours.site,
                "run from " + named(from.name) + " to " + named(to.name) + " scheduled " +
                    duration_text(run.scheduled_s) + " for " + distance_text(run.length_m) +
                    "; at the line's speed limits it takes at least " +
                    duration_text(run.least_whole_s())));
            d.position = to.position;
            d.related = from.hours.site;
        }
    }
    std::stable_sort(out.begin(), out.end(), [](const Diagnostic& a, const Diagnostic& b) {
        return a.location.line < b.location.line;
    });
    return out;
}

}  // namespace scenario
