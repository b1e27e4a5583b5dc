// Number conversions shared by every part of the compiler.
#pragma once

#include <cmath>
#include <cstdint>
#include <type_traits>

namespace scenario {

// Real-to-whole conversion: nearest whole number, ties to the even neighbour
// (2.5 gives 2, 3.5 gives 4). Every "rounded" value of the compiled files uses it.
inline std::int64_t round_half_even(double value) {
    // nearbyint honours the current rounding mode, which is round-to-nearest-even by default.
    return static_cast<std::int64_t>(std::nearbyint(value));
}

// A value stored into a 32-bit or 16-bit signed or 8-bit unsigned field keeps its low bits
// only.
template <typename Field>
Field store_wrapped(std::int64_t value) {
    static_assert(std::is_same_v<Field, std::int32_t> || std::is_same_v<Field, std::int16_t> ||
                  std::is_same_v<Field, std::uint8_t>);
    using Unsigned = std::make_unsigned_t<Field>;
    return static_cast<Field>(static_cast<Unsigned>(static_cast<std::uint64_t>(value)));
}

// Division and remainder rounded towards minus infinity, so that every whole number, a wrapped
// negative one too, splits into a quotient and a remainder from 0 to divisor - 1.
inline std::int64_t floor_div(std::int64_t value, std::int64_t divisor) {
    std::int64_t quotient = value / divisor;
    if (value % divisor != 0 && (value < 0) != (divisor < 0)) --quotient;
    return quotient;
}
inline std::int64_t floor_mod(std::int64_t value, std::int64_t divisor) {
    return value - floor_div(value, divisor) * divisor;
}

}  // namespace scenario
