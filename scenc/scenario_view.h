// What the compiled tables mean to a reader: names of cell kinds and record roles, and
// which records are stations.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "compiler/model.h"

namespace scenario::scenc {

// "signal", "slowdown start", ...; "unknown" for a kind no producer writes.
std::string cell_kind_name(std::uint8_t kind);

// A cell holding something besides the profile bytes (speed, gradient, adhesion, mountain).
bool holds_feature(const TrackCell& cell);

bool is_cleared(const ScenarioRecord& record);

// "station", "sign board", "km reference 1", "totals", ... from the slot and its content.
std::string record_role(int slot, const ScenarioRecord& record);

// Slots 1..80 that hold a station, in order: every filled slot that no sign-board cell
// points at.
std::vector<int> station_slots(const Model& model);

// The route length in metres: record 84's, or the cell table's length when that is empty.
std::int32_t route_length(const Model& model);

}  // namespace scenario::scenc
