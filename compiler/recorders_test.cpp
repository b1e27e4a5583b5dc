#include "compiler/recorders.h"

#include <gtest/gtest.h>

#include <vector>

#include "compiler/errors.h"
#include "compiler/test_models.h"

namespace scenario {
namespace {

using testing::model_with_cells;

struct Slowdown {
    std::int32_t x, v, l, f_tt, f_ta, d_v;
};

std::int32_t record(Model& model, Slowdown row) {
    return memo_rallentamento(model, row.x, row.v, row.l, row.f_tt, row.f_ta, row.d_v);
}

std::vector<std::uint8_t> kinds(const Model& model, std::size_t from, std::size_t to) {
    std::vector<std::uint8_t> out;
    for (std::size_t c = from; c <= to; ++c) out.push_back(model.cells[c].kind);
    return out;
}

TEST(Recorders, CarriedSlowdownMarksAdvanceStartEndAndWarningBoards) {
    Model model = model_with_cells(5000);
    EXPECT_EQ(record(model, {214750, 80, 800, 0, 1, 80}), 0);
    EXPECT_EQ(model.cells[4272].kind, cell_kind::slowdown_advance);
    EXPECT_EQ(model.cells[4296].kind, cell_kind::slowdown_start);
    EXPECT_EQ(model.cells[4312].kind, cell_kind::slowdown_end);
    EXPECT_EQ(kinds(model, 4268, 4271), (std::vector<std::uint8_t>{5, 5, 5, 5}));
    for (std::size_t c : {4272, 4296, 4312}) {
        EXPECT_EQ(model.cells[c].val1, 80) << c;
        EXPECT_EQ(model.cells[c].val2, 80) << c;
    }
    EXPECT_EQ(model.cells[4271].val1, 1);
    EXPECT_EQ(model.cells[4268].val1, 4);
    EXPECT_EQ(model.cells[4268].val2, 4);
}

TEST(Recorders, SlowdownNearTheOriginHasNoAdvancePointNorBoards) {
    Model model = model_with_cells(200);
    EXPECT_EQ(record(model, {1500, 60, 500, 7, 1, 0}), 0);
    EXPECT_EQ(model.cells[31].kind, cell_kind::slowdown_start);
    EXPECT_EQ(model.cells[41].kind, cell_kind::slowdown_end);
    EXPECT_EQ(model.cells[41].val3, 7);
    EXPECT_EQ(kinds(model, 0, 30), std::vector<std::uint8_t>(31, 0));

    Model farther = model_with_cells(200);
    record(farther, {1550, 60, 500, 0, 1, 0});
    EXPECT_EQ(farther.cells[8].kind, cell_kind::slowdown_advance);
    EXPECT_EQ(kinds(farther, 4, 7), (std::vector<std::uint8_t>{5, 5, 5, 5}));
    EXPECT_EQ(farther.cells[7].val1, 1);
    EXPECT_EQ(farther.cells[4].val1, 4);
}

TEST(Recorders, SlowdownWithoutSpeedDropKeepsEarlierSecondValues) {
    Model model = model_with_cells(200);
    for (auto& cell : model.cells) cell.val2 = 9;
    record(model, {3000, 60, 500, 0, 1, 0});
    for (std::size_t c : {37, 61, 71, 36, 33}) EXPECT_EQ(model.cells[c].val2, 9) << c;
}

TEST(Recorders, RefusedSlowdownsLeaveTheirCellsAsTheErrorSays) {
    // x = 3000: advance 37, start 61, end 71, boards 36..33.
    struct Case {
        std::size_t occupied;
        std::int32_t error;
        bool cells_written;
    };
    for (Case c :
         std::vector<Case>{{37, 17, false}, {61, 18, false}, {71, 19, false}, {34, 20, true}}) {
        Model model = model_with_cells(200);
        model.cells[c.occupied].kind = cell_kind::signal;
        EXPECT_EQ(record(model, {3000, 60, 500, 0, 1, 0}), c.error) << c.occupied;
        EXPECT_EQ(model.cells[61].kind == cell_kind::slowdown_start, c.cells_written);
        EXPECT_EQ(model.cells[71].kind == cell_kind::slowdown_end, c.cells_written);
        EXPECT_EQ(model.cells[37].kind == cell_kind::slowdown_advance, c.cells_written);
        EXPECT_EQ(model.cells[36].kind, 0) << "no warning board written";
    }
}

TEST(Recorders, SlowdownWhoseEndLiesPastTheTableIsRefused) {
    Model model = model_with_cells(200);
    EXPECT_EQ(record(model, {9000, 60, 5000, 0, 0, 0}), 19);
    EXPECT_EQ(model.cells[181].kind, 0);
}

TEST(Recorders, ShortSlowdownStartHidesItsEnd) {
    Model model = model_with_cells(200);
    EXPECT_EQ(record(model, {3000, 60, 10, 0, 0, 0}), 0);
    EXPECT_EQ(model.cells[61].kind, cell_kind::slowdown_start);
}

std::int32_t signal_at(Model& model, std::int32_t position, std::int32_t sx, std::int32_t s1,
                       std::int32_t dx, std::int32_t d1, std::int32_t& tempo) {
    std::int32_t s2 = 0, s3 = 0, rapp = 0, d2 = 0, d3 = 0;
    return memo_segnale(model, position, sx, s1, s2, s3, rapp, dx, d1, d2, d3, tempo);
}

TEST(Recorders, CarriedSignalAt8650) {
    Model model = model_with_cells(5000);
    std::int32_t tempo = 0;
    signal_at(model, 8650, 2, 4, 2, 1, tempo);
    const TrackCell& cell = model.cells[174];
    EXPECT_EQ(cell.kind, cell_kind::signal);
    EXPECT_EQ(cell.val1, 41);
    EXPECT_EQ(cell.val2, 0);
    EXPECT_EQ(cell.val3, 0);
    EXPECT_EQ(cell.val4, 8);
    EXPECT_EQ(cell.signal_time, 0);
    EXPECT_EQ(model.cells[172].approach, 81);
    EXPECT_EQ(model.cells[170].approach, 82);
    EXPECT_EQ(model.cells[168].approach, 83);
    EXPECT_EQ(model.cells[166].approach, 84);
    EXPECT_EQ(model.cells[173].approach, 0);
}

TEST(Recorders, SignalTimeIsRaisedAndWrapped) {
    struct Case {
        std::int32_t sx, tempo, stored, written_back;
    };
    for (Case c : std::vector<Case>{{2, 50, 101, 101},
                                    {2, 300, 44, 300},
                                    {2, 0, 0, 0},
                                    {2, -3, 253, -3},
                                    {1, 50, 0, 101}}) {
        Model model = model_with_cells(200);
        std::int32_t tempo = c.tempo;
        signal_at(model, 1000, c.sx, 0, 0, 0, tempo);
        EXPECT_EQ(model.cells[21].signal_time, c.stored) << c.tempo;
        EXPECT_EQ(tempo, c.written_back) << c.tempo;
    }
}

TEST(Recorders, SignalNearTheOriginSkipsMissingApproachCells) {
    Model model = model_with_cells(200);
    std::int32_t tempo = 0;
    signal_at(model, 100, 1, 0, 1, 0, tempo);  // cell 3: only cell 1 lies 2 cells before it
    EXPECT_EQ(model.cells[3].kind, cell_kind::signal);
    EXPECT_EQ(model.cells[1].approach, 41);
}

TEST(Recorders, SignalOnAnOccupiedOrMissingCellIsRefused) {
    Model model = model_with_cells(200);
    model.cells[21].kind = cell_kind::code_change;
    std::int32_t tempo = 0;
    EXPECT_EQ(signal_at(model, 1000, 2, 4, 2, 1, tempo), 16);
    EXPECT_EQ(model.cells[21].val1, 0);
    EXPECT_EQ(model.cells[19].approach, 0);

    Model small = model_with_cells(200);
    EXPECT_EQ(signal_at(small, 10000, 2, 4, 2, 1, tempo), 16);
}

TEST(Recorders, SignalCoversAMountainMarkerAndKeepsItsMountainByte) {
    Model model = model_with_cells(200);
    model.cells[21].kind = cell_kind::mountain_marker;
    model.cells[21].mountain = 2;
    std::int32_t tempo = 0;
    EXPECT_EQ(signal_at(model, 1000, 1, 3, 0, 0, tempo), 0);
    EXPECT_EQ(model.cells[21].kind, cell_kind::signal);
    EXPECT_EQ(model.cells[21].mountain, 2);
}

void mountain(Model& model, std::int32_t start, std::int32_t end, std::int32_t& type) {
    memo_montagna(model, start, end, type);
}

TEST(Recorders, MountainStretchesJoinWhenTheGapIs150OrLess) {
    for (std::int32_t gap : {150, 200}) {
        Model model = model_with_cells(200);
        std::int32_t first = 11, second = 11;
        mountain(model, 1000, 2000, first);
        mountain(model, 2000 + gap, 3500, second);
        const std::uint8_t expected = gap == 150 ? 3 : 1;
        EXPECT_EQ(first, 1);
        EXPECT_EQ(second, expected);
        const std::size_t start = 2000 / 50 + static_cast<std::size_t>(gap / 50);
        EXPECT_EQ(model.cells[start].mountain, expected) << gap;
        // Markers on every 4th cell of the stretch, decided from the row's 11.
        EXPECT_EQ(kinds(model, start, start + 4), (std::vector<std::uint8_t>{0, 0, 0, 11, 0}));
        EXPECT_EQ(model.mountain_count, 2);
        EXPECT_EQ(model.mountain_start[2], 2000 + gap);
        EXPECT_EQ(model.mountain_end[1], 2000);
    }
}

TEST(Recorders, MountainMarksOnlyEmptyCellsAndOnlyExistingCells) {
    Model model = model_with_cells(200);
    model.cells[23].kind = cell_kind::signal;
    std::int32_t type = 12;
    mountain(model, 1000, 1500, type);  // cells 20..29, markers at 23 and 27
    EXPECT_EQ(type, 2);
    EXPECT_EQ(model.cells[23].kind, cell_kind::signal);
    EXPECT_EQ(model.cells[23].mountain, 2);
    EXPECT_EQ(model.cells[27].kind, cell_kind::mountain_marker);
    EXPECT_EQ(model.cells[29].mountain, 2);
    EXPECT_EQ(model.cells[30].mountain, 0);

    std::int32_t edge = 11;
    mountain(model, 9800, 20000, edge);  // past the last cell: only 196..200 marked
    EXPECT_EQ(model.cells[200].mountain, 1);
    EXPECT_EQ(model.cells[199].kind, cell_kind::mountain_marker);

    std::int32_t empty = 1;
    mountain(model, 3000, 3000, empty);  // first above last: stored but nothing marked
    EXPECT_EQ(model.mountain_count, 3);
    EXPECT_EQ(model.cells[60].mountain, 0);

    Model fresh = model_with_cells(200);
    std::int32_t before = 11;
    mountain(fresh, -100, 300, before);  // cells -2..5 begin at cell 0
    EXPECT_EQ(fresh.cells[0].mountain, 1);
    EXPECT_EQ(fresh.cells[5].mountain, 1);
    EXPECT_EQ(kinds(fresh, 0, 5), (std::vector<std::uint8_t>{0, 0, 0, 11, 0, 0}));
}

TEST(Recorders, MountainListsGrowPastEighty) {
    Model model = model_with_cells(5000);
    for (std::int32_t n = 0; n < 90; ++n) {
        std::int32_t start = n * 1000, end = n * 1000 + 500, type = 1;
        memo_montagna(model, start, end, type);
    }
    EXPECT_EQ(model.mountain_count, 90);
    EXPECT_EQ(model.mountain_start[90], 89000);
    EXPECT_EQ(model.mountain_end[90], 89500);
}

struct Boards {
    std::int32_t vas, vbs, vcs, strisces, vad, vbd, vcd, strisced;
};

std::int32_t boards_at(Model& model, std::int32_t position, Boards b) {
    return memo_indicatori_v_max(model, position, b.vas, b.vbs, b.vcs, b.strisces, b.vad, b.vbd,
                                 b.vcd, b.strisced);
}

TEST(Recorders, SpeedBoardsPackEachPair) {
    Model model = model_with_cells(200);
    boards_at(model, 1000, {140, 100, 1, 2, 140, 0, 12, 3});
    const TrackCell& cell = model.cells[21];
    EXPECT_EQ(cell.kind, cell_kind::speed_boards);
    EXPECT_EQ(cell.val1, 2828);
    EXPECT_EQ(cell.val2, 2000);
    EXPECT_EQ(cell.val3, 22);  // 12 / 5 + 20 = 22.4
    EXPECT_EQ(cell.val4, 23);
    boards_at(model, 2000, {0, 0, 0, 0, 2, 3, 0, 0});  // 2/5 = 0.4 and 3/5 = 0.6
    EXPECT_EQ(model.cells[41].val1, 0);
    EXPECT_EQ(model.cells[41].val2, 1);
}

TEST(Recorders, SpeedBoardsRefusals) {
    Model model = model_with_cells(200);
    model.cells[21].kind = cell_kind::signal;
    EXPECT_EQ(boards_at(model, 1000, {140, 0, 0, 0, 0, 0, 0, 0}), 21);
    EXPECT_EQ(model.cells[21].val1, 0);

    // 1639 * 20 = 32780 does not fit 16 bits: a read fault, and the cell is left alone.
    EXPECT_THROW(boards_at(model, 2000, {0, 1639, 0, 0, 0, 0, 0, 0}), RunTimeFault);
    EXPECT_EQ(model.cells[41], TrackCell{});
    // The stripes value wraps instead.
    boards_at(model, 3000, {0, 0, 0, 4000, 0, 0, 0, 0});
    EXPECT_EQ(model.cells[61].val4, -25536);
}

TEST(Recorders, MinimoReturnsTheSmallerAndTheFirstOnATie) {
    EXPECT_EQ(minimo(180, 180), 180);
    EXPECT_EQ(minimo(180, 270), 180);
    EXPECT_EQ(minimo(180, 75), 75);
    EXPECT_EQ(minimo(-5, 3), -5);
}

}  // namespace
}  // namespace scenario
