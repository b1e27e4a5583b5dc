// The compiled scenario: the tables the simulator loads, and the run state that fills them.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "compiler/diagnostic.h"
#include "compiler/plan.h"

namespace scenario {

// Every track cell covers this many metres.
constexpr std::int32_t cell_length = 50;

// One 50 m stretch of track.
struct TrackCell {
    std::uint8_t kind = 0;
    std::int16_t val1 = 0;
    std::int16_t val2 = 0;
    std::int16_t val3 = 0;
    std::int16_t val4 = 0;
    std::uint8_t signal_time = 0;
    std::uint8_t approach = 0;
    std::uint8_t mountain = 0;
    std::uint8_t speed_limit = 0;
    std::uint8_t gradient = 0;
    std::uint8_t adhesion = 0;

    // Kind 0 is an empty cell; kind 11 (mountain marker) may be covered by any feature.
    bool is_free() const { return kind == 0 || kind == 11; }
    bool operator==(const TrackCell&) const = default;
};

// Loops that walk every cell of a long route (up to twenty thousand) only to store or test a
// byte: under the fuzzer's instrumentation every integer comparison in them, the loop's own and
// the pointer-overflow test of the undefined-behaviour sanitizer, calls a comparison hook, and
// those hooks cost more than the rest of a compile while teaching the fuzzer nothing. Clang
// leaves a function so marked out of the coverage instrumentation; the sanitizers still check
// it. Only small leaf loops carry it, so that the branches around them keep their coverage.
// They are never inlined: a loop inlined into its caller is instrumented as the caller is.
#if defined(__clang__)
#define SCENARIO_PLAIN_CELL_LOOP __attribute__((no_sanitize("coverage"), noinline))
#else
#define SCENARIO_PLAIN_CELL_LOOP
#endif
// The same for other small leaf loops that compare at every step and whose branches tell the
// fuzzer nothing about the input (the edit distance between a field and a keyword).
#define SCENARIO_PLAIN_LOOP SCENARIO_PLAIN_CELL_LOOP

// Applies store to each cell of first..last - 1.
template <typename Store>
SCENARIO_PLAIN_CELL_LOOP void store_cells(TrackCell* first, TrackCell* last, Store store) {
    for (; first != last; ++first) store(*first);
}

// A kilometric reference as its row wrote it: the start and value fields and their places.
struct WrittenReference {
    std::int32_t start = 0;
    std::int32_t value = 0;
    SourceLocation start_site;
    SourceLocation value_site;
};

// The row a cell's feature came from: its keyword, which names the row in messages, and its
// position field, where a row that collides with it is pointed (none in the placement pass).
struct CellOrigin {
    SourceLocation row;
    SourceLocation position;
};

// Cell kinds.
namespace cell_kind {
constexpr std::uint8_t empty = 0;
constexpr std::uint8_t signal = 1;
constexpr std::uint8_t slowdown_end = 2;
constexpr std::uint8_t slowdown_start = 3;
constexpr std::uint8_t slowdown_advance = 4;
constexpr std::uint8_t slowdown_warning = 5;
constexpr std::uint8_t speed_boards = 6;
constexpr std::uint8_t station_stop = 10;
constexpr std::uint8_t mountain_marker = 11;
constexpr std::uint8_t code_change = 12;
constexpr std::uint8_t code_change_plain = 13;
constexpr std::uint8_t sign_board = 14;
}  // namespace cell_kind

// One of the 87 general records: a station, a sign board text or scenario-wide values.
struct ScenarioRecord {
    std::uint8_t kind = 0;
    std::int32_t zone_start = 0;
    std::int32_t zone_end = 0;
    std::int32_t position = 0;
    std::uint8_t opt_a = 0;
    std::string text;  // raw single-byte text, as read from the scenario files
    std::int16_t par_a = 0;
    std::int16_t par_b = 0;
    std::int16_t par_c = 0;
    std::int16_t par_d = 0;
    std::int16_t par_e = 0;
    std::uint8_t opt_b = 0;
    std::uint8_t opt_c = 0;
    std::uint8_t opt_d = 0;
    std::uint8_t opt_e = 0;
    std::int32_t time_s = 0;

    bool operator==(const ScenarioRecord&) const = default;
};

constexpr int record_count = 87;
// Fixed record slots.
namespace record_slot {
constexpr int last_sign_board = 80;  // boards fill 80, 79, ... ; stations fill 1, 2, ...
constexpr int progressive_three = 81;
constexpr int progressive_two = 82;
constexpr int progressive_one = 83;
constexpr int totals = 84;
constexpr int route_identity = 85;
constexpr int train_identity = 86;
}  // namespace record_slot

// The marker values stamped into every compiled scenario: par_a of the route identity record
// and val1 of cell 1. Readers of compiled files recognise them by these.
namespace marker {
constexpr std::int16_t route_record = 610;
constexpr std::int16_t first_cell = 5121;
}  // namespace marker

// The whole run state of one compile.
struct Model {
    std::string route_stem;
    std::string train_number;

    PlanSteps plan;                // the points are computed as the plan file is written
    std::vector<TrackCell> cells;  // 0..cell_upper once the route length is read
    std::array<ScenarioRecord, record_count> records{};
    // Slot 0 of the mountain lists is never used; the lists grow with every stretch.
    std::vector<std::int32_t> mountain_start{0};
    std::vector<std::int32_t> mountain_end{0};
    std::int32_t mountain_count = 0;

    std::int32_t plan_option = 0;
    std::string current_field;
    std::int32_t plan_upper = 0;
    std::int32_t cell_upper = 0;
    // The last error raised and its position (never reset: a later error without a
    // position leaves the earlier one). Set only by raise_diagnostic, from the diagnostics.
    std::int32_t error_code = 0;
    std::int32_t error_position = 0;
    Diagnostics diagnostics;  // every error, in the order raised

    // Where the cells' features came from, for messages about a cell already taken: the row
    // being read (or, in the placement pass, the slowdown being served) marks every cell it
    // gives a kind, and a recorder that refuses a row names the cell that stopped it.
    SourceLocation row_site;
    // The position field of the row being read, once read: a later row refused for a cell this
    // one took is pointed at the position that collides, not at the keyword.
    SourceLocation position_site;
    std::map<std::int32_t, CellOrigin> cell_origins;
    std::int64_t refused_cell = -1;
    // What the three kilometric references' rows wrote and where, in the order of records
    // 81..83: messages about a reference quote the text, not the value it is stored as.
    std::array<WrittenReference, 3> reference_rows{};
    // The value field of the route length row, once it is read.
    SourceLocation route_length_site;

    // A check reads on past an error that ends a row in the compile: it skips to the next line
    // that begins a row and goes on, to the end of both texts. The compile leaves it off.
    bool keep_going = false;
    // Called once, at the first error that ends a row, with the model as it stands then, in
    // the compile as in a check; tests use it to hold the two side by side.
    std::function<void(const Model&)> at_first_row_end;
    bool first_row_end_seen = false;
    // A check whose route text gives no track reads on over a stand-in track of the longest
    // length, to find what needs no track; what needs one is not checked, and nothing is
    // placed or written.
    bool provisional_track = false;

    bool has_cells() const { return !cells.empty(); }

    // Gives a cell its kind and remembers the row it came from.
    void set_kind(TrackCell& cell, std::uint8_t kind) {
        cell.kind = kind;
        if (!row_site.file.empty()) {
            cell_origins[static_cast<std::int32_t>(&cell - cells.data())] = {row_site,
                                                                             position_site};
        }
    }
};

}  // namespace scenario
