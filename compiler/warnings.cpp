#include "compiler/warnings.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "compiler/errors.h"
#include "compiler/field_reader.h"
#include "compiler/numeric.h"
#include "compiler/row_parsing.h"
#include "compiler/row_scanner.h"
#include "compiler/timetable_warnings.h"
#include "compiler/windows_1252.h"

namespace scenario {

namespace {

// How far past its position a row reaches in the range test; a station reaches farther.
constexpr std::int32_t row_reach = 100;
constexpr std::int32_t station_reach = 800;

bool has_letter(std::string_view field) {
    return std::any_of(field.begin(), field.end(),
                       [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); });
}

std::vector<const RowGrammar*> kinds_matching(RowPlace place, std::string_view field) {
    std::vector<const RowGrammar*> found;
    for_each_kind_named(place, field, [&](RowKind kind) {
        found.push_back(&row_grammar_of(kind));
        return true;
    });
    return found;
}

// `row` is scratch room, kept by the caller across calls. The loop works on plain pointers:
// the checked operator[] of the standard containers and std::min are functions of their own,
// which the coverage instrumentation would hook at every step.
SCENARIO_PLAIN_LOOP std::size_t edit_distance(std::string_view a, std::string_view b,
                                              std::vector<std::size_t>& row) {
    row.resize(b.size() + 1);
    std::size_t* const cells = row.data();
    const char* const left = a.data();
    const char* const right = b.data();
    for (std::size_t j = 0; j <= b.size(); ++j) cells[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = cells[0];
        cells[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = cells[j];
            std::size_t best = diagonal + (left[i - 1] != right[j - 1] ? 1 : 0);
            if (above + 1 < best) best = above + 1;
            if (cells[j - 1] + 1 < best) best = cells[j - 1] + 1;
            cells[j] = best;
            diagonal = above;
        }
    }
    return cells[b.size()];
}

// A keyword is near enough when its distance is at most half its length.
bool near_enough(std::size_t distance, std::string_view keyword) {
    return distance * 2 <= keyword.size();
}

// The distance between two texts is at least the difference of their lengths.
std::size_t least_distance(std::string_view a, std::string_view b) {
    return a.size() > b.size() ? a.size() - b.size() : b.size() - a.size();
}

// The keyword nearest to the field, when it is near enough to be what the author meant. The
// lengths alone rule out most keywords for a long field, and any keyword that cannot beat the
// nearest so far: edit_distance costs the product of the two lengths, and a garbled text can
// hold thousands of long fields.
std::optional<std::string_view> nearest_keyword(RowPlace place, std::string_view field) {
    const auto kinds = kinds_of_place(place);
    const bool any_near = std::any_of(kinds.begin(), kinds.end(), [&](const RowGrammar& kind) {
        return near_enough(least_distance(field, kind.keyword), kind.keyword);
    });
    if (!any_near) return std::nullopt;
    const std::string lowered = ascii_lowered(field);
    std::optional<std::string_view> best;
    std::size_t best_distance = 0;
    std::vector<std::size_t> row;
    for (const RowGrammar& kind : kinds) {
        if (best && least_distance(lowered, kind.keyword) >= best_distance) continue;
        const std::size_t distance = edit_distance(lowered, kind.keyword, row);
        if (!best || distance < best_distance) {
            best = kind.keyword;
            best_distance = distance;
        }
    }
    if (best && near_enough(best_distance, *best)) return best;
    return std::nullopt;
}

// A valid multi-byte UTF-8 sequence starts at i.
bool utf8_sequence_at(std::string_view text, std::size_t i) {
    const auto lead = static_cast<std::uint8_t>(text[i]);
    const std::size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                               : lead >= 0xE0 && lead <= 0xEF ? 3
                               : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                              : 0;
    if (length == 0 || i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
        if ((static_cast<std::uint8_t>(text[i + k]) & 0xC0) != 0x80) return false;
    }
    return true;
}

// Why the simulator will not show a text as written, if it will not.
std::optional<std::string> encoding_problem(std::string_view text) {
    const std::string shown = "the simulator shows \"" + windows_1252_to_utf8(text) + "\"";
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (utf8_sequence_at(text, i)) {
            return "text written in UTF-8, but the simulator reads Windows-1252: " + shown;
        }
    }
    if (std::any_of(text.begin(), text.end(), undefined_in_windows_1252)) {
        return "text holds a byte that Windows-1252 does not define: " + shown;
    }
    return std::nullopt;
}

