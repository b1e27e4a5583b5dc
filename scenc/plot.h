// scenc plot: one picture of a compiled scenario, drawn with cairo.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "compiler/model.h"

namespace scenario::scenc {

enum class PictureFormat { png, svg, pdf };

// From the output's extension (.png, .svg, .pdf, any letter case).
std::optional<PictureFormat> picture_format_for(const std::filesystem::path& output);

// The ground plan on top (stations and signals marked), and under it the line profile
// along the route: speed limit, gradient, station stretches, signals, slowdowns and
// code-change points, over a kilometre scale. Needs the cells and records; the plan panel
// says so when the model has no plan. Throws std::runtime_error when cairo fails.
std::string scenario_picture(const Model& model, PictureFormat format);

struct PlotRequest {
    std::vector<std::filesystem::path> inputs;  // one folder, or the compiled files
    std::filesystem::path output;
};

// Returns 0, 2 for a missing or wrong input or an unknown picture format, 3 when the
// picture cannot be drawn or written.
int run_plot(const PlotRequest& request, std::ostream& out, std::ostream& err);

}  // namespace scenario::scenc
