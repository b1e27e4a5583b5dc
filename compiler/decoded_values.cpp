#include "compiler/decoded_values.h"

#include <utility>

#include "compiler/numeric.h"

namespace scenario {

namespace {

class Decoder {
  public:
    explicit Decoder(RowKind row) : row_(row) {}
    void add(std::string_view name, std::int64_t value, std::string_view stored_in) {
        const auto index = field_of(row_, name);
        if (!index) return;
        values_.push_back({row_, &row_grammar_of(row_).fields[*index], value, stored_in});
    }
    std::vector<DecodedValue> take() { return std::move(values_); }

  private:
    RowKind row_;
    std::vector<DecodedValue> values_;
};

// val1..val3 = s·10 + d for the three value pairs; val4 = rapp·10 + sx·3 + dx.
std::vector<DecodedValue> decoded_signal(const TrackCell& c) {
    Decoder d(RowKind::signal);
    const std::int64_t sides = signal_sides(c);
    d.add("sx", sides / 3, "val4");
    const std::pair<std::int16_t, const char*> pairs[] = {
        {c.val1, "val1"}, {c.val2, "val2"}, {c.val3, "val3"}};
    const char* left[] = {"s1", "s2", "s3"};
    const char* right[] = {"d1", "d2", "d3"};
    for (std::size_t i = 0; i < 3; ++i)
        d.add(left[i], floor_div(pairs[i].first, 10), pairs[i].second);
    d.add("rapp", floor_div(c.val4, 10), "val4");
    d.add("dx", sides % 3, "val4");
    for (std::size_t i = 0; i < 3; ++i)
        d.add(right[i], floor_mod(pairs[i].first, 10), pairs[i].second);
    d.add("tempo", c.signal_time, "signal_time");
    return d.take();
}

// val1..val3 = left speed·20 + right speed / 5 per rank: with speeds in steps of 5 km/h the
// hundreds count the left speed's steps and the rest the right's.
std::vector<DecodedValue> decoded_speed_boards(const TrackCell& c) {
    Decoder d(RowKind::speed_board);
    const std::pair<std::int16_t, const char*> ranks[] = {
        {c.val1, "val1"}, {c.val2, "val2"}, {c.val3, "val3"}};
    const char* left[] = {"vas", "vbs", "vcs"};
    const char* right[] = {"vad", "vbd", "vcd"};
    for (std::size_t i = 0; i < 3; ++i)
        d.add(left[i], floor_div(ranks[i].first, 100) * 5, ranks[i].second);
    d.add("strisces", floor_div(c.val4, 10), "val4");
    for (std::size_t i = 0; i < 3; ++i)
        d.add(right[i], floor_mod(ranks[i].first, 100) * 5, ranks[i].second);
    d.add("strisced", floor_mod(c.val4, 10), "val4");
    return d.take();
}

std::vector<DecodedValue> decoded_slowdown(const TrackCell& c) {
    Decoder d(RowKind::slowdown);
    d.add("v", c.val1, "val1");
    if (c.val2 != 0) d.add("d_v", c.val2, "val2");
    // The advance point does not keep the whole-train flag.
    if (c.kind != cell_kind::slowdown_advance) d.add("f_tt", c.val3, "val3");
    return d.take();
}

}  // namespace

std::int64_t signal_sides(const TrackCell& signal) {
    return floor_mod(signal.val4, 10);
}

std::vector<DecodedValue> decoded_cell(const TrackCell& cell) {
    switch (cell.kind) {
        case cell_kind::signal:
            return decoded_signal(cell);
        case cell_kind::speed_boards:
            return decoded_speed_boards(cell);
        case cell_kind::slowdown_start:
        case cell_kind::slowdown_end:
        case cell_kind::slowdown_advance:
            return decoded_slowdown(cell);
        case cell_kind::code_change: {
            Decoder d(RowKind::code_drop);
            d.add("value", cell.val1, "val1");
            return d.take();
        }
        default:
            return {};
    }
}

std::vector<DecodedValue> decoded_station(const ScenarioRecord& r) {
    Decoder d(RowKind::station);
    d.add("kind", r.kind, "kind");
    const std::pair<const char*, std::int64_t> kept[] = {
        {"opt_a", r.opt_a}, {"opt_e", r.opt_e}, {"opt_d", r.opt_d}, {"par_a", r.par_a},
        {"par_b", r.par_b}, {"opt_b", r.opt_b}, {"par_c", r.par_c}, {"par_d", r.par_d},
        {"par_e", r.par_e}, {"opt_c", r.opt_c}};
    for (const auto& [name, value] : kept) d.add(name, value, name);
    return d.take();
}

std::string_view station_kind_meaning(std::int64_t kind) {
    if (kind == 5 || kind == 6) {
        return "stretch from position - length to position + 150, stop cell, no approach cells";
    }
    if (kind == 7 || kind == 8) {
        return "stretch from position - length to position + length, stop cell and approach "
               "cells";
    }
    if (kind >= 25) return "a halt: stretch around the position, no stop cell";
    return "stretch of its length around the position, stop cell and approach cells";
}

std::optional<ApproachMark> approach_mark(std::uint8_t approach) {
    const int step = approach % 10;
    if (approach == 0 || step < 1 || step > 4) return std::nullopt;
    return ApproachMark{approach / 10, step};
}

}  // namespace scenario
