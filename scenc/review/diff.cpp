#include "scenc/review/diff.h"

#include <algorithm>
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

namespace {

constexpr std::size_t pairing_reach = 20;  // cells: 1000 m

bool is_paired_feature(std::uint8_t kind) {
    return kind != cell_kind::empty && kind != cell_kind::mountain_marker;
}

std::string written_km(std::uint8_t kind, std::size_t cell) {
    const std::optional<std::int64_t> written = units::written_position(kind, cell);
    return written ? units::km_and_metres(*written) : "cell " + std::to_string(cell);
}

Difference whole_line(std::size_t cell, const std::string& line) {
    Difference d = cell_place(cell);
    d.line = line;
    d.where = line;
    return d;
}

// The values of one feature on both sides: its row's fields where they are decoded, else the
// stored values that are not the cell's profile.
void compare_feature(std::size_t old_i, const TrackCell& o, std::size_t new_i, const TrackCell& n,
                     ScenarioDiff& diff) {
    const Difference place = feature_place(new_i, n, n);
    const std::vector<DecodedField> old_d = decoded_fields(o), new_d = decoded_fields(n);
    for (std::size_t k = 0; k < old_d.size() && k < new_d.size(); ++k) {
        if (old_d[k].value == new_d[k].value) continue;
        // Named by the row's field, with the stored value that packs it beside.
        auto stored = [&](const TrackCell& cell) {
            for (const RawField& f : raw_fields(cell)) {
                if (f.field == old_d[k].stored_in) return f.raw;
            }
            return std::int64_t{0};
        };
        Difference d = place;
        d.field = old_d[k].stored_in;
        d.label = old_d[k].name;
        d.old_raw = stored(o);
        d.new_raw = stored(n);
        d.old_shown = old_d[k].shown;
        d.new_shown = new_d[k].shown;
        diff.differences.push_back(std::move(d));
    }
    if (!old_d.empty()) return;
    std::vector<RawField> old_f = raw_fields(o), new_f = raw_fields(n);
    auto feature_only = [](std::vector<RawField>& fields) {
        std::erase_if(fields, [](const RawField& f) { return is_profile_field(f.field); });
    };
    feature_only(old_f);
    feature_only(new_f);
    compare_fields(old_f, new_f, cell_meanings(old_i, o), cell_meanings(new_i, n), place, diff);
}

struct Feature {
    std::size_t cell;
    bool paired = false;
};

// Pairs the features of one kind: at the same cell first, then each with the nearest left.
void diff_kind(std::uint8_t kind, const std::vector<TrackCell>& old_cells,
               const std::vector<TrackCell>& new_cells, std::size_t common, ScenarioDiff& diff) {
    std::vector<Feature> olds, news;
    for (std::size_t i = 0; i < common; ++i) {
        if (old_cells[i].kind == kind) olds.push_back({i});
        if (new_cells[i].kind == kind) news.push_back({i});
    }
    std::vector<std::pair<std::size_t, std::size_t>> pairs;
    for (Feature& o : olds) {
        for (Feature& n : news) {
            if (!n.paired && n.cell == o.cell) {
                o.paired = n.paired = true;
                pairs.emplace_back(o.cell, n.cell);
                break;
            }
        }
    }
    for (std::size_t reach = 1; reach <= pairing_reach; ++reach) {
        for (Feature& o : olds) {
            for (Feature& n : news) {
                if (o.paired || n.paired) continue;
                const std::size_t apart = o.cell > n.cell ? o.cell - n.cell : n.cell - o.cell;
                if (apart != reach) continue;
                o.paired = n.paired = true;
                pairs.emplace_back(o.cell, n.cell);
            }
        }
    }
    const std::string name = cell_kind_name(kind);
    std::vector<std::pair<std::size_t, Difference>> found;
    for (const auto& [o, n] : pairs) {
        ScenarioDiff one;
        if (o != n) {
            one.differences.push_back(
                whole_line(n, name + " moved " + written_km(kind, o) + " → " + written_km(kind, n) +
                                  " (cell " + std::to_string(o) + " → " + std::to_string(n) + ")"));
            Difference& d = one.differences.back();
            d.field = d.label = "position";
            d.old_raw = o;
            d.new_raw = n;
            d.old_shown = written_km(kind, o);
            d.new_shown = written_km(kind, n);
        }
        compare_feature(o, old_cells[o], n, new_cells[n], one);
        for (Difference& d : one.differences) found.emplace_back(n, std::move(d));
    }
    // A feature on one side only: the cell's kind appears or goes.
    auto alone = [&](std::size_t cell, bool added) {
        Difference d =
            whole_line(cell, name + (added ? " added at " : " removed at ") +
                                 written_km(kind, cell) + " (cell " + std::to_string(cell) + ")");
        d.field = d.label = "kind";
        d.old_raw = added ? 0 : kind;
        d.new_raw = added ? kind : 0;
        d.old_shown = added ? "none" : name;
        d.new_shown = added ? name : "none";
        found.emplace_back(cell, std::move(d));
    };
    for (const Feature& o : olds) {
        if (!o.paired) alone(o.cell, false);
    }
    for (const Feature& n : news) {
        if (!n.paired) alone(n.cell, true);
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& [cell, d] : found) diff.differences.push_back(std::move(d));
}

// An approach mark that a signal or station stop on its side explains, or none at all.
bool approach_follows(const std::vector<TrackCell>& cells, std::size_t i) {
    const std::optional<std::string> text = approach_text(cells, i);
    return !text || text->rfind("approach mark", 0) != 0;
}

// One profile field over runs of cells that changed alike: one line per run.
void diff_profile(const char* field, const std::vector<TrackCell>& old_cells,
                  const std::vector<TrackCell>& new_cells, std::size_t common, ScenarioDiff& diff) {
    auto value = [&](const std::vector<TrackCell>& cells, std::size_t i) {
        for (const RawField& f : raw_fields(cells[i])) {
            if (std::string_view(f.field) == field) return f.raw;
        }
        return std::int64_t{0};
    };
    auto differs = [&](std::size_t i) {
        if (value(old_cells, i) == value(new_cells, i)) return false;
        return std::string_view(field) != "approach" ||
               !(approach_follows(old_cells, i) && approach_follows(new_cells, i));
    };
    for (std::size_t i = 0; i < common; ++i) {
        if (!differs(i)) continue;
        std::size_t last = i;
        while (last + 1 < common && differs(last + 1) &&
               value(old_cells, last + 1) == value(old_cells, i) &&
               value(new_cells, last + 1) == value(new_cells, i)) {
            ++last;
        }
        ScenarioDiff one;
        const std::vector<RawField> old_f{{field, value(old_cells, i)}};
        const std::vector<RawField> new_f{{field, value(new_cells, i)}};
        Difference place = cell_place(i);
        if (last > i) {
            const auto from = static_cast<std::int64_t>(i) * cell_length;
            const auto to = static_cast<std::int64_t>(last + 1) * cell_length;
            place.where = "cells " + std::to_string(i) + ".." + std::to_string(last) + " from " +
                          units::position_text(from) + " to " + units::position_text(to);
            place.location["last_cell"] = last;
        }
        compare_fields(old_f, new_f, cell_meanings(i, old_cells[i]), cell_meanings(i, new_cells[i]),
                       place, one);
        for (Difference& d : one.differences) diff.differences.push_back(std::move(d));
        i = last;
    }
}

}  // namespace

