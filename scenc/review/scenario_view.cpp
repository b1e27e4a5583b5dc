#include "scenc/review/scenario_view.h"

#include <map>
#include <set>

#include "compiler/decoded_values.h"
#include "scenc/common/input_files.h"
#include "scenc/common/units.h"

namespace scenario::scenc {

std::string cell_kind_name(std::uint8_t kind) {
    static const std::map<std::uint8_t, const char*> names{
        {cell_kind::empty, "empty"},
        {cell_kind::signal, "signal"},
        {cell_kind::slowdown_end, "slowdown end"},
        {cell_kind::slowdown_start, "slowdown start"},
        {cell_kind::slowdown_advance, "slowdown advance point"},
        {cell_kind::slowdown_warning, "slowdown warning board"},
        {cell_kind::speed_boards, "speed boards"},
        {cell_kind::station_stop, "station stop"},
        {cell_kind::mountain_marker, "mountain marker"},
        {cell_kind::code_change, "code change"},
        {cell_kind::code_change_plain, "code change, no value"},
        {cell_kind::sign_board, "sign board"},
    };
    auto found = names.find(kind);
    return found == names.end() ? "unknown" : found->second;
}

bool holds_feature(const TrackCell& cell) {
    return cell.kind != 0 || cell.val1 != 0 || cell.val2 != 0 || cell.val3 != 0 || cell.val4 != 0 ||
           cell.signal_time != 0 || cell.approach != 0;
}

bool is_cleared(const ScenarioRecord& record) {
    return record == ScenarioRecord{};
}

namespace {

// A sign board's record holds its text and nothing else.
bool looks_like_sign_board(const ScenarioRecord& record) {
    ScenarioRecord numbers = record;
    numbers.text.clear();
    return !record.text.empty() && is_cleared(numbers);
}

}  // namespace

std::string record_role(int slot, const ScenarioRecord& record) {
    switch (slot) {
        case record_slot::progressive_three:
            return "km reference 3";
        case record_slot::progressive_two:
            return "km reference 2";
        case record_slot::progressive_one:
            return "km reference 1";
        case record_slot::totals:
            return "totals";
        case record_slot::route_identity:
            return "route identity";
        case record_slot::train_identity:
            return "train identity";
        default:
            break;
    }
    if (slot == 0 || slot > record_slot::last_sign_board || is_cleared(record)) return "";
    return looks_like_sign_board(record) ? "sign board" : "station";
}

int terminus_slot(const std::array<ScenarioRecord, record_count>& records) {
    int last = 0;
    for (int slot = 1; slot <= record_slot::last_sign_board; ++slot) {
        if (record_role(slot, records[slot]) == "station") last = slot;
    }
    return last;
}

std::vector<int> station_slots(const Model& model) {
    std::set<int> sign_boards;
    for (const TrackCell& cell : model.cells) {
        if (cell.kind == cell_kind::sign_board) sign_boards.insert(cell.val1);
    }
    std::vector<int> slots;
    for (int slot = 1; slot <= record_slot::last_sign_board; ++slot) {
        if (!is_cleared(model.records[slot]) && !sign_boards.contains(slot)) slots.push_back(slot);
    }
    return slots;
}

std::vector<RawField> raw_fields(const TrackCell& c) {
    return {{"kind", c.kind},         {"val1", c.val1},         {"val2", c.val2},
            {"val3", c.val3},         {"val4", c.val4},         {"signal_time", c.signal_time},
            {"approach", c.approach}, {"mountain", c.mountain}, {"speed_limit", c.speed_limit},
            {"gradient", c.gradient}, {"adhesion", c.adhesion}};
}

std::vector<RawField> raw_fields(const ScenarioRecord& r) {
    return {{"kind", r.kind},         {"zone_start", r.zone_start}, {"zone_end", r.zone_end},
            {"position", r.position}, {"opt_a", r.opt_a},           {"par_a", r.par_a},
            {"par_b", r.par_b},       {"par_c", r.par_c},           {"par_d", r.par_d},
            {"par_e", r.par_e},       {"opt_b", r.opt_b},           {"opt_c", r.opt_c},
            {"opt_d", r.opt_d},       {"opt_e", r.opt_e},           {"time_s", r.time_s}};
}

namespace {

FieldMeaning position(const char* field, const char* label, std::int64_t metres) {
    return {field,
            label,
            units::position_text(metres),
            {{"m", metres}, {"km", units::km_and_metres(metres)}},
            "m"};
}
FieldMeaning clock(const char* field, const char* label, std::int64_t seconds) {
    std::string time = units::clock_time(seconds);
    return {field, label, time, time, "hh:mm:ss"};
}
FieldMeaning speed(const char* field, const char* label, int kmh) {
    return {field, label, std::to_string(kmh) + " km/h", kmh, "km/h"};
}
FieldMeaning plain(const char* field, const char* label, std::int64_t value,
                   const std::string& unit = "") {
    std::string shown = std::to_string(value) + (unit.empty() ? "" : " " + unit);
    return {field, label, shown, value, unit};
}

void add_feature_meanings(std::vector<FieldMeaning>& m, const TrackCell& c) {
    switch (c.kind) {
        case cell_kind::slowdown_warning:
            m.push_back(plain("val1", "warning board", c.val1));
            break;
        case cell_kind::station_stop:
            m.push_back(plain("val1", "station record", c.val1));
            break;
        case cell_kind::sign_board:
            m.push_back(plain("val1", "board text record", c.val1));
            break;
        default:
            break;
    }
}

void add_station_meanings(std::vector<FieldMeaning>& m, const ScenarioRecord& r, bool terminus) {
    m.push_back(position("position", "position", r.position));
    m.push_back(position("zone_start", "stretch start", r.zone_start));
    m.push_back(position("zone_end", "stretch end", r.zone_end));
    // The timetable holds the departure at the origin and the stops, the arrival at the end;
    // a station the train passes has no time.
    if (r.time_s != 0) m.push_back(clock("time_s", terminus ? "arrival" : "departure", r.time_s));
}

void add_fixed_slot_meanings(std::vector<FieldMeaning>& m, int slot, const ScenarioRecord& r) {
    switch (slot) {
        case record_slot::progressive_one:
        case record_slot::progressive_two:
        case record_slot::progressive_three:
            m.push_back(position("zone_start", "from", r.zone_start));
            m.push_back(position("zone_end", "kilometric value", r.zone_end));
            m.push_back(plain("position", "direction", r.position));
            break;
        case record_slot::totals:
            m.push_back(plain("zone_start", "braked mass", r.zone_start, "%"));
            m.push_back(position("zone_end", "route length", r.zone_end));
            m.push_back(plain("position", "cars", r.position));
            break;
        case record_slot::route_identity:
            m.push_back(plain("zone_start", "background 1", r.zone_start));
            m.push_back(plain("position", "background 2", r.position));
            m.push_back(plain("zone_end", "background 3", r.zone_end));
            m.push_back(plain("par_a", "marker", r.par_a));
            m.push_back(plain("time_s", "weighted contest code", r.time_s));
            break;
        case record_slot::train_identity:
            m.push_back(position("zone_start", "signal repetition from", r.zone_start));
            m.push_back(position("zone_end", "signal repetition to", r.zone_end));
            m.push_back(plain("position", "codes", r.position));
            m.push_back(plain("par_a", "sand", r.par_a));
            // Hours, minutes and seconds: each of the three shows the whole clock.
            for (const char* field : {"par_c", "par_d", "par_e"}) {
                m.push_back(clock(field, "start clock", (r.par_c * 60 + r.par_d) * 60 + r.par_e));
            }
            break;
        default:
            break;
    }
}

}  // namespace

bool holds_markers(std::size_t index, const TrackCell& cell) {
    return index == 1 && cell.val1 == marker::first_cell;
}

std::string cell_name(std::size_t index, const TrackCell& cell) {
    if (holds_markers(index, cell) && cell.kind == cell_kind::empty) return "markers";
    return cell_kind_name(cell.kind);
}

std::vector<FieldMeaning> cell_meanings(std::size_t index, const TrackCell& cell) {
    std::vector<FieldMeaning> m;
    if (holds_markers(index, cell)) {
        m.push_back(plain("val1", "marker", cell.val1));
        m.push_back(plain("val2", "plain contest code", cell.val2));
    } else {
        add_feature_meanings(m, cell);
    }
    m.push_back(speed("speed_limit", "speed limit", units::speed_kmh(cell.speed_limit)));
    std::optional<int> gradient = units::gradient_per_mille(cell.gradient);
    m.push_back({"gradient", "gradient", units::gradient_text(cell.gradient),
                 gradient ? nlohmann::json(*gradient) : nlohmann::json(nullptr), "per mille"});
    return m;
}

std::vector<FieldMeaning> record_meanings(int slot, const ScenarioRecord& record, bool terminus) {
    std::vector<FieldMeaning> m;
    if (record_role(slot, record) == "station") add_station_meanings(m, record, terminus);
    add_fixed_slot_meanings(m, slot, record);
    return m;
}

const FieldMeaning* meaning_of(const std::vector<FieldMeaning>& meanings, std::string_view field) {
    for (const FieldMeaning& m : meanings) {
        if (m.field == field) return &m;
    }
    return nullptr;
}

std::vector<CellRun> cell_runs(const std::vector<TrackCell>& cells,
                               std::uint8_t TrackCell::*field) {
    std::vector<CellRun> runs;
    for (std::size_t first = 0; first < cells.size();) {
        const std::uint8_t byte = cells[first].*field;
        std::size_t last = first;
        while (last + 1 < cells.size() && cells[last + 1].*field == byte) ++last;
        runs.push_back({first, last, byte});
        first = last + 1;
    }
    return runs;
}

std::string mountain_text(std::uint8_t byte) {
    return byte == 0 ? "none" : "type " + std::to_string(byte);
}

namespace {

bool is_measure(std::string_view unit) {
    return unit == "m" || unit == "km/h" || unit == "%";
}

std::vector<DecodedField> fields_of(const std::vector<DecodedValue>& values) {
    std::vector<DecodedField> fields;
    for (const DecodedValue& v : values) {
        const std::string unit(v.field->unit);
        std::string meaning(v.field->meaning);
        if (v.row == RowKind::station && v.field->name == "kind") {
            meaning += ": " + std::string(station_kind_meaning(v.value));
        }
        fields.push_back({std::string(v.field->name), v.value, unit, meaning,
                          std::string(v.stored_in),
                          std::to_string(v.value) + (is_measure(unit) ? " " + unit : "")});
    }
    return fields;
}

}  // namespace

std::vector<DecodedField> decoded_fields(const TrackCell& cell) {
    return fields_of(decoded_cell(cell));
}

std::vector<DecodedField> decoded_fields(const ScenarioRecord& record) {
    return fields_of(decoded_station(record));
}

std::string decoded_line(const std::vector<DecodedField>& fields) {
    std::string line;
    for (const DecodedField& f : fields)
        line += (line.empty() ? "" : ", ") + f.name + " " + f.shown;
    return line;
}

nlohmann::json decoded_json(const std::vector<DecodedField>& fields) {
    nlohmann::json json = nlohmann::json::object();
    for (const DecodedField& f : fields) {
        json[f.name] = {{"value", f.value},
                        {"unit", f.unit},
                        {"meaning", f.meaning},
                        {"stored_in", f.stored_in}};
    }
    return json;
}

std::optional<std::string> approach_text(const std::vector<TrackCell>& cells, std::size_t index) {
    const std::uint8_t byte = cells[index].approach;
    if (byte == 0) return std::nullopt;
    const std::optional<ApproachMark> mark = approach_mark(byte);
    const std::string step = mark ? std::to_string(mark->step) : "";
    // A signal marks the cells 2, 4, 6 and 8 before it with its side codes.
    const std::size_t signal = mark ? index + 2 * static_cast<std::size_t>(mark->step) : 0;
    if (mark && signal < cells.size() && cells[signal].kind == cell_kind::signal &&
        signal_sides(cells[signal]) == mark->sides) {
        const auto written = units::written_position(cell_kind::signal, signal);
        return "approach " + step + " of the signal at " + units::km_and_metres(*written) +
               " (cell " + std::to_string(signal) + ")";
    }
    // A station marks the four cells before the one before its stop cell with 81 to 84.
    const std::size_t stop = mark ? index + static_cast<std::size_t>(mark->step) + 1 : 0;
    if (mark && mark->sides == 8 && stop < cells.size() &&
        cells[stop].kind == cell_kind::station_stop) {
        return "approach " + step + " of the station stop in cell " + std::to_string(stop);
    }
    return "approach mark " + std::to_string(byte) + " of no signal or stop here";
}

std::int32_t route_length(const Model& model) {
    std::int32_t declared = model.records[record_slot::totals].zone_end;
    if (declared > 0) return declared;
    return static_cast<std::int32_t>(model.cells.size()) * 50;
}

}  // namespace scenario::scenc
