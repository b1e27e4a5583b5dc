#include "compiler/driver.h"

#include <gtest/gtest.h>

#include <vector>

#include "compiler/contest_codes.h"
#include "compiler/identity.h"
#include "compiler/recorders.h"
#include "compiler/test_models.h"

namespace scenario {
namespace {

using testing::compile;
using testing::Compile;
using testing::model_with_cells;

void put(Model& model, std::int32_t index, std::uint8_t kind, std::int16_t val1 = 0) {
    model.cells[static_cast<std::size_t>(index)].kind = kind;
    model.cells[static_cast<std::size_t>(index)].val1 = val1;
}

// A slowdown start at cell `start` with its end `length` cells on.
void slowdown(Model& model, std::int32_t start, std::int32_t length, std::int16_t speed) {
    put(model, start, cell_kind::slowdown_start, speed);
    put(model, start + length, cell_kind::slowdown_end, speed);
}

std::vector<std::int32_t> code_cells(const Model& model) {
    std::vector<std::int32_t> out;
    for (std::size_t c = 0; c < model.cells.size(); ++c) {
        if (model.cells[c].kind == cell_kind::code_change) {
            EXPECT_EQ(model.cells[c].val1, 180) << c;
            out.push_back(static_cast<std::int32_t>(c));
        }
    }
    return out;
}

using Cells = std::vector<std::int32_t>;

TEST(PlacementPass, CarriedSlowdown) {
    Model model = model_with_cells(5000);
    std::int32_t v = 80, l = 800, f_tt = 0, d_v = 80;
    memo_rallentamento(model, 214750, v, l, f_tt, 1, d_v);
    put(model, 4260, cell_kind::signal);  // behind the advance point at 4272
    put(model, 4320, cell_kind::signal);  // first signal after the end at 4312
    place_code_change_points(model);
    EXPECT_EQ(model.error_code, 0);
    // Signal 4260 -> 4259; windows 4291, 4285, 4278; inside 4304 and, the end
    // cell 4312 being taken, 4311; before the signal at 4320 -> 4319.
    EXPECT_EQ(code_cells(model), (Cells{4259, 4278, 4285, 4291, 4304, 4311, 4319}));
}

TEST(PlacementPass, WindowsDependOnTheStartCell) {
    struct Case {
        std::int32_t start;
        Cells codes;
    };
    for (const Case& c : std::vector<Case>{
             {7, {}}, {8, {3}}, {13, {8}}, {14, {3, 9}}, {20, {9, 15}}, {21, {3, 10, 16}}}) {
        Model model = model_with_cells(100);
        slowdown(model, c.start, 3, 120);  // fast and short: no codes inside it
        place_code_change_points(model);
        EXPECT_EQ(code_cells(model), c.codes) << c.start;
        EXPECT_EQ(model.error_code, 0);
    }
}

TEST(PlacementPass, FullWindowRaises12AndTheOthersStillGetTheirCodes) {
    Model model = model_with_cells(100);
    slowdown(model, 30, 3, 120);
    for (std::int32_t c : {25, 24, 23, 19}) put(model, c, cell_kind::speed_boards);
    put(model, 18, cell_kind::mountain_marker);
    place_code_change_points(model);
    EXPECT_EQ(model.error_code, 12);
    EXPECT_EQ(model.error_position, 1500);
    EXPECT_EQ(code_cells(model), (Cells{12, 18}));
}

TEST(PlacementPass, SignalsBehindAnAdvancePoint) {
    // Advance point at 50, signal at 40: the code goes in front of it at 39
    // or 38.
    struct Case {
        std::uint8_t p_kind;
        std::int16_t p_value;
        std::uint8_t q_kind;
        std::int16_t q_value;
        std::int16_t p_after, q_after;
        std::int32_t error;
    };
    const std::uint8_t board = cell_kind::speed_boards;
    const std::uint8_t code = cell_kind::code_change;
    for (const Case& c : std::vector<Case>{
             {0, 0, 0, 0, 180, 0, 0},           // p free
             {board, 0, 0, 0, 0, 180, 0},       // p taken, q free
             {code, 270, board, 0, 180, 0, 0},  // p's higher code lowered
             {code, 75, board, 0, 75, 0, 0},    // p's lower code kept
             {board, 0, code, 270, 0, 180, 0},  // q's code lowered
             {code, 270, 0, 0, 270, 180, 0},    // a free q comes before lowering p
             {board, 0, board, 0, 0, 0, 11},    // no room
         }) {
        Model model = model_with_cells(100);
        put(model, 50, cell_kind::slowdown_advance);
        put(model, 40, cell_kind::signal);
        put(model, 39, c.p_kind, c.p_value);
        put(model, 38, c.q_kind, c.q_value);
        place_code_change_points(model);
        EXPECT_EQ(model.cells[39].val1, c.p_after);
        EXPECT_EQ(model.cells[38].val1, c.q_after);
        EXPECT_EQ(model.error_code, c.error);
        if (c.error != 0) {
            EXPECT_EQ(model.error_position, 2000);
        }
    }
}

TEST(PlacementPass, SignalLookBackStopsAt20CellsAndAtCell3) {
    Model model = model_with_cells(100);
    put(model, 50, cell_kind::slowdown_advance);
    put(model, 30, cell_kind::signal);  // 20 cells behind: treated
    put(model, 29, cell_kind::signal);  // 21 cells behind: not
    place_code_change_points(model);
    EXPECT_EQ(code_cells(model), (Cells{28}));  // 30 -> 29 is a signal, so 28

    Model near = model_with_cells(100);
    put(near, 5, cell_kind::slowdown_advance);
    put(near, 4, cell_kind::signal);
    put(near, 2, cell_kind::signal);
    place_code_change_points(near);
    EXPECT_EQ(code_cells(near), (Cells{3}));
}

TEST(PlacementPass, CodesInsideASlowSlowdown) {
    struct Case {
        std::int16_t speed;
        std::vector<std::int32_t> taken;
        Cells codes;
        std::int32_t error;
    };
    // Start 30, end 60; the window codes are 12, 19 and 25.
    for (const Case& c : std::vector<Case>{
             {80, {}, {12, 19, 25, 38, 46, 54}, 0},
             {109, {38}, {12, 19, 25, 37, 45, 53}, 0},     // one cell early
             {80, {38, 37}, {12, 19, 25, 39, 47, 55}, 0},  // one cell late
             {80, {38, 37, 39}, {12, 19, 25}, 13},         // no room: nothing more inside
             {110, {}, {12, 19, 25}, 0},                   // not a slow slowdown
             {-5, {}, {12, 19, 25, 38, 46, 54}, 0},        // compared as a signed value
         }) {
        Model model = model_with_cells(100);
        slowdown(model, 30, 30, c.speed);
        for (std::int32_t t : c.taken) put(model, t, cell_kind::speed_boards);
        place_code_change_points(model);
        EXPECT_EQ(code_cells(model), c.codes) << c.speed << " " << c.taken.size();
        EXPECT_EQ(model.error_code, c.error);
        if (c.error != 0) {
            EXPECT_EQ(model.error_position, 38 * 50);
        }
    }
}

TEST(PlacementPass, CodeBeforeTheFirstSignalAfterTheEnd) {
    struct Case {
        std::int16_t speed;
        std::int32_t signal;
        std::vector<std::int32_t> taken;
        Cells codes_after_end;
        std::int32_t error;
    };
    // Start 30, end 34 (no code inside); window codes 12, 19, 25.
    for (const Case& c : std::vector<Case>{
             {80, 46, {}, {45}, 0},  // 12 cells after the end
             {80, 47, {}, {}, 0},    // 13 cells after: not searched
             {80, 40, {39}, {38}, 0},
             {80, 40, {39, 38}, {}, 13},
             {140, 40, {}, {39}, 0},  // a fast slowdown gets its code too
         }) {
        Model model = model_with_cells(100);
        slowdown(model, 30, 4, c.speed);
        put(model, c.signal, cell_kind::signal);
        for (std::int32_t t : c.taken) put(model, t, cell_kind::speed_boards);
        place_code_change_points(model);
        Cells expected{12, 19, 25};
        expected.insert(expected.end(), c.codes_after_end.begin(), c.codes_after_end.end());
        EXPECT_EQ(code_cells(model), expected) << c.signal;
        EXPECT_EQ(model.error_code, c.error);
        if (c.error != 0) {
            EXPECT_EQ(model.error_position, 34 * 50);
        }
    }
}

TEST(PlacementPass, SlowdownWithoutEndCellRaises13AtItsStart) {
    Model model = model_with_cells(100);
    put(model, 30, cell_kind::slowdown_start, 80);
    put(model, 40, cell_kind::signal);
    place_code_change_points(model);
    EXPECT_EQ(model.error_code, 13);
    EXPECT_EQ(model.error_position, 1500);
    EXPECT_EQ(code_cells(model), (Cells{12, 19, 25}));
}

TEST(PlacementPass, NothingIsPlacedOrExaminedOutsideTheTable) {
    // End in the last cell: the 8th cell is the end, its neighbour before is
    // taken and the one after does not exist.
    Model model = model_with_cells(98);
    slowdown(model, 90, 8, 80);
    put(model, 97, cell_kind::speed_boards);
    place_code_change_points(model);
    EXPECT_EQ(model.error_code, 13);
    EXPECT_EQ(model.error_position, 98 * 50);
    EXPECT_EQ(model.cells.size(), 99u);

    // Cells 0, U - 1 and U are never taken as the cell under examination.
    Model edges = model_with_cells(100);
    slowdown(edges, 99, 1, 80);
    put(edges, 0, cell_kind::slowdown_advance);
    put(edges, 5, cell_kind::signal);
    place_code_change_points(edges);
    EXPECT_EQ(code_cells(edges), Cells{});
    EXPECT_EQ(edges.error_code, 0);
}

TEST(Markers, StampsMarkersAndContestCodes) {
    Model model = model_with_cells(100);
    model.records[record_slot::route_identity].text = "Brenzola_Tessalto";
    model.records[record_slot::train_identity].text = "917";
    EXPECT_EQ(stamp_markers(model), 0);
    EXPECT_EQ(model.records[85].par_a, 610);
    EXPECT_EQ(model.cells[1].val1, 5121);
    EXPECT_EQ(model.records[85].time_s, 33676);
    EXPECT_EQ(model.cells[1].val2, 2485);
}

TEST(Markers, SlotsAlreadyInUseStopBeforeAnythingElseIsSet) {
    struct Case {
        void (*occupy)(Model&);
        std::int32_t expected;
    };
    for (const Case& c : std::vector<Case>{
             {[](Model& m) { m.records[85].par_a = 1; }, 1250},
             {[](Model& m) { m.cells[1].val1 = -1; }, 1250},
             {[](Model& m) { m.records[85].time_s = 7; }, 1251},
             {[](Model& m) { m.cells[1].val2 = 7; }, 1251},
         }) {
        Model model = model_with_cells(100);
        c.occupy(model);
        EXPECT_EQ(stamp_markers(model), c.expected);
        const bool markers_set = model.records[85].par_a == 610 && model.cells[1].val1 == 5121;
        EXPECT_EQ(markers_set, c.expected == 1251);
        EXPECT_EQ(model.records[85].time_s + model.cells[1].val2, c.expected == 1251 ? 7 : 0);
    }
}

TEST(Markers, ACodePlacedIntoCell1TakesTheMarkerSlot) {
    Model model = model_with_cells(100);
    put(model, 10, cell_kind::slowdown_advance);
    put(model, 3, cell_kind::signal);
    put(model, 2, cell_kind::speed_boards);
    place_code_change_points(model);
    EXPECT_EQ(model.cells[1].kind, cell_kind::code_change);
    EXPECT_EQ(stamp_markers(model), 1250);
}

const std::string short_route = "[generale]\r\nlunghezza percorso, 10000\r\n[x]\r\n[fine]\r\n";

std::string train_with(const std::string& row) {
    return "[generale]\r\n" + row + "\r\n[fine]\r\n";
}

TEST(MemorizzaPercorso, NoCellTableBuildsNothing) {
    Compile run = compile(std::nullopt, train_with(""));
    EXPECT_EQ(run.outcome.status, CompileOutcome::Status::no_cell_table);
    EXPECT_EQ(run.model.error_code, 101);
    EXPECT_TRUE(run.outcome.files.records.empty());
    EXPECT_TRUE(run.outcome.files.cells.empty());
}

TEST(MemorizzaPercorso, MarkerSlotsTakenByASignalStopTheCompile) {
    struct Case {
        const char* signal_row;
        const char* errore_text;
    };
    for (const Case& c : std::vector<Case>{
             {"segnale, 0, 1, 4, 0, 0, 0, 1, 1, 0, 0, 0", "1250"},  // val1 of cell 1
             {"segnale, 0, 1, 0, 1, 0, 0, 1, 0, 0, 0, 0", "1251"},  // val2 of cell 1
         }) {
        Compile run = compile(short_route, train_with(c.signal_row));
        EXPECT_EQ(run.outcome.status, CompileOutcome::Status::stopped_by_error);
        EXPECT_EQ(run.outcome.errore_text, c.errore_text);
        EXPECT_FALSE(run.outcome.files.with_plan);
        EXPECT_TRUE(run.outcome.files.cells.empty());
    }
}

TEST(MemorizzaPercorso, StartsFromAClearedErrorAndClearedRecords) {
    Model model;
    model.route_stem = "Brenzola_Tessalto";
    model.train_number = "917";
    model.error_code = 7;
    model.records[85].par_a = 610;
    model.records[85].time_s = 1;
    model.records[40].text = "left over";
    MemorySourceFiles sources(short_route, train_with(""));
    const CompileOutcome outcome = memorizza_percorso(model, sources, 1);
    EXPECT_EQ(outcome.status, CompileOutcome::Status::ready);
    EXPECT_EQ(model.error_code, 0);
    EXPECT_EQ(model.plan_option, 1);
    EXPECT_TRUE(model.records[40].text.empty());
    EXPECT_EQ(outcome.files.cells.size(), 15u * 341);
}

}  // namespace
}  // namespace scenario
