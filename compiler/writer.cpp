#include "compiler/writer.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

namespace scenario {

namespace {

// Stores the low `width` bytes of value at out, least significant first.
template <std::size_t width>
void store_little_endian(char* out, std::uint64_t value) {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(out, &value, width);
    } else {
        for (std::size_t i = 0; i < width; ++i) out[i] = static_cast<char>(value >> (8 * i));
    }
}

// Writes little-endian values into a byte buffer sized up front, in the widths the simulator
// reads.
class ByteWriter {
  public:
    explicit ByteWriter(std::size_t expected_size) : bytes_(expected_size, '\0') {}

    void u8(std::uint8_t value) { put<1>(value); }
    void u16(std::uint16_t value) { put<2>(value); }
    void i16(std::int16_t value) { u16(static_cast<std::uint16_t>(value)); }
    void i32(std::int32_t value) { put<4>(static_cast<std::uint32_t>(value)); }
    // A 2-byte length, then the bytes. The length field cannot count past 65535 bytes, so a
    // longer text is cut there rather than written with a length that does not match it.
    void text(const std::string& value) {
        const std::size_t length =
            std::min<std::size_t>(value.size(), std::numeric_limits<std::uint16_t>::max());
        u16(static_cast<std::uint16_t>(length));
        std::memcpy(claim(length), value.data(), length);
    }
    // Hands out the next count bytes, still zero, for the caller to fill: long runs of
    // values are stored through a local pointer, which the compiler keeps in a register.
    char* claim(std::size_t count) {
        if (used_ + count > bytes_.size()) [[unlikely]]
            bytes_.resize(2 * (used_ + count));  // only if a caller miscounted the size
        char* out = bytes_.data() + used_;
        used_ += count;
        return out;
    }

    std::string take() {
        bytes_.resize(used_);
        return std::move(bytes_);
    }

  private:
    template <std::size_t width>
    void put(std::uint64_t value) {
        store_little_endian<width>(claim(width), value);
    }

    std::string bytes_;
    std::size_t used_ = 0;
};

// Variant tags of the plan's elements, and each element's size with its 2-byte tag.
constexpr std::uint16_t tag_empty = 0;
constexpr std::uint16_t tag_integer = 2;
constexpr std::uint16_t tag_double = 5;
constexpr std::size_t empty_size = 2;
constexpr std::size_t integer_size = 4;
constexpr std::size_t double_size = 10;

constexpr std::size_t cell_size = 15;
constexpr std::size_t record_size_without_text = 34;

// The points that hold a computed double: 2 up to computed_end, never past the table.
std::size_t computed_end(const Plan& plan) {
    const auto end = static_cast<std::size_t>(std::max<std::int32_t>(plan.computed_end, 2));
    return std::min({end, plan.x.size(), plan.y.size()});
}

std::size_t plan_size(const Plan& plan) {
    const std::size_t points = plan.x.size();
    const std::size_t origin = std::min<std::size_t>(points, 2);
    const std::size_t computed = computed_end(plan) - std::min(computed_end(plan), origin);
    const std::size_t origin_bytes = origin * (plan.origin_set ? integer_size : empty_size);
    return 2 * (origin_bytes + computed * double_size + (points - origin - computed) * empty_size);
}

// One column of the plan: the fixed origin points, the computed run, then empty points.
void write_plan_column(ByteWriter& out, const Plan& plan, const std::vector<double>& column,
                       std::int16_t second_origin_value) {
    const std::size_t origin = std::min<std::size_t>(column.size(), 2);
    for (std::size_t point = 0; point < origin; ++point) {
        if (plan.origin_set) {
            out.u16(tag_integer);
            out.i16(point == 0 ? std::int16_t{0} : second_origin_value);
        } else {
            out.u16(tag_empty);
        }
    }
    const std::size_t end = std::max(computed_end(plan), origin);
    char* run = out.claim(double_size * (end - origin));
    for (std::size_t point = origin; point < end; ++point, run += double_size) {
        store_little_endian<2>(run, tag_double);
        store_little_endian<8>(run + 2, std::bit_cast<std::uint64_t>(column[point]));
    }
    static_assert(tag_empty == 0);
    out.claim(empty_size * (column.size() - end));  // the empty points' tags stay zero
}

void write_record(ByteWriter& out, const ScenarioRecord& record) {
    out.u8(record.kind);
    out.i32(record.zone_start);
    out.i32(record.zone_end);
    out.i32(record.position);
    out.u8(record.opt_a);
    out.text(record.text);
    out.i16(record.par_a);
    out.i16(record.par_b);
    out.i16(record.par_c);
    out.i16(record.par_d);
    out.i16(record.par_e);
    out.u8(record.opt_b);
    out.u8(record.opt_c);
    out.u8(record.opt_d);
    out.u8(record.opt_e);
    out.i32(record.time_s);
}

void write_cell(ByteWriter& out, const TrackCell& cell) {
    out.u8(cell.kind);
    out.i16(cell.val1);
    out.i16(cell.val2);
    out.i16(cell.val3);
    out.i16(cell.val4);
    out.u8(cell.signal_time);
    out.u8(cell.approach);
    out.u8(cell.mountain);
    out.u8(cell.speed_limit);
    out.u8(cell.gradient);
    out.u8(cell.adhesion);
}

}  // namespace

std::string plan_file_bytes(const Model& model) {
    const Plan& plan = model.plan;
    ByteWriter out(plan_size(plan));
    // The route starts at the origin heading along +y: (0, 0) then (0, 1).
    write_plan_column(out, plan, plan.x, 0);
    write_plan_column(out, plan, plan.y, 1);
    return out.take();
}

std::string record_file_bytes(const Model& model) {
    std::size_t size = 0;
    for (const ScenarioRecord& record : model.records) {
        size += record_size_without_text + record.text.size();
    }
    ByteWriter out(size);
    for (const ScenarioRecord& record : model.records) write_record(out, record);
    return out.take();
}

std::string cell_file_bytes(const Model& model) {
    ByteWriter out(model.cells.size() * cell_size);
    for (const TrackCell& cell : model.cells) write_cell(out, cell);
    return out.take();
}

CompiledFiles build_compiled_files(const Model& model) {
    CompiledFiles files;
    if (model.plan_option != 0 && model.plan.exists()) files.plan = plan_file_bytes(model);
    files.records = record_file_bytes(model);
    files.cells = cell_file_bytes(model);
    return files;
}

std::vector<std::pair<std::string, std::string_view>> compiled_files_by_name(
    const Identity& id, const CompiledFiles& files) {
    std::vector<std::pair<std::string, std::string_view>> named;
    if (files.plan) named.emplace_back(file_name::plan(id), *files.plan);
    named.emplace_back(file_name::records(id), files.records);
    named.emplace_back(file_name::cells(id), files.cells);
    return named;
}

}  // namespace scenario
