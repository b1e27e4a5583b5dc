#include "compiler/writer.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <type_traits>

#include "compiler/compiled_layout.h"

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

// Writes little-endian values, in the widths the simulator reads, into a buffer of fixed size
// that goes to the sink whenever the next value does not fit: a file of any length costs
// the same small memory.
class PieceWriter {
  public:
    static constexpr std::size_t capacity = 64 * 1024;

    explicit PieceWriter(const ByteSink& sink) : sink_(sink) {}

    void u8(std::uint8_t value) { put<1>(value); }
    void u16(std::uint16_t value) { put<2>(value); }
    void i16(std::int16_t value) { u16(static_cast<std::uint16_t>(value)); }
    void i32(std::int32_t value) { put<4>(static_cast<std::uint32_t>(value)); }
    // A 2-byte length, then the bytes. The length field cannot count past 65535 bytes, so a
    // longer text is cut there rather than written with a length that does not match it.
    void text(const std::string& value) {
        static_assert(std::numeric_limits<std::uint16_t>::max() <= capacity);
        const std::size_t length =
            std::min<std::size_t>(value.size(), std::numeric_limits<std::uint16_t>::max());
        u16(static_cast<std::uint16_t>(length));
        std::memcpy(claim(length), value.data(), length);
    }
    // count zero bytes.
    void zeros(std::size_t count) {
        while (count > 0) {
            if (used_ == capacity) flush();
            const std::size_t piece = std::min(count, capacity - used_);
            std::memset(buffer_.data() + used_, 0, piece);
            used_ += piece;
            count -= piece;
        }
    }
    // Hands out room for the next count bytes (at most the capacity), for the caller to fill.
    char* claim(std::size_t count) {
        if (used_ + count > capacity) [[unlikely]]
            flush();
        char* out = buffer_.data() + used_;
        used_ += count;
        return out;
    }
    // The caller flushes at the end: a destructor must not write, since it may run while a
    // failure of the sink unwinds.
    void flush() {
        if (used_ > 0) sink_(std::string_view(buffer_.data(), used_));
        used_ = 0;
    }

  private:
    template <std::size_t width>
    void put(std::uint64_t value) {
        store_little_endian<width>(claim(width), value);
    }

    const ByteSink& sink_;
    std::array<char, capacity> buffer_;
    std::size_t used_ = 0;
};

// The bytes a writer gives, collected in memory.
template <typename Write>
std::string collected(std::size_t expected_size, Write write) {
    std::string bytes;
    bytes.reserve(expected_size);
    const ByteSink sink = [&bytes](std::string_view piece) { bytes.append(piece); };
    PieceWriter out(sink);
    write(out);
    out.flush();
    return bytes;
}

using namespace compiled_layout;

// Where a plan file's parts lie: points 0..points-1 per column, the origin (two points, or
// fewer in a shorter table), and the computed points origin..end-1.
struct PlanShape {
    std::size_t points = 0;
    bool origin_set = false;
    std::size_t origin = 0;
    std::size_t end = 0;

    PlanShape(std::size_t point_count, bool origin_is_set, std::int64_t computed_end)
        : points(point_count), origin_set(origin_is_set), origin(std::min<std::size_t>(points, 2)) {
        const auto computed = static_cast<std::size_t>(std::max<std::int64_t>(computed_end, 2));
        end = std::clamp(computed, origin, points);
    }
    std::size_t size() const {
        const std::size_t origin_bytes = origin * (origin_set ? integer_size : empty_size);
        return 2 * (origin_bytes + (end - origin) * double_size + (points - end) * empty_size);
    }
};

PlanShape shape_of(const Model& model) {
    const PlanSteps& plan = model.plan;
    const std::size_t points = plan.exists ? static_cast<std::size_t>(model.plan_upper) + 1 : 0;
    return {points, plan.origin_set, plan.computed_end};
}

PlanShape shape_of(const Plan& plan) {
    return {std::min(plan.x.size(), plan.y.size()), plan.origin_set, plan.computed_end};
}

// All x values, then all y values. Each column: the fixed origin points (the route starts at
// the origin heading along +y: (0, 0) then (0, 1)), the computed run, then empty points.
// computed(column, put) hands put the column's computed values in order.
template <typename Computed>
void write_plan_layout(PieceWriter& out, const PlanShape& shape, Computed computed) {
    const auto put = [&out](double value) {
        char* at = out.claim(double_size);
        store_little_endian<2>(at, tag_double);
        store_little_endian<8>(at + 2, std::bit_cast<std::uint64_t>(value));
    };
    for (int column = 0; column < 2; ++column) {
        for (std::size_t point = 0; point < shape.origin; ++point) {
            if (shape.origin_set) {
                out.u16(tag_integer);
                out.i16(static_cast<std::int16_t>(point == 0 ? 0 : column));
            } else {
                out.u16(tag_empty);
            }
        }
        computed(column, put);
        static_assert(tag_empty == 0);
        out.zeros(empty_size * (shape.points - shape.end));  // the empty points' tags
    }
}

