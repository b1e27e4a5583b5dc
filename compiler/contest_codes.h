// The two contest codes that tie compiled files to the scenario identity.
#pragma once

#include <cstdint>

#include "compiler/model.h"

namespace scenario {

// Both read the identity copies in records 86 (train number) and 85 (route stem) and leave
// the contest text in model.current_field.
std::int16_t codice_gara_og(Model& model);
std::int32_t codice_gara_st(Model& model);

}  // namespace scenario
