#include "compiler/route_parser.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <limits>
#include <string>
#include <string_view>
#include <utility>

#include "compiler/errors.h"
#include "compiler/field_reader.h"
#include "compiler/numeric.h"
#include "compiler/recorders.h"
#include "compiler/row_parsing.h"
#include "compiler/row_scanner.h"

namespace scenario {

namespace {

constexpr std::int32_t route_length_limit = 1000000;
// The track model runs this far beyond the declared route length.
constexpr std::int32_t track_beyond_route = 7000;
// No plan point at or past this index may be computed.
constexpr std::int32_t plan_point_limit = 1000000;

// Change of heading per metre for the first class digit the keyword holds, 0 when it holds
// none.
double curvature_of_class(std::string_view keyword) {
    for (std::size_t i = 0; i < curve_class_curvature.size(); ++i) {
        if (keyword.find(static_cast<char>('1' + i)) != std::string_view::npos) {
            return curve_class_curvature[i];
        }
    }
    return 0.0;
}

// The route's reach beyond a row's position in the range test.
constexpr std::int32_t row_reach = 100;

// A board's speed pair that does not fit its 16-bit cell value, told as the author wrote it: the
// speed that takes the pair out of range (the left one unless the right one weighs more), at its
// field, with the value it would be stored as only after it. The values and their places are
// the eight after the position.
RunTimeFault speed_pair_fault(const PackedSpeedFault& fault, std::string_view keyword,
                              const std::array<std::int32_t, 8>& values,
                              const std::array<SourceLocation, 8>& sites) {
    const auto left = static_cast<std::size_t>(fault.pair);
    const std::size_t right = left + 4;
    const bool right_weighs_more = std::abs(static_cast<double>(values[right]) / 5.0) >
                                   std::abs(static_cast<double>(values[left]) * 20.0);
    const std::size_t blamed = right_weighs_more ? right : left;
    // The grammar counts the position as the row's first field.
    const FieldGrammar& field = row_grammar_of(RowKind::speed_board).fields[blamed + 1];
    return RunTimeFault(std::string(field.name) + " " + std::to_string(values[blamed]) + " " +
                            std::string(field.unit) + " (" + field_of_row(blamed + 1, keyword) +
                            ", " + std::string(field.meaning) + ") is too " +
                            (fault.packed > 0 ? "high" : "low") + " for the board: stored as " +
                            std::string(field.stored_note) + " = " + std::to_string(fault.packed) +
                            ", it does not fit 16 bits",
                        sites[blamed]);
}

class RouteParser {
  public:
    RouteParser(Model& model, FieldReader& reader) : model_(model), reader_(reader) {}

    RouteHalfResult run();
    FieldReader& reader() { return reader_; }
    Model& model() { return model_; }

    // The readers of the route's rows, by kind.
    static consteval RowReaders<RouteParser> readers();

  private:
    RowEnd route_length_row();
    RowEnd reference_three_row() {
        return kilometric_reference_row(record_slot::progressive_three);
    }
    RowEnd reference_two_row() { return kilometric_reference_row(record_slot::progressive_two); }
    RowEnd reference_one_row() { return kilometric_reference_row(record_slot::progressive_one); }
    RowEnd background_one_row();
    RowEnd background_two_row();
    RowEnd background_three_row();
    RowEnd cab_signalling_row();
    RowEnd gradient_row();
    RowEnd curve_row();
    RowEnd mountain_row();
    RowEnd speed_board_row();
    RowEnd sign_board_row();

    RowEnd read_general_row();
    RowEnd read_feature_row();

    std::string read_field();
    std::int32_t read_number(SourceLocation& site);

    bool find_general_block();
    RowEnd read_general_block();
    RowEnd kilometric_reference_row(int slot);

    void start_feature_part();
    RowEnd read_feature_part();

    void fill_gradient_until(std::int64_t cell);
    void plan_steps_through(std::int64_t last, double curvature);
    void end_step();

