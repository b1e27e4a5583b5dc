#pragma once

#include "compiler/identity.h"
#include "sources/line_table.h"

namespace scenario {

// The carried train text (204 lines).
TextDocument dati_treno(const Identity& id);

}  // namespace scenario
