#include "scenc/review/view.h"

#include <cmath>
#include <optional>
#include <ostream>
#include <string_view>
#include <utility>

#include "compiler/numeric.h"
#include "compiler/row_grammar.h"
#include "io/file_output.h"
#include "scenc/common/input_files.h"
#include "scenc/common/units.h"
#include "scenc/review/compiled_files.h"
#include "scenc/review/scenario_view.h"
#include "scenc/review/timetable_diagram.h"

// The page's HTML, script and style, built into the program (CMakeLists.txt).
extern "C" const char view_page_start[];
extern "C" const char view_page_end[];

namespace scenario::scenc {

namespace {

using nlohmann::json;

// The page draws the coarsest plan whose tolerance is below half a pixel at its zoom; the
// finest one is for a few hundred metres across the screen.
constexpr double plan_tolerances[] = {0.1, 1.0, 8.0, 64.0};

// Where the page's script finds its data, and where a served page finds its server.
constexpr std::string_view data_mark = "/*@SCENARIO_DATA@*/null";
constexpr std::string_view live_mark = "/*@LIVE_SERVER@*/null";

std::int64_t metre_of(std::size_t cell) {
    return static_cast<std::int64_t>(cell) * cell_length;
}

json shown(std::string_view label, const std::string& value) {
    return json::array({label, value});
}

std::string with_unit(std::int64_t value, std::string_view unit) {
    return std::to_string(value) + " " + std::string(unit);
}

// ---- Sources -------------------------------------------------------------------------

void add_source(json& entry, const SourceRow* row) {
    if (row != nullptr) entry["s"] = row->place();
}

const SourceRow* row_near(const SourceRows* rows, RowKind kind, std::int64_t metre) {
    return rows == nullptr ? nullptr : rows->nearest(kind, metre);
}

// ---- Profiles ------------------------------------------------------------------------

struct ProfileLane {
    const char* name;
    std::uint8_t TrackCell::*field;
    std::optional<RowKind> rows;
    // The value the lane plots and the text shown for it.
    std::optional<int> (*value)(std::uint8_t);
    std::string (*text)(std::uint8_t);
};

std::optional<int> speed_value(std::uint8_t b) {
    return units::speed_kmh(b);
}
std::string speed_text(std::uint8_t b) {
    return with_unit(units::speed_kmh(b), "km/h");
}
std::optional<int> plain_value(std::uint8_t b) {
    return b;
}
std::string plain_text(std::uint8_t b) {
    return std::to_string(b);
}

const ProfileLane profile_lanes[] = {
    {"speed", &TrackCell::speed_limit, RowKind::speed_limit, speed_value, speed_text},
    {"gradient", &TrackCell::gradient, RowKind::gradient, units::gradient_per_mille,
     units::gradient_text},
    {"adhesion", &TrackCell::adhesion, RowKind::adhesion, plain_value, plain_text},
    {"mountain", &TrackCell::mountain, RowKind::mountain, plain_value, mountain_text},
};

// Runs of equal cells: [first cell, last cell, value or null, shown text, source].
json profile_runs(const Model& model, const ProfileLane& lane, const SourceRows* rows) {
    json runs = json::array();
    for (const CellRun& r : cell_runs(model.cells, lane.field)) {
        std::optional<int> value = lane.value(r.byte);
        json run =
            json::array({r.first, r.last, value ? json(*value) : json(nullptr), lane.text(r.byte)});
        const SourceRow* row = lane.rows ? row_near(rows, *lane.rows, metre_of(r.first)) : nullptr;
        if (row != nullptr && (r.byte != 0 || lane.field != &TrackCell::mountain)) {
            run.push_back(row->place());
        }
        runs.push_back(std::move(run));
    }
    return runs;
}

// ---- Features ------------------------------------------------------------------------

std::string record_text(const Model& model, int slot) {
    if (slot < 0 || slot >= record_count) return "(no record " + std::to_string(slot) + ")";
    return single_byte_to_utf8(model.records[slot].text);
}

struct FeatureShape {
    const char* category;  // the lane the page draws it in
    const char* title;
    std::optional<RowKind> rows;
};

std::optional<FeatureShape> shape_of(std::uint8_t kind) {
    switch (kind) {
        case cell_kind::signal:
            return FeatureShape{"signal", "signal", RowKind::signal};
        case cell_kind::slowdown_start:
            return FeatureShape{"slowdown", "slowdown start", RowKind::slowdown};
        case cell_kind::slowdown_end:
            return FeatureShape{"slowdown", "slowdown end", RowKind::slowdown};
        case cell_kind::slowdown_advance:
            return FeatureShape{"slowdown", "slowdown advance point", RowKind::slowdown};
        case cell_kind::slowdown_warning:
            return FeatureShape{"slowdown", "slowdown warning board", RowKind::slowdown};
        case cell_kind::speed_boards:
            return FeatureShape{"board", "maximum-speed boards", RowKind::speed_board};
        case cell_kind::sign_board:
            return FeatureShape{"board", "route sign board", RowKind::sign_board};
        case cell_kind::station_stop:
            return FeatureShape{"stop", "station stop cell", RowKind::station};
        case cell_kind::code_change:
        case cell_kind::code_change_plain:
            return FeatureShape{"code", "code-change point", RowKind::code_drop};
        default:
            return std::nullopt;
    }
}

json feature_values(const Model& model, const TrackCell& c) {
    json lines = json::array();
    switch (c.kind) {
        case cell_kind::signal:
        case cell_kind::speed_boards:
            // The row's fields, decoded from the packed cell values, each with its meaning.
            for (const DecodedField& f : decoded_fields(c)) {
                lines.push_back(shown(f.name + " (" + f.meaning + ")", f.shown));
            }
            break;
        case cell_kind::slowdown_start:
        case cell_kind::slowdown_end:
        case cell_kind::slowdown_advance:
            lines.push_back(shown("speed", with_unit(c.val1, "km/h")));
            if (c.val2 != 0) lines.push_back(shown("speed d_v", with_unit(c.val2, "km/h")));
            if (c.kind != cell_kind::slowdown_advance) {
                lines.push_back(shown("whole train", c.val3 != 0 ? "yes" : "no"));
            }
            break;
        case cell_kind::slowdown_warning:
            lines.push_back(shown("board", std::to_string(c.val1) + " of 4"));
            break;
        case cell_kind::sign_board:
            lines.push_back(shown("text", record_text(model, c.val1)));
            break;
        case cell_kind::station_stop:
            lines.push_back(shown("station", record_text(model, c.val1)));
            break;
        case cell_kind::code_change:
            lines.push_back(shown("code value", std::to_string(c.val1)));
            break;
        default:
            break;
    }
    return lines;
}

// A station stop cell names its station's row; every other feature the nearest row of
// its kind.
const SourceRow* feature_row(const Model& model, const TrackCell& c, std::size_t index,
                             const FeatureShape& shape, const SourceRows* rows) {
    if (rows == nullptr || !shape.rows) return nullptr;
    if (c.kind == cell_kind::station_stop && c.val1 > 0 && c.val1 < record_count) {
        return rows->station_at(model.records[c.val1].position);
    }
    return rows->nearest(*shape.rows, metre_of(index));
}

json features(const Model& model, const SourceRows* rows) {
    json list = json::array();
    for (std::size_t i = 0; i < model.cells.size(); ++i) {
        const TrackCell& c = model.cells[i];
        std::optional<FeatureShape> shape = shape_of(c.kind);
        if (!shape) continue;
        json entry{
            {"c", i}, {"k", shape->category}, {"t", shape->title}, {"l", feature_values(model, c)}};
        // Where the row put it, which for most kinds is 50 m before the cell's first metre.
        if (std::optional<std::int64_t> written = units::written_position(c.kind, i)) {
            entry["w"] = units::km_and_metres(*written);
        }
        const SourceRow* row = feature_row(model, c, i, *shape, rows);
        add_source(entry, row);
        // The compile adds code-change points around slowdowns that no row asks for.
        if (rows != nullptr && row == nullptr && c.kind == cell_kind::code_change) {
            entry["l"].push_back(shown("placed by", "the compile, around a slowdown"));
        }
        list.push_back(std::move(entry));
    }
    return list;
}

std::optional<std::size_t> stop_cell_of(const Model& model, int slot) {
    for (std::size_t i = 0; i < model.cells.size(); ++i) {
        if (model.cells[i].kind == cell_kind::station_stop && model.cells[i].val1 == slot) return i;
    }
    return std::nullopt;
}

// A station's values as dump shows them (position, stretch, departure or arrival), then
// what the page adds.
json station_lines(const Model& model, int slot, bool terminus, std::optional<std::size_t> stop) {
    const ScenarioRecord& r = model.records[slot];
    json lines = json::array();
    for (const FieldMeaning& meaning : record_meanings(slot, r, terminus)) {
        lines.push_back(shown(meaning.label, meaning.shown));
    }
    if (r.time_s == 0) lines.push_back(shown("time", "none: the train passes"));
    lines.push_back(shown("kind", std::to_string(r.kind)));
    lines.push_back(shown("stop cell", stop ? std::to_string(*stop) : "none"));
    lines.push_back(shown("record slot", std::to_string(slot)));
    return lines;
}

json stations(const Model& model, const SourceRows* rows) {
    json list = json::array();
    const std::vector<int> slots = station_slots(model);
    for (int slot : slots) {
        const ScenarioRecord& r = model.records[slot];
        std::optional<std::size_t> stop = stop_cell_of(model, slot);
        json entry{{"n", single_byte_to_utf8(r.text)},
                   {"p", r.position},
                   {"a", r.zone_start},
                   {"b", r.zone_end},
                   {"l", station_lines(model, slot, slot == slots.back(), stop)}};
        if (stop) entry["stop"] = *stop;
        if (rows != nullptr) add_source(entry, rows->station_at(r.position));
        list.push_back(std::move(entry));
    }
    return list;
}

// Each slowdown from its start cell to the first end cell after it.
json slowdown_stretches(const Model& model) {
    json list = json::array();
    const auto& cells = model.cells;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (cells[i].kind != cell_kind::slowdown_start) continue;
        std::size_t end = i;
        while (end + 1 < cells.size() && cells[end].kind != cell_kind::slowdown_end) ++end;
        list.push_back(json::array({i, end, with_unit(cells[i].val1, "km/h")}));
    }
    return list;
}

// ---- Plan ----------------------------------------------------------------------------

double distance_to_chord(const Plan& plan, std::int32_t a, std::int32_t b, std::int32_t p) {
    double dx = plan.x[b] - plan.x[a], dy = plan.y[b] - plan.y[a];
    double px = plan.x[p] - plan.x[a], py = plan.y[p] - plan.y[a];
    double length = std::hypot(dx, dy);
    if (length == 0) return std::hypot(px, py);
    return std::abs(dx * py - dy * px) / length;
}

// Decimetres are finer than any screen shows and keep the numbers short.
std::int64_t decimetres(double metres) {
    return round_half_even(metres * 10);
}

json plan_levels(const Plan& plan) {
    json levels = json::array();
    if (!plan.exists() || !plan.origin_set) return levels;
    for (double tolerance : plan_tolerances) {
        json points = json::array();
        for (std::int32_t p : thinned_plan(plan, tolerance)) {
            points.push_back(p);
            points.push_back(decimetres(plan.x[p]));
            points.push_back(decimetres(plan.y[p]));
        }
        levels.push_back({{"tolerance", tolerance}, {"points", std::move(points)}});
    }
    return levels;
}

json cell_positions(const Model& model) {
    json list = json::array();
    for (std::size_t i = 0; i < model.cells.size(); ++i) {
        list.push_back(units::km_and_metres(metre_of(i)));
    }
    return list;
}

// Inside a script element "</" would end it and "<!--" would make the parser swallow the
// page's own script after it; a "<" only ever stands inside a JSON string, where \u003c is
// the same character.
std::string script_safe(const std::string& json_text) {
    std::string safe;
    safe.reserve(json_text.size());
    for (char c : json_text) {
        if (c == '<') {
            safe += "\\u003c";
        } else {
            safe += c;
        }
    }
    return safe;
}

}  // namespace

