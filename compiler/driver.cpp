#include "compiler/driver.h"

#include <algorithm>
#include <initializer_list>
#include <optional>
#include <string>

#include "compiler/contest_codes.h"
#include "compiler/errors.h"
#include "compiler/recorders.h"

namespace scenario {

namespace {

// The placement pass serves one slowdown at a time; its errors point at that slowdown's row
// (model.row_site while the pass serves it) and say which cells stood in the way.
void raise_placement_error(Model& model, std::int32_t number, std::int32_t position,
                           const std::string& reason,
                           std::optional<SourceLocation> related = std::nullopt) {
    Diagnostic diagnostic = error_diagnostic(number, model.row_site, position);
    diagnostic.message += ": " + reason;
    if (!model.row_site.file.empty()) {
        diagnostic.message += ", for the slowdown at " + describe_place(model.row_site);
    }
    diagnostic.related = std::move(related);
    raise_diagnostic(model, std::move(diagnostic));
}

std::optional<SourceLocation> origin_of(const Model& model, std::int32_t index) {
    const auto found = model.cell_origins.find(index);
    if (found == model.cell_origins.end()) return std::nullopt;
    return found->second.row;
}

// "cells 41 and 40 hold a signal and a station's stop point"
std::string cells_held(const Model& model, std::initializer_list<std::int32_t> indexes) {
    std::string numbers;
    std::string kinds;
    std::size_t n = 0;
    for (std::int32_t index : indexes) {
        const bool last = ++n == indexes.size();
        const char* joint = n == 1 ? "" : last ? " and " : ", ";
        numbers += joint + std::to_string(index);
        const bool inside = index >= 0 && static_cast<std::size_t>(index) < model.cells.size();
        kinds += joint + (inside ? cell_kind_name(model.cells[static_cast<std::size_t>(index)].kind)
                                 : std::string("nothing (outside the track)"));
    }
    return "cells " + numbers + " hold " + kinds;
}

// The code value the pass gives every code-change point it places.
constexpr std::int16_t placed_code = 180;
// Slowdowns slower than this get a code every code_spacing cells (400 m) inside them.
constexpr std::int16_t slow_slowdown_speed = 110;
constexpr std::int32_t code_spacing = 8;
// Signals up to this many cells behind an advance point get a code in front of them.
constexpr std::int32_t signal_look_back = 20;
// The first signal after a slowdown is looked for from its end cell on, over this many cells.
constexpr std::int32_t signal_search_after_end = 12;

std::int32_t last_cell(const Model& model) {
    return static_cast<std::int32_t>(model.cells.size()) - 1;
}

TrackCell& cell(Model& model, std::int32_t index) {
    return model.cells[static_cast<std::size_t>(index)];
}

// A cell outside the table is never free, so nothing is placed there.
bool free_at(const Model& model, std::int32_t index) {
    return index >= 0 && index <= last_cell(model) &&
           model.cells[static_cast<std::size_t>(index)].is_free();
}

std::uint8_t kind_at(const Model& model, std::int32_t index) {
    return model.cells[static_cast<std::size_t>(index)].kind;
}

void place_code(Model& model, std::int32_t index) {
    TrackCell& target = cell(model, index);
    model.set_kind(target, cell_kind::code_change);
    target.val1 = placed_code;
}

// Places a code at the first free cell among the candidates, in their order.
bool place_in_first_free(Model& model, std::initializer_list<std::int32_t> candidates) {
    for (std::int32_t index : candidates) {
        if (free_at(model, index)) {
            place_code(model, index);
            return true;
        }
    }
    return false;
}

// An existing code-change point in front of a signal takes the placed value when it is
// higher; a lower value is kept.
void lower_code(Model& model, std::int32_t index) {
    TrackCell& target = cell(model, index);
    target.val1 = static_cast<std::int16_t>(minimo(placed_code, target.val1));
}

// Step A for one signal at cell d: a code in one of the two cells in front of it.
void code_in_front_of_signal(Model& model, std::int32_t d) {
    const std::int32_t p = d - 1;
    const std::int32_t q = d - 2;
    if (place_in_first_free(model, {p, q})) return;
    if (kind_at(model, p) == cell_kind::code_change) return lower_code(model, p);
    if (kind_at(model, q) == cell_kind::code_change) return lower_code(model, q);
    raise_placement_error(
        model, error_number::signal_without_code_room, d * cell_length,
        "in front of the signal in cell " + std::to_string(d) + ", " + cells_held(model, {p, q}),
        origin_of(model, d));
}

// Step A: every signal up to 20 cells behind the advance point at cell i (cells below 3
// have no room for a code in front of them).
void codes_behind_advance_point(Model& model, std::int32_t i) {
    for (std::int32_t k = 1; k <= signal_look_back && i - k >= 3; ++k) {
        const std::int32_t d = i - k;
        if (kind_at(model, d) == cell_kind::signal) code_in_front_of_signal(model, d);
    }
}

// Step B: a code in each of three look-back windows before the slowdown start at cell i.
void codes_before_slowdown_start(Model& model, std::int32_t i) {
    struct Window {
        std::int32_t near, middle, far;
    };
    for (Window w : {Window{5, 6, 7}, Window{11, 12, 13}, Window{18, 19, 20}}) {
        if (i <= w.far) continue;  // the window would reach cell 0 or before
        if (!place_in_first_free(model, {i - w.near, i - w.middle, i - w.far})) {
            raise_placement_error(model, error_number::window_without_room, i * cell_length,
                                  cells_held(model, {i - w.near, i - w.middle, i - w.far}));
        }
    }
}

// Step C: a code every 8 cells from the start at cell i up to and including the end cell
// `end`. Each count starts again at the cell that actually took the previous code.
void codes_inside_slowdown(Model& model, std::int32_t i, std::int32_t end) {
    std::int32_t run_count = 0;
    for (std::int32_t s = i + 1; s <= end; ++s) {
        if (++run_count != code_spacing) continue;
        if (free_at(model, s)) {
            place_code(model, s);
            run_count = 0;
        } else if (free_at(model, s - 1)) {
            place_code(model, s - 1);
            run_count = 1;
        } else if (free_at(model, s + 1)) {
            place_code(model, s + 1);
            run_count = -1;
        } else {
            // The count runs on past 8, so this slowdown gets no further code inside it.
            raise_placement_error(model, error_number::no_room_after_slowdown, s * cell_length,
                                  "inside the slowdown, " + cells_held(model, {s, s - 1, s + 1}));
        }
    }
}

// Step D: a code in front of the first signal within 13 cells from the end cell on.
void code_before_next_signal(Model& model, std::int32_t end) {
    const std::int32_t search_last = std::min(end + signal_search_after_end, last_cell(model));
    for (std::int32_t t = end; t <= search_last; ++t) {
        if (kind_at(model, t) != cell_kind::signal) continue;
        if (t - 1 > 0 && !place_in_first_free(model, {t - 1, t - 2})) {
            raise_placement_error(model, error_number::no_room_after_slowdown, end * cell_length,
                                  "in front of the first signal after the slowdown, in cell " +
                                      std::to_string(t) + ", " + cells_held(model, {t - 1, t - 2}),
                                  origin_of(model, t));
        }
        return;
    }
}

// The slowdown's end: the first end cell after its start, if the table holds one.
std::optional<std::int32_t> slowdown_end_after(const Model& model, std::int32_t start) {
    for (std::int32_t s = start + 1; s <= last_cell(model); ++s) {
        if (kind_at(model, s) == cell_kind::slowdown_end) return s;
    }
    return std::nullopt;
}

// Steps B to D for the slowdown starting at cell i.
void codes_around_slowdown(Model& model, std::int32_t i) {
    codes_before_slowdown_start(model, i);
    // A slowdown so short that its start cell hid its end has no stretch to scan.
    const std::optional<std::int32_t> end = slowdown_end_after(model, i);
    if (!end)
        return raise_placement_error(
            model, error_number::no_room_after_slowdown, i * cell_length,
            "the slowdown's start cell " + std::to_string(i) + " hides its end: it is too short");
    if (cell(model, i).val1 < slow_slowdown_speed) codes_inside_slowdown(model, i, *end);
    code_before_next_signal(model, *end);
}

// The first cell from..last (last + 1 if none) where a slowdown starts or is announced. Most
// cells hold neither, and the pass walks every cell of the route.
SCENARIO_PLAIN_CELL_LOOP std::int32_t next_slowdown_point(const Model& model, std::int32_t from,
                                                          std::int32_t last) {
    static_assert(cell_kind::slowdown_advance == cell_kind::slowdown_start + 1);
    const auto is_slowdown_point = [](const TrackCell& c) {
        return static_cast<std::uint8_t>(c.kind - cell_kind::slowdown_start) <= 1;
    };
    const TrackCell* const first = model.cells.data();
    const TrackCell* const stop = first + last + 1;
    const TrackCell* c = first + from;
    while (c != stop && !is_slowdown_point(*c)) ++c;
    return static_cast<std::int32_t>(c - first);
}

}  // namespace

void place_code_change_points(Model& model) {
    const std::int32_t upper = std::min(model.cell_upper, last_cell(model));
    for (std::int32_t i = 1; i <= upper - 2; ++i) {
        i = next_slowdown_point(model, i, upper - 2);
        if (i > upper - 2) break;
        const std::uint8_t kind = kind_at(model, i);
        // The codes placed here, and the errors, belong to the slowdown of this cell.
        model.row_site = origin_of(model, i).value_or(SourceLocation{});
        model.position_site = {};
        if (kind == cell_kind::slowdown_advance) codes_behind_advance_point(model, i);
        if (kind_at(model, i) == cell_kind::slowdown_start) codes_around_slowdown(model, i);
    }
    model.row_site = {};
}

std::int32_t stamp_markers(Model& model) {
    ScenarioRecord& route = model.records[record_slot::route_identity];
    TrackCell& first = model.cells.at(1);
    if (route.par_a != 0 || first.val1 != 0) return error_number::markers_in_use;
    route.par_a = marker::route_record;
    first.val1 = marker::first_cell;
    if (route.time_s != 0 || first.val2 != 0) return error_number::contest_codes_in_use;
    route.time_s = codice_gara_st(model);
    first.val2 = codice_gara_og(model);
    return 0;
}

CompileOutcome compile_model(Model& model, SourceFiles& sources, std::int32_t plan_option) {
    model.plan_option = plan_option;
    // A compile starts without errors; the error position stays, as the simulator's did.
    model.error_code = 0;
    model.diagnostics.clear();
    for (ScenarioRecord& record : model.records) record = ScenarioRecord{};
    // The tables come from this compile only; a model used before starts without them.
    model.cells.clear();
    model.plan = PlanSteps{};
    model.row_site = {};
    model.position_site = {};
    model.cell_origins.clear();
    model.reference_rows = {};
    model.first_row_end_seen = false;
    model.route_length_site = {};
    model.provisional_track = false;

    memorizza_dati(model, sources);

    CompileOutcome outcome;
    if (!model.has_cells() || model.provisional_track) {
        outcome.status = CompileOutcome::Status::no_cell_table;
        return outcome;
    }
    place_code_change_points(model);
    if (const std::int32_t refused = stamp_markers(model); refused != 0) {
        outcome.status = CompileOutcome::Status::stopped_by_error;
        outcome.errore_text = std::to_string(refused);
    }
    return outcome;
}

CompileOutcome memorizza_percorso(Model& model, SourceFiles& sources, std::int32_t j) {
    CompileOutcome outcome = compile_model(model, sources, j);
    if (outcome.status == CompileOutcome::Status::ready)
        outcome.files = build_compiled_files(model);
    return outcome;
}

}  // namespace scenario
