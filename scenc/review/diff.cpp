#include "scenc/review/diff.h"

#include <bit>
#include <cmath>
#include <ostream>

#include "scenc/common/input_files.h"
#include "scenc/common/terminal_text.h"
#include "scenc/common/units.h"
#include "scenc/review/compiled_files.h"
#include "scenc/review/scenario_view.h"

namespace scenario::scenc {

namespace {

constexpr int trouble_status = 2;

// The meaning's text when the field has one, else the raw number.
std::string shown(const std::vector<FieldMeaning>& meanings, const RawField& field) {
    const FieldMeaning* m = meaning_of(meanings, field.field);
    return m ? m->shown : std::to_string(field.raw);
}

std::string label(const std::vector<FieldMeaning>& old_m, const std::vector<FieldMeaning>& new_m,
                  const std::string& field) {
    const FieldMeaning* m = meaning_of(new_m, field);
    if (!m) m = meaning_of(old_m, field);
    return m ? m->label : field;
}

// Compares two lists of raw fields of the same layout and records each one that differs.
void compare_fields(const std::vector<RawField>& old_f, const std::vector<RawField>& new_f,
                    const std::vector<FieldMeaning>& old_m, const std::vector<FieldMeaning>& new_m,
                    Difference place, ScenarioDiff& diff) {
    for (std::size_t i = 0; i < old_f.size(); ++i) {
        if (old_f[i].raw == new_f[i].raw) continue;
        Difference d = place;
        d.field = old_f[i].field;
        d.label = label(old_m, new_m, d.field);
        d.old_raw = old_f[i].raw;
        d.new_raw = new_f[i].raw;
        d.old_shown = shown(old_m, old_f[i]);
        d.new_shown = shown(new_m, new_f[i]);
        diff.differences.push_back(std::move(d));
    }
}

std::string quoted(const std::string& text) {
    return "\"" + single_byte_to_utf8(text) + "\"";
}

// A record as the author knows it: a station or board by its name, a fixed slot by its role.
Difference record_place(int slot, const ScenarioRecord& old_r, const ScenarioRecord& new_r) {
    const ScenarioRecord& named = is_cleared(new_r) ? old_r : new_r;
    std::string role = record_role(slot, named);
    Difference place;
    place.file = "records";
    place.location = {{"slot", slot}, {"role", role}};
    if (role == "station" || role == "sign board") {
        place.where = role + " " + quoted(named.text);
        place.location["name"] = single_byte_to_utf8(named.text);
    } else {
        place.where =
            (role.empty() ? std::string("record") : role) + " (slot " + std::to_string(slot) + ")";
    }
    return place;
}

// A cell by its number and its first metre, where a speed or gradient change written there
// starts.
Difference cell_place(std::size_t i) {
    auto metre = static_cast<std::int64_t>(i) * cell_length;
    Difference place;
    place.file = "cells";
    place.where = "cell " + std::to_string(i) + " at " + units::position_text(metre);
    place.location = {{"cell", i}, {"metre", metre}, {"km", units::km_and_metres(metre)}};
    return place;
}

// The feature a cell holds (on either side), at the position its row wrote with the cell
// beside it; the plain cell for kinds no row places by a position of their own.
Difference feature_place(std::size_t i, const TrackCell& old_cell, const TrackCell& new_cell) {
    Difference place = cell_place(i);
    const TrackCell& named = units::written_position(new_cell.kind, i) ? new_cell : old_cell;
    if (std::optional<std::int64_t> written = units::written_position(named.kind, i)) {
        place.where = cell_name(i, named) + " at " + units::km_and_metres(*written) + " (cell " +
                      std::to_string(i) + ")";
        place.location["written_metre"] = *written;
        place.location["written_km"] = units::km_and_metres(*written);
    }
    return place;
}

// The line's profile along a cell, which belongs to the cell rather than to its feature.
bool is_profile_field(const std::string& field) {
    return field == "approach" || field == "mountain" || field == "speed_limit" ||
           field == "gradient" || field == "adhesion";
}

}  // namespace

void diff_cells(const std::vector<TrackCell>& old_cells, const std::vector<TrackCell>& new_cells,
                ScenarioDiff& diff) {
    if (old_cells.size() != new_cells.size()) {
        diff.notes.push_back("cells: " + std::to_string(old_cells.size()) + " → " +
                             std::to_string(new_cells.size()) +
                             " (only the cells on both sides are compared)");
    }
    std::size_t common = std::min(old_cells.size(), new_cells.size());
    for (std::size_t i = 0; i < common; ++i) {
        if (old_cells[i] == new_cells[i]) continue;
        const std::size_t first = diff.differences.size();
        compare_fields(raw_fields(old_cells[i]), raw_fields(new_cells[i]),
                       cell_meanings(i, old_cells[i]), cell_meanings(i, new_cells[i]),
                       feature_place(i, old_cells[i], new_cells[i]), diff);
        const Difference plain = cell_place(i);
        for (std::size_t k = first; k < diff.differences.size(); ++k) {
            Difference& d = diff.differences[k];
            if (!is_profile_field(d.field)) continue;
            d.where = plain.where;
            d.location = plain.location;
        }
    }
}

void diff_records(const std::array<ScenarioRecord, record_count>& old_records,
                  const std::array<ScenarioRecord, record_count>& new_records, ScenarioDiff& diff) {
    const int old_terminus = terminus_slot(old_records);
    const int new_terminus = terminus_slot(new_records);
    for (int slot = 0; slot < record_count; ++slot) {
        const ScenarioRecord& o = old_records[slot];
        const ScenarioRecord& n = new_records[slot];
        if (o == n) continue;
        Difference place = record_place(slot, o, n);
        if (o.text != n.text) {
            Difference d = place;
            d.field = d.label = "text";
            d.old_shown = quoted(o.text);
            d.new_shown = quoted(n.text);
            d.old_raw = single_byte_to_utf8(o.text);
            d.new_raw = single_byte_to_utf8(n.text);
            diff.differences.push_back(std::move(d));
        }
        compare_fields(raw_fields(o), raw_fields(n), record_meanings(slot, o, slot == old_terminus),
                       record_meanings(slot, n, slot == new_terminus), place, diff);
    }
}

PlanComparison compare_plans(const Plan& old_plan, const Plan& new_plan) {
    PlanComparison result;
    auto computed = [](const Plan& plan, std::size_t point) {
        return plan.origin_set && static_cast<std::int64_t>(point) < plan.computed_end;
    };
    auto bits = [](double value) { return std::bit_cast<std::uint64_t>(value); };
    std::size_t common = std::min(old_plan.x.size(), new_plan.x.size());
    for (std::size_t point = 0; point < common; ++point) {
        bool in_old = computed(old_plan, point), in_new = computed(new_plan, point);
        bool differs =
            in_old != in_new || (in_old && (bits(old_plan.x[point]) != bits(new_plan.x[point]) ||
                                            bits(old_plan.y[point]) != bits(new_plan.y[point])));
        if (differs && !result.first_differing_point) {
            result.first_differing_point = static_cast<std::int64_t>(point);
        }
        if (!in_old || !in_new) continue;
        double distance = std::hypot(old_plan.x[point] - new_plan.x[point],
                                     old_plan.y[point] - new_plan.y[point]);
        if (distance > result.largest_distance) {
            result.largest_distance = distance;
            result.largest_at_point = static_cast<std::int64_t>(point);
        }
    }
    if (!result.first_differing_point && old_plan.x.size() != new_plan.x.size()) {
        result.first_differing_point = static_cast<std::int64_t>(common);
    }
    return result;
}

namespace {

std::string metres_text(double metres) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f m", metres);
    return text;
}

std::string plan_text(const PlanComparison& plan) {
    if (plan.same()) return "";
    return "plan: first point that differs: " + units::position_text(*plan.first_differing_point) +
           "; largest distance between the two plans: " + metres_text(plan.largest_distance) +
           " at " + units::position_text(plan.largest_at_point) + "\n";
}

}  // namespace

