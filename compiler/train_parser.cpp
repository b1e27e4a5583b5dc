#include "compiler/train_parser.h"

#include <algorithm>
#include <array>
#include <cstddef>
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

// Rows reach this far past their position; a station reaches farther with its stretch.
constexpr std::int32_t row_reach = 100;
constexpr std::int32_t station_reach = 800;
constexpr std::int64_t least_gap_between_stations = 350;
// Stations at least this long keep their option e.
constexpr std::int32_t long_station = 600;
// Kinds from here on are halts that mark no stop cell.
constexpr std::uint8_t first_kind_without_stop = 25;
constexpr std::uint8_t approach_base = 80;

// A station's length as written: the one field that can take its stretch out of range, since
// its position has passed the range test.
struct WrittenLength {
    std::int32_t value = 0;
    SourceLocation site;
    std::string_view keyword;
};

// A stretch bound that a 32-bit field cannot hold is a read fault, as an arithmetic overflow
// is; it is told at the length field that took it out of range.
std::int32_t as_long(std::int64_t value, const WrittenLength& length, std::string_view bound) {
    if (value < INT32_MIN || value > INT32_MAX) {
        throw RunTimeFault("length " + std::to_string(length.value) + " m (" +
                               field_of_row(2, length.keyword) + ") puts the stretch " +
                               std::string(bound) + " at " + std::to_string(value) +
                               " m, which does not fit a Long (32 bits)",
                           length.site);
    }
    return static_cast<std::int32_t>(value);
}

std::int64_t rounded_cell(double quotient) {
    return round_half_even(quotient);
}

// Speeds are stored in 5 km/h steps.
std::uint8_t speed_byte(std::int32_t speed) {
    return store_wrapped<std::uint8_t>(round_half_even(static_cast<double>(speed) / 5.0));
}

std::uint8_t adhesion_byte(std::int32_t adhesion) {
    return store_wrapped<std::uint8_t>(adhesion);
}

struct StationStretch {
    bool marks_stop = false;
    bool marks_approach = false;
};

class TrainTextParser {
  public:
    TrainTextParser(Model& model, FieldReader& reader, std::int32_t sign_board_limit)
        : model_(model),
          reader_(reader),
          // Stations live below the sign boards, never above record 80.
          sign_board_limit_(std::min(sign_board_limit, record_slot::last_sign_board)) {}

    void run();

    FieldReader& reader() { return reader_; }
    Model& model() { return model_; }

    // The readers of the train's rows, by kind.
    static consteval RowReaders<TrainTextParser> readers();

  private:
    // Every keyword field passes through current_field.
    const std::string& read_field() {
        model_.current_field = reader_.read_text();
        return model_.current_field;
    }

    RowEnd read_row();

    bool within_track(std::int32_t position, std::int32_t reach) const {
        return scenario::within_track(model_, position, reach);
    }

    // --- Scenario-wide values -----------------------------------------------------------

    RowEnd read_braked_mass() {
        model_.records[record_slot::totals].zone_start = reader_.read_long();
        return RowEnd::next_row;
    }

    RowEnd read_car_count() {
        model_.records[record_slot::totals].position = reader_.read_long();
        return RowEnd::next_row;
    }

    RowEnd read_clock() {
        ScenarioRecord& train = model_.records[record_slot::train_identity];
        train.par_c = reader_.read_integer();
        train.par_d = reader_.read_integer();
        train.par_e = reader_.read_integer();
        return RowEnd::next_row;
    }

    RowEnd read_sand() {
        model_.records[record_slot::train_identity].par_a = reader_.read_integer();
        return RowEnd::next_row;
    }

    // --- Step profiles ------------------------------------------------------------------

    // Stores into the cells first..last - 1 that the table holds. A profile writes every cell
    // of a long route, so this is the train half's hottest loop: one pass over the span.
    template <typename Store>
    void store_cells(std::int64_t first, std::int64_t last, Store store) {
        const auto size = static_cast<std::int64_t>(model_.cells.size());
        first = std::clamp<std::int64_t>(first, 0, size);
        last = std::clamp<std::int64_t>(last, first, size);
        TrackCell* const cells = model_.cells.data();
        scenario::store_cells(cells + first, cells + last, store);
    }

