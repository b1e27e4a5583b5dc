#include "scenc/source_rows.h"

#include <algorithm>
#include <cstdlib>
#include <span>
#include <stdexcept>

#include "compiler/errors.h"
#include "compiler/field_reader.h"
#include "compiler/keywords.h"
#include "compiler/model.h"
#include "scenc/input_files.h"

namespace scenario::scenc {

namespace {

constexpr std::size_t longest_shown_fault = 120;

// How one kind of row is recognised and how many fields follow its keyword. Rows the view
// links nothing to (kind empty) are still read whole, so that their values are never taken
// for keywords.
struct RowRule {
    std::string_view word;
    std::string_view second_word;  // also needed, or empty
    std::optional<RowKind> kind;
    int numbers;      // number fields after the keyword
    bool text_after;  // then one text field (a sign board's text, a station's name)
};

constexpr RowRule route_rules[] = {
    {"lunghezza", "percorso", std::nullopt, 1, false},
    {"progressiva", "", std::nullopt, 3, false},
    {"sfondo", "", std::nullopt, 1, false},
    {"ripetizione", "segnali", std::nullopt, 2, false},
    {"pendenza", "", RowKind::gradient, 2, false},
    {"curva", "", std::nullopt, 2, false},
    {"montagna", "", RowKind::mountain, 3, false},
    {"indicatori_v", "", RowKind::speed_boards, 9, false},
    {"cartello", "indicat", RowKind::sign_board, 1, true},
};

constexpr RowRule train_rules[] = {
    {"massa", "frenata", std::nullopt, 1, false},
    {"vetture", "", std::nullopt, 1, false},
    {"velocit", "", RowKind::speed_limit, 2, false},
    {"aderenza", "", RowKind::adhesion, 2, false},
    {"orologio", "", std::nullopt, 3, false},
    {"sabbia", "", std::nullopt, 1, false},
    {"segnale", "", RowKind::signal, 11, false},
    {"rallentamento", "", RowKind::slowdown, 6, false},
    {"abbattimento", "", RowKind::code_drop, 2, false},
    {"stazione", "", RowKind::station, 16, true},
};

const RowRule* rule_for(std::string_view keyword, std::span<const RowRule> rules) {
    std::string lowered = ascii_lowered(keyword);
    if (contains(lowered, "-")) return nullptr;  // a comment field
    for (const RowRule& rule : rules) {
        if (contains(lowered, rule.word) &&
            (rule.second_word.empty() || contains(lowered, rule.second_word))) {
            return &rule;
        }
    }
    return nullptr;
}

void scan(std::string_view text, const std::string& name, std::span<const RowRule> rules,
          std::vector<SourceRow>& rows) {
    FieldReader reader(text, name);
    try {
        bool general = false;
        while (!general && !reader.at_end()) {
            general = contains(ascii_lowered(reader.read_text()), "[generale]");
        }
        if (!general) throw UsageProblem(name + ": not a scenario text (no [generale] field)");
        while (!reader.at_end()) {
            const RowRule* rule = rule_for(reader.read_text(), rules);
            // The parsers never read the last field of a file as a row.
            if (rule == nullptr || reader.at_end()) continue;
            int line = reader.last_field_site().line;
            std::int32_t values[3] = {};
            for (int i = 0; i < rule->numbers; ++i) {
                std::int32_t value = reader.read_long();
                if (i < 3) values[i] = value;
            }
            if (rule->text_after) reader.read_text();
            if (!rule->kind) continue;
            SourceRow row{*rule->kind, values[0], 0, name, line};
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
    scan(route_text, route_name, route_rules, rows_);
    scan(train_text, train_name, train_rules, rows_);
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