std::string diff_text(const ScenarioDiff& diff) {
    if (diff.same()) return "same\n";
    std::string text;
    for (const std::string& note : diff.notes) text += note + "\n";
    for (const Difference& d : diff.differences) {
        text += d.where + ": " + d.label + " " + d.old_shown + " → " + d.new_shown;
        // The stored field and numbers too, wherever the author's words differ from them.
        bool reworded = d.label != d.field || d.old_shown != d.old_raw.dump() ||
                        d.new_shown != d.new_raw.dump();
        if (d.field != "text" && reworded) {
            text += " (" + d.field + " " + d.old_raw.dump() + " → " + d.new_raw.dump() + ")";
        }
        text += "\n";
    }
    if (diff.plan) text += plan_text(*diff.plan);
    return text;
}

nlohmann::json diff_json(const ScenarioDiff& diff) {
    nlohmann::json list = nlohmann::json::array();
    for (const Difference& d : diff.differences) {
        list.push_back({{"file", d.file},
                        {"where", d.where},
                        {"location", d.location},
                        {"field", d.field},
                        {"label", d.label},
                        {"old", d.old_raw},
                        {"new", d.new_raw},
                        {"old_text", d.old_shown},
                        {"new_text", d.new_shown}});
    }
    nlohmann::json json{{"same", diff.same()}, {"notes", diff.notes}, {"differences", list}};
    if (diff.plan) {
        nlohmann::json plan{{"same", diff.plan->same()}};
        if (!diff.plan->same()) {
            plan["first_differing_point_m"] = *diff.plan->first_differing_point;
            plan["largest_distance_m"] = diff.plan->largest_distance;
            plan["largest_distance_at_m"] = diff.plan->largest_at_point;
        }
        json["plan"] = plan;
    }
    return json;
}

