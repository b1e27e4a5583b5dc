#include "scenc/compiled_reader.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "compiler/identity.h"
#include "scenc/identity_from_names.h"
#include "scenc/input_files.h"

namespace scenario::scenc {

namespace {

constexpr std::size_t cell_size = 15;
constexpr std::uint16_t empty_tag = 0;
constexpr std::uint16_t integer_tag = 2;
constexpr std::uint16_t double_tag = 5;

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
    std::uint8_t byte(const std::string& what) {
        return static_cast<std::uint8_t>(take(1, what)[0]);
    }
    std::uint16_t word(const std::string& what) {
        return static_cast<std::uint16_t>(unsigned_value(take(2, what)));
    }
    std::int16_t integer(const std::string& what) { return static_cast<std::int16_t>(word(what)); }
    std::int32_t long_value(const std::string& what) {
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(unsigned_value(take(4, what))));
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
        if (tag == integer_tag) {
            value = cursor.integer(what);
        } else if (tag == double_tag) {
            value = cursor.real(what);
        } else if (tag != empty_tag) {
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
        return tag == integer_tag && value == expected;
    };
    return whole(tags.x[0], plan.x[0], 0) && whole(tags.x[1], plan.x[1], 0) &&
           whole(tags.y[0], plan.y[0], 0) && whole(tags.y[1], plan.y[1], 1);
}

bool is_empty_origin(const PlanTags& tags) {
    return tags.x[0] == empty_tag && tags.x[1] == empty_tag && tags.y[0] == empty_tag &&
           tags.y[1] == empty_tag;
}

// Points 2 upward: one run of computed points, then only empty ones.
void check_computed_points(Plan& plan, const PlanTags& tags) {
    bool gap_seen = false;
    for (std::size_t point = 2; point < plan.x.size(); ++point) {
        std::string where = "point " + std::to_string(point);
        if (tags.x[point] != tags.y[point]) {
            throw CompiledFileError("not a plan file: " + where + " has only one coordinate");
        }
        if (tags.x[point] == empty_tag) {
            gap_seen = true;
            continue;
        }
        if (tags.x[point] != double_tag) {
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

constexpr std::size_t record_fixed_size = 34;
constexpr std::size_t record_text_length_offset = 14;
constexpr std::size_t record_par_a_offset = 16;  // after the text

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
        if (bytes.size() - offset < record_fixed_size) return false;
        std::size_t text = word_at(bytes, offset + record_text_length_offset);
        if (bytes.size() - offset - record_fixed_size < text) return false;
        if (slot == record_slot::route_identity) {
            route_par_a = offset + record_par_a_offset + text;
        }
        offset += record_fixed_size + text;
    }
    return offset == bytes.size() &&
           static_cast<std::int16_t>(word_at(bytes, *route_par_a)) == marker::route_record;
}

bool looks_like_plan(std::string_view bytes) {
    std::size_t offset = 0, values = 0;
    while (bytes.size() - offset >= 2) {
        std::uint16_t tag = word_at(bytes, offset);
        std::size_t size = tag == empty_tag     ? 2
                           : tag == integer_tag ? 4
                           : tag == double_tag  ? 10
                                                : 0;
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

CompiledFileKind checked_compiled_kind(const std::filesystem::path& path, std::string_view bytes) {
    std::optional<CompiledFileKind> named = compiled_file_kind(path);
    std::optional<CompiledFileKind> content = compiled_kind_from_content(bytes);
    std::string size = std::to_string(bytes.size()) + " bytes";
    if (!content) {
        std::string promise =
            named ? "named as a " + kind_description(*named) + ", but its " : "its ";
        throw UsageProblem(path.string() + ": " + promise + size +
                           " look like no compiled file (no marker or layout fits)");
    }
    if (named && *named != *content) {
        throw UsageProblem(path.string() + ": named as a " + kind_description(*named) +
                           ", but it looks like a " + kind_description(*content) + " (" + size +
                           ")");
    }
    return *content;
}

std::optional<CompiledFileKind> compiled_file_kind(const std::filesystem::path& path) {
    std::string name = path.filename().string();
    if (name.ends_with("_linea.dat")) return CompiledFileKind::plan;
    if (name.ends_with(".sim")) return CompiledFileKind::records;
    if (name.ends_with(".dat")) return CompiledFileKind::cells;
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
    for (auto* column : {&tags.x, &tags.y}) column->assign(points, empty_tag);
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
        ScenarioRecord& r = records[slot];
        r.kind = cursor.byte(what);
        r.zone_start = cursor.long_value(what);
        r.zone_end = cursor.long_value(what);
        r.position = cursor.long_value(what);
        r.opt_a = cursor.byte(what);
        r.text = std::string(cursor.take(cursor.word(what), what));
        r.par_a = cursor.integer(what);
        r.par_b = cursor.integer(what);
        r.par_c = cursor.integer(what);
        r.par_d = cursor.integer(what);
        r.par_e = cursor.integer(what);
        r.opt_b = cursor.byte(what);
        r.opt_c = cursor.byte(what);
        r.opt_d = cursor.byte(what);
        r.opt_e = cursor.byte(what);
        r.time_s = cursor.long_value(what);
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
        cell.kind = cursor.byte(what);
        cell.val1 = cursor.integer(what);
        cell.val2 = cursor.integer(what);
        cell.val3 = cursor.integer(what);
        cell.val4 = cursor.integer(what);
        cell.signal_time = cursor.byte(what);
        cell.approach = cursor.byte(what);
        cell.mountain = cursor.byte(what);
        cell.speed_limit = cursor.byte(what);
        cell.gradient = cursor.byte(what);
        cell.adhesion = cursor.byte(what);
    }
    return cells;
}

namespace {

// The content must show the expected kind, whatever the file is called.
template <typename Decoded>
Decoded decode_named_file(const std::filesystem::path& path, CompiledFileKind expected,
                          Decoded (*decode)(std::string_view)) {
    std::string bytes = read_input_file(path);
    std::optional<CompiledFileKind> content = compiled_kind_from_content(bytes);
    if (content && *content != expected) {
        throw UsageProblem(path.string() + ": taken as the " + kind_description(expected) +
                           ", but it looks like a " + kind_description(*content));
    }
    if (!content) checked_compiled_kind(path, bytes);  // throws, naming what is missing
    return decode_file_bytes(path, bytes, decode);
}

struct CompiledFileNames {
    std::optional<std::filesystem::path> plan;
    std::optional<std::filesystem::path> records;
    std::optional<std::filesystem::path> cells;
};

void take_file(CompiledFileNames& names, const std::filesystem::path& path) {
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored)) {
        throw UsageProblem(path.string() + ": a folder must be given alone");
    }
    std::optional<CompiledFileKind> kind = compiled_file_kind(path);
    if (!kind) {
        throw UsageProblem(path.string() +
                           ": not a compiled file name (STEM_linea.dat, STEM_N.sim or STEM_N.dat)");
    }
    std::optional<std::filesystem::path>& slot = *kind == CompiledFileKind::plan ? names.plan
                                                 : *kind == CompiledFileKind::records
                                                     ? names.records
                                                     : names.cells;
    if (slot) throw UsageProblem(path.string() + ": " + slot->string() + " is of the same kind");
    slot = path;
}

std::filesystem::path only_record_file_in(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> found;
    std::error_code error;
    std::filesystem::directory_iterator entry(folder, error);
    for (; !error && entry != std::filesystem::directory_iterator(); entry.increment(error)) {
        if (entry->path().extension() == ".sim") found.push_back(entry->path());
    }
    if (error) throw UsageProblem(folder.string() + ": cannot be listed: " + error.message());
    if (found.empty()) throw UsageProblem(folder.string() + ": holds no record file (STEM_N.sim)");
    if (found.size() > 1) {
        std::sort(found.begin(), found.end());
        throw UsageProblem(folder.string() + ": holds several record files (" +
                           found[0].filename().string() + ", " + found[1].filename().string() +
                           ", ...); name the files to use");
    }
    return found.front();
}

void refuse_unusable_identity(const std::filesystem::path& source, const Identity& id) {
    try {
        check_usable_identity(id);
    } catch (const UsageProblem& problem) {
        throw UsageProblem(source.string() + ": " + problem.what());
    }
}

// In a folder, the identity (given, or held by the only record file) names the files.
CompiledFileNames names_in_folder(const std::filesystem::path& folder,
                                  const std::optional<Identity>& given) {
    CompiledFileNames names;
    Identity id;
    if (given) {
        id = *given;
        refuse_unusable_identity(folder, id);
        names.records = folder / file_name::records(id);
    } else {
        names.records = only_record_file_in(folder);
        auto records =
            decode_named_file(*names.records, CompiledFileKind::records, decode_record_file);
        id = {records[record_slot::route_identity].text, records[record_slot::train_identity].text};
        refuse_unusable_identity(*names.records, id);
    }
    names.cells = folder / file_name::cells(id);
    std::filesystem::path plan = folder / file_name::plan(id);
    std::error_code ignored;
    if (std::filesystem::exists(plan, ignored)) names.plan = plan;
    return names;
}

CompiledScenario load_named(const CompiledFileNames& names) {
    if (!names.records || !names.cells) {
        throw UsageProblem(
            "both the record file (STEM_N.sim) and the cell file (STEM_N.dat) "
            "are needed; the plan file is optional");
    }
    CompiledScenario scenario;
    Model& model = scenario.model;
    model.records =
        decode_named_file(*names.records, CompiledFileKind::records, decode_record_file);
    model.cells = decode_named_file(*names.cells, CompiledFileKind::cells, decode_cell_file);
    model.cell_upper = static_cast<std::int32_t>(model.cells.size()) - 1;
    if (names.plan) {
        scenario.plan = decode_named_file(*names.plan, CompiledFileKind::plan, decode_plan_file);
        model.plan_upper = scenario.plan.upper();
        model.plan_option = 1;
    }
    model.route_stem = model.records[record_slot::route_identity].text;
    model.train_number = model.records[record_slot::train_identity].text;
    scenario.records_file = *names.records;
    scenario.cells_file = *names.cells;
    scenario.plan_file = names.plan;
    return scenario;
}

}  // namespace

CompiledScenario load_compiled_folder(const std::filesystem::path& folder,
                                      const std::optional<Identity>& identity) {
    std::error_code ignored;
    if (!std::filesystem::is_directory(folder, ignored)) {
        throw UsageProblem(folder.string() + ": not a folder");
    }
    return load_named(names_in_folder(folder, identity));
}

CompiledScenario load_compiled_scenario(const std::vector<std::filesystem::path>& inputs) {
    std::error_code ignored;
    if (inputs.size() == 1 && std::filesystem::is_directory(inputs.front(), ignored)) {
        return load_compiled_folder(inputs.front());
    }
    CompiledFileNames names;
    for (const auto& path : inputs) take_file(names, path);
    return load_named(names);
}

}  // namespace scenario::scenc
