#pragma once

#include "compiler/identity.h"
#include "sources/line_table.h"

namespace scenario {

// The scenario notes for the driver (18 lines).
TextDocument dati_note(const Identity& id);

}  // namespace scenario