    // Fills the cells from the cursor up to the row's cell with the value in force. The
    // body runs once even when the cursor has already passed that cell, so a second row in
    // the same cell still moves the cursor on by one.
    template <typename Store>
    void fill_profile_to(std::int32_t& cursor, std::int32_t position, Store store) {
        const std::int64_t row_cell = rounded_cell(static_cast<double>(position) / cell_length);
        if (row_cell <= 0 || cursor >= model_.cell_upper) return;
        const auto end = static_cast<std::int32_t>(std::min<std::int64_t>(
            std::max<std::int64_t>(cursor + 1, row_cell), model_.cell_upper));
        store_cells(cursor, end, store);
        cursor = end;
    }

    // The last value of a profile runs to cell cell_upper - 3 (at least one cell is written).
    template <typename Store>
    void complete_profile(std::int32_t& cursor, Store store) {
        const std::int32_t end = std::max(cursor + 1, model_.cell_upper - 2);
        store_cells(cursor, end, store);
        cursor = end;
    }

    RowEnd read_speed_row() {
        const std::int32_t position = reader_.read_long();
        const SourceLocation site = reader_.last_field_site();
        const std::int32_t speed = reader_.read_long();
        if (!within_track(position, row_reach)) return out_of_track(model_, position, site);
        const std::uint8_t in_force = speed_byte(speed_in_force_);
        fill_profile_to(speed_cursor_, position,
                        [in_force](TrackCell& cell) { cell.speed_limit = in_force; });
        speed_in_force_ = speed;
        return RowEnd::next_row;
    }

    RowEnd read_adhesion_row() {
        const std::int32_t position = reader_.read_long();
        const SourceLocation site = reader_.last_field_site();
        const std::int32_t adhesion = reader_.read_long();
        if (!within_track(position, row_reach)) return out_of_track(model_, position, site);
        const std::uint8_t in_force = adhesion_byte(adhesion_in_force_);
        fill_profile_to(adhesion_cursor_, position,
                        [in_force](TrackCell& cell) { cell.adhesion = in_force; });
        adhesion_in_force_ = adhesion;
        return RowEnd::next_row;
    }

    // --- Features handed to the recorders -----------------------------------------------

    RowEnd read_signal() {
        const std::int32_t posizione = reader_.read_long();
        const SourceLocation site = reader_.last_field_site();
        model_.position_site = site;
        std::int32_t sx = reader_.read_long();
        std::int32_t s1 = reader_.read_long();
        std::int32_t s2 = reader_.read_long();
        std::int32_t s3 = reader_.read_long();
        std::int32_t rapp = reader_.read_long();
        std::int32_t dx = reader_.read_long();
        std::int32_t d1 = reader_.read_long();
        std::int32_t d2 = reader_.read_long();
        std::int32_t d3 = reader_.read_long();
        std::int32_t tempo = reader_.read_long();
        if (!within_track(posizione, row_reach)) return out_of_track(model_, posizione, site);
        const std::int32_t refused =
            memo_segnale(model_, posizione, sx, s1, s2, s3, rapp, dx, d1, d2, d3, tempo);
        if (refused > 0) return refuse_taken(model_, refused, site, posizione, model_.refused_cell);
        return RowEnd::next_row;
    }

    RowEnd read_slowdown() {
        const std::int32_t x = reader_.read_long();
        const SourceLocation site = reader_.last_field_site();
        model_.position_site = site;
        std::int32_t v = reader_.read_long();
        std::int32_t l = reader_.read_long();
        std::int32_t f_tt = reader_.read_long();
        const std::int32_t f_ta = reader_.read_long();
        std::int32_t d_v = reader_.read_long();
        if (!within_track(x, row_reach)) return out_of_track(model_, x, site);
        // The range test bounds the start only; the end cell must exist as well.
        const std::int64_t end_cell =
            rounded_cell((static_cast<double>(x) + l) / cell_length + 1.0);
        if (end_cell < 0 || end_cell > model_.cell_upper) return out_of_track(model_, x, site);
        const std::int32_t refused = memo_rallentamento(model_, x, v, l, f_tt, f_ta, d_v);
        if (refused > 0) return refuse_taken(model_, refused, site, x, model_.refused_cell);
        return RowEnd::next_row;
    }

