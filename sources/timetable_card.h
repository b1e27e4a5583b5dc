#pragma once

#include "compiler/identity.h"
#include "sources/line_table.h"

namespace scenario {

// The timetable card (203 lines).
TextDocument dati_scheda(const Identity& id);

}  // namespace scenario