// Points 2 .. end-1 from the runs, each from the two before it: a straight step repeats the
// last step vector, a curve step turns it by the curvature (positive to the right, towards
// +x). The order of the operations is part of the plan file's exact bytes.
template <typename Emit>
void integrate_plan(const PlanSteps& plan, std::size_t end, Emit emit) {
    double x1 = 0.0, x2 = 0.0, y1 = 1.0, y2 = 0.0;
    std::size_t j = 2;
    for (const PlanRun& run : plan.runs) {
        const std::size_t stop =
            std::min(end, static_cast<std::size_t>(std::max<std::int32_t>(run.last, 1)) + 1);
        const double curvature = run.curvature;
        if (curvature == 0.0) {
            for (; j < stop; ++j) {
                const double dx = x1 - x2;
                const double dy = y1 - y2;
                x2 = x1;
                y2 = y1;
                x1 = x1 + dx;
                y1 = y1 + dy;
                emit(x1, y1);
            }
        } else {
            for (; j < stop; ++j) {
                const double dx = x1 - x2;
                const double dy = y1 - y2;
                x2 = x1;
                y2 = y1;
                x1 = x1 + dx + curvature * dy;
                y1 = y1 + dy - curvature * dx;
                emit(x1, y1);
            }
        }
    }
}

void write_plan(PieceWriter& out, const Model& model) {
    const PlanShape shape = shape_of(model);
    write_plan_layout(out, shape, [&](int column, const auto& put) {
        if (column == 0) {
            integrate_plan(model.plan, shape.end, [&put](double x, double) { put(x); });
        } else {
            integrate_plan(model.plan, shape.end, [&put](double, double y) { put(y); });
        }
    });
}

void write_record(PieceWriter& out, const ScenarioRecord& record) {
    visit_record_members([&](auto member) {
        const auto& field = record.*member;
        using Field = member_type<decltype(member)>;
        if constexpr (std::is_same_v<Field, std::string>) {
            out.text(field);
        } else {
            using Unsigned = std::make_unsigned_t<Field>;
            store_little_endian<sizeof(Field)>(out.claim(sizeof(Field)),
                                               static_cast<Unsigned>(field));
        }
    });
}

// A cell's bytes at `at`.
void write_cell(char* at, const TrackCell& cell) {
    visit_cell_members([&](auto member) {
        using Field = member_type<decltype(member)>;
        using Unsigned = std::make_unsigned_t<Field>;
        store_little_endian<sizeof(Field)>(at, static_cast<Unsigned>(cell.*member));
        at += sizeof(Field);
    });
}

SCENARIO_PLAIN_CELL_LOOP void write_cells(char* at, const TrackCell* first, const TrackCell* last) {
    for (; first != last; ++first, at += cell_size) write_cell(at, *first);
}

}  // namespace

void write_plan_file(const Model& model, const ByteSink& sink) {
    PieceWriter out(sink);
    write_plan(out, model);
    out.flush();
}

std::size_t plan_file_size(const Model& model) {
    return shape_of(model).size();
}

std::string plan_file_bytes(const Model& model) {
    return collected(plan_file_size(model), [&](PieceWriter& out) { write_plan(out, model); });
}

std::string plan_file_bytes(const Plan& plan) {
    const PlanShape shape = shape_of(plan);
    return collected(shape.size(), [&](PieceWriter& out) {
        write_plan_layout(out, shape, [&](int column, const auto& put) {
            const std::vector<double>& values = column == 0 ? plan.x : plan.y;
            for (std::size_t point = shape.origin; point < shape.end; ++point) put(values[point]);
        });
    });
}

std::string record_file_bytes(const Model& model) {
    std::size_t size = 0;
    for (const ScenarioRecord& record : model.records) {
        size += record_size_without_text + record.text.size();
    }
    return collected(size, [&](PieceWriter& out) {
        for (const ScenarioRecord& record : model.records) write_record(out, record);
    });
}

std::string cell_file_bytes(const Model& model) {
    // A long route has twenty thousand cells: they claim their room a buffer's worth at a time.
    constexpr std::size_t cells_per_claim = PieceWriter::capacity / cell_size;
    return collected(model.cells.size() * cell_size, [&](PieceWriter& out) {
        const TrackCell* cell = model.cells.data();
        const TrackCell* const end = cell + model.cells.size();
        while (cell < end) {
            const TrackCell* const stop =
                cell + std::min<std::ptrdiff_t>(cells_per_claim, end - cell);
            char* at = out.claim(static_cast<std::size_t>(stop - cell) * cell_size);
            write_cells(at, cell, stop);
            cell = stop;
        }
    });
}

CompiledFiles build_compiled_files(const Model& model) {
    CompiledFiles files;
    files.with_plan = model.plan_option != 0 && model.plan.exists;
    files.records = record_file_bytes(model);
    files.cells = cell_file_bytes(model);
    return files;
}

std::vector<std::pair<std::string, FileProducer>> compiled_files_by_name(
    const Identity& id, const Model& model, const CompiledFiles& files) {
    std::vector<std::pair<std::string, FileProducer>> named;
    if (files.with_plan) {
        named.emplace_back(file_name::plan(id),
                           [&model](const ByteSink& sink) { write_plan_file(model, sink); });
    }
    named.emplace_back(file_name::records(id),
                       [&files](const ByteSink& sink) { sink(files.records); });
    named.emplace_back(file_name::cells(id), [&files](const ByteSink& sink) { sink(files.cells); });
    return named;
}

}  // namespace scenario
