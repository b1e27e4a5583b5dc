#include "scenc/lsp/lsp_features.h"

#include <algorithm>
#include <optional>

#include "compiler/errors.h"
#include "compiler/field_reader.h"
#include "compiler/numeric.h"
#include "compiler/windows_1252.h"
#include "scenc/common/units.h"

namespace scenario::scenc::lsp {

namespace {

using nlohmann::json;

// LSP symbol kinds.
constexpr int symbol_namespace = 3;
constexpr int symbol_string = 15;
constexpr int symbol_object = 19;
constexpr int symbol_key = 20;
constexpr int symbol_event = 24;
constexpr int completion_keyword = 14;
constexpr int snippet_format = 2;

std::vector<std::string_view> field_names(const RowKeyword& kind) {
    std::vector<std::string_view> names;
    std::string_view rest = kind.fields;
    while (!rest.empty()) {
        const std::size_t comma = rest.find(',');
        std::string_view name = rest.substr(0, comma);
        while (name.starts_with(' ')) name.remove_prefix(1);
        names.push_back(name);
        rest.remove_prefix(comma == std::string_view::npos ? rest.size() : comma + 1);
    }
    return names;
}

const RowKeyword* kind_of(std::string_view field, RowPlace place) {
    const std::string lowered = ascii_lowered(field);
    for (const RowKeyword& kind : row_keywords) {
        if (kind.place == place && holds_words_of(kind, field, lowered)) return &kind;
    }
    return nullptr;
}

// The values after the keyword, read as the parsers read them, up to the first that fails.
void read_values(std::string_view line, TextRow& row) {
    FieldReader reader(line, "");
    try {
        reader.read_text();
        const auto names = field_names(*row.kind);
        const std::size_t numbers = names.size() - (row.kind->text_after ? 1 : 0);
        for (std::size_t i = 0; i < numbers && !reader.at_end(); ++i) {
            row.numbers.push_back(reader.read_long());
        }
        if (row.kind->text_after && row.numbers.size() == numbers && !reader.at_end()) {
            row.text = reader.read_text();
        }
    } catch (const RunTimeFault&) {
        // The values read so far are what the hover can tell.
    }
}

// The lines of a text, each without its line end: CR LF, LF and CR each end one.
template <typename Visit>
void for_each_line(std::string_view text, Visit visit) {
    int number = 1;
    while (!text.empty()) {
        const std::size_t end = text.find_first_of("\r\n");
        visit(number++, text.substr(0, end));
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1));
    }
}

std::string position_text(std::int64_t metres) {
    return units::position_text(metres);
}

std::int64_t cell_of(std::int64_t position, int cells_on) {
    return round_half_even(static_cast<double>(position) / cell_length + cells_on);
}

std::string per_mille(std::int64_t value) {
    return std::to_string(value) + " ‰";
}

// The cell a row marks, by its kind's rule, if it marks one.
std::optional<std::int64_t> marked_cell(const TextRow& row) {
    if (row.numbers.empty()) return std::nullopt;
    const std::string_view keyword = row.kind->keyword;
    const std::int64_t position = row.numbers[0];
    if (keyword == "segnale" || keyword == "indicatori_vmax" || keyword == "cartello_indicatore" ||
        keyword == "rallentamento") {
        return cell_of(position, 1);
    }
    if (keyword == "pendenza" || keyword == "velocita" || keyword == "aderenza" ||
        keyword == "abbattimento") {
        return cell_of(position, 0);
    }
    return std::nullopt;
}

const ScenarioRecord* station_record(const Model& model, std::int32_t position) {
    for (int slot = 1; slot < record_slot::last_sign_board; ++slot) {
        const ScenarioRecord& record = model.records[static_cast<std::size_t>(slot)];
        if (record.position == position && record.time_s >= 0 && !record.text.empty()) {
            return &record;
        }
    }
    return nullptr;
}

std::string station_lines(const TextRow& row, const Model* model) {
    const auto& v = row.numbers;
    std::string out =
        "Station **" + windows_1252_to_utf8(row.text) + "** at " + position_text(v[0]);
    if (v.size() > 1) out += ", kind " + std::to_string(v[1]);
    if (v.size() > 2) out += ", length " + std::to_string(v[2]) + " m";
    if (v.size() > 15) out += ", time " + units::clock_time(v[13], v[14], v[15]);
    const ScenarioRecord* record = model ? station_record(*model, v[0]) : nullptr;
    if (record != nullptr) {
        out += "\n\nStretch " + position_text(record->zone_start) + " to " +
               position_text(record->zone_end);
        constexpr std::uint8_t first_kind_without_stop = 25;
        if (record->kind < first_kind_without_stop) {
            out += ", stop cell " + std::to_string(round_half_even(
                                        static_cast<double>(record->zone_end) / cell_length - 1.0));
        } else {
            out += ", no stop cell (a halt)";
        }
    }
    return out;
}