std::string quoted(std::string_view text) {
    return "\"" + windows_1252_to_utf8(text) + "\"";
}

std::string place_text(const SourceLocation& where) {
    return "line " + std::to_string(where.line);
}

// A field the walk has read, with its place.
struct Field {
    std::string text;
    SourceLocation site;
};

struct NumberField {
    std::int32_t value = 0;
    SourceLocation site;
};

// The last row of a profile, for the order test.
struct LastRow {
    std::int32_t position = 0;
    SourceLocation site;
};

// Where the walks put their warnings: those the limit keeps, the rest only counted.
class WarningList {
  public:
    WarningList(Diagnostics& kept, const WarningLimit& limit) : kept_(kept), limit_(limit) {}

    // The warning as stored, or nullptr when the limit leaves it out.
    Diagnostic* add(Diagnostic warning) {
        if (limit_.none ||
            std::find(limit_.off.begin(), limit_.off.end(), warning.name) != limit_.off.end()) {
            return nullptr;
        }
        if (limit_.most != 0 && kept_.size() >= limit_.most) {
            ++omitted_;
            return nullptr;
        }
        return &kept_.emplace_back(std::move(warning));
    }
    std::size_t omitted() const { return omitted_; }

  private:
    Diagnostics& kept_;
    const WarningLimit& limit_;
    std::size_t omitted_ = 0;
};

// Walks one text as its parser does and collects the warnings. The walk reads numbers as
// 32-bit values throughout: a value the parser cannot read is its error, not a warning.
class Walker {
  public:
    Walker(const SourceText& source, const Model& model, WarningList& out)
        : reader_(source.text, source.display_name), source_(source), model_(model), out_(out) {}

    void route() {
        if (!warn_about_byte_order_mark() || !skip_to_general_block()) return;
        if (!general_block()) return;
        feature_part();
    }

    void train() {
        if (!warn_about_byte_order_mark() || !skip_to_general_block()) return;
        for (;;) {
            std::optional<Field> keyword = keyword_field(RowPlace::train);
            if (!keyword) return;
            rows_or_next_line(RowPlace::train, *keyword);
        }
    }

  private:
    void warn(std::string_view name, const SourceLocation& where, std::string message) {
        out_.add(warning_diagnostic(name, where, std::move(message)));
    }

    // Always true: the walk goes on after it.
    bool warn_about_byte_order_mark() {
        if (source_.text.rfind("\xEF\xBB\xBF", 0) == 0) {
            warn(warning_name::text_encoding, {source_.display_name, 1, 1, 3},
                 "the text starts with a UTF-8 byte order mark, which the simulator reads as "
                 "the characters \"\xC3\xAF\xC2\xBB\xC2\xBF\" before the first field");
        }
        return true;
    }

    Field read_field() {
        Field field;
        field.text = reader_.read_text();
        field.site = reader_.last_field_site();
        warn_if_quote_spans_lines(field);
        return field;
    }

