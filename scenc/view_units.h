// Stand-in for the shared unit conversions while they are being written on another branch;
// the same names and signatures, so that the view switches over by its include alone.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace scenario::scenc::units {

std::string km_and_metres(std::int64_t metres);
std::string position_text(std::int64_t metres);
int speed_kmh(std::uint8_t speed_limit);
std::optional<int> gradient_per_mille(std::uint8_t gradient);
std::string gradient_text(std::uint8_t gradient);
std::string clock_time(std::int64_t seconds);

}  // namespace scenario::scenc::units
