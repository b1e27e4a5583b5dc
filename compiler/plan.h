// The ground plan: one point per metre from the route origin, points 0..plan_upper.
#pragma once

#include <cstdint>
#include <vector>

namespace scenario {

// Points computed alike: each point from where the previous run stopped up to `last`,
// straight (curvature 0) or turning by `curvature` per metre.
struct PlanRun {
    std::int32_t last = 0;
    double curvature = 0.0;

    bool operator==(const PlanRun&) const = default;
};

// What the route parser leaves for the plan: the runs in reading order and where they stopped.
// The points themselves are integrated again from these when the plan file is written, so a
// compile never holds the plan's columns. Points 0 and 1 are the fixed origin (0,0) and (0,1)
// once the feature part of the route has begun; the computed points always form one run
// 2..computed_end-1, the rest stay empty.
struct PlanSteps {
    bool exists = false;  // the plan was asked for and the route length has sized it
    bool origin_set = false;
    std::int32_t computed_end = 2;
    std::vector<PlanRun> runs;

    bool operator==(const PlanSteps&) const = default;
};

// The plan's points as a reader decodes them from a plan file (and as tests build them):
// x and y for points 0..upper(); only [2, computed_end) holds computed values.
struct Plan {
    bool origin_set = false;
    std::int32_t computed_end = 2;
    std::vector<double> x;
    std::vector<double> y;

    bool exists() const { return !x.empty(); }
    std::int32_t upper() const { return static_cast<std::int32_t>(x.size()) - 1; }
};

}  // namespace scenario