// What a row's values mean, in the author's units.
std::string row_meaning(const TextRow& row, const Model* model) {
    const auto& v = row.numbers;
    const std::string_view keyword = row.kind->keyword;
    auto at = [&](std::size_t i) { return i < v.size() ? v[i] : 0; };
    if (v.empty()) return std::string(row.kind->meaning);
    if (keyword == "lunghezza percorso") {
        return "Route length " + position_text(v[0]) + "; track cells 0 to " +
               std::to_string(cell_of(std::int64_t{v[0]} + 7000, 0));
    }
    if (keyword.starts_with("progressiva")) {
        return "Kilometric reference: at " + position_text(v[0]) + " the marking reads km " +
               units::km_and_metres(at(1)) + ", direction " + std::to_string(at(2));
    }
    if (keyword.starts_with("ripetizione")) {
        return "Cab signalling from " + position_text(v[0]) + " to " + position_text(at(1));
    }
    if (keyword == "pendenza")
        return "Gradient " + per_mille(at(1)) + " from " + position_text(v[0]);
    if (keyword == "curvad3") {
        return "Curve from " + position_text(v[0]) + ", " + std::to_string(at(1)) + " m long";
    }
    if (keyword == "montagna") {
        return "Mountain stretch from " + position_text(v[0]) + " to " + position_text(at(1)) +
               ", type " + std::to_string(at(2) > 10 ? at(2) - 10 : at(2)) +
               (at(2) > 10 ? " with the marking flag" : "");
    }
    if (keyword == "indicatori_vmax") {
        return "Maximum-speed board at " + position_text(v[0]) + ": left A/B/C " +
               std::to_string(at(1)) + "/" + std::to_string(at(2)) + "/" + std::to_string(at(3)) +
               " km/h, " + std::to_string(at(4)) + " stripes; right A/B/C " +
               std::to_string(at(5)) + "/" + std::to_string(at(6)) + "/" + std::to_string(at(7)) +
               " km/h, " + std::to_string(at(8)) + " stripes";
    }
    if (keyword == "cartello_indicatore") {
        return "Route sign board at " + position_text(v[0]) + ": " + windows_1252_to_utf8(row.text);
    }
    if (keyword == "velocita") {
        const auto stored = static_cast<std::uint8_t>(round_half_even(at(1) / 5.0));
        return "Speed limit " + std::to_string(units::speed_kmh(stored)) + " km/h from " +
               position_text(v[0]);
    }
    if (keyword == "aderenza") {
        return "Adhesion " + std::to_string(at(1) & 0xFF) + " from " + position_text(v[0]);
    }
    if (keyword == "orologio") return "Start clock " + units::clock_time(v[0], at(1), at(2));
    if (keyword == "segnale") return "Signal at " + position_text(v[0]);
    if (keyword == "rallentamento") {
        return "Slowdown to " + std::to_string(at(1)) + " km/h from " + position_text(v[0]) +
               " to " + position_text(std::int64_t{v[0]} + at(2));
    }
    if (keyword == "abbattimento") {
        return "Code drop at " + position_text(v[0]) + ", value " + std::to_string(at(1));
    }
    if (keyword == "stazione") return station_lines(row, model);
    return std::string(row.kind->keyword) + ": " + std::to_string(v[0]);
}

// What the compile put into the row's cell: its feature, and the profiles there.
std::string cell_lines(const TextRow& row, const Model* model) {
    const std::optional<std::int64_t> cell = marked_cell(row);
    if (!cell) return {};
    std::string out = "\n\nCell " + std::to_string(*cell);
    if (model == nullptr || *cell < 0 || *cell >= static_cast<std::int64_t>(model->cells.size())) {
        return out + (model ? ": beyond the track" : "");
    }
    const TrackCell& held = model->cells[static_cast<std::size_t>(*cell)];
    out += " holds " + cell_kind_name(held.kind);
    const auto origin = model->cell_origins.find(static_cast<std::int32_t>(*cell));
    if (origin != model->cell_origins.end()) {
        out += ", from " + windows_1252_to_utf8(describe_place(origin->second));
    }
    return out + "; speed limit " + std::to_string(units::speed_kmh(held.speed_limit)) +
           " km/h, gradient " + units::gradient_text(held.gradient) + ", adhesion " +
           std::to_string(held.adhesion);
}

json symbol(const EditorText& text, const std::string& name, int kind, const TextRow& row,
            int last_line) {
    const json selection = text.range({"", row.line, row.column + 1, row.span});
    const json whole = {{"start", text.position(row.line, 0)},
                        {"end", text.range({"", last_line, 0, 0})["end"]}};
    return {{"name", name.empty() ? std::string("(unnamed)") : name},
            {"kind", kind},
            {"range", whole},
            {"selectionRange", selection},
            {"children", json::array()}};
}

