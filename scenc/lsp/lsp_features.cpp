#include "scenc/lsp/lsp_features.h"

#include <algorithm>
#include <optional>

#include "compiler/decoded_values.h"
#include "compiler/errors.h"
#include "compiler/field_reader.h"
#include "compiler/numeric.h"
#include "compiler/row_scanner.h"
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

// A field's name with its unit, where the unit is a measure: "position m", "kind".
std::string name_with_unit(const FieldGrammar& field) {
    for (std::string_view measure : {"m", "km/h", "per mille", "h", "min", "s", "%"}) {
        if (field.unit == measure) return std::string(field.name) + " " + std::string(field.unit);
    }
    return std::string(field.name);
}

std::string field_list(const RowGrammar& kind) {
    std::string out;
    for (const FieldGrammar& field : kind.fields) {
        out += (out.empty() ? "" : ", ") + name_with_unit(field);
    }
    return out;
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
    const RowKind kind = row.kind->kind;
    const std::int64_t position = row.numbers[0];
    if (kind == RowKind::signal || kind == RowKind::speed_board || kind == RowKind::sign_board ||
        kind == RowKind::slowdown) {
        return cell_of(position, 1);
    }
    if (kind == RowKind::gradient || kind == RowKind::speed_limit || kind == RowKind::adhesion ||
        kind == RowKind::code_drop) {
        return cell_of(position, 0);
    }
    return std::nullopt;
}

// "8+700 (cell 175)": where the row put its feature, the cell it marks beside it.
std::string written_at(const TextRow& row) {
    const std::int64_t position = row.numbers[0];
    const std::optional<std::int64_t> cell = marked_cell(row);
    return units::km_and_metres(position) + (cell ? " (cell " + std::to_string(*cell) + ")" : "");
}

// Each value the row wrote after its position, with what its field means.
std::string field_meanings(const TextRow& row) {
    std::string out;
    const auto fields = row.kind->fields;
    for (std::size_t i = 1; i < row.numbers.size() && i < fields.size(); ++i) {
        out +=
            "\n- " + std::string(fields[i].name) + " " + std::to_string(row.numbers[i]) +
            (fields[i].unit == "km/h" || fields[i].unit == "m" ? " " + std::string(fields[i].unit)
                                                               : "") +
            ": " + std::string(fields[i].meaning);
    }
    return out.empty() ? out : "\n" + out;
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
    if (v.size() > 1) {
        out +=
            ", kind " + std::to_string(v[1]) + " (" + std::string(station_kind_meaning(v[1])) + ")";
    }
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
    const RowKind kind = row.kind->kind;
    auto at = [&](std::size_t i) { return i < v.size() ? v[i] : 0; };
    if (v.empty()) return std::string(row.kind->meaning);
    if (kind == RowKind::route_length) {
        return "Route length " + position_text(v[0]) + "; track cells 0 to " +
               std::to_string(cell_of(std::int64_t{v[0]} + 7000, 0));
    }
    if (kind == RowKind::reference_one || kind == RowKind::reference_two ||
        kind == RowKind::reference_three) {
        return "Kilometric reference: at " + position_text(v[0]) + " the marking reads km " +
               units::km_and_metres(at(1)) + ", direction " + std::to_string(at(2));
    }
    if (kind == RowKind::cab_signalling) {
        return "Cab signalling from " + position_text(v[0]) + " to " + position_text(at(1));
    }
    if (kind == RowKind::gradient)
        return "Gradient " + per_mille(at(1)) + " from " + position_text(v[0]);
    if (kind == RowKind::curve) {
        return "Curve from " + position_text(v[0]) + ", " + std::to_string(at(1)) + " m long";
    }
    if (kind == RowKind::mountain) {
        return "Mountain stretch from " + position_text(v[0]) + " to " + position_text(at(1)) +
               ", type " + std::to_string(at(2) > 10 ? at(2) - 10 : at(2)) +
               (at(2) > 10 ? " with the marking flag" : "");
    }
    if (kind == RowKind::speed_board) {
        return "Maximum-speed boards at " + written_at(row) + ": left A/B/C " +
               std::to_string(at(1)) + "/" + std::to_string(at(2)) + "/" + std::to_string(at(3)) +
               " km/h, " + std::to_string(at(4)) + " stripes; right A/B/C " +
               std::to_string(at(5)) + "/" + std::to_string(at(6)) + "/" + std::to_string(at(7)) +
               " km/h, " + std::to_string(at(8)) + " stripes" + field_meanings(row);
    }
    if (kind == RowKind::sign_board) {
        return "Route sign board at " + written_at(row) + ": " + windows_1252_to_utf8(row.text);
    }
    if (kind == RowKind::speed_limit) {
        const auto stored = static_cast<std::uint8_t>(round_half_even(at(1) / 5.0));
        return "Speed limit " + std::to_string(units::speed_kmh(stored)) + " km/h from " +
               position_text(v[0]);
    }
    if (kind == RowKind::adhesion) {
        return "Adhesion " + std::to_string(at(1) & 0xFF) + " from " + position_text(v[0]);
    }
    if (kind == RowKind::start_clock) return "Start clock " + units::clock_time(v[0], at(1), at(2));
    if (kind == RowKind::signal) return "Signal at " + written_at(row) + field_meanings(row);
    if (kind == RowKind::slowdown) {
        return "Slowdown to " + std::to_string(at(1)) + " km/h from " + written_at(row) + " to " +
               units::km_and_metres(std::int64_t{v[0]} + at(2)) + field_meanings(row);
    }
    if (kind == RowKind::code_drop) {
        return "Code drop at " + written_at(row) + ", value " + std::to_string(at(1));
    }
    if (kind == RowKind::station) return station_lines(row, model);
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
        out += ", from " + windows_1252_to_utf8(describe_place(origin->second.row));
    }
    // The feature's values as the compile packed them, read back into the row's fields.
    std::string decoded;
    for (const DecodedValue& d : decoded_cell(held)) {
        decoded += (decoded.empty() ? "" : ", ") + std::string(d.field->name) + " " +
                   std::to_string(d.value);
    }
    if (!decoded.empty()) out += " (" + decoded + ")";
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
    const RowKind kind = row.kind->kind;
    const std::string place = units::km_and_metres(row.numbers[0]);
    std::string name = windows_1252_to_utf8(row.text);
    while (name.ends_with(' ')) name.pop_back();
    if (kind == RowKind::station) return std::pair{name, symbol_object};
    if (kind == RowKind::sign_board) return std::pair{name + " " + place, symbol_string};
    if (kind == RowKind::signal)
        return std::pair{std::string(row.kind->keyword) + " " + place, symbol_event};
    if (kind == RowKind::slowdown)
        return std::pair{std::string(row.kind->keyword) + " " + place, symbol_key};
    return std::nullopt;
}

}  // namespace

