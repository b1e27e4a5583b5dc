#pragma once

#include "compiler/identity.h"
#include "sources/line_table.h"

namespace scenario {

// The slowdown order form (45 lines).
TextDocument dati_rallentamenti(const Identity& id);

}  // namespace scenario
