#include "scenc/common/units.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "compiler/model.h"
#include "compiler/numeric.h"

namespace scenario::scenc::units {

namespace {

constexpr int speed_unit_kmh = 5;
constexpr int level_gradient = 100;

std::string two_digits(std::int64_t value) {
    return value < 10 ? "0" + std::to_string(value) : std::to_string(value);
}

}  // namespace

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
    return speed_limit * speed_unit_kmh;
}

std::optional<int> gradient_per_mille(std::uint8_t gradient) {
    if (gradient == 0) return std::nullopt;
    return gradient - level_gradient;
}

std::string gradient_text(std::uint8_t gradient) {
    std::optional<int> per_mille = gradient_per_mille(gradient);
    if (!per_mille) return "none";
    return (*per_mille > 0 ? "+" : "") + std::to_string(*per_mille) + " \u2030";
}

std::string clock_time(std::int64_t seconds) {
    std::int64_t whole = std::llabs(seconds);
    return (seconds < 0 ? "-" : "") + two_digits(whole / 3600) + ":" + two_digits(whole / 60 % 60) +
           ":" + two_digits(whole % 60);
}

std::string clock_time(std::int64_t hours, std::int64_t minutes, std::int64_t seconds) {
    return clock_time((hours * 60 + minutes) * 60 + seconds);
}

std::optional<std::int32_t> metres_from_km_text(std::string_view text) {
    double km = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), km);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    // Longer than any route the 32-bit positions can hold is refused, not wrapped.
    if (!std::isfinite(km) || km < 0 || km > 2'000'000) return std::nullopt;
    return static_cast<std::int32_t>(round_half_even(km * 1000));
}

bool Stretch::holds_cell(std::size_t cell) const {
    auto first = static_cast<std::int64_t>(cell) * cell_length;
    return first <= to && first + cell_length - 1 >= from;
}

std::optional<std::int64_t> written_position(std::uint8_t kind, std::size_t cell) {
    const auto first_metre = static_cast<std::int64_t>(cell) * cell_length;
    switch (kind) {
        case cell_kind::signal:
        case cell_kind::slowdown_end:
        case cell_kind::slowdown_start:
        case cell_kind::slowdown_advance:
        case cell_kind::speed_boards:
        case cell_kind::sign_board:
            return first_metre - cell_length;
        case cell_kind::code_change:
        case cell_kind::code_change_plain:
            return first_metre;
        default:
            return std::nullopt;
    }
}

}  // namespace scenario::scenc::units
