// What the compiled tables mean to a reader: names of cell kinds and record roles, and
// which records are stations.
#pragma once

#include <array>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
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

// The slot of the last station by its record alone (0 when there is none): the terminus,
// whose timetable time is the arrival.
int terminus_slot(const std::array<ScenarioRecord, record_count>& records);

// Slots 1..80 that hold a station, in order: every filled slot that no sign-board cell
// points at.
std::vector<int> station_slots(const Model& model);

// One stored field as a raw number, by its name in the compiled layout.
struct RawField {
    const char* field;
    std::int64_t raw;
};
std::vector<RawField> raw_fields(const TrackCell& cell);
std::vector<RawField> raw_fields(const ScenarioRecord& record);  // all but the text

// What a stored field means to the author, for the fields that have a meaning beyond the
// number: its name in the author's words, the value in its unit as text and for JSON.
struct FieldMeaning {
    std::string field;     // the stored field: "time_s"
    std::string label;     // the author's word for it: "departure"
    std::string shown;     // "10:50:00", "8650 m (8+650)", "155 km/h"
    nlohmann::json value;  // the same value for tools: "10:50:00", 8650, 155
    std::string unit;      // "hh:mm:ss", "m", "km/h", "per mille", "%", "" for a count or code
};

// Cell 1 carries the two markers: the marker value and the plain contest code.
bool holds_markers(std::size_t index, const TrackCell& cell);

// "markers" for cell 1 holding them, else the kind's name.
std::string cell_name(std::size_t index, const TrackCell& cell);

// The meanings of a cell's speed, gradient and feature values.
std::vector<FieldMeaning> cell_meanings(std::size_t index, const TrackCell& cell);

// The meanings of a record's fields, by its role (a station's last slot is the terminus,
// whose time is the arrival).
std::vector<FieldMeaning> record_meanings(int slot, const ScenarioRecord& record,
                                          bool terminus = false);

// The meaning of one field in a list, or nothing.
const FieldMeaning* meaning_of(const std::vector<FieldMeaning>& meanings, std::string_view field);

// A stretch of neighbouring cells holding the same byte in one field.
struct CellRun {
    std::size_t first, last;  // cell indexes, both inside the run
    std::uint8_t byte;
};
// The cells cut into such stretches, from the first cell to the last.
std::vector<CellRun> cell_runs(const std::vector<TrackCell>& cells, std::uint8_t TrackCell::*field);

// A mountain byte as the author reads it: "none", "type 2".
std::string mountain_text(std::uint8_t byte);

// A stored value turned back into the row field it came from, with the field's meaning.
struct DecodedField {
    std::string name;       // the row field: "s1"
    std::int64_t value;     // as the row wrote it
    std::string unit;       // the field's unit: "km/h", "code", "count"
    std::string meaning;    // what the field means, from the row grammar
    std::string stored_in;  // the stored field holding it: "val1"
    std::string shown;      // "4", "140 km/h"
};

// The row fields a cell's feature holds (a signal's codes, a board's speeds and stripes, a
// slowdown's speed, a code value); none for other kinds.
std::vector<DecodedField> decoded_fields(const TrackCell& cell);
// The station row's fields kept in a station record, its kind explained.
std::vector<DecodedField> decoded_fields(const ScenarioRecord& record);

// "sx 2, s1 4, s2 0, ...": the fields as the row names them.
std::string decoded_line(const std::vector<DecodedField>& fields);
// The fields as JSON: each name with its value, unit, meaning and stored field.
nlohmann::json decoded_json(const std::vector<DecodedField>& fields);

// What a cell's approach byte belongs to: "approach 1 of the signal at 8+650 (cell 174)",
// "approach 2 of the station stop in cell 9"; nothing for a cell without one.
std::optional<std::string> approach_text(const std::vector<TrackCell>& cells, std::size_t index);

// The route length in metres: record 84's, or the cell table's length when that is empty.
std::int32_t route_length(const Model& model);

}  // namespace scenario::scenc