    // Only a quoted field holds a line end: its quote was closed on a later line, and the
    // rows between are part of the field, not rows.
    void warn_if_quote_spans_lines(const Field& field) {
        const std::string& text = field.text;
        const std::size_t last_end = text.find_last_of("\r\n");
        if (last_end == std::string::npos) return;
        int line_ends = 0;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\n' ||
                (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))) {
                ++line_ends;
            }
        }
        const int closing_line = field.site.line + line_ends;
        const auto closing_column = static_cast<int>(text.size() - last_end);
        const std::string swallowed = line_ends == 1
                                          ? "line " + std::to_string(closing_line)
                                          : "lines " + std::to_string(field.site.line + 1) +
                                                " to " + std::to_string(closing_line);
        Diagnostic* d = out_.add(warning_diagnostic(
            warning_name::quote_spans_lines, field.site,
            "a quote opens a field here and closes only on line " + std::to_string(closing_line) +
                ", column " + std::to_string(closing_column) + ": the field swallows " + swallowed +
                " (" + std::to_string(line_ends) + (line_ends == 1 ? " row" : " rows") +
                "), line ends included"));
        if (d) d->related = SourceLocation{field.site.file, closing_line, closing_column, 1};
    }

    NumberField read_number() {
        NumberField number;
        number.value = reader_.read_long();
        number.site = reader_.last_field_site();
        return number;
    }

    bool skip_to_general_block() {
        return scenario::skip_to_general_block(reader_, [this] { return read_field().text; });
    }

    // The next keyword field of the place, after the comment fields its limit skips, or none
    // at the end of the text (its last field is never interpreted).
    std::optional<Field> keyword_field(RowPlace place) {
        Field field;
        const bool found = read_keyword_field(
            reader_, place,
            [&] {
                field = read_field();
                return field.text;
            },
            [&](std::string_view) { warn_about_comment(field); });
        if (!found) return std::nullopt;
        if (is_comment(field.text)) warn_past_comment_limit(field, comment_limit(place));
        return field;
    }

    // A comment field after as many as the parser skips in a row is read as a keyword: a
    // row commented out with "-" comes back to life when it is the third in a row.
    void warn_past_comment_limit(const Field& field, int comments) {
        const std::string_view read_as = first_match(part_, field);
        if (read_as.empty()) return;
        warn(warning_name::comment_limit, field.site,
             quoted(field.text) + " follows " + std::to_string(comments) +
                 " comment fields in a row, the most that are skipped, so it is read as a \"" +
                 std::string(read_as) + "\" row, not as a comment");
    }

    void warn_about_comment(const Field& field) {
        const bool in_general_block = part_ == RowPlace::route_general;
        if (in_general_block && is_header(field.text)) {
            general_block_runs_on_ = true;
            warn(warning_name::comment_keyword, field.site,
                 "header " + quoted(field.text) +
                     " contains \"-\", so it is read as a comment and does not close the "
                     "general block, which runs on to the next header");
            return;
        }
        const std::string_view meant = first_match(part_, field);
        if (meant.empty()) return;
        warn(warning_name::comment_keyword, field.site,
             quoted(field.text) + " contains \"-\", so it is read as a comment, not as a \"" +
                 std::string(meant) + "\" row; the fields after it are read as keywords");
    }

    static std::string_view first_match(RowPlace place, const Field& field) {
        const std::optional<RowKind> kind = first_kind_named(field.text, place);
        return kind ? row_grammar_of(*kind).keyword : std::string_view{};
    }

    bool general_block() {
        part_ = RowPlace::route_general;
        for (;;) {
            std::optional<Field> keyword = keyword_field(part_);
            if (!keyword) return false;
            if (!rows_or_next_line(part_, *keyword)) return false;
            if (closes_general_block(keyword->text)) return true;
        }
    }

    void feature_part() {
        part_ = RowPlace::route_feature;
        for (;;) {
            std::optional<Field> keyword = keyword_field(part_);
            if (!keyword) return;
            rows_or_next_line(part_, *keyword);
        }
    }

    // A read fault ends the compile but not the author's slips after it: as the check does,
    // the walk goes on at the next line, so that every warning of the text is given. A row
    // cut short gave its fault to the next line's first field, whose line is read again.
    bool rows_or_next_line(RowPlace place, const Field& keyword) {
        try {
            return rows(place, keyword);
        } catch (const RunTimeFault& fault) {
            const int faulted_line =
                fault.site.file.empty() ? reader_.last_field_site().line : fault.site.line;
            if (faulted_line < reader_.last_field_site().line) {
                reader_.return_to_line_of_last_field();
            }
            reader_.skip_to_line([](std::string_view) { return true; });
            return !reader_.at_end();
        }
    }

    // Reads the rows a keyword field stands for, as the parser does; false at the end.
    bool rows(RowPlace place, const Field& keyword) {
        std::vector<const RowGrammar*> found = kinds_matching(place, keyword.text);
        // Without the plan option a curve is no row: its values are read as keywords, which
        // is what the author asked for.
        const std::size_t matched = found.size();
        std::erase_if(found, [&](const RowGrammar* kind) {
            return kind->kind == RowKind::curve && model_.plan_option == 0;
        });
        if (found.empty()) {
            if (matched == 0) warn_unknown(place, keyword);
            return true;
        }
        warn_about_keyword(found, keyword);
        for (const RowGrammar* kind : found) {
            std::vector<NumberField> numbers;
            for (std::size_t i = 0; i < number_count(kind->kind); ++i)
                numbers.push_back(read_number());
            std::optional<Field> text;
            if (ends_with_text(kind->kind)) text = read_field();
            check_row(kind->kind, keyword, numbers, text);
        }
        return true;
    }

    void warn_unknown(RowPlace place, const Field& keyword) {
        // The values of an ignored row are read as keywords too: one warning for the row.
        // A third comment in a row is examined as a keyword and ignored, as its author meant.
        if (!has_letter(keyword.text) || contains(keyword.text, "[") ||
            contains(keyword.text, "-") || keyword.site.line == last_unknown_line_) {
            return;
        }
        last_unknown_line_ = keyword.site.line;
        if (part_ == RowPlace::route_general &&
            first_match(RowPlace::route_feature, keyword) != "") {
            // After a header read as a comment, that warning tells why.
            if (general_block_runs_on_) return;
            warn(warning_name::unknown_keyword, keyword.site,
                 quoted(keyword.text) +
                     " stands in the general block, before the header that "
                     "closes it, so the row is ignored");
            return;
        }
        std::string message = quoted(keyword.text) + " is no keyword here, so the row is ignored";
        if (std::optional<std::string_view> meant = nearest_keyword(place, keyword.text)) {
            message += "; did you mean \"" + std::string(*meant) + "\"?";
        }
        warn(warning_name::unknown_keyword, keyword.site, std::move(message));
    }

    void warn_about_keyword(const std::vector<const RowGrammar*>& found, const Field& keyword) {
        if (is_header(keyword.text)) {
            warn(warning_name::header_keyword, keyword.site,
                 "header " + quoted(keyword.text) + " contains a keyword, so it is read as a \"" +
                     std::string(found.front()->keyword) + "\" row taking the fields after it");
        } else if (found.size() > 1) {
            warn(warning_name::keyword_misread, keyword.site,
                 quoted(keyword.text) + " is read both as a \"" + std::string(found[0]->keyword) +
                     "\" row and as a \"" + std::string(found[1]->keyword) +
                     "\" row, each taking its own fields");
        }
    }

    void check_row(RowKind kind, const Field& keyword, const std::vector<NumberField>& n,
                   const std::optional<Field>& text) {
        hand_to_timetable(kind, n, text);
        switch (kind) {
            case RowKind::gradient:
                check_position(n[0]);
                check_order(gradient_, n[0], "gradient");
                check_gradient(n[1]);
                break;
            case RowKind::curve:
                check_position(n[0]);
                check_curve_side(keyword);
                break;
            case RowKind::mountain:
            case RowKind::speed_board:
            case RowKind::signal:
            case RowKind::slowdown:
                check_position(n[0]);
                break;
            case RowKind::sign_board:
            case RowKind::station:
                check_position(n[0], kind == RowKind::station ? station_reach : row_reach);
                if (kind == RowKind::station) check_order(station_, n[0], "station");
                if (text) check_text(*text);
                break;
            case RowKind::speed_limit:
                check_position(n[0]);
                check_order(speed_, n[0], "speed");
                check_speed(n[1]);
                break;
            case RowKind::adhesion:
                check_position(n[0]);
                check_order(adhesion_, n[0], "adhesion");
                check_low_byte(n[1], "adhesion", "an adhesion of ");
                break;
            case RowKind::code_drop:
                check_position(n[0]);
                check_code_value(n[1]);
                break;
            default:
                break;
        }
    }

    // The timetable is judged as a whole, once every row is read.
    void hand_to_timetable(RowKind kind, const std::vector<NumberField>& n,
                           const std::optional<Field>& text) {
        const auto clock = [&](std::size_t i) { return ClockField{n[i].value, n[i].site}; };
        if (kind == RowKind::start_clock) timetable_.start_clock(clock(0), clock(1), clock(2));
        if (kind == RowKind::station) {
            timetable_.station(n[0].value, clock(13), clock(14), clock(15), text ? text->text : "");
        }
    }

  public:
    Diagnostics timetable_warnings() const { return timetable_.warnings(model_); }

  private:
    // The track runs 7 km past the route's end, so the range test lets such rows through.
    void check_position(const NumberField& position, std::int32_t reach = row_reach) {
        const std::int32_t length = model_.records[record_slot::totals].zone_end;
        if (!model_.has_cells() || model_.provisional_track || position.value <= length) return;
        if (!within_track(model_, position.value, reach)) return;  // the compile's own error
        Diagnostic* d = out_.add(warning_diagnostic(
            warning_name::beyond_route, position.site,
            "position " + std::to_string(position.value) + " lies past the end of the route (" +
                std::to_string(length) + " m), in the track's last 7 km"));
        if (d) d->position = position.value;
    }

    // Profiles fill the cells up to each row's cell, so a row at or before the previous one's
    // cell loses its place.
    // Stations, numbered in file order, need only not go backwards.
    void check_order(std::optional<LastRow>& last, const NumberField& position,
                     const std::string& what) {
        if (last) {
            const bool station = &last == &station_;
            const bool backwards = station
                                       ? position.value < last->position
                                       : round_half_even(position.value / double{cell_length}) <=
                                             round_half_even(last->position / double{cell_length});
            if (backwards) {
                Diagnostic* d = out_.add(warning_diagnostic(
                    warning_name::out_of_order, position.site,
                    what + " row at " + std::to_string(position.value) +
                        " does not come after the previous one at " +
                        std::to_string(last->position) + " (" + place_text(last->site) +
                        (station ? "): stations are numbered in file order"
                                 : "): the profile is filled in file order, so this row's "
                                   "value does not start where it says")));
                if (d) {
                    d->position = position.value;
                    d->related = last->site;
                }
            }
        }
        last = LastRow{position.value, position.site};
    }

    void check_gradient(const NumberField& gradient) {
        const std::int64_t stored = store_wrapped<std::uint8_t>(std::int64_t{gradient.value} + 100);
        if (stored - 100 == gradient.value) return;
        warn(warning_name::value_wraps, gradient.site,
             "gradient " + std::to_string(gradient.value) + " per mille is stored as " +
                 std::to_string(stored) + " in one byte: the simulator sees " +
                 std::to_string(stored - 100) + " per mille (gradients lie between -100 and 155)");
    }

    void check_speed(const NumberField& speed) {
        const std::int64_t steps = round_half_even(static_cast<double>(speed.value) / 5.0);
        const std::int64_t stored = store_wrapped<std::uint8_t>(steps);
        if (stored == steps) return;
        warn(warning_name::value_wraps, speed.site,
             "speed " + std::to_string(speed.value) + " km/h is stored as " +
                 std::to_string(stored) + " (in 5 km/h steps, one byte): the simulator sees " +
                 std::to_string(stored * 5) + " km/h (speeds lie between 0 and 1277)");
    }

    void check_low_byte(const NumberField& value, const std::string& what,
                        const std::string& lead) {
        const std::int64_t stored = store_wrapped<std::uint8_t>(value.value);
        if (stored == value.value) return;
        warn(warning_name::value_wraps, value.site,
             lead + std::to_string(value.value) +
                 " is stored as its low byte: the simulator "
                 "sees " +
                 what + " " + std::to_string(stored) + " (0 to 255 come through)");
    }

    void check_code_value(const NumberField& value) {
        const std::int64_t stored = store_wrapped<std::int16_t>(value.value);
        if (value.value <= 0 || stored == value.value) return;
        warn(warning_name::value_wraps, value.site,
             "code value " + std::to_string(value.value) +
                 " is stored in 16 bits: the "
                 "simulator sees " +
                 std::to_string(stored));
    }

    // Any "s" makes a curve a left-hand one, even in a word meant for the right.
    void check_curve_side(const Field& keyword) {
        const std::string lowered = ascii_lowered(keyword.text);
        if (!contains(lowered, "s")) return;
        const std::size_t side = lowered.find_first_not_of(" _", lowered.find("curva") + 5);
        if (side == std::string::npos || lowered[side] != 'd') return;
        warn(warning_name::keyword_misread, keyword.site,
             quoted(keyword.text) +
                 " is read as a left-hand curve because it contains an "
                 "\"s\"; write \"curvad\" and the class digit for a "
                 "right-hand one");
    }

    void check_text(const Field& text) {
        if (std::optional<std::string> problem = encoding_problem(text.text)) {
            warn(warning_name::text_encoding, text.site, std::move(*problem));
        }
    }

    FieldReader reader_;
    const SourceText& source_;
    const Model& model_;
    WarningList& out_;
    RowPlace part_ = RowPlace::train;
    int last_unknown_line_ = 0;
    bool general_block_runs_on_ = false;
    std::optional<LastRow> gradient_;
    std::optional<LastRow> speed_;
    std::optional<LastRow> adhesion_;
    std::optional<LastRow> station_;
    TimetableWarnings timetable_;
};

