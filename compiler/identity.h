// The scenario's identity and the names of every file it produces.
#pragma once

#include <string>

namespace scenario {

struct Identity {
    std::string route_stem;
    std::string train_number;  // always text, never a number
};

// The carried scenario.
Identity carried_identity();

// File names (without folder) of one scenario.
namespace file_name {
std::string route_text(const Identity& id);      // STEM_linea.txt
std::string train_text(const Identity& id);      // STEM_N-.txt
std::string notes(const Identity& id);           // STEM_N_note.txt
std::string slowdown_order(const Identity& id);  // STEM_N_rallentamenti.txt
std::string timetable_card(const Identity& id);  // STEM_N_scheda_treno.txt
std::string plan(const Identity& id);            // STEM_linea.dat
std::string records(const Identity& id);         // STEM_N.sim
std::string cells(const Identity& id);           // STEM_N.dat
}  // namespace file_name

}  // namespace scenario
