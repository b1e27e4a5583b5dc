// The route half of memorizza_dati.
#pragma once

#include <cstdint>
#include <optional>

#include "compiler/model.h"
#include "compiler/source_files.h"
#include "sources/field_reader.h"

namespace scenario {

struct RouteHalfResult {
    bool go_on_to_train = false;         // ended normally or with error 15
    std::int32_t sign_board_limit = 80;  // next free board slot; stations stay below it
};

// Reads the route text into the model and deletes it. The reader is placed in `reader` once
// the text is read, so that the fault handler can tell where a fault struck. Read faults
// propagate as RunTimeFault.
RouteHalfResult parse_route(Model& model, SourceFiles& sources, std::optional<FieldReader>& reader,
                            std::string& text);

// Orders the three kilometric references in records 81..83.
void progressive_ordina(Model& model);

}  // namespace scenario
