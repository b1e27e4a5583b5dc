// How scenc shows the error a compile ended with, pointing at the row to fix.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "compiler/check.h"
#include "compiler/driver.h"
#include "compiler/identity.h"
#include "compiler/model.h"

namespace scenario::scenc {

// Errors of the placement pass belong to no row; their position is a cell index times 50.
bool is_placement_error(std::int32_t code);

// A line of a scenario text as the author sees it (UTF-8, cut around the field when very long),
// and under it a caret at the field, underlined for the rest of its span.
struct Snippet {
    std::string line;
    std::string marker;
};
Snippet snippet_at(std::string_view line, int column, int span);

// The error number a compile ended with: the errore number when it stopped, else error_code.
std::int32_t reported_error(const Model& model, const CompileOutcome& outcome);

// For an error raised at a row: "FILE:LINE:COL: errore N: meaning", then the row's line and
// a caret under the field. For an error tied to no row: "errore N: meaning", then the
// position in metres (and the cell, for the placement pass) where the error has one.
// Empty when the compile ended without an error.
std::string compile_error_report(const Model& model, const CompileOutcome& outcome,
                                 const SourceText& route, const SourceText& train);

// A compile of two texts held in memory, with what the author is told about it.
struct CompiledSources {
    Model model;
    CompileOutcome outcome;
    std::string report;  // empty when the compile ended clean
};
CompiledSources compile_sources(const SourceText& route, const SourceText& train,
                                const Identity& id, std::int32_t plan_option);

}  // namespace scenario::scenc
