#include "scenc/common/units.h"

#include <gtest/gtest.h>

#include "compiler/test_models.h"

namespace scenario::scenc::units {
namespace {

TEST(ScencUnits, PositionsAsKilometresAndMetres) {
    const std::pair<std::int64_t, const char*> cases[] = {
        {0, "0+000"},        {50, "0+050"},    {850, "0+850"},    {12850, "12+850"},
        {243000, "243+000"}, {-300, "-0+300"}, {-1500, "-1+500"},
    };
    for (auto [metres, expected] : cases) EXPECT_EQ(km_and_metres(metres), expected) << metres;
    EXPECT_EQ(position_text(8650), "8650 m (8+650)");
}

TEST(ScencUnits, StoredSpeedGradientAndTime) {
    EXPECT_EQ(speed_kmh(31), 155);
    EXPECT_EQ(speed_kmh(0), 0);
    EXPECT_EQ(speed_kmh(255), 1275);

    const std::tuple<std::uint8_t, std::optional<int>, const char*> gradients[] = {
        {100, 0, "0 \u2030"},
        {108, 8, "+8 \u2030"},
        {92, -8, "-8 \u2030"},
        {0, std::nullopt, "none"},
        {1, -99, "-99 \u2030"}};
    for (auto [stored, per_mille, text] : gradients) {
        EXPECT_EQ(gradient_per_mille(stored), per_mille) << int(stored);
        EXPECT_EQ(gradient_text(stored), text);
    }

    const std::pair<std::int64_t, const char*> times[] = {{39000, "10:50:00"}, {0, "00:00:00"},
                                                          {59, "00:00:59"},    {86399, "23:59:59"},
                                                          {90000, "25:00:00"}, {-61, "-00:01:01"}};
    for (auto [seconds, text] : times) EXPECT_EQ(clock_time(seconds), text) << seconds;
    EXPECT_EQ(clock_time(10, 49, 40), "10:49:40");
}

TEST(ScencUnits, KilometreOptionTexts) {
    const std::pair<const char*, std::optional<std::int32_t>> cases[] = {
        {"100", 100000}, {"102.5", 102500}, {"0", 0},    {"0.05", 50}, {"0.0005", 0}, {"0.0015", 2},
        {"", {}},        {"-1", {}},        {"2km", {}}, {"1,5", {}},  {"nan", {}},   {"1e12", {}}};
    for (auto [text, metres] : cases) EXPECT_EQ(metres_from_km_text(text), metres) << text;
}

TEST(ScencUnits, StretchHoldsTheCellsItTouches) {
    Stretch stretch{8000, 9500};
    EXPECT_FALSE(stretch.holds_cell(159));  // 7950..7999
    EXPECT_TRUE(stretch.holds_cell(160));   // 8000..8049
    EXPECT_TRUE(stretch.holds_cell(190));   // 9500..9549 holds the last metre
    EXPECT_FALSE(stretch.holds_cell(191));
    EXPECT_TRUE(Stretch({8020, 8030}).holds_cell(160));  // a stretch inside one cell
}

// Every kind a row places by its position, written at P in a text, reads back at P from the
// compiled cell; the kinds no row places by a position of their own have none.
TEST(ScencUnits, WrittenPositionOfEveryKindIsTheRowsPosition) {
    const std::string& route = testing::every_kind_route;
    const std::string& train = testing::every_kind_train;
    const testing::Compile run = testing::compile(route, train);
    const std::pair<std::uint8_t, std::int64_t> written[] = {
        {cell_kind::signal, 8700},       {cell_kind::speed_boards, 3000},
        {cell_kind::sign_board, 4000},   {cell_kind::slowdown_start, 5000},
        {cell_kind::slowdown_end, 5500}, {cell_kind::slowdown_advance, 3800},
        {cell_kind::code_change, 6000},  {cell_kind::code_change_plain, 6500},
    };
    for (auto [kind, position] : written) {
        SCOPED_TRACE(static_cast<int>(kind));
        bool found = false;
        for (std::size_t cell = 0; cell < run.model.cells.size(); ++cell) {
            if (run.model.cells[cell].kind != kind) continue;
            found = found || written_position(kind, cell) == position;
        }
        EXPECT_TRUE(found) << "no cell of the kind reads back at " << position;
    }
    std::size_t unplaced = 0;
    for (std::size_t cell = 0; cell < run.model.cells.size(); ++cell) {
        const std::uint8_t kind = run.model.cells[cell].kind;
        if (kind == cell_kind::slowdown_warning || kind == cell_kind::station_stop ||
            kind == cell_kind::empty) {
            EXPECT_EQ(written_position(kind, cell), std::nullopt);
            if (kind != cell_kind::empty) ++unplaced;
        }
    }
    EXPECT_EQ(unplaced, 5u);  // four warning boards and the stop cell
    EXPECT_EQ(written_position(cell_kind::signal, 175), 8700);
}

}  // namespace
}  // namespace scenario::scenc::units
