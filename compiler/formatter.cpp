#include "compiler/formatter.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <map>
#include <optional>
#include <span>
#include <vector>

#include "compiler/errors.h"
#include "compiler/field_reader.h"
#include "compiler/row_grammar.h"
#include "compiler/row_scanner.h"

namespace scenario {

namespace {

// How one value field is laid out after its comma: `blanks` blanks, then the value right-aligned
// in `width` characters. A value wider than its column is written after one blank.
struct FieldLayout {
    int blanks = 0;
    int width = 0;
};

// The carried route text puts a fixed number of blanks after each comma (four in the general
// block, two in the feature rows, three before a mountain's start and a sign board's text); the
// carried train text right-aligns each field in a column of its kind's own width, and puts one
// blank before a row's last free field (the station's name, the signal's time).
constexpr FieldLayout gap(int blanks) {
    return {blanks, 0};
}
constexpr FieldLayout column(int width) {
    return {0, width};
}

constexpr std::array<FieldLayout, 1> general_one{gap(4)};
constexpr std::array<FieldLayout, 2> general_two{gap(4), gap(4)};
constexpr std::array<FieldLayout, 3> general_three{gap(4), gap(4), gap(4)};
constexpr std::array<FieldLayout, 2> feature_two{gap(2), gap(2)};
constexpr std::array<FieldLayout, 3> mountain{gap(3), gap(2), gap(2)};
constexpr std::array<FieldLayout, 9> speed_board{gap(2), gap(2), gap(2), gap(2), gap(2),
                                                 gap(2), gap(2), gap(2), gap(2)};
constexpr std::array<FieldLayout, 2> sign_board{gap(2), gap(3)};
constexpr std::array<FieldLayout, 3> start_clock{gap(4), gap(14), gap(12)};
constexpr std::array<FieldLayout, 2> adhesion{column(4), column(7)};
constexpr std::array<FieldLayout, 2> position_and_speed{column(8), column(6)};
constexpr std::array<FieldLayout, 6> slowdown{column(8), column(6), column(5),
                                              column(2), column(3), column(4)};
constexpr std::array<FieldLayout, 11> signal{column(8), column(4), column(2), column(2),
                                             column(3), column(2), column(5), column(3),
                                             column(1), column(1), gap(1)};
constexpr std::array<FieldLayout, 17> station{column(8), column(3), column(5), column(3), column(2),
                                              column(2), column(3), column(1), column(1), column(3),
                                              column(1), column(1), column(5), column(4), column(2),
                                              column(2), gap(1)};

std::span<const FieldLayout> layout_of(RowKind kind) {
    switch (kind) {
        case RowKind::route_length:
        case RowKind::background_one:
        case RowKind::background_two:
        case RowKind::background_three:
        case RowKind::braked_mass:
        case RowKind::car_count:
        case RowKind::sand:
            return general_one;
        case RowKind::cab_signalling:
            return general_two;
        case RowKind::reference_three:
        case RowKind::reference_two:
        case RowKind::reference_one:
            return general_three;
        case RowKind::gradient:
        case RowKind::curve:
            return feature_two;
        case RowKind::mountain:
            return mountain;
        case RowKind::speed_board:
            return speed_board;
        case RowKind::sign_board:
            return sign_board;
        case RowKind::start_clock:
            return start_clock;
        case RowKind::adhesion:
            return adhesion;
        case RowKind::speed_limit:
        case RowKind::code_drop:
            return position_and_speed;
        case RowKind::slowdown:
            return slowdown;
        case RowKind::signal:
            return signal;
        case RowKind::station:
            return station;
    }
    return {};
}

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

// Where each line of a text starts and where its content ends, counted as the field reader
// counts lines: CR LF, a lone LF and a lone CR each end one.
struct TextLines {
    explicit TextLines(std::string_view text) {
        std::size_t start = 0;
        for (;;) {
            const std::size_t end = text.find_first_of("\r\n", start);
            if (end == std::string_view::npos) {
                lines.push_back({start, text.size(), text.size()});
                return;
            }
            const bool crlf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
            const std::size_t next = end + (crlf ? 2 : 1);
            lines.push_back({start, end, next});
            start = next;
        }
    }
    struct Line {
        std::size_t start;
        std::size_t end;   // where its line end begins
        std::size_t next;  // where the next line starts
    };
    std::vector<Line> lines;
};

// One value field of a row, as its line holds it.
struct ValueField {
    std::string_view token;
    std::size_t start = 0;  // 0-based column where it begins
    std::size_t end = 0;    // 0-based column after it
};

// The kinds a keyword field names in every place, so that lowering it can be tested to name
// the same ones: the general block's kinds compare letters exactly.
std::vector<RowKind> kinds_named_anywhere(std::string_view field) {
    std::vector<RowKind> kinds;
    for (RowPlace place : {RowPlace::route_general, RowPlace::route_feature, RowPlace::train}) {
        for_each_kind_named(place, field, [&](RowKind kind) {
            kinds.push_back(kind);
            return true;
        });
    }
    return kinds;
}

std::string keyword_as_written(std::string_view keyword) {
    std::string lowered = ascii_lowered(keyword);
    if (kinds_named_anywhere(lowered) != kinds_named_anywhere(keyword)) return std::string(keyword);
    return lowered;
}

std::size_t after_blanks(std::string_view line, std::size_t from) {
    while (from < line.size() && is_blank(line[from])) ++from;
    return from;
}

// One row laid out, or none when its line holds more than the row or does not read plainly.
std::optional<std::string> laid_out_row(std::string_view line, const SourceLocation& keyword_site,
                                        RowKind kind, const std::vector<ValueField>& values) {
    const auto keyword_start = static_cast<std::size_t>(keyword_site.column - 1);
    const std::size_t keyword_end = keyword_start + static_cast<std::size_t>(keyword_site.span);
    if (keyword_end > line.size() || line[keyword_start] == '"') return std::nullopt;
    std::size_t separator = after_blanks(line, keyword_end);
    if (separator >= line.size() || line[separator] != ',') return std::nullopt;
    const std::span<const FieldLayout> layout = layout_of(kind);
    std::string out = keyword_as_written(line.substr(keyword_start, keyword_end - keyword_start));
    bool after_comma = true;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const ValueField& value = values[i];
        // A quoted text may hold commas and run over lines: it stays as written.
        if (value.start < line.size() && line[value.start] == '"') return std::nullopt;
        const bool last = i + 1 == values.size();
        const auto length = static_cast<int>(value.token.size());
        int pad = layout[i].blanks + std::max(layout[i].width - length, 0);
        if (layout[i].width > 0 && length > layout[i].width) pad = 1;
        // Two numbers apart by blanks alone need one between them to stay two.
        if (!after_comma) pad = std::max(pad, 1);
        if (last && value.token.empty()) pad = 0;
        out += after_comma ? "," : "";
        out.append(static_cast<std::size_t>(pad), ' ');
        out += value.token;
        separator = after_blanks(line, value.end);
        if (last) {
            if (separator != line.size()) return std::nullopt;
            out += line.substr(value.end);
        } else {
            if (separator >= line.size()) return std::nullopt;
            after_comma = line[separator] == ',';
        }
    }
    return out;
}

// Reads a text's rows as its parser does and lays out the rows that stand alone on a line.
class RowLayout {
  public:
    RowLayout(std::string_view text, const std::string& display_name, RowPlace first_place)
        : text_(text), lines_(text), reader_(text, display_name), first_place_(first_place) {}