// One text's warnings; a fault outside a row (a text that cannot be read at all) ends it.
void walk(const SourceText& source, const Model& model, bool route, WarningList& out) {
    Walker walker(source, model, out);
    try {
        if (route) {
            walker.route();
        } else {
            walker.train();
        }
    } catch (const RunTimeFault&) {
    }
    if (!route) {
        for (Diagnostic& warning : walker.timetable_warnings()) out.add(std::move(warning));
    }
}

}  // namespace

const std::vector<std::string_view>& all_warning_names() {
    static const std::vector<std::string_view> names{
        warning_name::unknown_keyword, warning_name::keyword_misread,
        warning_name::header_keyword,  warning_name::comment_keyword,
        warning_name::comment_limit,   warning_name::value_wraps,
        warning_name::text_encoding,   warning_name::beyond_route,
        warning_name::out_of_order,    warning_name::quote_spans_lines,
        warning_name::row_runs_on,     warning_name::stale_plan,
        warning_name::file_names,      warning_name::clock_range,
        warning_name::timetable_order, warning_name::timetable_too_fast};
    return names;
}

Diagnostic warning_diagnostic(std::string_view name, SourceLocation where, std::string message) {
    Diagnostic warning;
    warning.severity = Severity::warning;
    warning.name = std::string(name);
    warning.location = std::move(where);
    warning.message = std::move(message);
    return warning;
}

