// What both text parsers share: how a row ends, how each parser pairs the kinds of rows with
// its readers, the keep-going rule, the range test, and how an error ends a row.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "compiler/diagnostic.h"
#include "compiler/errors.h"
#include "compiler/field_reader.h"
#include "compiler/model.h"
#include "compiler/row_grammar.h"
#include "compiler/row_scanner.h"

namespace scenario {

// How reading goes on after one row.
enum class RowEnd {
    next_row,  // read the next keyword field
    end_step,  // stop reading, then complete the profiles
    stop,      // the parse ends here
    skip_row   // a check only: the row is refused, reading goes on at the next row's line
};

// Tells the observer, once, that an error has ended a row (the first place where a check
// parts from the compile).
inline void row_ended(Model& model) {
    if (model.first_row_end_seen) return;
    model.first_row_end_seen = true;
    if (model.at_first_row_end) model.at_first_row_end(model);
}

// How an error that ends a row goes on: as the compile does, or, in a check, at the next row.
inline RowEnd after_row_error(Model& model, RowEnd in_compile) {
    row_ended(model);
    return model.keep_going ? RowEnd::skip_row : in_compile;
}

// Names a field of a row for a message, counting the fields after the keyword from 1:
// "field 2 of the row 'indicatori_vmax'".
inline std::string field_of_row(std::size_t index, std::string_view keyword) {
    return "field " + std::to_string(index + 1) + " of the row '" + std::string(keyword) + "'";
}

// A parser's readers of rows, indexed by the kind: each reads the fields after the keyword.
//
// The keep-going rule, which every reader follows: a reader that finds an error raises it and
// returns what the refusal helpers below (refuse, refuse_taken, out_of_track, after_row_error)
// return. It never ends the row, skips fields or stops reading by itself: in a compile the
// helper gives the compile's own ending, in a check it gives skip_row, and read_rows goes on
// at the next line that begins a row. A read fault thrown from a reader is handled the same
// way, by read_rows alone.
template <typename Parser>
using RowReaders = std::array<RowEnd (Parser::*)(), row_kind_count>;

// Whether the readers give every kind of the place a reader and no other kind one; used in a
// static_assert beside each parser's readers.
template <typename Parser>
consteval bool reads_exactly_the_kinds_of(const RowReaders<Parser>& readers, RowPlace place) {
    for (const RowGrammar& row : row_grammar) {
        if ((readers[index_of(row.kind)] != nullptr) != (row.place == place)) return false;
    }
    return true;
}

// The fields of a row began on its keyword's line, and its last field, a text, is the first
// field of a later line that names a row of its own: most likely the row is short and took the
// next row's keyword as its last field, and that next row is lost. The text is read as it
// always has been; the author is warned at the end of the short row.
inline void warn_if_row_runs_on(Model& model, const FieldReader& reader, RowPlace place,
                                std::string_view keyword, int keyword_line, std::size_t begun,
                                int needed) {
    const SourceLocation last = reader.last_field_site();
    if (last.line <= keyword_line || !reader.last_field_opens_line()) return;
    if (!names_a_row(place, reader.last_field_text())) return;
    const SourceLocation previous = reader.previous_field_site();
    Diagnostic warning;
    warning.severity = Severity::warning;
    warning.name = std::string(warning_name::row_runs_on);
    warning.location = {previous.file, previous.line, previous.column + previous.span, 1};
    warning.related = last;
    warning.message = "the row '" + std::string(keyword) + "' ends on its line after " +
                      std::to_string(reader.fields_begun() - begun - 1) + " of its " +
                      std::to_string(needed) + " fields, so '" +
                      std::string(reader.last_field_text()) +
                      "' on the next line was read as its last field, and the row there is lost";
    raise_diagnostic(model, std::move(warning));
}

// A row whose fields ran out on its own line and whose next field, where the fault struck,
// is the first of a later line: the fault belongs at the end of the short row.
inline void blame_short_row(RunTimeFault& fault, const FieldReader& reader,
                            std::string_view keyword, int keyword_line, std::size_t begun,
                            int needed) {
    if (fault.site.line <= keyword_line || !reader.last_field_opens_line()) return;
    const SourceLocation previous = reader.previous_field_site();
    if (previous.line >= fault.site.line) return;
    const auto has = static_cast<int>(reader.fields_begun() - begun - 1);
    fault = RunTimeFault("the row '" + std::string(keyword) + "' ends on its line after " +
                             std::to_string(has) + " of its " + std::to_string(needed) +
                             " fields, and the next line was read as the rest of it",
                         {previous.file, previous.line, previous.column + previous.span, 1});
}

// A number field that faulted, told with its place in the row's grammar. A row whose last
// field is a text and whose fault struck on that text, the last field of its line, where a
// number was due, is missing fields: the message counts them. A number outside its type is
// named by its field.
inline void name_the_faulting_field(RunTimeFault& fault, const FieldReader& reader, RowKind kind,
                                    std::string_view keyword, std::size_t begun) {
    if (fault.cause == FaultCause::other || !(fault.site == reader.last_field_site())) return;
    const auto fields = row_grammar_of(kind).fields;
    const std::size_t index = reader.fields_begun() - begun - 1;
    if (index >= fields.size()) return;
    std::string said = fault.what();
    if (fault.cause == FaultCause::outside_type) {
        said += ": " + field_of_row(index, keyword) + " (" + std::string(fields[index].name) + ")";
    } else if (fields.back().type == FieldType::text && index + 1 < fields.size() &&
               reader.last_field_ends_line()) {
        said += ": the row '" + std::string(keyword) + "' has " + std::to_string(index + 1) +
                " of its " + std::to_string(fields.size()) + " fields, so its " +
                std::string(fields.back().name) + " '" + std::string(reader.whole_last_field()) +
                "' stands where field " + std::to_string(index + 1) + ", " +
                std::string(fields[index].name) + ", is due";
    } else {
        return;
    }
    fault = RunTimeFault(said, fault.site, fault.cause);
}

// Every kind of the place whose words the field holds reads its row, in the order of test,
// until one of them ends the reading. The field is copied: a reader may read a later field
// into its source.
template <typename Parser>
RowEnd read_matching_rows(Parser& parser, RowPlace place, const RowReaders<Parser>& readers,
                          std::string field, const SourceLocation& field_site) {
    RowEnd end = RowEnd::next_row;
    for_each_kind_named(place, field, [&](RowKind kind) {
        const std::size_t begun = parser.reader().fields_begun();
        const auto needed = static_cast<int>(field_count(kind));
        try {
            end = (parser.*readers[index_of(kind)])();
            if (end != RowEnd::next_row) return false;
            warn_if_row_runs_on(parser.model(), parser.reader(), place, field, field_site.line,
                                begun, needed);
        } catch (RunTimeFault& fault) {
            if (fault.site.file.empty()) fault.site = parser.reader().last_field_site();
            blame_short_row(fault, parser.reader(), field, field_site.line, begun, needed);
            name_the_faulting_field(fault, parser.reader(), kind, field, begun);
            throw;
        }
        return true;
    });
    return end;
}

// Reads rows with read_row until one ends the reading. In a check a read fault becomes
// error 25 at its place (a row cut short gave its fault to the next line's first field, which
// is then read again), and a refused row is skipped: reading goes on at the next line whose
// first field passes starts_row. In a compile the fault goes on up to the driver.
template <typename ReadRow, typename StartsRow>
RowEnd read_rows(Model& model, FieldReader& reader, ReadRow read_row, StartsRow starts_row) {
    for (;;) {
        RowEnd end = RowEnd::next_row;
        try {
            end = read_row();
        } catch (RunTimeFault& fault) {
            if (!model.keep_going) throw;
            Diagnostic diagnostic =
                error_diagnostic(error_number::read_fault,
                                 fault.site.file.empty() ? reader.last_field_site() : fault.site);
            diagnostic.message += ": " + std::string(fault.what());
            raise_diagnostic(model, std::move(diagnostic));
            row_ended(model);
            if (fault.site.line < reader.last_field_site().line) {
                reader.return_to_line_of_last_field();
            }
            end = RowEnd::skip_row;
        }
        if (end == RowEnd::skip_row) {
            reader.skip_to_line(starts_row);
        } else if (end != RowEnd::next_row) {
            return end;
        }
    }
}

// The range test: a row at this position, reaching this far, lies on the track. A negative
// position fails too: no cell lies before the origin.
inline bool within_track(const Model& model, std::int32_t position, std::int32_t reach) {
    return position >= 0 &&
           (static_cast<double>(position) + reach) / double{cell_length} <= model.cell_upper;
}

// A row beyond the track: error 15, and reading stops at the end step.
inline RowEnd out_of_track(Model& model, std::int32_t position, const SourceLocation& where) {
    Diagnostic diagnostic = error_diagnostic(error_number::beyond_track, where, position);
    diagnostic.message += ": " + std::to_string(position) + " m, and the track's last cell is " +
                          std::to_string(model.cell_upper);
    raise_diagnostic(model, std::move(diagnostic));
    return after_row_error(model, RowEnd::end_step);
}

// A refused row ends the parse.
inline RowEnd refuse(Model& model, std::int32_t number, const SourceLocation& where,
                     std::optional<std::int32_t> position = std::nullopt,
                     const std::string& reason = {}) {
    Diagnostic diagnostic = error_diagnostic(number, where, position);
    if (!reason.empty()) diagnostic.message += ": " + reason;
    raise_diagnostic(model, std::move(diagnostic));
    return after_row_error(model, RowEnd::stop);
}

// A row refused because a cell it needs is taken: says what holds the cell and, as the
// related place, the row that put it there.
inline RowEnd refuse_taken(Model& model, std::int32_t number, const SourceLocation& where,
                           std::int32_t position, std::int64_t cell) {
    Diagnostic diagnostic = error_diagnostic(number, where, position);
    diagnostic.message += ": " + describe_cell(model, cell);
    const auto origin = model.cell_origins.find(static_cast<std::int32_t>(cell));
    if (origin != model.cell_origins.end()) {
        const CellOrigin& from = origin->second;
        diagnostic.related = from.position.file.empty() ? from.row : from.position;
    }
    raise_diagnostic(model, std::move(diagnostic));
    return after_row_error(model, RowEnd::stop);
}

}  // namespace scenario
