#include "compiler/recorders.h"

#include <algorithm>
#include <cstddef>
#include <string>

#include "compiler/errors.h"
#include "compiler/numeric.h"

namespace scenario {

namespace {

// Stretches that start this close after the previous one ends are joined as type 3.
constexpr std::int64_t mountain_join_gap = 150;
// Slowdowns this close to the origin have no advance point and no warning boards.
constexpr std::int32_t slowdown_without_advance = 1500;
constexpr std::int32_t advance_distance = 1200;

// The cell a position goes to: round(position / 50 + offset), as a signed index that may lie
// outside the table.
std::int64_t cell_at(double position, double offset) {
    return round_half_even(position / double{cell_length} + offset);
}

// The cell at `index`, or nothing when the table has no such cell.
TrackCell* existing_cell(Model& model, std::int64_t index) {
    if (index < 0 || index >= static_cast<std::int64_t>(model.cells.size())) return nullptr;
    return &model.cells[static_cast<std::size_t>(index)];
}

// A cell outside the table can take no feature, like an occupied one.
bool free_cell(Model& model, std::int64_t index) {
    const TrackCell* cell = existing_cell(model, index);
    return cell != nullptr && cell->is_free();
}

// A refusal names the cell that stopped the row, for the message about what holds it.
std::int32_t refused_at(Model& model, std::int64_t cell, std::int32_t number) {
    model.refused_cell = cell;
    return number;
}

void store_mountain_stretch(Model& model, std::int32_t n, std::int32_t start, std::int32_t end) {
    auto slot = static_cast<std::size_t>(n);
    if (model.mountain_start.size() <= slot) model.mountain_start.resize(slot + 1, 0);
    if (model.mountain_end.size() <= slot) model.mountain_end.resize(slot + 1, 0);
    model.mountain_start[slot] = start;
    model.mountain_end[slot] = end;
}

// Packs one board pair into a 16-bit value: the second value / 5 plus the first times 20. A
// result that does not fit is a read fault of the route text.
std::int16_t packed_speed(int pair, std::int32_t first, std::int32_t second) {
    std::int64_t packed =
        round_half_even(static_cast<double>(second) / 5.0 + static_cast<double>(first) * 20.0);
    if (packed < INT16_MIN || packed > INT16_MAX) throw PackedSpeedFault(pair, packed);
    return static_cast<std::int16_t>(packed);
}

}  // namespace

void memo_montagna(Model& model, std::int32_t& inizio, std::int32_t& fine, std::int32_t& tipo) {
    // The marker decision is taken from the row's own type, before any replacement below.
    bool with_markers = false;
    if (tipo > 10) {
        tipo -= 10;
        with_markers = true;
    }

    model.mountain_count += 1;
    const std::int32_t n = model.mountain_count;
    store_mountain_stretch(model, n, inizio, fine);
    if (n > 1 &&
        static_cast<std::int64_t>(inizio) - model.mountain_end[static_cast<std::size_t>(n - 1)] <=
            mountain_join_gap) {
        tipo = 3;
    }

    // A stretch reaching before the origin starts at cell 0; cells past the last are not
    // marked.
    const std::int64_t first = std::max<std::int64_t>(cell_at(inizio, 0.0), 0);
    const std::int64_t last = std::min<std::int64_t>(
        cell_at(fine, -1.0), static_cast<std::int64_t>(model.cells.size()) - 1);
    const std::uint8_t mountain = store_wrapped<std::uint8_t>(tipo);
    for (std::int64_t c = first; c <= last; ++c) {
        TrackCell& cell = model.cells[static_cast<std::size_t>(c)];
        cell.mountain = mountain;
        const std::int64_t count = c - first + 1;
        if (with_markers && count % 4 == 0 && cell.kind == cell_kind::empty) {
            cell.kind = cell_kind::mountain_marker;  // free for any feature: no origin kept
        }
    }
}

std::int32_t memo_rallentamento(Model& model, std::int32_t x, std::int32_t& v, std::int32_t& l,
                                std::int32_t& f_tt, std::int32_t f_ta, std::int32_t& d_v) {
    const double start = x;
    const std::int64_t a = cell_at(start - advance_distance, 1.0);
    const std::int64_t b = cell_at(start, 1.0);
    const std::int64_t c = cell_at(start + l, 1.0);
    const bool with_advance = x > slowdown_without_advance;
    if (!with_advance) f_ta = 0;

    if (with_advance && !free_cell(model, a))
        return refused_at(model, a, error_number::advance_point_taken);
    if (!free_cell(model, b)) return refused_at(model, b, error_number::slowdown_start_taken);
    if (!free_cell(model, c)) return refused_at(model, c, error_number::slowdown_end_taken);

    // Written in this order on purpose: when start and end share a cell, the start wins.
    TrackCell& end_cell = *existing_cell(model, c);
    model.set_kind(end_cell, cell_kind::slowdown_end);
    if (d_v != 0) end_cell.val2 = store_wrapped<std::int16_t>(d_v);
    TrackCell& start_cell = *existing_cell(model, b);
    model.set_kind(start_cell, cell_kind::slowdown_start);
    if (d_v != 0) start_cell.val2 = store_wrapped<std::int16_t>(d_v);
    if (with_advance) {
        TrackCell& advance = *existing_cell(model, a);
        model.set_kind(advance, cell_kind::slowdown_advance);
        if (d_v != 0) advance.val2 = store_wrapped<std::int16_t>(d_v);
        advance.val1 = store_wrapped<std::int16_t>(v);
    }
    for (TrackCell* cell : {&start_cell, &end_cell}) {
        cell->val1 = store_wrapped<std::int16_t>(v);
        cell->val3 = store_wrapped<std::int16_t>(f_tt);
    }

    if (f_ta == 0) return 0;
    // The four warning-board cells lie just before the advance point, nearest first; all
    // four must be free before any is written.
    const std::int64_t scan_index = cell_at(start - advance_distance, 0.0);
    for (std::int64_t i = 0; i < 4; ++i) {
        if (!free_cell(model, scan_index - i))
            return refused_at(model, scan_index - i, error_number::warning_boards_taken);
    }
    for (std::int64_t i = 0; i < 4; ++i) {
        TrackCell& board = *existing_cell(model, scan_index - i);
        model.set_kind(board, cell_kind::slowdown_warning);
        board.val1 = static_cast<std::int16_t>(i + 1);
        if (d_v != 0) board.val2 = static_cast<std::int16_t>(i + 1);
    }
    return 0;
}

std::int32_t memo_segnale(Model& model, std::int32_t posizione, std::int32_t& sx, std::int32_t& s1,
                          std::int32_t& s2, std::int32_t& s3, std::int32_t& rapp, std::int32_t& dx,
                          std::int32_t& d1, std::int32_t& d2, std::int32_t& d3,
                          std::int32_t& tempo) {
    const std::int64_t s = cell_at(posizione, 1.0);
    if (!free_cell(model, s)) return refused_at(model, s, error_number::signal_taken);

    TrackCell& cell = *existing_cell(model, s);
    model.set_kind(cell, cell_kind::signal);
    const std::int64_t aspects = std::int64_t{sx} * 3 + dx;
    cell.val4 = store_wrapped<std::int16_t>(std::int64_t{rapp} * 10 + aspects);
    cell.val1 = store_wrapped<std::int16_t>(std::int64_t{s1} * 10 + d1);
    cell.val2 = store_wrapped<std::int16_t>(std::int64_t{s2} * 10 + d2);
    cell.val3 = store_wrapped<std::int16_t>(std::int64_t{s3} * 10 + d3);

    // The simulator takes short signal times as 101.
    if (tempo >= 1 && tempo <= 100) tempo = 101;
    cell.signal_time = sx == 2 ? store_wrapped<std::uint8_t>(tempo) : std::uint8_t{0};

    // Approach markers 2, 4, 6 and 8 cells before the signal, whatever those cells hold;
    // those before the origin do not exist and are skipped.
    for (std::int64_t j = 1; j <= 4; ++j) {
        if (TrackCell* before = existing_cell(model, s - 2 * j)) {
            before->approach = store_wrapped<std::uint8_t>(aspects * 10 + j);
        }
    }
    return 0;
}

std::int32_t memo_indicatori_v_max(Model& model, std::int32_t posizione, std::int32_t& vas,
                                   std::int32_t& vbs, std::int32_t& vcs, std::int32_t& strisces,
                                   std::int32_t& vad, std::int32_t& vbd, std::int32_t& vcd,
                                   std::int32_t& strisced) {
    const std::int64_t index = cell_at(posizione, 1.0);
    if (!free_cell(model, index)) return refused_at(model, index, error_number::speed_boards_taken);

    // All three packed values are checked before the cell changes, so a faulty row leaves it
    // as it was.
    const std::int16_t first = packed_speed(0, vas, vad);
    const std::int16_t second = packed_speed(1, vbs, vbd);
    const std::int16_t third = packed_speed(2, vcs, vcd);
    TrackCell& cell = *existing_cell(model, index);
    model.set_kind(cell, cell_kind::speed_boards);
    cell.val1 = first;
    cell.val2 = second;
    cell.val3 = third;
    cell.val4 = store_wrapped<std::int16_t>(std::int64_t{strisces} * 10 + strisced);
    return 0;
}

std::int32_t minimo(std::int32_t x, std::int32_t y) {
    return x > y ? y : x;
}

}  // namespace scenario
