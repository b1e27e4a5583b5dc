#include "scenc/view_units.h"

#include <cstdio>
#include <cstdlib>

namespace scenario::scenc::units {

std::string km_and_metres(std::int64_t metres) {
    std::int64_t distance = std::llabs(metres);
    char text[40];
    std::snprintf(text, sizeof text, "%s%lld+%03lld", metres < 0 ? "-" : "",
                  static_cast<long long>(distance / 1000), static_cast<long long>(distance % 1000));
    return text;
}

std::string position_text(std::int64_t metres) {
    return std::to_string(metres) + " m (" + km_and_metres(metres) + ")";
}

int speed_kmh(std::uint8_t speed_limit) {
    return speed_limit * 5;
}

std::optional<int> gradient_per_mille(std::uint8_t gradient) {
    if (gradient == 0) return std::nullopt;
    return gradient - 100;
}

std::string gradient_text(std::uint8_t gradient) {
    std::optional<int> per_mille = gradient_per_mille(gradient);
    if (!per_mille) return "none";
    return (*per_mille > 0 ? "+" : "") + std::to_string(*per_mille) + " \u2030";
}

std::string clock_time(std::int64_t seconds) {
    std::int64_t whole = std::llabs(seconds);
    auto two = [](std::int64_t v) { return (v < 10 ? "0" : "") + std::to_string(v); };
    return (seconds < 0 ? "-" : "") + two(whole / 3600) + ":" + two(whole / 60 % 60) + ":" +
           two(whole % 60);
}

}  // namespace scenario::scenc::units
