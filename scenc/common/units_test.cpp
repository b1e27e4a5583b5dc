#include "scenc/common/units.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace scenario::scenc::units
