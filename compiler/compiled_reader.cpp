#include "compiler/compiled_reader.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>

#include "compiler/compiled_layout.h"

namespace scenario {

namespace {

using namespace compiled_layout;

// Little-endian reads that refuse to go past the end of the bytes.
class ByteCursor {
  public:
    explicit ByteCursor(std::string_view bytes) : bytes_(bytes) {}

    bool at_end() const { return offset_ >= bytes_.size(); }
    std::size_t offset() const { return offset_; }
    std::size_t left() const { return bytes_.size() - offset_; }

    // `what` names the element being read, for the message when the bytes run out.
    std::string_view take(std::size_t count, const std::string& what) {
        if (count > left()) {
            throw CompiledFileError(what + " is cut short at byte " + std::to_string(offset_) +
                                    " (the file has " + std::to_string(bytes_.size()) + " bytes)");
        }
        std::string_view piece = bytes_.substr(offset_, count);
        offset_ += count;
        return piece;
    }
    std::uint16_t word(const std::string& what) {
        return static_cast<std::uint16_t>(unsigned_value(take(2, what)));
    }
    std::int16_t integer(const std::string& what) { return static_cast<std::int16_t>(word(what)); }
    // A field of the width and signedness of its type in the model; a text is its 2-byte
    // length, then its bytes.
    template <typename Field>
    void field(Field& value, const std::string& what) {
        if constexpr (std::is_same_v<Field, std::string>) {
            value = std::string(take(word(what), what));
        } else {
            using Unsigned = std::make_unsigned_t<Field>;
            value = static_cast<Field>(
                static_cast<Unsigned>(unsigned_value(take(sizeof(Field), what))));
        }
    }
    double real(const std::string& what) {
        return std::bit_cast<double>(unsigned_value(take(8, what)));
    }

  private:
    static std::uint64_t unsigned_value(std::string_view piece) {
        std::uint64_t value = 0;
        for (std::size_t i = piece.size(); i-- > 0;) {
            value = (value << 8) | static_cast<std::uint8_t>(piece[i]);
        }
        return value;
    }

    std::string_view bytes_;
    std::size_t offset_ = 0;
};

// Reads the plan file's values in order and hands each, with its tag, to `each`; returns how
// many there are. A long route's plan holds hundreds of thousands of points, so the values
// go straight to their place instead of into a list of their own.
template <typename Each>
std::size_t read_plan_values(std::string_view bytes, Each each) {
    ByteCursor cursor(bytes);
    std::size_t count = 0;
    while (!cursor.at_end()) {
        std::string what = "value " + std::to_string(count);
        std::size_t at = cursor.offset();
        const std::uint16_t tag = cursor.word(what);
        double value = 0.0;
        if (tag == tag_integer) {
            value = cursor.integer(what);
        } else if (tag == tag_double) {
            value = cursor.real(what);
        } else if (tag != tag_empty) {
            throw CompiledFileError("not a plan file: unknown value tag " + std::to_string(tag) +
                                    " at byte " + std::to_string(at));
        }
        each(count++, tag, value);
    }
    return count;
}

// The tag of each point's x and y value, beside the values kept in the plan's columns.
struct PlanTags {
    std::vector<std::uint16_t> x;
    std::vector<std::uint16_t> y;
};

bool is_origin(const PlanTags& tags, const Plan& plan) {
    auto whole = [](std::uint16_t tag, double value, double expected) {
        return tag == tag_integer && value == expected;
    };
    return whole(tags.x[0], plan.x[0], 0) && whole(tags.x[1], plan.x[1], 0) &&
           whole(tags.y[0], plan.y[0], 0) && whole(tags.y[1], plan.y[1], 1);
}

bool is_empty_origin(const PlanTags& tags) {
    return tags.x[0] == tag_empty && tags.x[1] == tag_empty && tags.y[0] == tag_empty &&
           tags.y[1] == tag_empty;
}

// Points 2 upward: one run of computed points, then only empty ones.
void check_computed_points(Plan& plan, const PlanTags& tags) {
    bool gap_seen = false;
    for (std::size_t point = 2; point < plan.x.size(); ++point) {
        std::string where = "point " + std::to_string(point);
        if (tags.x[point] != tags.y[point]) {
            throw CompiledFileError("not a plan file: " + where + " has only one coordinate");
        }
        if (tags.x[point] == tag_empty) {
            gap_seen = true;
            continue;
        }
        if (tags.x[point] != tag_double) {
            throw CompiledFileError("not a plan file: " + where + " holds a whole number");
        }
        if (gap_seen || !plan.origin_set) {
            throw CompiledFileError("not a plan file: " + where +
                                    " is computed but does not follow the points before it");
        }
        if (!std::isfinite(plan.x[point]) || !std::isfinite(plan.y[point])) {
            throw CompiledFileError("not a plan file: " + where + " is not a finite number");
        }
        plan.computed_end = static_cast<std::int32_t>(point + 1);
    }
}

}  // namespace

namespace {

std::uint16_t word_at(std::string_view bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(bytes[offset]) |
                                      static_cast<std::uint8_t>(bytes[offset + 1]) << 8);
}

bool looks_like_cells(std::string_view bytes) {
    constexpr std::size_t marker_offset = cell_size + 1;  // val1 of cell 1
    return bytes.size() >= 2 * cell_size && bytes.size() % cell_size == 0 &&
           static_cast<std::int16_t>(word_at(bytes, marker_offset)) == marker::first_cell;
}

bool looks_like_records(std::string_view bytes) {
    std::size_t offset = 0;
    std::optional<std::size_t> route_par_a;
    for (int slot = 0; slot < record_count; ++slot) {
        if (bytes.size() - offset < record_size_without_text) return false;
        std::size_t text = word_at(bytes, offset + record_text_length_offset);
        if (bytes.size() - offset - record_size_without_text < text) return false;
        if (slot == record_slot::route_identity) {
            route_par_a = offset + record_par_a_offset + text;
        }
        offset += record_size_without_text + text;
    }
    return offset == bytes.size() &&
           static_cast<std::int16_t>(word_at(bytes, *route_par_a)) == marker::route_record;
}

bool looks_like_plan(std::string_view bytes) {
    std::size_t offset = 0, values = 0;
    while (bytes.size() - offset >= 2) {
        std::uint16_t tag = word_at(bytes, offset);
        std::size_t size = plan_value_size(tag);
        if (size == 0 || bytes.size() - offset < size) return false;
        offset += size;
        ++values;
    }
    return offset == bytes.size() && values >= 4 && values % 2 == 0;
}

}  // namespace

