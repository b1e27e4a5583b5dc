#include "scenc/review/dump.h"

#include <cmath>
#include <cstdio>
#include <functional>
#include <optional>
#include <ostream>

#include "scenc/common/input_files.h"
#include "scenc/common/terminal_text.h"
#include "scenc/common/units.h"
#include "scenc/review/compiled_files.h"
#include "scenc/review/scenario_view.h"

namespace scenario::scenc {

namespace {

std::string right(const std::string& text, std::size_t width) {
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}
std::string right(std::int64_t value, std::size_t width) {
    return right(std::to_string(value), width);
}
std::string left(const std::string& text, std::size_t width) {
    return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}
std::string metres(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

const char* const record_header =
    "slot  role            kind  zone_start    zone_end    position opt_a  par_a  par_b  par_c"
    "  par_d  par_e opt_b opt_c opt_d opt_e      time_s  text\n";

std::string record_row(int slot, const ScenarioRecord& r) {
    return right(slot, 4) + "  " + left(record_role(slot, r), 14) + right(r.kind, 6) +
           right(r.zone_start, 12) + right(r.zone_end, 12) + right(r.position, 12) +
           right(r.opt_a, 6) + right(r.par_a, 7) + right(r.par_b, 7) + right(r.par_c, 7) +
           right(r.par_d, 7) + right(r.par_e, 7) + right(r.opt_b, 6) + right(r.opt_c, 6) +
           right(r.opt_d, 6) + right(r.opt_e, 6) + right(r.time_s, 12) +
           (r.text.empty() ? "" : "  " + single_byte_to_utf8(r.text)) + "\n";
}

// "label shown, label shown", one entry per label (the clock's three fields show once).
std::string meanings_line(const std::vector<FieldMeaning>& meanings) {
    std::string line;
    std::string last_label;
    for (const FieldMeaning& m : meanings) {
        if (m.label == last_label) continue;
        last_label = m.label;
        line += (line.empty() ? "" : ", ") + m.label + " " + m.shown;
    }
    return line;
}

std::string cleared_run(int first, int last) {
    if (first == last) return right(first, 4) + "  (cleared)\n";
    return right(std::to_string(first) + ".." + std::to_string(last), 6) + "  (" +
           std::to_string(last - first + 1) + " cleared records)\n";
}

// A feature is listed first at the position its row wrote, then by its cell and the cell's
// first metre; a cell whose kind no row places by position (a station's stop, a speed or
// gradient change alone) has no written position.
const char* const cell_header = "written_km   cell   metre  kind                     ";
const char* const raw_header =
    "   val1   val2   val3   val4 s_time approach mountain speed_limit gradient adhesion  ";

// The feature's row fields, then the approach mark's owner and the profile.
std::string cell_values(const std::vector<TrackCell>& cells, std::size_t index) {
    const TrackCell& c = cells[index];
    std::string line = decoded_line(decoded_fields(c));
    auto add = [&](const std::string& part) {
        if (!part.empty()) line += (line.empty() ? "" : ", ") + part;
    };
    add(meanings_line(cell_meanings(index, c)));
    if (std::optional<std::string> approach = approach_text(cells, index)) add(*approach);
    if (c.mountain != 0) add("mountain type " + std::to_string(c.mountain));
    return line;
}

std::string cell_row(const std::vector<TrackCell>& cells, std::size_t index, bool raw) {
    const TrackCell& c = cells[index];
    auto number = static_cast<std::int64_t>(index);
    std::int64_t metre = number * cell_length;
    std::optional<std::int64_t> written = units::written_position(c.kind, index);
    std::string row = right(written ? units::km_and_metres(*written) : "-", 10) + right(number, 7) +
                      right(metre, 8) + "  " + right(c.kind, 2) + " " +
                      left(cell_name(index, c), 23);
    if (raw) {
        row += right(c.val1, 7) + right(c.val2, 7) + right(c.val3, 7) + right(c.val4, 7) +
               right(c.signal_time, 7) + right(c.approach, 9) + right(c.mountain, 9) +
               right(c.speed_limit, 12) + right(c.gradient, 9) + right(c.adhesion, 9);
    }
    return row + "  " + cell_values(cells, index) + "\n";
}

std::size_t count_features(const std::vector<TrackCell>& cells) {
    std::size_t count = 0;
    for (const TrackCell& cell : cells) count += holds_feature(cell) ? 1 : 0;
    return count;
}

void take_point(PlanSummary& summary, double x, double y, bool first) {
    if (first) {
        summary.x_min = summary.x_max = x;
        summary.y_min = summary.y_max = y;
    } else {
        summary.length += std::hypot(x - summary.end_x, y - summary.end_y);
        summary.x_min = std::min(summary.x_min, x);
        summary.x_max = std::max(summary.x_max, x);
        summary.y_min = std::min(summary.y_min, y);
        summary.y_max = std::max(summary.y_max, y);
    }
    summary.end_x = x;
    summary.end_y = y;
}

}  // namespace

PlanSummary summarize_plan(const Plan& plan) {
    PlanSummary summary;
    summary.points = static_cast<std::int32_t>(plan.x.size());
    if (!plan.origin_set) return summary;
    summary.computed_points = plan.computed_end - 2;
    for (std::int32_t point = 0; point < plan.computed_end; ++point) {
        take_point(summary, plan.x[point], plan.y[point], point == 0);
    }
    return summary;
}

bool RecordSelection::shows(int slot, const ScenarioRecord& record) const {
    if (!stretch) return true;
    auto inside = [&](std::int64_t metre) {
        return metre >= stretch->from && metre <= stretch->to;
    };
    const std::string role = record_role(slot, record);
    if (role == "station") return inside(record.position);
    if (role != "sign board" || !board_positions) return false;
    auto board = board_positions->find(slot);
    return board != board_positions->end() && inside(board->second);
}

std::map<int, std::int64_t> board_positions(const std::vector<TrackCell>& cells) {
    std::map<int, std::int64_t> positions;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (cells[i].kind != cell_kind::sign_board) continue;
        if (std::optional<std::int64_t> written = units::written_position(cells[i].kind, i)) {
            positions.emplace(cells[i].val1, *written);
        }
    }
    return positions;
}

std::string records_table(const std::array<ScenarioRecord, record_count>& records,
                          const RecordSelection& selection) {
    std::string table;
    if (const auto& stretch = selection.stretch) {
        table += "stations and sign boards from " + units::position_text(stretch->from) + " to " +
                 units::position_text(stretch->to);
        if (!selection.board_positions) table += " (sign boards not placed: no cell file)";
        table += "\n";
    }
    table += record_header;
    const int terminus = terminus_slot(records);
    int cleared_from = -1;  // the first of a run of cleared records, -1 outside a run
    for (int slot = 0; slot <= record_count; ++slot) {
        if (slot < record_count && !selection.shows(slot, records[slot])) continue;
        bool cleared = slot < record_count && is_cleared(records[slot]);
        if (cleared) {
            if (cleared_from < 0) cleared_from = slot;
            continue;
        }
        if (cleared_from >= 0) table += cleared_run(cleared_from, slot - 1);
        cleared_from = -1;
        if (slot == record_count) break;
        table += record_row(slot, records[slot]);
        std::string meaning = meanings_line(record_meanings(slot, records[slot], slot == terminus));
        if (!meaning.empty()) table += "        " + meaning + "\n";
        if (record_role(slot, records[slot]) == "station") {
            table += "        " + decoded_line(decoded_fields(records[slot])) + "\n";
        }
    }
    return table;
}

bool CellSelection::shows(std::size_t index, const TrackCell& cell) const {
    return (all || holds_feature(cell)) && (!stretch || stretch->holds_cell(index));
}

std::string cells_table(const std::vector<TrackCell>& cells, const CellSelection& selection) {
    std::string table = std::to_string(cells.size()) + " cells (0.." +
                        std::to_string(cells.size() - 1) + "), " +
                        std::to_string(count_features(cells)) + " holding a feature" +
                        (selection.all ? "" : " (listed; --all lists every cell)");
    if (selection.stretch) {
        table += "; from " + units::position_text(selection.stretch->from) + " to " +
                 units::position_text(selection.stretch->to);
    }
    table += "\n";
    table += std::string(cell_header) + (selection.raw ? raw_header : "") + "values\n";
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (selection.shows(i, cells[i])) table += cell_row(cells, i, selection.raw);
    }
    return table;
}