    // The new content of each line that a row rewrites, by 1-based line number.
    std::map<int, std::string> rewritten_lines() {
        std::string field;
        auto read_field = [&] { return field = reader_.read_text(); };
        RowPlace place = first_place_;
        try {
            if (!skip_to_general_block(reader_, read_field)) return {};
            while (read_keyword_field(reader_, place, read_field, [](std::string_view) {})) {
                const RowPlace this_place = place;
                if (place == RowPlace::route_general && closes_general_block(field))
                    place = RowPlace::route_feature;
                read_row(this_place, field);
            }
        } catch (const RunTimeFault&) {
            // The compile stops at a field that does not read; the lines from there on stay.
        }
        return rewritten_;
    }

  private:
    std::string_view line_text(int line) const {
        const TextLines::Line& at = lines_.lines[static_cast<std::size_t>(line - 1)];
        return text_.substr(at.start, at.end - at.start);
    }

    void read_row(RowPlace place, const std::string& keyword) {
        const SourceLocation keyword_site = reader_.last_field_site();
        const bool opens_line = reader_.last_field_opens_line();
        std::vector<RowKind> kinds;
        std::vector<ValueField> values;
        bool on_keyword_line = true;
        for_each_kind_named(place, keyword, [&](RowKind kind) {
            kinds.push_back(kind);
            for (const FieldGrammar& grammar : row_grammar_of(kind).fields) {
                if (grammar.type == FieldType::text) {
                    reader_.read_text();
                } else {
                    read_number_field(reader_, grammar.type);
                }
                const SourceLocation site = reader_.last_field_site();
                on_keyword_line = on_keyword_line && site.line == keyword_site.line;
                const auto start = static_cast<std::size_t>(site.column - 1);
                values.push_back({reader_.last_field_text(), start,
                                  start + static_cast<std::size_t>(site.span)});
            }
            return true;
        });
        if (kinds.size() != 1 || !opens_line || !on_keyword_line || is_comment(keyword) ||
            is_header(keyword)) {
            return;
        }
        const std::string_view line = line_text(keyword_site.line);
        std::optional<std::string> laid_out = laid_out_row(line, keyword_site, kinds[0], values);
        if (laid_out && *laid_out != line) rewritten_[keyword_site.line] = std::move(*laid_out);
    }

  public:
    // The text with the rewritten lines put in, every line end as it was.
    std::string joined(const std::map<int, std::string>& rewritten) const {
        std::string out;
        out.reserve(text_.size());
        for (std::size_t i = 0; i < lines_.lines.size(); ++i) {
            const TextLines::Line& line = lines_.lines[i];
            const auto found = rewritten.find(static_cast<int>(i + 1));
            if (found == rewritten.end()) {
                out += text_.substr(line.start, line.end - line.start);
            } else {
                out += found->second;
            }
            out += text_.substr(line.end, line.next - line.end);
        }
        return out;
    }

  private:
    std::string_view text_;
    TextLines lines_;
    FieldReader reader_;
    RowPlace first_place_;
    std::map<int, std::string> rewritten_;
};

}  // namespace

std::string formatted_scenario_text(std::string_view text, const std::string& display_name,
                                    RowPlace first_place) {
    RowLayout layout(text, display_name, first_place);
    const std::map<int, std::string> rewritten = layout.rewritten_lines();
    if (rewritten.empty()) return std::string(text);
    return layout.joined(rewritten);
}

std::string formatted_scenario_text(std::string_view text, const std::string& display_name) {
    return formatted_scenario_text(
        text, display_name,
        holds_route_length_words(text) ? RowPlace::route_general : RowPlace::train);
}

}  // namespace scenario