void diff_cells(const std::vector<TrackCell>& old_cells, const std::vector<TrackCell>& new_cells,
                ScenarioDiff& diff) {
    if (old_cells.size() != new_cells.size()) {
        diff.notes.push_back("cells: " + std::to_string(old_cells.size()) + " → " +
                             std::to_string(new_cells.size()) +
                             " (only the cells on both sides are compared)");
    }
    const std::size_t common = std::min(old_cells.size(), new_cells.size());
    // Cells that hold no feature on either side (cell 1's markers): their stored values.
    for (std::size_t i = 0; i < common; ++i) {
        const TrackCell& o = old_cells[i];
        const TrackCell& n = new_cells[i];
        if (o == n || is_paired_feature(o.kind) || is_paired_feature(n.kind)) continue;
        std::vector<RawField> old_f = raw_fields(o), new_f = raw_fields(n);
        std::erase_if(old_f, [](const RawField& f) { return is_profile_field(f.field); });
        std::erase_if(new_f, [](const RawField& f) { return is_profile_field(f.field); });
        compare_fields(old_f, new_f, cell_meanings(i, o), cell_meanings(i, n),
                       feature_place(i, o, n), diff);
    }
    for (std::uint8_t kind = 1; kind != 0; ++kind) {
        if (is_paired_feature(kind)) diff_kind(kind, old_cells, new_cells, common, diff);
    }
    for (const char* field : {"speed_limit", "gradient", "adhesion", "mountain", "approach"}) {
        diff_profile(field, old_cells, new_cells, common, diff);
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
        std::vector<RawField> old_f = raw_fields(o), new_f = raw_fields(n);
        if (record_role(slot, o) == "station" && record_role(slot, n) == "station" &&
            o.position != n.position) {
            // A moved station is one line; its stretch moving with it follows from the move.
            Difference d = place;
            d.line = place.where + " moved " + units::km_and_metres(o.position) + " → " +
                     units::km_and_metres(n.position);
            d.field = d.label = "position";
            d.old_raw = o.position;
            d.new_raw = n.position;
            d.old_shown = units::km_and_metres(o.position);
            d.new_shown = units::km_and_metres(n.position);
            diff.differences.push_back(std::move(d));
            const std::int64_t moved = std::int64_t{n.position} - o.position;
            const bool stretch_follows = std::int64_t{n.zone_start} - o.zone_start == moved &&
                                         std::int64_t{n.zone_end} - o.zone_end == moved;
            auto skip = [&](const RawField& f) {
                const std::string_view name = f.field;
                return name == "position" ||
                       (stretch_follows && (name == "zone_start" || name == "zone_end"));
            };
            std::erase_if(old_f, skip);
            std::erase_if(new_f, skip);
        }
        compare_fields(old_f, new_f, record_meanings(slot, o, slot == old_terminus),
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
        if (!d.line.empty()) {
            text += d.line + "\n";
            continue;
        }
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
        if (!d.line.empty()) list.back()["line"] = d.line;
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
