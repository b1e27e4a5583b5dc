#include "scenc/review/source_rows.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

#include "compiler/errors.h"
#include "compiler/field_reader.h"
#include "compiler/keywords.h"
#include "compiler/model.h"
#include "scenc/common/input_files.h"

namespace scenario::scenc {

namespace {

constexpr std::size_t longest_shown_fault = 120;

// The rows the view links compiled features to, by the keyword the carried texts use. Other
// rows are still read whole, so that their values are never taken for keywords.
struct LinkedRow {
    std::string_view keyword;
    RowKind kind;
};

constexpr LinkedRow linked_rows[] = {
    {"pendenza", RowKind::gradient},
    {"montagna", RowKind::mountain},
    {"indicatori_vmax", RowKind::speed_boards},
    {"cartello_indicatore", RowKind::sign_board},
    {"velocita", RowKind::speed_limit},
    {"aderenza", RowKind::adhesion},
    {"segnale", RowKind::signal},
    {"rallentamento", RowKind::slowdown},
    {"abbattimento", RowKind::code_drop},
    {"stazione", RowKind::station},
};

std::optional<RowKind> linked_kind(const RowKeyword& row) {
    for (const LinkedRow& linked : linked_rows) {
        if (linked.keyword == row.keyword) return linked.kind;
    }
    return std::nullopt;
}

// The kind of row a keyword field names, tested in the parsers' order among the rows that
// may stand in this text; null for a comment field or a field that names no row.
const RowKeyword* row_named(std::string_view field, bool route_text) {
    const std::string lowered = ascii_lowered(field);
    if (contains(lowered, "-")) return nullptr;
    for (const RowKeyword& row : row_keywords) {
        if ((row.place == RowPlace::train) == route_text) continue;
        if (holds_words_of(row, field, lowered)) return &row;
    }
    return nullptr;
}

void scan(std::string_view text, const std::string& name, bool route_text,
          std::vector<SourceRow>& rows) {
    FieldReader reader(text, name);
    try {
        bool general = false;
        while (!general && !reader.at_end()) {
            general = contains(ascii_lowered(reader.read_text()), "[generale]");
        }
        if (!general) throw UsageProblem(name + ": not a scenario text (no [generale] field)");
        while (!reader.at_end()) {
            const RowKeyword* named = row_named(reader.read_text(), route_text);
            // The parsers never read the last field of a file as a row.
            if (named == nullptr || reader.at_end()) continue;
            int line = reader.last_field_site().line;
            std::int32_t values[3] = {};
            const int numbers = field_count(*named) - (named->text_after ? 1 : 0);
            for (int i = 0; i < numbers; ++i) {
                std::int32_t value = reader.read_long();
                if (i < 3) values[i] = value;
            }
            if (named->text_after) reader.read_text();
            const std::optional<RowKind> kind = linked_kind(*named);
            if (!kind) continue;
            SourceRow row{*kind, values[0], 0, name, line};
            if (row.kind == RowKind::slowdown) row.length = values[2];
            if (row.kind == RowKind::mountain) row.length = values[1] - values[0];
            rows.push_back(row);
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
        case RowKind::speed_boards:
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
    scan(route_text, route_name, true, rows_);
    scan(train_text, train_name, false, rows_);
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
