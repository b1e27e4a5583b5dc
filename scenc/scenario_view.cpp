#include "scenc/scenario_view.h"

#include <map>
#include <set>

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

std::int32_t route_length(const Model& model) {
    std::int32_t declared = model.records[record_slot::totals].zone_end;
    if (declared > 0) return declared;
    return static_cast<std::int32_t>(model.cells.size()) * 50;
}

}  // namespace scenario::scenc