std::vector<std::int32_t> thinned_plan(const Plan& plan, double tolerance) {
    std::vector<std::int32_t> kept;
    if (!plan.origin_set || plan.computed_end < 1) return kept;
    std::int32_t last = plan.computed_end - 1;
    std::vector<bool> keep(static_cast<std::size_t>(last) + 1, false);
    keep[0] = keep[last] = true;
    std::vector<std::pair<std::int32_t, std::int32_t>> pending{{0, last}};
    while (!pending.empty()) {
        auto [a, b] = pending.back();
        pending.pop_back();
        double worst = 0;
        std::int32_t worst_at = a;
        for (std::int32_t p = a + 1; p < b; ++p) {
            double d = distance_to_chord(plan, a, b, p);
            if (d > worst) worst = d, worst_at = p;
        }
        if (worst <= tolerance) continue;
        keep[worst_at] = true;
        pending.push_back({a, worst_at});
        pending.push_back({worst_at, b});
    }
    for (std::int32_t p = 0; p <= last; ++p) {
        if (keep[p]) kept.push_back(p);
    }
    return kept;
}

// The timetable diagram: every station as [metre, seconds or null, name], and each run
// between timed stations with its fastest path as [metre, seconds] points.
json timetable(const Model& model) {
    const TimetableDiagram diagram = timetable_diagram(model);
    json stations = json::array();
    for (const DiagramStation& s : diagram.stations) {
        stations.push_back(json::array(
            {s.position, s.timed ? json(s.seconds) : json(nullptr), single_byte_to_utf8(s.name)}));
    }
    json runs = json::array();
    for (const DiagramRun& run : diagram.runs) {
        json fastest = json::array();
        for (const DiagramPoint& point : run.fastest) {
            fastest.push_back(json::array({point.metre, std::round(point.seconds * 10) / 10}));
        }
        runs.push_back({{"from", run.run.from},
                        {"to", run.run.to},
                        {"tight", run.run.too_fast() || !run.run.rises()},
                        {"scheduled", duration_text(run.run.scheduled_s)},
                        {"least", duration_text(run.run.least_whole_s())},
                        {"fastest", std::move(fastest)}});
    }
    return {{"stations", std::move(stations)}, {"runs", std::move(runs)}};
}

