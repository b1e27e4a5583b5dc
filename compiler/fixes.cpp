#include "compiler/fixes.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <set>

#include "compiler/errors.h"
#include "compiler/field_reader.h"
#include "compiler/numeric.h"
#include "compiler/row_grammar.h"
#include "compiler/row_parsing.h"
#include "compiler/row_scanner.h"
#include "compiler/windows_1252.h"

namespace scenario {

namespace {

// Rows reach 100 m past their position, as the parsers' range test has it.
constexpr std::int32_t row_reach = 100;
// Where each line starts, as the field reader counts lines (CR LF, LF or CR end one).
std::vector<std::size_t> line_starts(std::string_view text) {
    std::vector<std::size_t> starts{0};
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        if (text[i] == '\n' || text[i] == '\r') starts.push_back(i + 1);
    }
    return starts;
}

// A taken cell is moved at most this many cells away: further off, the author must choose.
constexpr std::int64_t free_cell_search = 40;

// The field a place points at, without the blanks around it.
struct PlacedField {
    SourceLocation place;  // its first byte and its length
    std::string_view text;
    std::string_view line;
};

std::optional<PlacedField> field_at(const SourceLocation& at, std::string_view text,
                                    LineFinder& lines) {
    if (at.line <= 0 || at.column <= 0 || at.span <= 0) return std::nullopt;
    const std::string_view line = lines.line(text, at.line);
    const auto start = static_cast<std::size_t>(at.column - 1);
    if (start >= line.size()) return std::nullopt;
    std::string_view field = line.substr(start, static_cast<std::size_t>(at.span));
    const std::size_t first = field.find_first_not_of(" \t");
    if (first == std::string_view::npos) return std::nullopt;
    const std::size_t last = field.find_last_not_of(" \t");
    PlacedField placed{at, field.substr(first, last - first + 1), line};
    placed.place.column = at.column + static_cast<int>(first);
    placed.place.span = static_cast<int>(placed.text.size());
    return placed;
}

std::optional<std::int64_t> whole_number(std::string_view text) {
    std::int64_t value = 0;
    const char* begin = text.data() + (text.starts_with('+') ? 1 : 0);
    const auto [end, problem] = std::from_chars(begin, text.data() + text.size(), value);
    if (problem != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return value;
}

Fix replacing(const PlacedField& field, std::string replacement, std::string description,
              bool safe) {
    return Fix{std::move(description), {TextEdit{field.place, std::move(replacement)}}, safe};
}

Fix number_fix(const PlacedField& field, std::int64_t value, bool safe) {
    return replacing(field, std::to_string(value), "write " + std::to_string(value), safe);
}

// The nearest multiples of a grid step: one, or both neighbours when they are as near.
std::vector<Fix> nearest_multiple(const PlacedField& field, std::int64_t step) {
    const std::optional<std::int64_t> value = whole_number(field.text);
    if (!value || *value % step == 0) return {};
    const std::int64_t below = *value - ((*value % step) + step) % step;
    const std::int64_t above = below + step;
    const std::int64_t to_below = *value - below;
    const std::int64_t to_above = above - *value;
    if (to_below == to_above)
        return {number_fix(field, below, false), number_fix(field, above, false)};
    return {number_fix(field, to_below < to_above ? below : above, true)};
}

// The cell a feature's position marks: signals and sign boards position / 50 + 1, code drops
// position / 50.
std::int64_t cell_offset(std::int32_t number) {
    return number == error_number::code_drop_taken ? 0 : 1;
}

class FixFinder {
  public:
    FixFinder(const SourceText& route, const SourceText& train, const Model& model)
        : route_(route), train_(train), model_(model) {}

    std::vector<Fix> fixes_for(const Diagnostic& d) {
        const SourceText* source = text_of(d.location.file);
        if (source == nullptr) return {};
        if (d.number == error_number::no_route_length && d.severity == Severity::error) {
            return route_length_row(*source);
        }
        if (d.number == error_number::beyond_track && d.consequences && source == &route_) {
            return route_length_value(d.location);
        }
        if (d.severity == Severity::warning && d.name == warning_name::text_encoding &&
            d.location.line == 1 && d.location.column == 1 &&
            source->text.starts_with("\xEF\xBB\xBF")) {
            return {Fix{"remove the UTF-8 byte order mark",
                        {TextEdit{{d.location.file, 1, 1, 3}, ""}},
                        true}};
        }
        // Diagnostics come in about the order of their lines: each text's line finder walks
        // from the last line found, not from the start of the text.
        LineFinder& lines = source == &route_ ? route_lines_ : train_lines_;
        const std::optional<PlacedField> field = field_at(d.location, source->text, lines);
        if (!field) return {};
        if (d.severity == Severity::warning) return warning_fixes(d, *field, source == &train_);
        switch (d.number) {
            case error_number::progressive_off_grid:
            case error_number::cab_start_off_grid:
            case error_number::cab_end_off_grid:
            case error_number::station_off_grid:
                return nearest_multiple(*field, 50);
            case error_number::station_length_off_grid:
                return nearest_multiple(*field, 100);
            case error_number::sign_board_taken:
            case error_number::code_drop_taken:
            case error_number::signal_taken:
                return nearest_free_cell(d, *field);
            case error_number::bad_curve_or_plan:
                return curve_classes(*field);
            case error_number::read_fault:
                return value_kept(*field, source == &train_);
            default:
                return {};
        }
    }

  private:
    const SourceText* text_of(const std::string& file) const {
        if (file.empty()) return nullptr;
        if (file == route_.display_name) return &route_;
        if (file == train_.display_name) return &train_;
        return nullptr;
    }

    std::vector<Fix> warning_fixes(const Diagnostic& d, const PlacedField& field, bool in_train) {
        if (d.name == warning_name::unknown_keyword) return nearest_keyword(d, field, in_train);
        if (d.name == warning_name::text_encoding) return windows_1252_spelling(field);
        if (d.name == warning_name::value_wraps) return value_kept(field, in_train);
        return {};
    }

    // The keyword the warning names after "did you mean", which ends its message. The field
    // quoted at the message's start may hold those words itself, so only the message's end is
    // read. It is safe only when the row it names finds all its fields on the keyword's line: a
    // row that is short there would take the next line's fields as its own, losing the row
    // there.
    static std::vector<Fix> nearest_keyword(const Diagnostic& d, const PlacedField& field,
                                            bool in_train) {
        static constexpr std::string_view lead = "; did you mean \"";
        static constexpr std::string_view tail = "\"?";
        const std::string_view message = d.message;
        if (!message.ends_with(tail)) return {};
        const std::size_t start = message.rfind(lead);
        if (start == std::string_view::npos) return {};
        const std::size_t from = start + lead.size();
        std::string keyword(message.substr(from, message.size() - tail.size() - from));
        if (keyword.empty() || keyword.find('"') != std::string::npos) return {};
        const bool fits = row_fits_line(keyword, field, in_train);
        return {replacing(field, keyword, "write \"" + keyword + "\"", fits)};
    }

    // Whether every row a keyword would name at this field reads its fields from the field's
    // own line, counted as the field reader splits them, and the fields it takes were plain
    // values before. An ignored row's fields are each examined as a keyword: one that names a
    // row or reads as a comment (a negative number holds "-") took part in that reading, and
    // the comments counted before the next keyword, which decide whether a comment there is
    // read as a row, would change with the fix.
    static bool row_fits_line(std::string_view keyword, const PlacedField& field, bool in_train) {
        const std::vector<RowPlace> places =
            in_train ? std::vector{RowPlace::train}
                     : std::vector{RowPlace::route_general, RowPlace::route_feature};
        const std::string_view rest = field.line.substr(
            std::min(field.line.size(),
                     static_cast<std::size_t>(field.place.column - 1 + field.place.span)));
        const std::size_t comma = rest.find(',');
        std::size_t fields_on_line = 0;
        if (comma != std::string_view::npos) {
            FieldReader reader(rest.substr(comma + 1), "");
            try {
                for (; !reader.at_end(); ++fields_on_line) {
                    if (!plain_value(reader.read_text(), places)) return false;
                }
            } catch (const RunTimeFault&) {
                return false;  // a quote left open: the row runs on past its line
            }
        }
        std::size_t needed = 0;
        for (RowPlace place : places) {
            for_each_kind_named(place, keyword, [&](RowKind kind) {
                needed = std::max(needed, field_count(kind));
                return true;
            });
        }
        return fields_on_line >= needed;
    }

    static bool plain_value(std::string_view value, const std::vector<RowPlace>& places) {
        if (is_comment(value)) return false;
        bool names_a_row = false;
        for (RowPlace place : places) {
            for_each_kind_named(place, value, [&](RowKind) {
                names_a_row = true;
                return false;
            });
        }
        return !names_a_row;
    }

    static std::vector<Fix> windows_1252_spelling(const PlacedField& field) {
        const std::string spelled = utf8_to_windows_1252(field.text);
        // A character the code page lacks would become '?': no spelling of it is right.
        if (spelled == field.text || std::count(spelled.begin(), spelled.end(), '?') !=
                                         std::count(field.text.begin(), field.text.end(), '?')) {
            return {};
        }
        return {replacing(field, spelled,
                          "write \"" + std::string(field.text) +
                              "\" in Windows-1252; a whole text converts with "
                              "iconv -f UTF-8 -t WINDOWS-1252",
                          true)};
    }

    // The value nearest to the written one that the field keeps as written.
    static std::vector<Fix> value_kept(const PlacedField& field, bool in_train) {
        const std::optional<std::int64_t> value = whole_number(field.text);
        const FieldGrammar* grammar = grammar_at(field, in_train);
        if (!value || grammar == nullptr) return {};
        std::optional<std::pair<std::int64_t, std::int64_t>> kept = kept_range(*grammar);
        if (!kept && !in_train) kept = speed_pair_range(field);
        if (!kept) return {};
        const std::int64_t nearest = std::clamp(*value, kept->first, kept->second);
        if (nearest == *value) return {};
        return {number_fix(field, nearest, false)};
    }

    // The grammar of the field a place points at, by its row's keyword and the commas before
    // it on the line.
    static const FieldGrammar* grammar_at(const PlacedField& field, bool in_train) {
        const std::string_view line = field.line;
        const std::size_t comma = line.find(',');
        if (comma == std::string_view::npos) return nullptr;
        const std::string_view keyword = line.substr(0, comma);
        std::optional<RowKind> kind;
        for (RowPlace place : in_train
                                  ? std::vector{RowPlace::train}
                                  : std::vector{RowPlace::route_feature, RowPlace::route_general}) {
            if (!kind) kind = first_kind_named(keyword, place);
        }
        if (!kind) return nullptr;
        const auto before = line.substr(0, static_cast<std::size_t>(field.place.column - 1));
        const auto index =
            static_cast<std::size_t>(std::count(before.begin(), before.end(), ',')) - 1;
        const auto fields = row_grammar_of(*kind).fields;
        return index < fields.size() ? &fields[index] : nullptr;
    }

    // A board speed packs with the other speed of its pair into 16 bits: left x 20 + right / 5
    // (rounded) from -32768 to 32767. Its range is what the pair keeps with the other speed as
    // written.
    static std::optional<std::pair<std::int64_t, std::int64_t>> speed_pair_range(
        const PlacedField& field) {
        const std::string_view line = field.line;
        const std::size_t comma = line.find(',');
        if (comma == std::string_view::npos ||
            first_kind_named(line.substr(0, comma), RowPlace::route_feature) !=
                RowKind::speed_board) {
            return std::nullopt;
        }
        std::vector<std::string_view> fields;
        for (std::size_t from = comma + 1;;) {
            const std::size_t end = line.find(',', from);
            std::string_view each = line.substr(from, end - from);
            const std::size_t first = each.find_first_not_of(" \t");
            each = first == std::string_view::npos
                       ? std::string_view{}
                       : each.substr(first, each.find_last_not_of(" \t") - first + 1);
            fields.push_back(each);
            if (end == std::string_view::npos) break;
            from = end + 1;
        }
        const auto before = line.substr(0, static_cast<std::size_t>(field.place.column - 1));
        const auto index =
            static_cast<std::size_t>(std::count(before.begin(), before.end(), ',')) - 1;
        const bool left = index >= 1 && index <= 3;
        const bool right = index >= 5 && index <= 7;
        const std::size_t partner = left ? index + 4 : index - 4;
        if ((!left && !right) || partner >= fields.size()) return std::nullopt;
        // An empty field reads 0.
        const std::optional<std::int64_t> other = fields[partner].empty()
                                                      ? std::optional<std::int64_t>{0}
                                                      : whole_number(fields[partner]);
        if (!other) return std::nullopt;
        if (left) {
            const std::int64_t steps = round_half_even(static_cast<double>(*other) / 5.0);
            return std::pair{-floor_div(steps - INT16_MIN, 20), floor_div(INT16_MAX - steps, 20)};
        }
        // Within 2 of a multiple of 5 the right speed rounds to that step.
        return std::pair{(INT16_MIN - *other * 20) * 5 - 2, (INT16_MAX - *other * 20) * 5 + 2};
    }

    // The values a field keeps: "A to B" at the start of its range, else what its stored form
    // or type holds.
    static std::optional<std::pair<std::int64_t, std::int64_t>> kept_range(
        const FieldGrammar& field) {
        const std::string_view range = field.range;
        const std::size_t to = range.find(" to ");
        if (to != std::string_view::npos) {
            std::string_view upper = range.substr(to + 4);
            upper = upper.substr(0, upper.find_first_not_of("-0123456789"));
            const std::optional<std::int64_t> low = whole_number(range.substr(0, to));
            const std::optional<std::int64_t> high = whole_number(upper);
            if (low && high) return std::pair{*low, *high};
        }
        if (field.type == FieldType::integer) return std::pair{-32768, 32767};
        if (field.type == FieldType::byte) return std::pair{0, 255};
        return std::nullopt;
    }

    std::vector<Fix> nearest_free_cell(const Diagnostic& d, const PlacedField& field) {
        const std::optional<std::int64_t> value = whole_number(field.text);
        if (!value || !model_.has_cells()) return {};
        const std::int64_t offset = cell_offset(d.number);
        const std::int64_t cell =
            round_half_even(static_cast<double>(*value) / cell_length) + offset;
        for (std::int64_t step = 1; step <= free_cell_search; ++step) {
            std::vector<std::int64_t> found;
            for (std::int64_t candidate : {cell - step, cell + step}) {
                if (usable_cell(candidate, offset)) found.push_back(candidate);
            }
            if (found.empty()) continue;
            std::vector<Fix> fixes;
            for (std::int64_t candidate : found) {
                const std::int64_t position = (candidate - offset) * cell_length;
                fixes.push_back(replacing(field, std::to_string(position),
                                          "write " + std::to_string(position) + ", free cell " +
                                              std::to_string(candidate),
                                          found.size() == 1));
            }
            if (found.size() == 1) claimed_.insert(found.front());
            return fixes;
        }
        return {};
    }

    bool usable_cell(std::int64_t cell, std::int64_t offset) const {
        const std::int64_t position = (cell - offset) * cell_length;
        if (cell < 0 || cell > model_.cell_upper || position < 0 || position > INT32_MAX)
            return false;
        if (!within_track(model_, static_cast<std::int32_t>(position), row_reach)) return false;
        return model_.cells[static_cast<std::size_t>(cell)].is_free() && !claimed_.contains(cell);
    }

    // A curve keyword without a class digit: each class, for the author to choose.
    static std::vector<Fix> curve_classes(const PlacedField& field) {
        const std::string lowered = ascii_lowered(field.text);
        if (!contains(lowered, "curva") || lowered.find_first_of("123456") != std::string::npos) {
            return {};
        }
        std::string bare(field.text);
        std::erase_if(bare, [](char c) { return c >= '0' && c <= '9'; });
        std::vector<Fix> fixes;
        for (char digit = '1'; digit <= '6'; ++digit) {
            const std::string keyword = bare + digit;
            fixes.push_back(replacing(field, keyword,
                                      "write \"" + keyword + "\" for class " + digit + " (1 to 6)",
                                      false));
        }
        return fixes;
    }

    // The route's line of "[generale]" (0 when it has none), and the furthest position its
    // rows name: the length the route needs.
    struct RouteReach {
        int header_line = 0;
        std::int64_t length = 0;
    };
    static RouteReach route_reach(const SourceText& source) {
        int header_line = 0;
        std::int64_t furthest = 0;
        const std::vector<std::size_t> starts = line_starts(source.text);
        LineFinder lines;
        for (std::size_t index = 0; index < starts.size(); ++index) {
            const int line = static_cast<int>(index) + 1;
            const std::string_view row = lines.line(source.text, line);
            if (header_line == 0) {
                if (opens_general_block(row)) header_line = line;
                continue;
            }
            const std::size_t comma = row.find(',');
            if (comma == std::string_view::npos) continue;
            std::string_view first = row.substr(comma + 1);
            first = first.substr(0, first.find(','));
            const std::size_t begin = first.find_first_not_of(" \t");
            if (begin == std::string_view::npos) continue;
            first = first.substr(begin);
            first = first.substr(0, first.find_first_of(" \t"));
            if (const std::optional<std::int64_t> value = whole_number(first)) {
                furthest = std::max(furthest, *value);
            }
        }
        return {header_line, std::min<std::int64_t>((furthest + 49) / 50 * 50, 1000000)};
    }

    // The missing route length row, after the general block's header, long enough for the
    // furthest position the route's rows name.
    std::vector<Fix> route_length_row(const SourceText& source) const {
        if (&source != &route_ || holds_route_length_words(train_.text)) return {};
        const auto [header_line, length] = route_reach(source);
        if (header_line == 0) return {};
        const std::string row = "lunghezza percorso, " + std::to_string(length);
        return {Fix{"add the row \"" + row + "\" after line " + std::to_string(header_line) +
                        "; its length covers the furthest position the rows name",
                    {TextEdit{{source.display_name, header_line + 1, 1, 0}, row + "\r\n"}},
                    false}};
    }

    // A route length of 0, or none written: the length the rows need, written in its place.
    std::vector<Fix> route_length_value(const SourceLocation& at) const {
        const std::int64_t length = route_reach(route_).length;
        if (length == 0 || at.line <= 0 || at.column <= 0) return {};
        // An empty field is written after the comma's blank, as the carried rows are.
        const std::string value = std::to_string(length);
        const std::string replacement = at.span == 0 ? " " + value : value;
        return {Fix{"write " + value + "; it covers the furthest position the rows name",
                    {TextEdit{at, replacement}},
                    false}};
    }

    const SourceText& route_;
    const SourceText& train_;
    const Model& model_;
    LineFinder route_lines_;
    LineFinder train_lines_;
    std::set<std::int64_t> claimed_;
};

}  // namespace

void attach_fixes(Diagnostics& diagnostics, const SourceText& route, const SourceText& train,
                  const Model& model) {
    FixFinder finder(route, train, model);
    for (Diagnostic& diagnostic : diagnostics) diagnostic.fixes = finder.fixes_for(diagnostic);
}

EditedText apply_edits(std::string_view text, std::vector<TextEdit> edits) {
    const std::vector<std::size_t> starts = line_starts(text);
    struct Placed {
        std::size_t begin;
        std::size_t end;
        const TextEdit* edit;
    };
    std::vector<Placed> placed;
    for (const TextEdit& edit : edits) {
        const int line = edit.range.line;
        if (line < 1 || edit.range.column < 1 || edit.range.span < 0) continue;
        std::size_t begin = 0;
        if (static_cast<std::size_t>(line) <= starts.size()) {
            begin = starts[static_cast<std::size_t>(line - 1)] +
                    static_cast<std::size_t>(edit.range.column - 1);
        } else if (static_cast<std::size_t>(line) == starts.size() + 1 && edit.range.span == 0 &&
                   edit.range.column == 1) {
            begin = text.size();  // a row added after the last line
        } else {
            continue;
        }
        const std::size_t end = begin + static_cast<std::size_t>(edit.range.span);
        if (end > text.size()) continue;
        placed.push_back({begin, end, &edit});
    }
    std::stable_sort(placed.begin(), placed.end(),
                     [](const Placed& a, const Placed& b) { return a.begin < b.begin; });
    EditedText edited;
    std::size_t done = 0;
    bool any = false;
    for (const Placed& p : placed) {
        if (any && p.begin < done) continue;  // overlaps the edit before it
        edited.text.append(text.substr(done, p.begin - done));
        edited.text += p.edit->replacement;
        edited.applied.push_back(*p.edit);
        done = p.end;
        any = true;
    }
    edited.text.append(text.substr(done));
    return edited;
}

std::vector<TextEdit> safe_edits_for(const Diagnostics& diagnostics, std::string_view file) {
    std::vector<TextEdit> edits;
    for (const Diagnostic& diagnostic : diagnostics) {
        for (const Fix& fix : diagnostic.fixes) {
            if (!fix.safe) continue;
            for (const TextEdit& edit : fix.edits) {
                if (edit.range.file == file) edits.push_back(edit);
            }
        }
    }
    return edits;
}

}  // namespace scenario