std::optional<std::pair<std::string, int>> outline_entry(const TextRow& row) {
    if (row.kind == nullptr || row.numbers.empty()) return std::nullopt;
    const std::string_view keyword = row.kind->keyword;
    const std::string place = units::km_and_metres(row.numbers[0]);
    std::string name = windows_1252_to_utf8(row.text);
    while (name.ends_with(' ')) name.pop_back();
    if (keyword == "stazione") return std::pair{name, symbol_object};
    if (keyword == "cartello_indicatore") return std::pair{name + " " + place, symbol_string};
    if (keyword == "segnale") return std::pair{"segnale " + place, symbol_event};
    if (keyword == "rallentamento") return std::pair{"rallentamento " + place, symbol_key};
    return std::nullopt;
}

}  // namespace

std::vector<TextRow> text_rows(std::string_view single_byte, TextRole role) {
    std::vector<TextRow> rows;
    bool opened = false;
    bool general = role == TextRole::route;
    for_each_line(single_byte, [&](int line, std::string_view text) {
        const std::size_t first = text.find_first_not_of(" \t");
        if (first == std::string_view::npos) return;
        std::string_view field = text.substr(first, text.find(',', first) - first);
        while (field.ends_with(' ') || field.ends_with('\t')) field.remove_suffix(1);
        TextRow row{line, static_cast<int>(first), static_cast<int>(field.size()), {}, nullptr, {},
                    {}};
        if (!opened) {
            opened = contains(ascii_lowered(field), "[generale]");
            if (opened) row.header = std::string(field), rows.push_back(row);
            return;
        }
        if (contains(field, "[") && contains(field, "]") && !field.starts_with('-')) {
            general = false;
            row.header = std::string(field);
            rows.push_back(row);
            return;
        }
        if (contains(field, "-")) return;  // a comment field
        const RowPlace place = role == TextRole::train ? RowPlace::train
                               : general               ? RowPlace::route_general
                                                       : RowPlace::route_feature;
        row.kind = kind_of(field, place);
        if (row.kind == nullptr) return;
        read_values(text, row);
        rows.push_back(std::move(row));
    });
    return rows;
}

json row_hover(const EditorText& text, TextRole role, int line, const Model* model) {
    for (const TextRow& row : text_rows(text.single_byte(), role)) {
        if (row.line != line || row.kind == nullptr) continue;
        std::string value = "**" + std::string(row.kind->keyword) +
                            "**: " + std::string(row.kind->fields) + "\n\n" +
                            row_meaning(row, model) + cell_lines(row, model);
        return {{"contents", {{"kind", "markdown"}, {"value", value}}},
                {"range", text.range({"", row.line, row.column + 1, row.span})}};
    }
    return nullptr;
}

json document_symbols(const EditorText& text, TextRole role) {
    const std::vector<TextRow> rows = text_rows(text.single_byte(), role);
    json sections = json::array();
    int last_line = 0;
    for_each_line(text.single_byte(), [&](int line, std::string_view) { last_line = line; });
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].header.empty()) continue;
        std::size_t end = i + 1;
        while (end < rows.size() && rows[end].header.empty()) ++end;
        const int section_end = end < rows.size() ? rows[end].line - 1 : last_line;
        json section = symbol(text, windows_1252_to_utf8(rows[i].header), symbol_namespace, rows[i],
                              section_end);
        for (std::size_t k = i + 1; k < end; ++k) {
            if (auto entry = outline_entry(rows[k])) {
                section["children"].push_back(
                    symbol(text, entry->first, entry->second, rows[k], rows[k].line));
            }
        }
        sections.push_back(std::move(section));
    }
    return sections;
}

json keyword_completions(const EditorText& text, TextRole role, const json& position) {
    const auto [line, column] = text.byte_place(position);
    const std::string_view before = line_of_text(text.single_byte(), line).substr(0, column);
    json items = json::array();
    if (contains(before, ",")) return items;
    for (const RowKeyword& kind : row_keywords) {
        if ((kind.place == RowPlace::train) != (role == TextRole::train)) continue;
        std::string snippet(kind.keyword);
        int number = 1;
        for (std::string_view name : field_names(kind)) {
            snippet += ", ${" + std::to_string(number++) + ":" + std::string(name) + "}";
        }
        items.push_back({{"label", kind.keyword},
                         {"kind", completion_keyword},
                         {"detail", kind.fields},
                         {"documentation", kind.meaning},
                         {"insertTextFormat", snippet_format},
                         {"insertText", snippet}});
    }
    return items;
}

}  // namespace scenario::scenc::lsp
