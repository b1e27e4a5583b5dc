// Small models for the compiler's tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

#include "compiler/driver.h"
#include "compiler/model.h"
#include "compiler/source_files.h"
#include "compiler/writer.h"

namespace scenario::testing {

// A model with cells 0..upper, all empty, as the route parser leaves them after the length row.
inline Model model_with_cells(std::int32_t upper) {
    Model model;
    model.cells.resize(static_cast<std::size_t>(upper) + 1);
    model.cell_upper = upper;
    return model;
}

// The plan's points as the writer integrates them into the plan file (origin set: each column
// is two 4-byte origin values, then 10-byte tagged doubles).
inline Plan plan_points(const Model& model) {
    const std::string file = plan_file_bytes(model);
    Plan plan;
    plan.origin_set = model.plan.origin_set;
    plan.computed_end = model.plan.computed_end;
    const std::size_t points = file.empty() ? 0 : static_cast<std::size_t>(model.plan_upper) + 1;
    plan.x.assign(points, 0.0);
    plan.y.assign(points, 0.0);
    if (!plan.origin_set) return plan;
    plan.y[1] = 1.0;
    const std::size_t column = file.size() / 2;
    for (std::size_t j = 2; j < static_cast<std::size_t>(plan.computed_end); ++j) {
        const std::size_t at = 8 + (j - 2) * 10 + 2;
        std::memcpy(&plan.x[j], file.data() + at, sizeof(double));
        std::memcpy(&plan.y[j], file.data() + column + at, sizeof(double));
    }
    return plan;
}

// Where the last error raised points (nowhere when there is none).
inline SourceLocation last_error_site(const Model& model) {
    const Diagnostic* last = last_error(model.diagnostics);
    return last != nullptr ? last->location : SourceLocation{};
}

// A route and a train with one row of every kind that places a feature by its position, each
// at a position of its own: every tool that names a feature's position must show the one
// written here.
inline const std::string every_kind_route =
    "[generale]\r\nlunghezza percorso, 10000\r\n[curve]\r\n"
    "indicatori_vmax, 3000, 140, 0, 0, 0, 140, 0, 0, 0\r\n"
    "cartello_indicatore, 4000, (Km 4)\r\n[fine]\r\n";
inline const std::string every_kind_train =
    "[generale]\r\nvelocita, 0, 100\r\n"
    "stazione, 1000, 12, 400, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, ALFA\r\n"
    "rallentamento, 5000, 60, 500, 0, 1, 0\r\n"
    "abbattimento, 6000, 180\r\nabbattimento, 6500, 0\r\n"
    "segnale, 8700, 2, 4, 0, 0, 0, 2, 1, 0, 0, 0\r\n[fine]\r\n";

// A whole compile of two texts held in memory, under the carried identity, with what it leaves.
struct Compile {
    Model model;
    MemorySourceFiles sources;
    CompileOutcome outcome;
};

inline Compile compile(std::optional<std::string> route, std::optional<std::string> train,
                       std::int32_t plan_option = 1) {
    Compile run{Model{}, MemorySourceFiles(std::move(route), std::move(train)), {}};
    run.model.route_stem = "Brenzola_Tessalto";
    run.model.train_number = "917";
    run.outcome = memorizza_percorso(run.model, run.sources, plan_option);
    return run;
}

// A small compiled scenario with the awkward values: negative and wrapped numbers, a text
// with a byte above 127, an empty text; and a plan that stops before its last points.
inline Model small_compiled_model() {
    Model model = model_with_cells(5);
    model.cells[1] = {0, 5121, -2, 0, 0, 0, 0, 0, 31, 100, 100};
    model.cells[4] = {1, 41, 0, -1, 8, 101, 81, 3, 32, 92, 255};
    model.records[1].kind = 8;
    model.records[1].zone_start = -500;
    model.records[1].text = "S. BENEDETTO \xC8";
    model.records[1].time_s = 39000;
    model.records[80].text = "(Km 341+500)";
    model.records[85].text = "Stem";
    model.records[85].par_a = 610;
    model.records[86].text = "12";
    model.records[86].par_e = -40;
    model.plan_option = 1;
    return model;
}

inline Plan small_compiled_plan() {
    Plan plan;
    plan.x = {0, 0, 0.25, -1.5, 0, 0};
    plan.y = {0, 1, 2, 3.125, 0, 0};
    plan.origin_set = true;
    plan.computed_end = 4;
    return plan;
}

}  // namespace scenario::testing
