#include "scenc/review/source_rows.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

#include "compiler/errors.h"
#include "compiler/field_reader.h"
#include "compiler/model.h"
#include "compiler/row_scanner.h"
#include "scenc/common/input_files.h"

namespace scenario::scenc {

namespace {

constexpr std::size_t longest_shown_fault = 120;

// Reads the rows of one text, each kind's fields as its parser reads them.
void scan(std::string_view text, const std::string& name, RowPlace first_place,
          std::vector<SourceRow>& rows) {
    FieldReader reader(text, name);
    auto read_field = [&] { return reader.read_text(); };
    try {
        if (!skip_to_general_block(reader, read_field))
            throw UsageProblem(name + ": not a scenario text (no [generale] field)");
        RowPlace place = first_place;
        std::string keyword;
        auto read_keyword = [&] { return keyword = read_field(); };
        while (read_keyword_field(reader, place, read_keyword, [](std::string_view) {})) {
            const int line = reader.last_field_site().line;
            const RowPlace this_place = place;
            if (place == RowPlace::route_general && closes_general_block(keyword))
                place = RowPlace::route_feature;
            for_each_kind_named(this_place, keyword, [&](RowKind kind) {
                std::int32_t values[3] = {};
                const auto fields = row_grammar_of(kind).fields;
                for (std::size_t i = 0; i < number_count(kind); ++i) {
                    const std::int32_t value = read_number_field(reader, fields[i].type);
                    if (i < 3) values[i] = value;
                }
                if (ends_with_text(kind)) reader.read_text();
                SourceRow row{kind, values[0], 0, name, line};
                if (kind == RowKind::slowdown) row.length = values[2];
                if (kind == RowKind::mountain) row.length = values[1] - values[0];
                rows.push_back(row);
                return true;
            });
        }
    } catch (const RunTimeFault& fault) {
        // Links past a row that does not read would be guesses; the author fixes the row.
        // The fault quotes the field, which may be any length: the message stays one line.
        std::string what = fault.what();
        if (what.size() > longest_shown_fault) what = what.substr(0, longest_shown_fault) + "...";
        throw UsageProblem(fault.site.file + ":" + std::to_string(fault.site.line) + ":" +
                           std::to_string(fault.site.column) + ": " + what);
    }
}

// Metres between a row's reach and a metre. A slowdown reaches from its warning boards,
// 1200 m and four cells ahead of its start, to its end.
std::int64_t distance(const SourceRow& row, std::int64_t metre) {
    std::int64_t first = row.position;
    std::int64_t last = std::int64_t{row.position} + std::max(row.length, 0);
    if (row.kind == RowKind::slowdown) first -= 1200 + 4 * 50;
    if (metre < first) return first - metre;
    if (metre > last) return metre - last;
    return 0;
}

// Half a cell for features in cell round(position / 50), a cell and a half for those in
// round(position / 50 + 1).
std::int64_t reach(RowKind kind) {
    switch (kind) {
        case RowKind::signal:
        case RowKind::speed_board:
        case RowKind::sign_board:
        case RowKind::slowdown:
            return 3 * cell_length / 2;
        case RowKind::station:
            return 0;
        default:
            return cell_length / 2;
    }
}

}  // namespace

SourceRows::SourceRows(std::string_view route_text, const std::string& route_name,
                       std::string_view train_text, const std::string& train_name) {
    scan(route_text, route_name, RowPlace::route_general, rows_);
    scan(train_text, train_name, RowPlace::train, rows_);
}

const SourceRow* SourceRows::nearest(RowKind kind, std::int64_t metre) const {
    const std::int64_t max_distance = reach(kind);
    const SourceRow* best = nullptr;
    for (const SourceRow& row : rows_) {
        if (row.kind != kind || distance(row, metre) > max_distance) continue;
        if (best == nullptr || distance(row, metre) < distance(*best, metre)) best = &row;
    }
    return best;
}

const SourceRow* SourceRows::station_at(std::int32_t position) const {
    for (const SourceRow& row : rows_) {
        if (row.kind == RowKind::station && row.position == position) return &row;
    }
    return nullptr;
}

}  // namespace scenario::scenc