std::string plan_summary_text(const Plan& plan) {
    PlanSummary s = summarize_plan(plan);
    std::string text =
        std::to_string(s.points) + " points (0.." + std::to_string(s.points - 1) + ")\n";
    if (!plan.origin_set) return text + "  no point computed: the route stopped before its plan\n";
    text += "  computed points: " + std::to_string(s.computed_points);
    if (s.computed_points > 0) text += " (2.." + std::to_string(plan.computed_end - 1) + ")";
    text += "\n  bounding box:    x " + metres(s.x_min) + " .. " + metres(s.x_max) + " m, y " +
            metres(s.y_min) + " .. " + metres(s.y_max) + " m\n";
    text += "  end point:       (" + metres(s.end_x) + ", " + metres(s.end_y) + ")\n";
    text += "  length:          " + metres(s.length) + " m along the points\n";
    return text;
}

nlohmann::json meanings_json(const std::vector<FieldMeaning>& meanings) {
    nlohmann::json json = nlohmann::json::object();
    for (const FieldMeaning& m : meanings) {
        json[m.field] = {
            {"label", m.label}, {"value", m.value}, {"unit", m.unit}, {"text", m.shown}};
    }
    return json;
}

nlohmann::json records_json(const std::array<ScenarioRecord, record_count>& records,
                            const RecordSelection& selection) {
    nlohmann::json list = nlohmann::json::array();
    const int terminus = terminus_slot(records);
    for (int slot = 0; slot < record_count; ++slot) {
        const ScenarioRecord& r = records[slot];
        if (is_cleared(r) || !selection.shows(slot, r)) continue;
        list.push_back({{"slot", slot},
                        {"role", record_role(slot, r)},
                        {"kind", r.kind},
                        {"zone_start", r.zone_start},
                        {"zone_end", r.zone_end},
                        {"position", r.position},
                        {"opt_a", r.opt_a},
                        {"text", single_byte_to_utf8(r.text)},
                        {"par_a", r.par_a},
                        {"par_b", r.par_b},
                        {"par_c", r.par_c},
                        {"par_d", r.par_d},
                        {"par_e", r.par_e},
                        {"opt_b", r.opt_b},
                        {"opt_c", r.opt_c},
                        {"opt_d", r.opt_d},
                        {"opt_e", r.opt_e},
                        {"time_s", r.time_s},
                        {"units", meanings_json(record_meanings(slot, r, slot == terminus))}});
        if (record_role(slot, r) == "station") {
            list.back()["decoded"] = decoded_json(decoded_fields(r));
        }
    }
    nlohmann::json json{{"records", list}};
    if (const auto& stretch = selection.stretch) {
        json["stretch"] = {{"from_m", stretch->from}, {"to_m", stretch->to}};
    }
    return json;
}