    RowEnd read_code_drop() {
        const std::int32_t position = reader_.read_long();
        const SourceLocation site = reader_.last_field_site();
        model_.position_site = site;
        const std::int32_t value = reader_.read_long();
        if (!within_track(position, row_reach)) return out_of_track(model_, position, site);
        const std::int64_t index = rounded_cell(position / double{cell_length});
        TrackCell& cell = model_.cells[static_cast<std::size_t>(index)];
        if (!cell.is_free())
            return refuse_taken(model_, error_number::code_drop_taken, site, position, index);
        if (value > 0) {
            model_.set_kind(cell, cell_kind::code_change);
            cell.val1 = store_wrapped<std::int16_t>(value);
        } else {
            model_.set_kind(cell, cell_kind::code_change_plain);
        }
        return RowEnd::next_row;
    }

    // --- Stations -----------------------------------------------------------------------

    // Reads fields 4 to 17 of a station row, in row order, each straight into the record, so
    // that a read fault leaves every field read before it there.
    void read_station_details(ScenarioRecord& station) {
        station.opt_a = reader_.read_byte();
        station.opt_e = reader_.read_byte();
        station.opt_d = reader_.read_byte();
        station.par_a = reader_.read_integer();
        station.par_b = reader_.read_integer();
        station.opt_b = reader_.read_byte();
        station.par_c = reader_.read_integer();
        station.par_d = reader_.read_integer();
        station.par_e = reader_.read_integer();
        station.opt_c = reader_.read_byte();
        // The clock values are scratch; the time is stored once all three are read.
        const std::int64_t hours = reader_.read_long();
        const std::int64_t minutes = reader_.read_long();
        const std::int64_t seconds = reader_.read_long();
        station.time_s = store_wrapped<std::int32_t>((hours * 60 + minutes) * 60 + seconds);
        station.text = reader_.read_text();
    }

    // Sets the stretch the station occupies and says which cells it marks.
    StationStretch set_stretch(ScenarioRecord& station, const WrittenLength& written) const {
        const std::int64_t p = station.position;
        const std::int32_t length = written.value;
        StationStretch marks;
        marks.marks_stop = station.kind < first_kind_without_stop;
        marks.marks_approach = marks.marks_stop;
        if (station.kind == 5 || station.kind == 6) {
            station.zone_end = as_long(p + 150, written, "end");
            station.zone_start = as_long(p - length, written, "start");
            station.opt_d = 0;
            marks.marks_approach = false;
        } else if (station.kind == 7 || station.kind == 8) {
            station.zone_start = as_long(p - length, written, "start");
            station.zone_end = as_long(p + length, written, "end");
            station.opt_d = 0;
        } else {
            const double half = static_cast<double>(length) / 2.0;
            const double extension = station.opt_d != 0 ? 50.0 : 0.0;
            station.zone_start =
                as_long(round_half_even(static_cast<double>(p) - half), written, "start");
            station.zone_end =
                as_long(round_half_even(static_cast<double>(p) + half + extension), written, "end");
        }
        if (length < long_station) station.opt_e = 0;
        if (station_number_ == 1) {
            station.opt_d = 0;
            station.opt_e = 0;
        }
        return marks;
    }

    static double stop_quotient(const ScenarioRecord& station) {
        return static_cast<double>(station.zone_end) / cell_length - 1.0;
    }

    // The stop cell is the last cell the station marks; the approach cells lie before it.
    bool marks_past_last_cell(const ScenarioRecord& station, StationStretch marks) const {
        const double quotient = stop_quotient(station);
        return marks.marks_stop && quotient > 1 && rounded_cell(quotient) > model_.cell_upper;
    }

    void mark_approach_cells(const ScenarioRecord& station) {
        for (int k = 1; k <= 4; ++k) {
            const double quotient = stop_quotient(station) - k;
            if (quotient > 1) {
                model_.cells[static_cast<std::size_t>(rounded_cell(quotient))].approach =
                    static_cast<std::uint8_t>(approach_base + k);
            }
        }
    }

