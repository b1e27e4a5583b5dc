// Small models for the compiler's tests.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "compiler/driver.h"
#include "compiler/model.h"
#include "compiler/source_files.h"

namespace scenario::testing {

// A model with cells 0..upper, all empty, as the route parser leaves them after the length row.
inline Model model_with_cells(std::int32_t upper) {
    Model model;
    model.cells.resize(static_cast<std::size_t>(upper) + 1);
    model.cell_upper = upper;
    return model;
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
