// Small models for the compiler's tests.
#pragma once

#include <cstdint>

#include "compiler/model.h"

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

}  // namespace scenario::testing