    RowEnd read_station() {
        // After error 10 a check reads the further stations without refusing each again.
        if (stations_refused_) return RowEnd::skip_row;
        const std::int32_t i = station_number_;
        const ScenarioRecord before = model_.records[static_cast<std::size_t>(i)];
        const RowEnd end = read_station_into(i);
        // In a check a refused station leaves nothing behind: the next station takes its
        // record and is measured against the last station accepted.
        if (end == RowEnd::skip_row && station_number_ == i) {
            model_.records[static_cast<std::size_t>(i)] = before;
        }
        return end;
    }

    RowEnd read_station_into(std::int32_t i) {
        const std::int32_t position = reader_.read_long();
        const SourceLocation site = reader_.last_field_site();
        model_.position_site = site;
        // A station must never land in a record that holds a route sign board.
        if (station_number_ > sign_board_limit_) return too_many_stations(site);
        // Every field goes into the record as it is read, so a station refused or cut short by
        // a read fault keeps what was read of it; the length and the clock are scratch values.
        ScenarioRecord& station = model_.records[static_cast<std::size_t>(i)];
        station.position = position;
        if (!within_track(position, station_reach)) return out_of_track(model_, position, site);
        if (position % cell_length != 0)
            return refuse(model_, error_number::station_off_grid, site, position,
                          std::to_string(position) + " m");
        station.kind = reader_.read_byte();
        const std::int32_t length = reader_.read_long();
        const SourceLocation length_site = reader_.last_field_site();
        if (length % 100 != 0)
            return refuse(model_, error_number::station_length_off_grid, length_site, position,
                          std::to_string(length) + " m");
        read_station_details(station);
        const StationStretch marks =
            set_stretch(station, {length, length_site, model_.current_field});
        if (marks_past_last_cell(station, marks)) {
            station = ScenarioRecord{};  // refused before anything of it is kept
            return out_of_track(model_, position, site);
        }

        if (marks.marks_approach) mark_approach_cells(station);
        if (marks.marks_stop) {
            const double quotient = stop_quotient(station);
            if (quotient <= 1)
                return refuse(model_, error_number::stop_cell_too_early, site, std::nullopt,
                              "its stretch ends at " + std::to_string(station.zone_end) + " m");
            TrackCell& stop = model_.cells[static_cast<std::size_t>(rounded_cell(quotient))];
            model_.set_kind(stop, cell_kind::station_stop);
            stop.val1 = store_wrapped<std::int16_t>(i);
        }
        const ScenarioRecord& previous = model_.records[static_cast<std::size_t>(i - 1)];
        if (i > 1 &&
            std::int64_t{station.zone_start} - least_gap_between_stations < previous.zone_end) {
            // The author is also shown the station this one comes too close to.
            Diagnostic too_close =
                error_diagnostic(error_number::stations_too_close, site, position);
            too_close.message += ": its stretch starts at " + std::to_string(station.zone_start) +
                                 " m, and the previous station's ends at " +
                                 std::to_string(previous.zone_end) + " m";
            too_close.related = previous_station_site_;
            raise_diagnostic(model_, std::move(too_close));
            return after_row_error(model_, RowEnd::stop);
        }
        previous_station_site_ = site;
        station_number_ = i + 1;
        if (station_number_ >= sign_board_limit_) return too_many_stations(site);
        return RowEnd::next_row;
    }

    // Error 10 once; a check then passes over the stations that follow.
    RowEnd too_many_stations(const SourceLocation& site) {
        stations_refused_ = true;
        return refuse(model_, error_number::too_many_stations, site, std::nullopt,
                      "the records hold " + std::to_string(sign_board_limit_ - 1) +
                          " stations beside the route's sign boards");
    }

    // --- End of the text ----------------------------------------------------------------

    void end_step() {
        const std::uint8_t speed = speed_byte(speed_in_force_);
        complete_profile(speed_cursor_, [speed](TrackCell& cell) { cell.speed_limit = speed; });
        const std::uint8_t adhesion = adhesion_byte(adhesion_in_force_);
        complete_profile(adhesion_cursor_,
                         [adhesion](TrackCell& cell) { cell.adhesion = adhesion; });
        check_kilometric_references();
    }