std::string kind_description(CompiledFileKind kind) {
    switch (kind) {
        case CompiledFileKind::plan:
            return "plan file";
        case CompiledFileKind::records:
            return "record file";
        case CompiledFileKind::cells:
            return "cell file";
    }
    return "compiled file";
}

std::optional<CompiledFileKind> compiled_kind_from_content(std::string_view bytes) {
    if (looks_like_cells(bytes)) return CompiledFileKind::cells;
    if (looks_like_records(bytes)) return CompiledFileKind::records;
    if (looks_like_plan(bytes)) return CompiledFileKind::plan;
    return std::nullopt;
}

Plan decode_plan_file(std::string_view bytes) {
    const std::size_t count = read_plan_values(bytes, [](std::size_t, std::uint16_t, double) {});
    if (count < 4 || count % 2 != 0) {
        throw CompiledFileError("not a plan file: its " + std::to_string(count) +
                                " values do not make two columns of at least two points");
    }
    const std::size_t points = count / 2;
    Plan plan;
    PlanTags tags;
    for (auto* column : {&plan.x, &plan.y}) column->assign(points, 0.0);
    for (auto* column : {&tags.x, &tags.y}) column->assign(points, tag_empty);
    read_plan_values(bytes, [&](std::size_t index, std::uint16_t tag, double value) {
        const bool x = index < points;
        (x ? tags.x : tags.y)[x ? index : index - points] = tag;
        (x ? plan.x : plan.y)[x ? index : index - points] = value;
    });
    if (is_origin(tags, plan)) {
        plan.origin_set = true;
    } else if (!is_empty_origin(tags)) {
        throw CompiledFileError("not a plan file: points 0 and 1 are not the origin (0,0), (0,1)");
    }
    check_computed_points(plan, tags);
    return plan;
}

std::array<ScenarioRecord, record_count> decode_record_file(std::string_view bytes) {
    ByteCursor cursor(bytes);
    std::array<ScenarioRecord, record_count> records{};
    for (int slot = 0; slot < record_count; ++slot) {
        std::string what = "record " + std::to_string(slot);
        ScenarioRecord& record = records[slot];
        visit_record_members([&](auto member) { cursor.field(record.*member, what); });
    }
    if (!cursor.at_end()) {
        throw CompiledFileError("not a record file: " + std::to_string(cursor.left()) +
                                " bytes are left over after the 87 records");
    }
    return records;
}

std::vector<TrackCell> decode_cell_file(std::string_view bytes) {
    if (bytes.empty() || bytes.size() % cell_size != 0) {
        throw CompiledFileError("not a cell file: " + std::to_string(bytes.size()) +
                                " bytes are not a whole number of 15-byte cells");
    }
    ByteCursor cursor(bytes);
    std::vector<TrackCell> cells(bytes.size() / cell_size);
    for (TrackCell& cell : cells) {
        const std::string what = "a cell";
        visit_cell_members([&](auto member) { cursor.field(cell.*member, what); });
    }
    return cells;
}

}  // namespace scenario
