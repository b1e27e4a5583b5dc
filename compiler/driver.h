// The compiler's driver: parse both texts, place the code-change points, stamp the markers
// and contest codes, and produce the compiled files' bytes.
#pragma once

#include <cstdint>
#include <string>

#include "compiler/model.h"
#include "compiler/source_files.h"
#include "compiler/writer.h"

namespace scenario {

struct CompileOutcome {
    enum class Status {
        ready,             // files built; model.error_code may still be non-zero
        no_cell_table,     // the route never gave a cell table: nothing to write
        stopped_by_error  // a marker slot was in use: the run must stop with errore
    };
    Status status = Status::ready;
    std::string errore_text;  // "1250" or "1251" when stopped_by_error
    CompiledFiles files;      // when ready
};

// j is the plan option (the run sequence passes 1): non-zero asks for the plan and its file.
// model.route_stem and model.train_number must be set. Never throws for anything a scenario
// text contains.
CompileOutcome memorizza_percorso(Model& model, SourceFiles& sources, std::int32_t j);

// The same compile up to the compiled files, which it does not build (outcome.files stays
// empty): what a check needs.
CompileOutcome compile_model(Model& model, SourceFiles& sources, std::int32_t plan_option);

// Parses the route text and then the train text into the model; read faults become error 25.
void memorizza_dati(Model& model, SourceFiles& sources);

// Adds the code-change points around every slowdown (cells 1 .. cell_upper - 2).
void place_code_change_points(Model& model);

// Checks and sets the marker and contest-code slots. Returns 0, or 1250 / 1251 when a slot
// was already in use (nothing is set after the failing check).
std::int32_t stamp_markers(Model& model);

}  // namespace scenario