nlohmann::json cells_json(const std::vector<TrackCell>& cells, const CellSelection& selection) {
    nlohmann::json list = nlohmann::json::array();
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const TrackCell& c = cells[i];
        if (!selection.shows(i, c)) continue;
        std::size_t metre = i * cell_length;
        list.push_back({{"cell", i},
                        {"metre", metre},
                        {"km", units::km_and_metres(static_cast<std::int64_t>(metre))},
                        {"kind", c.kind},
                        {"kind_name", cell_name(i, c)},
                        {"val1", c.val1},
                        {"val2", c.val2},
                        {"val3", c.val3},
                        {"val4", c.val4},
                        {"signal_time", c.signal_time},
                        {"approach", c.approach},
                        {"mountain", c.mountain},
                        {"speed_limit", c.speed_limit},
                        {"gradient", c.gradient},
                        {"adhesion", c.adhesion},
                        {"units", meanings_json(cell_meanings(i, c))},
                        {"decoded", decoded_json(decoded_fields(c))}});
        if (std::optional<std::string> approach = approach_text(cells, i)) {
            list.back()["approach_of"] = *approach;
        }
        // Where the row put the feature, 50 m before the cell's first metre for most kinds.
        if (std::optional<std::int64_t> written = units::written_position(c.kind, i)) {
            list.back()["written_metre"] = *written;
            list.back()["written_km"] = units::km_and_metres(*written);
        }
    }
    nlohmann::json json{{"cell_count", cells.size()},
                        {"cells_with_feature", count_features(cells)},
                        {"listed", selection.all ? "all" : "with feature"},
                        {"cells", list}};
    if (selection.stretch) {
        json["stretch"] = {{"from_m", selection.stretch->from}, {"to_m", selection.stretch->to}};
    }
    return json;
}

