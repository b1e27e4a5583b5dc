// What both text parsers share: how a row ends, how rows are told apart by their keyword
// field, the range test, and how an error ends a row.
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
#include "compiler/keywords.h"
#include "compiler/model.h"

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

// A kind of row: its keyword's words and fields (compiler/keywords.h), and the parser's
// reader for it.
template <typename Parser>
struct RowKind {
    const RowKeyword* words;
    RowEnd (Parser::*read)() = nullptr;
};

template <typename Parser>
bool holds_words_of(const RowKind<Parser>& kind, std::string_view field, std::string_view lowered) {
    return holds_words_of(*kind.words, field, lowered);
}

// Whether a line's first field names one of these kinds of row.
template <typename Parser, std::size_t N>
bool names_a_row(const std::array<RowKind<Parser>, N>& kinds, std::string_view first_field) {
    const std::string lowered = ascii_lowered(first_field);
    for (const RowKind<Parser>& kind : kinds) {
        if (holds_words_of(kind, first_field, lowered)) return true;
    }
    return false;
}

// The fields of a row began on its keyword's line, and its last field, a text, is the first
// field of a later line that names a row of its own: most likely the row is short and took the
// next row's keyword as its last field, and that next row is lost. The text is read as it
// always has been; the author is warned at the end of the short row.
template <typename Parser, std::size_t N>
void warn_if_row_runs_on(Model& model, const FieldReader& reader,
                         const std::array<RowKind<Parser>, N>& kinds, std::string_view keyword,
                         int keyword_line, std::size_t begun, int needed) {
    const SourceLocation last = reader.last_field_site();
    if (last.line <= keyword_line || !reader.last_field_opens_line()) return;
    if (!names_a_row(kinds, reader.last_field_text())) return;
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

// Every kind whose words the field holds reads its row, in table order, until one of them
// ends the reading. The field is copied: a reader may read a later field into its source.
template <typename Parser, std::size_t N>
RowEnd read_matching_rows(Parser& parser, const std::array<RowKind<Parser>, N>& kinds,
                          std::string field, const SourceLocation& field_site) {
    const std::string lowered = ascii_lowered(field);
    for (const RowKind<Parser>& kind : kinds) {
        if (!holds_words_of(kind, field, lowered)) continue;
        const std::size_t begun = parser.reader().fields_begun();
        try {
            const RowEnd end = (parser.*kind.read)();
            if (end != RowEnd::next_row) return end;
            warn_if_row_runs_on(parser.model(), parser.reader(), kinds, field, field_site.line,
                                begun, field_count(*kind.words));
        } catch (RunTimeFault& fault) {
            if (fault.site.file.empty()) fault.site = parser.reader().last_field_site();
            blame_short_row(fault, parser.reader(), field, field_site.line, begun,
                            field_count(*kind.words));
            throw;
        }
    }
    return RowEnd::next_row;
}

// A read fault met in a check: error 25 at its place, and reading goes on at the next row.
// A row cut short gave its fault to the next line's first field, which is then read again.
inline void record_read_fault(Model& model, FieldReader& reader, const RunTimeFault& fault) {
    Diagnostic diagnostic = error_diagnostic(
        error_number::read_fault, fault.site.file.empty() ? reader.last_field_site() : fault.site);
    diagnostic.message += ": " + std::string(fault.what());
    raise_diagnostic(model, std::move(diagnostic));
    row_ended(model);
    if (fault.site.line < reader.last_field_site().line) reader.return_to_line_of_last_field();
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
    if (origin != model.cell_origins.end()) diagnostic.related = origin->second;
    raise_diagnostic(model, std::move(diagnostic));
    return after_row_error(model, RowEnd::stop);
}

}  // namespace scenario