    Model& model_;
    FieldReader& reader_;
    std::string keyword_;  // the keyword field of the row being read
    SourceLocation keyword_site_;
    std::int64_t gradient_cursor_ = 0;
    std::int64_t gradient_in_force_ = 0;
    std::int32_t j_ = 2;  // next plan point to compute
    std::int32_t sign_board_limit_ = record_slot::last_sign_board;
    bool length_row_seen_ = false;
    bool boards_refused_ = false;  // error 106 has been raised
};

// Every keyword field and every board text passes through current_field.
std::string RouteParser::read_field() {
    model_.current_field = reader_.read_text();
    keyword_ = model_.current_field;
    keyword_site_ = reader_.last_field_site();
    return model_.current_field;
}

std::int32_t RouteParser::read_number(SourceLocation& site) {
    const std::int32_t value = reader_.read_long();
    site = reader_.last_field_site();
    return value;
}

RouteHalfResult RouteParser::run() {
    if (!find_general_block()) return {};
    if (read_general_block() == RowEnd::stop) return {};
    progressive_ordina(model_);
    if (!model_.has_cells()) {
        // A check that refused the length row does not report it again as a missing one.
        if (!length_row_seen_)
            refuse(model_, error_number::no_route_length, reader_.last_field_site());
        if (!model_.keep_going) return {};
        give_provisional_track(model_);
    }
    start_feature_part();
    if (read_feature_part() == RowEnd::stop) return {};
    end_step();
    return {true, sign_board_limit_};
}

// The fields before "[generale]" are skipped. A text that ends before that field, or with
// it, has no general block.
bool RouteParser::find_general_block() {
    if (skip_to_general_block(reader_, [this] { return read_field(); }) && !reader_.at_end())
        return true;
    refuse(model_, error_number::no_general_block, reader_.last_field_site());
    return false;
}

// The readers of the route's rows. Several kinds may match one keyword; each then reads its
// own values, in the grammar's order. The sign board comes last: its text is read as a field
// but never examined as a keyword.
consteval RowReaders<RouteParser> RouteParser::readers() {
    RowReaders<RouteParser> read{};
    read[index_of(RowKind::route_length)] = &RouteParser::route_length_row;
    read[index_of(RowKind::reference_three)] = &RouteParser::reference_three_row;
    read[index_of(RowKind::reference_two)] = &RouteParser::reference_two_row;
    read[index_of(RowKind::reference_one)] = &RouteParser::reference_one_row;
    read[index_of(RowKind::background_one)] = &RouteParser::background_one_row;
    read[index_of(RowKind::background_two)] = &RouteParser::background_two_row;
    read[index_of(RowKind::background_three)] = &RouteParser::background_three_row;
    read[index_of(RowKind::cab_signalling)] = &RouteParser::cab_signalling_row;
    read[index_of(RowKind::gradient)] = &RouteParser::gradient_row;
    read[index_of(RowKind::curve)] = &RouteParser::curve_row;
    read[index_of(RowKind::mountain)] = &RouteParser::mountain_row;
    read[index_of(RowKind::speed_board)] = &RouteParser::speed_board_row;
    read[index_of(RowKind::sign_board)] = &RouteParser::sign_board_row;
    return read;
}
constexpr RowReaders<RouteParser> route_readers = RouteParser::readers();

// The general block's readers, and the feature part's: each a copy of route_readers that
// keeps its own place's kinds.
consteval RowReaders<RouteParser> route_readers_of(RowPlace place) {
    RowReaders<RouteParser> read{};
    for (const RowGrammar& row : kinds_of_place(place)) {
        read[index_of(row.kind)] = route_readers[index_of(row.kind)];
    }
    return read;
}
constexpr RowReaders<RouteParser> general_readers = route_readers_of(RowPlace::route_general);
constexpr RowReaders<RouteParser> feature_readers = route_readers_of(RowPlace::route_feature);
static_assert(reads_exactly_the_kinds_of(general_readers, RowPlace::route_general) &&
                  reads_exactly_the_kinds_of(feature_readers, RowPlace::route_feature),
              "every route row kind needs a reader");
static_assert(
    [] {
        for (std::size_t i = 0; i < row_kind_count; ++i) {
            const bool read = general_readers[i] != nullptr || feature_readers[i] != nullptr;
            if ((route_readers[i] != nullptr) != read) return false;
        }
        return true;
    }(),
    "only route row kinds have route readers");

RowEnd RouteParser::read_general_block() {
    return read_rows(
        model_, reader_, [this] { return read_general_row(); },
        [](std::string_view first) {
            return names_a_row(RowPlace::route_general, first) || closes_general_block(first);
        });
}

// One row of the general block; end_step when the block is over.
RowEnd RouteParser::read_general_row() {
    if (!read_keyword_field(
            reader_, RowPlace::route_general, [this] { return read_field(); },
            [](std::string_view) {}))
        return RowEnd::end_step;
    model_.row_site = keyword_site_;
    model_.position_site = {};
    const RowEnd end = read_matching_rows(*this, RowPlace::route_general, general_readers, keyword_,
                                          keyword_site_);
    if (end != RowEnd::next_row) return end;
    return closes_general_block(keyword_) ? RowEnd::end_step : RowEnd::next_row;
}

// Sizes the track: cells 0..cell_upper and, with the plan option, plan points 0..plan_upper.
RowEnd RouteParser::route_length_row() {
    length_row_seen_ = true;
    SourceLocation site;
    const std::int32_t length = read_number(site);
    if (length < 0 || length > route_length_limit) {
        return refuse(model_, error_number::route_length_out_of_range, site, std::nullopt,
                      std::to_string(length) + " m");
    }
    model_.route_length_site = site;
    size_track(model_, length);
    model_.records[record_slot::totals].zone_end = length;
    return RowEnd::next_row;
}

RowEnd RouteParser::kilometric_reference_row(int slot) {
    ScenarioRecord& reference = model_.records[static_cast<std::size_t>(slot)];
    // What was written and where goes with it through progressive_ordina, for the grid check
    // after the train.
    WrittenReference& written =
        model_.reference_rows[static_cast<std::size_t>(slot - record_slot::progressive_three)];
    reference.zone_start = written.start = read_number(written.start_site);
    reference.zone_end = written.value = read_number(written.value_site);
    reference.position = reader_.read_long();
    return RowEnd::next_row;
}

RowEnd RouteParser::background_one_row() {
    model_.records[record_slot::route_identity].zone_start = reader_.read_long();
    return RowEnd::next_row;
}

RowEnd RouteParser::background_two_row() {
    model_.records[record_slot::route_identity].position = reader_.read_long();
    return RowEnd::next_row;
}

RowEnd RouteParser::background_three_row() {
    model_.records[record_slot::route_identity].zone_end = reader_.read_long();
    return RowEnd::next_row;
}

// The cab signalling row ends the general row: no later kind is tested after it.
RowEnd RouteParser::cab_signalling_row() {
    const SourceLocation keyword_site = keyword_site_;
    SourceLocation start_site;
    SourceLocation end_site;
    ScenarioRecord& signalling = model_.records[record_slot::train_identity];
    signalling.zone_start = read_number(start_site);
    signalling.zone_end = read_number(end_site);
    if (signalling.zone_start % 50 != 0)
        return refuse(model_, error_number::cab_start_off_grid, start_site, std::nullopt,
                      std::to_string(signalling.zone_start) + " m");
    if (signalling.zone_end % 50 != 0)
        return refuse(model_, error_number::cab_end_off_grid, end_site, std::nullopt,
                      std::to_string(signalling.zone_end) + " m");
    if (contains(keyword_, "4")) {
        signalling.position = 4;
    } else if (contains(keyword_, "9")) {
        signalling.position = 9;
    } else {
        return refuse(model_, error_number::cab_codes_unknown, keyword_site);
    }
    // An end of 0 means the route has no cab signalling at all.
    if (signalling.zone_end == 0) signalling.position = 0;
    return RowEnd::next_row;
}

// The track starts at the origin heading along +y.
void RouteParser::start_feature_part() {
    model_.mountain_count = 0;
    sign_board_limit_ = record_slot::last_sign_board;
    gradient_cursor_ = 0;
    gradient_in_force_ = 0;
    j_ = 2;
    if (model_.plan_option == 0) return;
    model_.plan.origin_set = true;
    model_.plan.computed_end = j_;
}

RowEnd RouteParser::read_feature_part() {
    return read_rows(
        model_, reader_, [this] { return read_feature_row(); },
        [](std::string_view first) { return names_a_row(RowPlace::route_feature, first); });
}

RowEnd RouteParser::read_feature_row() {
    if (!read_keyword_field(
            reader_, RowPlace::route_feature, [this] { return read_field(); },
            [](std::string_view) {}))
        return RowEnd::end_step;
    model_.row_site = keyword_site_;
    model_.position_site = {};
    return read_matching_rows(*this, RowPlace::route_feature, feature_readers, keyword_,
                              keyword_site_);
}

// The gradient in force covers the cells from the cursor up to the new row's cell (one cell at
// least: rows out of order still write the cursor's cell). Enough rows out of order would run
// past the last cell, which is a fault of the text like a record cut short; the cells up to the
// last are written first, as they would be one by one.
void RouteParser::fill_gradient_until(std::int64_t cell) {
    const std::int64_t last = std::max(gradient_cursor_, cell - 1);
    const std::int64_t last_inside = std::min<std::int64_t>(last, model_.cell_upper);
    const std::uint8_t stored = store_wrapped<std::uint8_t>(gradient_in_force_ + 100);
    TrackCell* const cells = model_.cells.data();
    if (gradient_cursor_ <= last_inside) {
        store_cells(cells + gradient_cursor_, cells + last_inside + 1,
                    [stored](TrackCell& each) { each.gradient = stored; });
    }
    gradient_cursor_ = std::max(gradient_cursor_, last_inside + 1);
    if (last > last_inside) throw RunTimeFault("gradient rows out of order run past the last cell");
}

RowEnd RouteParser::gradient_row() {
    SourceLocation site;
    const std::int32_t position = read_number(site);
    const std::int32_t gradient = reader_.read_long();
    if (!within_track(model_, position, row_reach)) return out_of_track(model_, position, site);
    const std::int64_t cell = round_half_even(position / double{cell_length});
    if (cell > 0) fill_gradient_until(cell);
    gradient_in_force_ = gradient;
    return RowEnd::next_row;
}

// Points j_ .. last, each from the two before it: a straight step repeats the last step
// vector, a curve step turns it by the curvature (positive to the right, towards +x). Only the
// run is kept; the writer computes the points from the runs as it writes them. A run like the
// one before it extends that one.
void RouteParser::plan_steps_through(std::int64_t last, double curvature) {
    if (last < j_) return;
    PlanSteps& plan = model_.plan;
    const auto last_point = static_cast<std::int32_t>(last);
    if (!plan.runs.empty() && plan.runs.back().curvature == curvature) {
        plan.runs.back().last = last_point;
    } else {
        plan.runs.push_back({last_point, curvature});
    }
    j_ = last_point + 1;
    plan.computed_end = j_;
}

// A curve continues the plan from wherever it stands: first straight up to the curve's
// start, then curved up to its end. The whole curve must lie within the plan, so the check
// comes before any point of it is computed.
RowEnd RouteParser::curve_row() {
    // Without the plan option curves are not rows at all: their fields are read as keywords.
    if (model_.plan_option == 0) return RowEnd::next_row;
    const std::string keyword = ascii_lowered(keyword_);
    const SourceLocation keyword_site = keyword_site_;
    SourceLocation start_site;
    SourceLocation length_site;
    const std::int32_t start = read_number(start_site);
    const std::int32_t length = read_number(length_site);
    if (!within_track(model_, start, row_reach)) return out_of_track(model_, start, start_site);
    double curvature = curvature_of_class(keyword);
    if (curvature == 0.0)
        return refuse(model_, error_number::bad_curve_or_plan, keyword_site, std::nullopt,
                      "the curve's keyword holds no class digit from 1 to 6");
    const std::int64_t end = std::int64_t{start} + length;
    if (end > model_.plan_upper)
        return refuse(model_, error_number::bad_curve_or_plan, length_site, std::nullopt,
                      "the curve ends at " + std::to_string(end) +
                          " m, past the plan's last point " + std::to_string(model_.plan_upper));
    if (contains(keyword, "s")) curvature = -curvature;

    plan_steps_through(std::min<std::int64_t>(start, plan_point_limit), 0.0);
    const std::string past_limit =
        "the plan would pass its limit of " + std::to_string(plan_point_limit) + " points";
    if (j_ > plan_point_limit)
        return refuse(model_, error_number::bad_curve_or_plan, start_site, std::nullopt,
                      past_limit);
    plan_steps_through(std::min<std::int64_t>(end, plan_point_limit), curvature);
    if (j_ > plan_point_limit)
        return refuse(model_, error_number::bad_curve_or_plan, length_site, std::nullopt,
                      past_limit);
    return RowEnd::next_row;
}

RowEnd RouteParser::mountain_row() {
    SourceLocation site;
    std::int32_t inizio = read_number(site);
    std::int32_t fine = reader_.read_long();
    std::int32_t tipo = reader_.read_long();
    if (!within_track(model_, inizio, row_reach)) return out_of_track(model_, inizio, site);
    memo_montagna(model_, inizio, fine, tipo);
    return RowEnd::next_row;
}

RowEnd RouteParser::speed_board_row() {
    SourceLocation site;
    const std::int32_t posizione = read_number(site);
    model_.position_site = site;
    std::array<std::int32_t, 8> v{};
    std::array<SourceLocation, 8> sites{};
    for (std::size_t i = 0; i < v.size(); ++i) v[i] = read_number(sites[i]);
    if (!within_track(model_, posizione, row_reach)) return out_of_track(model_, posizione, site);
    std::int32_t refused = 0;
    try {
        refused = memo_indicatori_v_max(model_, posizione, v[0], v[1], v[2], v[3], v[4], v[5], v[6],
                                        v[7]);
    } catch (const PackedSpeedFault& fault) {
        throw speed_pair_fault(fault, keyword_, v, sites);
    }
    if (refused > 0) return refuse_taken(model_, refused, site, posizione, model_.refused_cell);
    return RowEnd::next_row;
}

// Boards take records 80, 79, ... and their cell points back at the record.
RowEnd RouteParser::sign_board_row() {
    SourceLocation site;
    const std::int32_t position = read_number(site);
    model_.position_site = site;
    const std::string text = read_field();
    if (!within_track(model_, position, row_reach)) return out_of_track(model_, position, site);
    if (sign_board_limit_ < 1) {
        // Error 106 once; a check then passes over the boards that follow.
        if (boards_refused_) return RowEnd::skip_row;
        boards_refused_ = true;
        return refuse(model_, error_number::too_many_sign_boards, site);
    }
    const auto index =
        static_cast<std::size_t>(round_half_even(position / double{cell_length} + 1.0));
    TrackCell& cell = model_.cells[index];
    if (!cell.is_free())
        return refuse_taken(model_, error_number::sign_board_taken, site, position,
                            static_cast<std::int64_t>(index));
    model_.set_kind(cell, cell_kind::sign_board);
    cell.val1 = store_wrapped<std::int16_t>(sign_board_limit_);
    model_.records[static_cast<std::size_t>(sign_board_limit_)].text = text;
    --sign_board_limit_;
    return RowEnd::next_row;
}

// The last gradient runs to cell cell_upper - 3; the plan runs straight on to point
// plan_upper - 2.
void RouteParser::end_step() {
    fill_gradient_until(model_.cell_upper - 2);
    if (model_.plan_option == 0) return;
    plan_steps_through(model_.plan_upper - 2, 0.0);
}

// A 32-bit sum; overflow is a fault of the text, as any other number out of its type. The
// fault names the written field that took the sum past the type, at its place.
std::int32_t add_long(std::int32_t a, std::int32_t b, const std::string& what,
                      const SourceLocation& blamed) {
    const std::int64_t sum = std::int64_t{a} + b;
    if (sum < std::numeric_limits<std::int32_t>::min() ||
        sum > std::numeric_limits<std::int32_t>::max()) {
        throw RunTimeFault(
            what + " " + std::to_string(sum) + " m, which does not fit a Long (32 bits)", blamed);
    }
    return static_cast<std::int32_t>(sum);
}

struct KilometricReference {
    std::int32_t start = 0;
    std::int32_t value = 0;
    std::int32_t flag = 0;
    WrittenReference written;  // what its row wrote; it travels with the reference
};

KilometricReference reference_in(const Model& model, int slot) {
    const ScenarioRecord& record = model.records[static_cast<std::size_t>(slot)];
    return {record.zone_start, record.zone_end, record.position,
            model.reference_rows[static_cast<std::size_t>(slot - record_slot::progressive_three)]};
}

// The starts of the three references are summed to choose how they are ordered.
std::int32_t sum_of_starts(const KilometricReference& t, const KilometricReference& d,
                           const KilometricReference& u) {
    const std::int32_t two =
        add_long(t.start, d.start,
                 "the kilometric references' starts " + std::to_string(t.start) + " and " +
                     std::to_string(d.start) + " add up to",
                 d.written.start_site);
    return add_long(two, u.start,
                    "the kilometric references' starts " + std::to_string(t.start) + ", " +
                        std::to_string(d.start) + " and " + std::to_string(u.start) + " add up to",
                    u.written.start_site);
}

using ReferenceOrder = std::array<KilometricReference, 3>;

// Largest start first; when no start is strictly the largest the references are dropped.
ReferenceOrder by_start(const KilometricReference& t, const KilometricReference& d,
                        const KilometricReference& u) {
    if (t.start > d.start && t.start > u.start) {
        return d.start > u.start ? ReferenceOrder{t, d, u} : ReferenceOrder{t, u, d};
    }
    if (d.start > t.start && d.start > u.start) {
        return t.start > u.start ? ReferenceOrder{d, t, u} : ReferenceOrder{d, u, t};
    }
    if (u.start > t.start && u.start > d.start) {
        return t.start > d.start ? ReferenceOrder{u, t, d} : ReferenceOrder{u, d, t};
    }
    return {};
}

// All starts at 0: the first reference (in the order one, two, three) with a value leads.
ReferenceOrder by_value(const KilometricReference& t, const KilometricReference& d,
                        const KilometricReference& u) {
    if (u.value > 0) return {u, d, t};
    if (d.value > 0) return {d, t, u};
    if (t.value > 0) return {t, d, u};
    return {};
}

}  // namespace

RouteHalfResult parse_route(Model& model, std::string_view text, const std::string& display_name) {
    // No field can hold "[generale]" when the text does not: an empty or blank text is refused
    // like any other text without a general block, not as a read fault.
    if (!opens_general_block(text)) {
        refuse(model, error_number::no_general_block, {display_name});
        return {};
    }
    FieldReader reader(text, display_name);
    try {
        return RouteParser(model, reader).run();
    } catch (RunTimeFault& fault) {
        if (fault.site.file.empty()) fault.site = reader.last_field_site();
        throw;
    }
}

void size_track(Model& model, std::int32_t length) {
    model.plan_upper = length + track_beyond_route;
    model.cell_upper =
        static_cast<std::int32_t>(round_half_even(model.plan_upper / double{cell_length}));
    // Every cell empty, in memory the model may already hold: assigned from one empty cell,
    // which the sanitizers' build copies in one pass instead of constructing cell by cell.
    model.cells.assign(static_cast<std::size_t>(model.cell_upper) + 1, TrackCell{});
    // The plan starts afresh; its runs keep their storage for a model used for many routes.
    PlanSteps& plan = model.plan;
    plan.exists = model.plan_option != 0;
    plan.origin_set = false;
    plan.computed_end = 2;
    plan.runs.clear();
}

void give_provisional_track(Model& model) {
    size_track(model, route_length_limit);
    model.provisional_track = true;
}

void progressive_ordina(Model& model) {
    const KilometricReference t = reference_in(model, record_slot::progressive_three);
    const KilometricReference d = reference_in(model, record_slot::progressive_two);
    const KilometricReference u = reference_in(model, record_slot::progressive_one);
    const std::int32_t start_sum = sum_of_starts(t, d, u);
    const ReferenceOrder order = start_sum != 0 ? by_start(t, d, u) : by_value(t, d, u);
    const int slots[3] = {record_slot::progressive_three, record_slot::progressive_two,
                          record_slot::progressive_one};
    for (std::size_t i = 0; i < order.size(); ++i) {
        KilometricReference reference = order[i];
        // Markings counted with direction flag 1 are raised by 100 m.
        if (reference.flag == 1)
            reference.value = add_long(reference.value, 100,
                                       "kilometric value " + std::to_string(reference.value) +
                                           " m with direction 1 is stored 100 m higher, at",
                                       reference.written.value_site);
        ScenarioRecord& record = model.records[static_cast<std::size_t>(slots[i])];
        record.zone_start = reference.start;
        record.zone_end = reference.value;
        record.position = reference.flag;
        model.reference_rows[i] = reference.written;
    }
}

}  // namespace scenario
