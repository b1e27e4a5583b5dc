#pragma once

#include "compiler/identity.h"
#include "sources/line_table.h"

namespace scenario {

// The carried route text (163 lines).
TextDocument dati_linea(const Identity& id);

}  // namespace scenario
