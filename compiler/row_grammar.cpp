#include "compiler/row_grammar.h"

#include "compiler/numeric.h"

namespace scenario {

namespace {

// The cell values a signal row packs its codes into, by field.
std::optional<std::int64_t> packed_signal(std::size_t field, std::span<const std::int32_t> v) {
    if (v.size() < 10) return std::nullopt;
    auto pair = [&](std::size_t first) {
        return std::int64_t{
            store_wrapped<std::int16_t>(std::int64_t{v[first]} * 10 + v[first + 5])};
    };
    switch (field) {
        case 2:
        case 7:
            return pair(2);
        case 3:
        case 8:
            return pair(3);
        case 4:
        case 9:
            return pair(4);
        default:
            return store_wrapped<std::int16_t>(std::int64_t{v[5]} * 10 + std::int64_t{v[1]} * 3 +
                                               v[6]);
    }
}

// The cell values a maximum-speed board packs its speeds and stripes into, by field.
std::optional<std::int64_t> packed_speed_board(std::size_t field, std::span<const std::int32_t> v) {
    if (v.size() < 9) return std::nullopt;
    const std::size_t left = field <= 4 ? field : field - 4;
    if (left == 4) return store_wrapped<std::int16_t>(std::int64_t{v[4]} * 10 + v[8]);
    return round_half_even(v[left + 4] / 5.0 + v[left] * 20.0);
}

}  // namespace

std::optional<std::int64_t> stored_value(RowKind kind, std::size_t field,
                                         std::span<const std::int32_t> values) {
    const auto fields = row_grammar_of(kind).fields;
    if (field >= fields.size() || field >= values.size()) return std::nullopt;
    const std::int64_t value = values[field];
    switch (fields[field].stored) {
        case StoredForm::as_written:
            return value;
        case StoredForm::speed_steps:
            return store_wrapped<std::uint8_t>(round_half_even(static_cast<double>(value) / 5.0));
        case StoredForm::gradient_offset:
            return store_wrapped<std::uint8_t>(value + 100);
        case StoredForm::low_byte:
            if (kind == RowKind::signal) {
                // The signal time is raised to 101 and kept only for an sx of 2.
                if (values[1] != 2) return 0;
                return store_wrapped<std::uint8_t>(value >= 1 && value <= 100 ? 101 : value);
            }
            return store_wrapped<std::uint8_t>(value);
        case StoredForm::kilometric:
            if (values.size() < 3) return std::nullopt;
            return value + (values[2] == 1 ? 100 : 0);
        case StoredForm::mountain_type:
            return value > 10 ? value - 10 : value;
        case StoredForm::packed:
            return kind == RowKind::signal ? packed_signal(field, values)
                                           : packed_speed_board(field, values);
        case StoredForm::seconds_of_day: {
            const std::size_t hours = field - (field >= 15 ? 2 : field >= 14 ? 1 : 0);
            if (values.size() < hours + 3) return std::nullopt;
            return (std::int64_t{values[hours]} * 60 + values[hours + 1]) * 60 + values[hours + 2];
        }
        case StoredForm::not_stored:
            return std::nullopt;
    }
    return std::nullopt;
}

std::optional<std::int64_t> written_value(StoredForm form, std::int64_t stored) {
    switch (form) {
        case StoredForm::as_written:
        case StoredForm::low_byte:
            return stored;
        case StoredForm::speed_steps:
            return stored * 5;
        case StoredForm::gradient_offset:
            return stored - 100;
        default:
            return std::nullopt;
    }
}

}  // namespace scenario
