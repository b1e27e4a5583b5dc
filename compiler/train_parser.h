// The train half of memorizza_dati.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "compiler/model.h"
#include "compiler/source_files.h"
#include "sources/field_reader.h"

namespace scenario {

// Reads the train text into the model and deletes it. A missing train text is a read fault.
// Read faults propagate as RunTimeFault; the reader is placed in `reader` as for the route.
void parse_train(Model& model, SourceFiles& sources, std::optional<FieldReader>& reader,
                 std::string& text, std::int32_t sign_board_limit);

}  // namespace scenario
