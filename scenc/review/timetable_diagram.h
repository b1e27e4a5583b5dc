// The timetable as a time-distance diagram: where the train is scheduled to be when, and
// the fastest path the line's speed limits allow from each timed station to the next. The
// plot and the view draw it from these values.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "compiler/model.h"
#include "compiler/timetable.h"

namespace scenario::scenc {

// A point of the diagram: a route position and a time, in seconds after the midnight
// before the first timed station (a time past the next midnight goes on past 24 hours).
struct DiagramPoint {
    double metre = 0;
    double seconds = 0;
};

struct DiagramStation {
    std::int32_t position = 0;
    std::string name;  // as stored (Windows-1252)
    bool timed = false;
    double seconds = 0;  // the line time of a timed station
};

// The fastest path of one run: from the first station at its scheduled time, at the speed
// limit in force over every cell, to the second station's position.
struct DiagramRun {
    TimetableRun run;
    std::vector<DiagramPoint> fastest;  // a point wherever the limit changes, and both ends
};

struct TimetableDiagram {
    std::vector<DiagramStation> stations;  // every station, in line order
    std::vector<DiagramRun> runs;
    // The stretch of time and route the diagram covers.
    double first_seconds = 0;
    double last_seconds = 0;
    std::int32_t first_metre = 0;
    std::int32_t last_metre = 0;
};

// From a compiled scenario: its stations (records), times and speed limits (cells).
TimetableDiagram timetable_diagram(const Model& model);

}  // namespace scenario::scenc
