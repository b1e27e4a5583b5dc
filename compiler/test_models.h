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

// A whole compile of two texts held in memory, under the carried identity, with what it leaves.
struct Compile {
    Model model;
    MemorySourceFiles sources;
    CompileOutcome outcome;
};

inline Compile compile(std::optional<std::string> route, std::optional<std::string> train,
                       std::int32_t j = 1) {
    Compile run{Model{}, MemorySourceFiles(std::move(route), std::move(train)), {}};
    run.model.route_stem = "Brenzola_Tessalto";
    run.model.train_number = "917";
    run.outcome = memorizza_percorso(run.model, run.sources, j);
    return run;
}

}  // namespace scenario::testing