    // The references come from the route text; they are checked once the train is read. The
    // message quotes the row as written and points at the field off the grid; the value as
    // stored, which direction 1 raises by 100 m, follows as a second fact.
    void check_kilometric_references() {
        for (int slot : {record_slot::progressive_three, record_slot::progressive_two,
                         record_slot::progressive_one}) {
            const ScenarioRecord& reference = model_.records[static_cast<std::size_t>(slot)];
            const bool start_off = reference.zone_start % cell_length != 0;
            if (!start_off && reference.zone_end % cell_length == 0) continue;
            const WrittenReference& written = model_.reference_rows[static_cast<std::size_t>(
                slot - record_slot::progressive_three)];
            Diagnostic off_grid =
                error_diagnostic(error_number::progressive_off_grid,
                                 start_off ? written.start_site : written.value_site);
            off_grid.message += ": start " + std::to_string(written.start) + " m, value " +
                                std::to_string(written.value) + " m";
            if (reference.zone_end != written.value) {
                off_grid.message += " (stored as " + std::to_string(reference.zone_end) +
                                    " m, 100 m more for direction 1)";
            }
            raise_diagnostic(model_, std::move(off_grid));
        }
    }

    Model& model_;
    FieldReader& reader_;
    const std::int32_t sign_board_limit_;
    std::int32_t speed_cursor_ = 0;
    std::int32_t adhesion_cursor_ = 0;
    // Cells before the first speed or adhesion row get 0, never a value from the route text.
    std::int32_t speed_in_force_ = 0;
    std::int32_t adhesion_in_force_ = 0;
    std::int32_t station_number_ = 1;
    SourceLocation previous_station_site_;  // position field of the last accepted station
    bool stations_refused_ = false;         // error 10 has been raised
};

consteval RowReaders<TrainTextParser> TrainTextParser::readers() {
    RowReaders<TrainTextParser> read{};
    read[index_of(RowKind::braked_mass)] = &TrainTextParser::read_braked_mass;
    read[index_of(RowKind::car_count)] = &TrainTextParser::read_car_count;
    read[index_of(RowKind::speed_limit)] = &TrainTextParser::read_speed_row;
    read[index_of(RowKind::adhesion)] = &TrainTextParser::read_adhesion_row;
    read[index_of(RowKind::start_clock)] = &TrainTextParser::read_clock;
    read[index_of(RowKind::sand)] = &TrainTextParser::read_sand;
    read[index_of(RowKind::signal)] = &TrainTextParser::read_signal;
    read[index_of(RowKind::slowdown)] = &TrainTextParser::read_slowdown;
    read[index_of(RowKind::code_drop)] = &TrainTextParser::read_code_drop;
    read[index_of(RowKind::station)] = &TrainTextParser::read_station;
    return read;
}

constexpr RowReaders<TrainTextParser> train_readers = TrainTextParser::readers();
static_assert(reads_exactly_the_kinds_of(train_readers, RowPlace::train),
              "every train row kind needs a reader");

void TrainTextParser::run() {
    skip_to_general_block(reader_, [this] { return read_field(); });
    const RowEnd end = read_rows(
        model_, reader_, [this] { return read_row(); },
        [](std::string_view first) { return names_a_row(RowPlace::train, first); });
    if (end == RowEnd::end_step) end_step();
}

// Reads the keyword field, skipping at most two comment fields; end_step when the text ends
// with it, as its last field is never interpreted.
RowEnd TrainTextParser::read_row() {
    if (!read_keyword_field(
            reader_, RowPlace::train, [this] { return read_field(); }, [](std::string_view) {}))
        return RowEnd::end_step;
    model_.row_site = reader_.last_field_site();
    model_.position_site = {};
    return read_matching_rows(*this, RowPlace::train, train_readers, model_.current_field,
                              model_.row_site);
}

}  // namespace

void parse_train(Model& model, std::string_view text, const std::string& display_name,
                 std::int32_t sign_board_limit) {
    FieldReader reader(text, display_name);
    try {
        TrainTextParser(model, reader, sign_board_limit).run();
    } catch (RunTimeFault& fault) {
        if (fault.site.file.empty()) fault.site = reader.last_field_site();
        throw;
    }
}

}  // namespace scenario