namespace {

SourceLocation site_in_line(const SourceLocation& site) {
    return {"", site.line, site.column, site.span};
}

TextRow row_at(const SourceLocation& site) {
    TextRow row;
    row.line = site.line;
    row.column = site.column - 1;
    row.span = site.span;
    return row;
}

// The values of a row, each as its parser reads it, up to the first that does not read.
void read_values(FieldReader& reader, TextRow& row) {
    const auto fields = row.kind->fields;
    for (std::size_t i = 0; i < fields.size() && !reader.at_end(); ++i) {
        if (fields[i].type == FieldType::text) {
            row.text = reader.read_text();
        } else {
            row.numbers.push_back(read_number_field(reader, fields[i].type));
        }
        row.value_sites.push_back(site_in_line(reader.last_field_site()));
    }
}

}  // namespace

std::vector<TextRow> text_rows(std::string_view single_byte, TextRole role) {
    std::vector<TextRow> rows;
    FieldReader reader(single_byte, "");
    std::string field;
    auto read_field = [&] { return field = reader.read_text(); };
    // A field that does not read before the general block (a quote never closed) ends the
    // text for the compile as well: no row is found in it.
    try {
        if (!skip_to_general_block(reader, read_field)) return rows;
    } catch (const RunTimeFault&) {
        return rows;
    }
    rows.push_back(row_at(reader.last_field_site()));
    rows.back().header = field;
    RowPlace place = role == TextRole::train ? RowPlace::train : RowPlace::route_general;
    int values_from_line = 0;  // the keyword's line while a row's values are read
    for (;;) {
        values_from_line = 0;
        try {
            const std::size_t begun = reader.fields_begun();
            if (!read_keyword_field(reader, place, read_field, [](std::string_view) {})) {
                // The text's last field is no row, but a header there still ends the outline.
                if (reader.fields_begun() > begun && is_header(field)) {
                    rows.push_back(row_at(reader.last_field_site()));
                    rows.back().header = field;
                }
                break;
            }
            const SourceLocation site = reader.last_field_site();
            const RowPlace this_place = place;
            if (place == RowPlace::route_general && closes_general_block(field))
                place = RowPlace::route_feature;
            bool named = false;
            for_each_kind_named(this_place, field, [&](RowKind kind) {
                named = true;
                rows.push_back(row_at(site));
                rows.back().kind = &row_grammar_of(kind);
                values_from_line = site.line;
                read_values(reader, rows.back());
                values_from_line = 0;
                return true;
            });
            if (!named && is_header(field)) {
                rows.push_back(row_at(site));
                rows.back().header = field;
            }
        } catch (const RunTimeFault&) {
            // The values read so far are what the hover can tell; the scan goes on at the next
            // line that begins a row or a section. A row cut short took the next line's first
            // field, which is then read again, as the check does.
            if (values_from_line > 0 && reader.last_field_opens_line() &&
                reader.last_field_site().line > values_from_line) {
                reader.return_to_line_of_last_field();
            }
            reader.skip_to_line([&](std::string_view first) {
                return names_a_row(place, first) || is_header(first);
            });
        }
    }
    return rows;
}

