// scenc plot: one picture of a compiled scenario, drawn with cairo.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "compiler/model.h"
#include "scenc/common/units.h"

namespace scenario::scenc {

enum class PictureFormat { png, svg, pdf };

// From the output's extension (.png, .svg, .pdf, any letter case).
std::optional<PictureFormat> picture_format_for(const std::filesystem::path& output);

// The ground plan on top (stations and signals marked), as high as its shape needs, and
// under it the line profile along the route: speed limit, gradient, mountain stretches,
// station stretches, signals, slowdowns and code-change points, over a kilometre scale.
// Station names never cover each other: over the whole route the less important ones give
// way (timed stations first, then stops); a stretch names every station in it. Needs the cells and
// records; the plan panel says so when the plan is empty. With a stretch, only that part of the
// line is drawn, with panels, scales and labels fitted to it. Throws std::runtime_error when cairo
// fails.
std::string scenario_picture(const Model& model, const Plan& plan, PictureFormat format,
                             const std::optional<units::Stretch>& stretch = std::nullopt);

// What a picture shows, as the drawing code records it while it draws: every text, and
// every feature mark with its route position. Tests and tools read a picture through this.
struct DrawnMark {
    std::string what;  // "signal", "slowdown", "station", "stop", "code change", ...
    double metre;
};
// A station's name as placed, with the box its letters take (picture units, y down).
struct DrawnLabel {
    std::string text;
    double left, top, right, bottom;
};
struct DrawnPicture {
    double width = 0, height = 0;  // the picture's size
    std::vector<std::string> texts;
    std::vector<DrawnLabel> labels;  // station names: none covers another, all inside
    std::vector<std::string> speed_axis_labels;
    std::vector<DrawnMark> marks;
    std::size_t plan_line_points = 0;  // points of the ground plan's line after thinning
    double speed_line_end = 0;         // route metre where the speed line stops
    std::size_t legends = 0;           // panels that carry a legend
};
DrawnPicture drawn_picture(const Model& model, const Plan& plan,
                           const std::optional<units::Stretch>& stretch = std::nullopt);

// The timetable as a time-distance diagram: position across, time down; the scheduled path
// through the timed stations, red where it is faster than the line's speed limits allow, and
// from each timed station the fastest path those limits allow to the next.
std::string timetable_picture(const Model& model, PictureFormat format);
// What the timetable picture shows: a "timed station" mark for each timed station, a
// "too tight" mark at the end of each run scheduled too fast or not rising.
DrawnPicture drawn_timetable(const Model& model);

struct PlotRequest {
    std::vector<std::filesystem::path> inputs;  // one folder, or the compiled files
    std::filesystem::path output;               // its folder is created when missing
    std::optional<units::Stretch> stretch;      // only this stretch of the line
    bool timetable = false;                     // the timetable diagram instead of the line
};

// Returns 0, 2 for a missing or wrong input or an unknown picture format, 3 when the
// picture cannot be drawn or written.
int run_plot(const PlotRequest& request, std::ostream& out, std::ostream& err);

}  // namespace scenario::scenc