json view_data(const Model& model, const Plan& plan, const SourceRows* rows) {
    json profiles = json::object();
    for (const ProfileLane& lane : profile_lanes) {
        profiles[lane.name] = profile_runs(model, lane, rows);
    }
    return {{"title", single_byte_to_utf8(model.records[record_slot::route_identity].text) + " " +
                          single_byte_to_utf8(model.records[record_slot::train_identity].text)},
            {"length", route_length(model)},
            {"cellLength", cell_length},
            {"cells", model.cells.size()},
            {"cellPositions", cell_positions(model)},
            {"profiles", std::move(profiles)},
            {"stations", stations(model, rows)},
            {"features", features(model, rows)},
            {"slowdowns", slowdown_stretches(model)},
            {"timetable", timetable(model)},
            {"plan", plan_levels(plan)},
            {"sources", rows != nullptr}};
}

std::string view_page(const Model& model, const Plan& plan, const SourceRows* rows) {
    return view_page_with_data(view_data(model, plan, rows).dump());
}

std::string view_page_with_data(const std::string& data_json, const std::string& live_json) {
    std::string page(view_page_start, static_cast<std::size_t>(view_page_end - view_page_start));
    for (auto [mark, value] :
         {std::pair{live_mark, &live_json}, std::pair{data_mark, &data_json}}) {
        std::size_t at = page.find(mark);
        if (at == std::string::npos) throw std::logic_error("the view page lacks a mark");
        page.replace(at, mark.size(), script_safe(*value));
    }
    return page;
}

int run_view(const ViewRequest& request, std::ostream& out, std::ostream& err) {
    return report_problems(err, [&] {
        std::string extension = ascii_lowered(request.output.extension().string());
        if (extension != ".html" && extension != ".htm") {
            throw UsageProblem(request.output.string() + ": the page's name must end in .html");
        }
        CompiledScenario scenario = load_compiled_scenario(request.inputs);
        refuse_mixed_set(scenario);
        if (scenario.model.cells.empty()) throw UsageProblem("the scenario has no cells to show");
        std::optional<SourceRows> rows;
        if (request.texts.size() == 2) {
            rows.emplace(read_scenario_text(request.texts[0]), request.texts[0].string(),
                         read_scenario_text(request.texts[1]), request.texts[1].string());
        }
        prepare_output_file(request.output);
        write_file_replacing(request.output,
                             view_page(scenario.model, scenario.plan, rows ? &*rows : nullptr));
        out << "wrote " << request.output.string() << "\n";
        return 0;
    });
}

}  // namespace scenario::scenc
