// The stored values of a compiled cell or station record turned back into the row fields
// they came from, named and explained by the row grammar: a signal's codes out of its packed
// cell values, a board's speeds per rank and its stripes, a slowdown's speed, a code value, a
// station's kind and options. Packing loses nothing for the values the texts use (codes 0 to
// 9, a signal's side codes 0 to 2, board speeds in steps of 5 km/h below 500); other values
// decode to the numbers that pack the same way.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "compiler/model.h"
#include "compiler/row_grammar.h"

namespace scenario {

// One row field's value as the row wrote it, in the field's unit.
struct DecodedValue {
    RowKind row;
    const FieldGrammar* field;  // name, unit and meaning
    std::int64_t value;
    std::string_view stored_in;  // the stored field that holds it: "val4"
};

// The row fields a cell's feature holds: for a signal sx, s1, s2, s3, rapp, dx, d1, d2, d3
// and tempo; for speed boards vas, vbs, vcs, strisces, vad, vbd, vcd, strisced; for a
// slowdown's cells v, d_v (when set) and f_tt; for a code change its value. None for other
// kinds.
std::vector<DecodedValue> decoded_cell(const TrackCell& cell);

// The station row's fields a station record keeps: kind, opt_a, opt_e, opt_d, par_a, par_b,
// opt_b, par_c, par_d, par_e, opt_c.
std::vector<DecodedValue> decoded_station(const ScenarioRecord& record);

// What a station's kind makes of it: where its stretch lies and which cells it marks.
std::string_view station_kind_meaning(std::int64_t kind);

// An approach byte: a signal's side codes sx x 3 + dx and its step j (the cell 2j before the
// signal), or a station's 80 + k (the k-th cell before the cell before its stop cell). The
// two read alike for a signal with sx and dx 2; the cells around tell them apart.
struct ApproachMark {
    std::int64_t sides;  // sx x 3 + dx, or 8
    int step;            // 1 to 4
    std::int64_t sx() const { return sides / 3; }
    std::int64_t dx() const { return sides % 3; }
};
std::optional<ApproachMark> approach_mark(std::uint8_t approach);

// Which side codes a signal cell's val4 packs (rapp x 10 + sx x 3 + dx, the last digit).
std::int64_t signal_sides(const TrackCell& signal);

}  // namespace scenario