namespace {

// The hover of one value: its field's name, meaning, unit and range, and what is stored.
std::string field_hover(const TextRow& row, std::size_t index) {
    const FieldGrammar& field = row.kind->fields[index];
    std::string out = "**" + std::string(field.name) + "**, field " + std::to_string(index + 1) +
                      " of **" + std::string(row.kind->keyword) + "** (" +
                      std::string(row.kind->name) + "): " + std::string(field.meaning) +
                      "\n\nUnit " + std::string(field.unit) + "; range " +
                      std::string(field.range) + "; read as " + std::string(type_name(field.type));
    if (field.type == FieldType::text) {
        return out + "\n\n" + std::string(field.name) + " \"" + windows_1252_to_utf8(row.text) +
               "\"";
    }
    if (index >= row.numbers.size()) return out;
    out += "\n\n" + std::string(field.name) + " " + std::to_string(row.numbers[index]) + " " +
           std::string(field.unit);
    if (const auto stored = stored_value(row.kind->kind, index, row.numbers)) {
        out += ", stored " + std::to_string(*stored);
    } else if (field.stored == StoredForm::not_stored) {
        out += ", not stored";
    }
    if (!field.stored_note.empty()) out += " (" + std::string(field.stored_note) + ")";
    return out;
}

bool covers(const SourceLocation& site, int line, int column) {
    return site.line == line && column >= site.column - 1 && column < site.column - 1 + site.span;
}

}  // namespace

json row_hover(const EditorText& text, TextRole role, int line, int column, const Model* model) {
    return row_hover(text, text_rows(text.single_byte(), role), line, column, model);
}

json row_hover(const EditorText& text, const std::vector<TextRow>& rows, int line, int column,
               const Model* model) {
    for (const TextRow& row : rows) {
        if (row.kind == nullptr) continue;
        for (std::size_t i = 0; i < row.value_sites.size(); ++i) {
            if (!covers(row.value_sites[i], line, column)) continue;
            return {{"contents", {{"kind", "markdown"}, {"value", field_hover(row, i)}}},
                    {"range", text.range(row.value_sites[i])}};
        }
    }
    for (const TextRow& row : rows) {
        if (row.line != line || row.kind == nullptr) continue;
        std::string value = "**" + std::string(row.kind->keyword) + "**: " + field_list(*row.kind) +
                            "\n\n" + row_meaning(row, model) + cell_lines(row, model);
        return {{"contents", {{"kind", "markdown"}, {"value", value}}},
                {"range", text.range({"", row.line, row.column + 1, row.span})}};
    }
    return nullptr;
}

json document_symbols(const EditorText& text, TextRole role) {
    return document_symbols(text, text_rows(text.single_byte(), role));
}

json document_symbols(const EditorText& text, const std::vector<TextRow>& rows) {
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

namespace {

// The completion items of every row keyword of a place's kind of text.
json completion_items(TextRole role) {
    json items = json::array();
    for (const RowGrammar& kind : row_grammar) {
        if ((kind.place == RowPlace::train) != (role == TextRole::train)) continue;
        std::string snippet(kind.keyword);
        int number = 1;
        for (const FieldGrammar& field : kind.fields) {
            snippet += ", ${" + std::to_string(number++) + ":" + std::string(field.name) + "}";
        }
        items.push_back({{"label", kind.keyword},
                         {"kind", completion_keyword},
                         {"detail", field_list(kind)},
                         {"documentation", kind.meaning},
                         {"insertTextFormat", snippet_format},
                         {"insertText", snippet}});
    }
    return items;
}

}  // namespace

json keyword_completions(const EditorText& text, TextRole role, const json& position) {
    const auto [line, column] = text.byte_place(position);
    const std::string_view before = line_of_text(text.single_byte(), line).substr(0, column);
    if (contains(before, ",")) return json::array();
    // The items follow from the row grammar alone: made once for each kind of text.
    static const json route_items = completion_items(TextRole::route);
    static const json train_items = completion_items(TextRole::train);
    return role == TextRole::train ? train_items : route_items;
}

}  // namespace scenario::scenc::lsp
