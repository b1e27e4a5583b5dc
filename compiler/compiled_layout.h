// The compiled files' layout, written once for the writer and the reader: the plan file's
// value tags and sizes, and the cell and record fields in file order with their widths (each
// field is stored little-endian in the width of its type in the model).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>

#include "compiler/model.h"

namespace scenario::compiled_layout {

// The plan file is a chain of tagged values: a 2-byte tag, then the value it announces.
constexpr std::uint16_t tag_empty = 0;
constexpr std::uint16_t tag_integer = 2;  // a 2-byte whole number
constexpr std::uint16_t tag_double = 5;   // an 8-byte IEEE double
constexpr std::size_t empty_size = 2;
constexpr std::size_t integer_size = 4;
constexpr std::size_t double_size = 10;

// A value's size with its tag, or 0 for a tag no plan file holds.
constexpr std::size_t plan_value_size(std::uint16_t tag) {
    return tag == tag_empty     ? empty_size
           : tag == tag_integer ? integer_size
           : tag == tag_double  ? double_size
                                : 0;
}

// A record's text is stored as a 2-byte length, then its bytes.
constexpr std::size_t text_length_size = 2;

// Calls visit(member) with a pointer to each member of TrackCell, in file order.
template <typename Visit>
constexpr void visit_cell_members(Visit&& visit) {
    visit(&TrackCell::kind);
    visit(&TrackCell::val1);
    visit(&TrackCell::val2);
    visit(&TrackCell::val3);
    visit(&TrackCell::val4);
    visit(&TrackCell::signal_time);
    visit(&TrackCell::approach);
    visit(&TrackCell::mountain);
    visit(&TrackCell::speed_limit);
    visit(&TrackCell::gradient);
    visit(&TrackCell::adhesion);
}

// The same for ScenarioRecord; its text is a std::string.
template <typename Visit>
constexpr void visit_record_members(Visit&& visit) {
    visit(&ScenarioRecord::kind);
    visit(&ScenarioRecord::zone_start);
    visit(&ScenarioRecord::zone_end);
    visit(&ScenarioRecord::position);
    visit(&ScenarioRecord::opt_a);
    visit(&ScenarioRecord::text);
    visit(&ScenarioRecord::par_a);
    visit(&ScenarioRecord::par_b);
    visit(&ScenarioRecord::par_c);
    visit(&ScenarioRecord::par_d);
    visit(&ScenarioRecord::par_e);
    visit(&ScenarioRecord::opt_b);
    visit(&ScenarioRecord::opt_c);
    visit(&ScenarioRecord::opt_d);
    visit(&ScenarioRecord::opt_e);
    visit(&ScenarioRecord::time_s);
}

// The type of the member a member pointer names.
template <typename Pointer>
struct member_of;
template <typename Owner, typename Field>
struct member_of<Field Owner::*> {
    using type = Field;
};
template <typename Pointer>
using member_type = typename member_of<Pointer>::type;

// A member's stored width: its type's, or the text's length word.
template <typename Field>
constexpr std::size_t stored_width() {
    if constexpr (std::is_same_v<Field, std::string>) {
        return text_length_size;
    } else {
        return sizeof(Field);
    }
}

namespace detail {

constexpr std::size_t cell_width() {
    std::size_t width = 0;
    visit_cell_members(
        [&width](auto member) { width += stored_width<member_type<decltype(member)>>(); });
    return width;
}

// All of a record's bytes but the text's, or (before_text) those before the text's length.
constexpr std::size_t record_width(bool before_text) {
    std::size_t width = 0;
    bool text_seen = false;
    visit_record_members([&](auto member) {
        using Field = member_type<decltype(member)>;
        if (std::is_same_v<Field, std::string>) text_seen = true;
        if (!before_text || !text_seen) width += stored_width<Field>();
    });
    return width;
}

}  // namespace detail

constexpr std::size_t cell_size = detail::cell_width();
static_assert(cell_size == 15, "the simulator reads 15-byte cells");

// 34 bytes, the text's length word included.
constexpr std::size_t record_size_without_text = detail::record_width(false);
static_assert(record_size_without_text == 34, "the simulator reads 34 bytes around a text");
// Where the text's length word starts, and where par_a starts counted without the text.
constexpr std::size_t record_text_length_offset = detail::record_width(true);
constexpr std::size_t record_par_a_offset = record_text_length_offset + text_length_size;

}  // namespace scenario::compiled_layout
