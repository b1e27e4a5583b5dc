// The timetable's warnings: clock fields out of range, times that do not rise along the
// line, and runs scheduled faster than the line's speed limits allow. The warnings pass
// hands over the clock and station rows as it reads them; the warnings come at the end,
// when the whole timetable is known.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "compiler/diagnostic.h"
#include "compiler/model.h"

namespace scenario {

// A number field as read, with its place.
struct ClockField {
    std::int32_t value = 0;
    SourceLocation site;
};

class TimetableWarnings {
  public:
    // The start clock row's hours, minutes and seconds.
    void start_clock(const ClockField& hours, const ClockField& minutes, const ClockField& seconds);

    // A station row: its position, its hours, minutes and seconds, and its name.
    void station(std::int32_t position, const ClockField& hours, const ClockField& minutes,
                 const ClockField& seconds, std::string name);

    // Every warning of the rows handed over, by line; model gives the speed limits.
    Diagnostics warnings(const Model& model) const;

  private:
    struct Station {
        std::int32_t position = 0;
        ClockField hours;
        ClockField minutes;
        ClockField seconds;
        std::string name;
    };
    std::vector<ClockField> start_clock_;
    std::vector<Station> stations_;
};

}  // namespace scenario