namespace {

void diff_plan_files(const std::optional<Plan>& old_plan, const std::optional<Plan>& new_plan,
                     ScenarioDiff& diff) {
    if (old_plan && new_plan) {
        diff.plan = compare_plans(*old_plan, *new_plan);
    } else if (old_plan || new_plan) {
        diff.notes.push_back(std::string("plan: a plan file only in ") +
                             (old_plan ? "OLD" : "NEW"));
    }
}

ScenarioDiff diff_folders(const DiffRequest& request) {
    CompiledScenario old_set = load_compiled_folder(request.old_input, request.identity);
    CompiledScenario new_set = load_compiled_folder(request.new_input, request.identity);
    ScenarioDiff diff;
    diff_records(old_set.model.records, new_set.model.records, diff);
    diff_cells(old_set.model.cells, new_set.model.cells, diff);
    auto plan_of = [](const CompiledScenario& set) {
        return set.plan_file ? std::optional<Plan>(set.plan) : std::nullopt;
    };
    diff_plan_files(plan_of(old_set), plan_of(new_set), diff);
    return diff;
}

ScenarioDiff diff_files(const DiffRequest& request) {
    std::string old_bytes = read_compiled_file(request.old_input);
    std::string new_bytes = read_compiled_file(request.new_input);
    CompiledFileKind kind = checked_compiled_kind(request.old_input, old_bytes);
    CompiledFileKind new_kind = checked_compiled_kind(request.new_input, new_bytes);
    if (kind != new_kind) {
        throw UsageProblem(request.old_input.string() + " is a " + kind_description(kind) + ", " +
                           request.new_input.string() + " a " + kind_description(new_kind) +
                           ": compare files of one kind, or two folders");
    }
    ScenarioDiff diff;
    if (kind == CompiledFileKind::cells) {
        diff_cells(decode_file_bytes(request.old_input, old_bytes, decode_cell_file),
                   decode_file_bytes(request.new_input, new_bytes, decode_cell_file), diff);
    } else if (kind == CompiledFileKind::records) {
        diff_records(decode_file_bytes(request.old_input, old_bytes, decode_record_file),
                     decode_file_bytes(request.new_input, new_bytes, decode_record_file), diff);
    } else {
        diff.plan =
            compare_plans(decode_file_bytes(request.old_input, old_bytes, decode_plan_file),
                          decode_file_bytes(request.new_input, new_bytes, decode_plan_file));
    }
    return diff;
}

}  // namespace

int run_diff(const DiffRequest& request, std::ostream& out, std::ostream& err) {
    int status = report_problems(err, [&] {
        std::error_code ignored;
        bool old_folder = std::filesystem::is_directory(request.old_input, ignored);
        bool new_folder = std::filesystem::is_directory(request.new_input, ignored);
        if (old_folder != new_folder) {
            const auto& folder = old_folder ? request.old_input : request.new_input;
            const auto& other = old_folder ? request.new_input : request.old_input;
            throw UsageProblem(folder.string() + " is a folder but " + other.string() +
                               " is not: compare two folders or two files");
        }
        ScenarioDiff diff = old_folder ? diff_folders(request) : diff_files(request);
        if (request.json) {
            out << diff_json(diff).dump(2) << "\n";
        } else {
            out << terminal_text(diff_text(diff), true);
        }
        return diff.same() ? 0 : 1;
    });
    // Any trouble, a file that cannot be read as much as a wrong one, is status 2 here.
    return status <= 1 ? status : trouble_status;
}

}  // namespace scenario::scenc