void add_warnings(CheckResult& result, const Diagnostics& warnings, const SourceText& route,
                  const SourceText& train) {
    const auto key = [&](const Diagnostic& d) {
        const int text = d.location.file.empty()                 ? 2
                         : d.location.file == route.display_name ? 0
                         : d.location.file == train.display_name ? 1
                                                                 : 2;
        return std::pair{text, d.location.line};
    };
    // Both lists are in text and line order already: one merge, each warning after the
    // diagnostics of its own line.
    Diagnostics merged;
    merged.reserve(result.diagnostics.size() + warnings.size());
    std::optional<std::size_t> final_error;
    auto warning = warnings.begin();
    for (std::size_t i = 0; i < result.diagnostics.size(); ++i) {
        const Diagnostic& d = result.diagnostics[i];
        for (; warning != warnings.end() && key(*warning) < key(d); ++warning) {
            merged.push_back(*warning);
        }
        if (result.final_error == i) final_error = merged.size();
        merged.push_back(d);
    }
    merged.insert(merged.end(), warning, warnings.end());
    result.diagnostics = std::move(merged);
    result.final_error = final_error;
}

Diagnostics scenario_warnings(const SourceText& route, const SourceText& train, const Model& model,
                              const WarningLimit& limit, std::size_t* omitted) {
    Diagnostics warnings;
    WarningList list(warnings, limit);
    walk(route, model, true, list);
    walk(train, model, false, list);
    if (omitted != nullptr) *omitted += list.omitted();
    // Rows are met in text order already; a stable sort keeps that within a line.
    std::stable_sort(warnings.begin(), warnings.end(),
                     [&](const Diagnostic& a, const Diagnostic& b) {
                         const bool a_route = a.location.file == route.display_name;
                         const bool b_route = b.location.file == route.display_name;
                         if (a_route != b_route) return a_route;
                         return a.location.line < b.location.line;
                     });
    return warnings;
}

}  // namespace scenario