nlohmann::json plan_json(const Plan& plan) {
    PlanSummary s = summarize_plan(plan);
    nlohmann::json json{{"points", s.points},
                        {"origin_set", plan.origin_set},
                        {"computed_points", s.computed_points}};
    if (!plan.origin_set) return json;
    json["bounding_box"] = {
        {"x_min", s.x_min}, {"x_max", s.x_max}, {"y_min", s.y_min}, {"y_max", s.y_max}};
    json["end_point"] = {{"x", s.end_x}, {"y", s.end_y}};
    json["length"] = s.length;
    return json;
}

namespace {

struct DumpedFile {
    std::string heading;  // for the text form
    std::string text;
    nlohmann::json json;
};

// The cells that place a record file's sign boards: a cell file named beside it on the
// command line, else the one of the same name with .dat in its folder; nothing when neither
// is there or readable.
std::optional<std::vector<TrackCell>> cells_for_boards(
    const std::filesystem::path& record_path, const std::vector<std::filesystem::path>& named) {
    std::filesystem::path beside = record_path;
    beside.replace_extension(".dat");
    std::vector<std::filesystem::path> candidates;
    for (const auto& path : named) {
        if (compiled_file_kind(path) == CompiledFileKind::cells) candidates.push_back(path);
    }
    candidates.push_back(beside);
    for (const auto& path : candidates) {
        try {
            std::string bytes = read_compiled_file(path);
            if (checked_compiled_kind(path, bytes) != CompiledFileKind::cells) continue;
            return decode_file_bytes(path, bytes, decode_cell_file);
        } catch (const UsageProblem&) {
            continue;  // a named file is reported on its own; a missing one places no board
        }
    }
    return std::nullopt;
}

DumpedFile dump_file(const std::filesystem::path& path, const CellSelection& selection,
                     const std::vector<std::filesystem::path>& named) {
    std::string bytes = read_compiled_file(path);
    const CompiledFileKind kind = checked_compiled_kind(path, bytes);
    std::string size = std::to_string(bytes.size()) + " bytes";
    DumpedFile dumped;
    if (kind == CompiledFileKind::records) {
        auto records = decode_file_bytes(path, bytes, decode_record_file);
        RecordSelection shown{selection.stretch, std::nullopt};
        if (selection.stretch) {
            std::optional<std::vector<TrackCell>> cells = cells_for_boards(path, named);
            if (cells) shown.board_positions = board_positions(*cells);
        }
        dumped = {"record file, " + size, records_table(records, shown),
                  records_json(records, shown)};
    } else if (kind == CompiledFileKind::cells) {
        auto cells = decode_file_bytes(path, bytes, decode_cell_file);
        // An empty table would look like a stretch without features.
        const auto cells_end = static_cast<std::int64_t>(cells.size()) * 50;
        if (selection.stretch && selection.stretch->from >= cells_end) {
            throw UsageProblem("the stretch from " + units::km_and_metres(selection.stretch->from) +
                               " lies past the end of the cells at " +
                               units::km_and_metres(cells_end));
        }
        dumped = {"cell file, " + size, cells_table(cells, selection),
                  cells_json(cells, selection)};
    } else {
        Plan plan = decode_file_bytes(path, bytes, decode_plan_file);
        dumped = {"plan file, " + size, plan_summary_text(plan), plan_json(plan)};
    }
    const char* type = kind == CompiledFileKind::records ? "records"
                       : kind == CompiledFileKind::cells ? "cells"
                                                         : "plan";
    nlohmann::json head{{"file", path.string()}, {"type", type}, {"bytes", bytes.size()}};
    head.update(dumped.json);
    dumped.json = std::move(head);
    return dumped;
}

}  // namespace

int run_dump(const DumpRequest& request, std::ostream& out, std::ostream& err) {
    std::vector<DumpedFile> dumped;
    const int status = report_problems(err, [&] {
        const CellSelection selection{request.all_cells, request.stretch, request.raw};
        for (const auto& path : request.files) {
            dumped.push_back(dump_file(path, selection, request.files));
        }
        return 0;
    });
    if (status != 0) return status;
    if (request.json) {
        nlohmann::json all = nlohmann::json::array();
        for (auto& file : dumped) all.push_back(std::move(file.json));
        out << all.dump(2) << "\n";
        return 0;
    }
    for (std::size_t i = 0; i < dumped.size(); ++i) {
        if (i > 0) out << "\n";
        out << terminal_text(request.files[i].string()) << ": " << dumped[i].heading << "\n"
            << terminal_text(dumped[i].text, true);
    }
    return 0;
}

}  // namespace scenario::scenc
