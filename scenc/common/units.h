// The compiled files store numbers the way the simulator wants them; authors think in km/h,
// per mille, clock times and route positions. These conversions are the one place that
// turns the stored numbers into the author's units, for every view of a compiled scenario.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace scenario::scenc::units {

// A route position (metres from the start) as kilometres + metres of the same distance:
// 12850 gives "12+850", 850 gives "0+850", -300 gives "-0+300".
std::string km_and_metres(std::int64_t metres);

// "12850 m (12+850)": a position as the author reads it beside the raw number.
std::string position_text(std::int64_t metres);

// A cell's speed byte holds the speed in km/h divided by 5.
int speed_kmh(std::uint8_t speed_limit);

// A cell's gradient byte holds per mille + 100; 0 marks the cells past the route's end,
// which have no gradient.
std::optional<int> gradient_per_mille(std::uint8_t gradient);

// "+8 ‰", "-3 ‰", "0 ‰", or "none" for a cell with no gradient.
std::string gradient_text(std::uint8_t gradient);

// Seconds after midnight as hh:mm:ss (39000 gives "10:50:00"); hours go on past 23, and a
// negative time keeps its sign.
std::string clock_time(std::int64_t seconds);

// Hours, minutes and seconds stored as three numbers, shown the same way.
std::string clock_time(std::int64_t hours, std::int64_t minutes, std::int64_t seconds);

// A decimal kilometre figure from the command line ("100", "102.5", "0.05") as whole metres,
// rounded to the nearest metre; nothing when the text is not a plain non-negative number.
std::optional<std::int32_t> metres_from_km_text(std::string_view text);

// The position the row wrote for the feature a cell of this kind holds, by the rule that
// placed it: signals, speed boards, sign boards and a slowdown's points go to the cell of
// position / 50 + 1, so they were written at the cell's first metre less 50; code-change
// points go to the cell of position / 50, at its first metre. (A gradient or speed change
// also starts at the first metre of its cell.) Nothing for kinds no row places by a position
// of their own: empty cells, slowdown warning boards, station stop cells, mountain markers.
std::optional<std::int64_t> written_position(std::uint8_t kind, std::size_t cell);

// A stretch of the route, in metres, both ends included.
struct Stretch {
    std::int32_t from = 0;
    std::int32_t to = 0;
    // A 50 m cell belongs to the stretch when any of its metres does.
    bool holds_cell(std::size_t cell) const;
};

}  // namespace scenario::scenc::units
