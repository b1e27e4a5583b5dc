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
#include "compiler/keywords.h"
#include "compiler/model.h"

namespace scenario {

// How reading goes on after one row.
enum class RowEnd {
    next_row,  // read the next keyword field
    end_step,  // stop reading, then complete the profiles
    stop       // the parse ends here
};

// A kind of row: the words its keyword field must hold, and the parser's reader for it.
template <typename Parser>
struct RowKind {
    std::string_view word;
    std::string_view second_word;  // empty: the first word alone decides
    bool any_case = true;          // false: the words must match in case as well
    RowEnd (Parser::*read)() = nullptr;
};

// Every kind whose words the field holds reads its row, in table order, until one of them
// ends the reading. The field is copied: a reader may read a later field into its source.
template <typename Parser, std::size_t N>
RowEnd read_matching_rows(Parser& parser, const std::array<RowKind<Parser>, N>& kinds,
                          std::string field) {
    const std::string lowered = ascii_lowered(field);
    for (const RowKind<Parser>& kind : kinds) {
        const std::string_view tested = kind.any_case ? std::string_view(lowered) : field;
        if (!contains(tested, kind.word) || !contains(tested, kind.second_word)) continue;
        const RowEnd end = (parser.*kind.read)();
        if (end != RowEnd::next_row) return end;
    }
    return RowEnd::next_row;
}

// The range test: a row at this position, reaching this far, lies on the track. A negative
// position fails too: no cell lies before the origin.
inline bool within_track(const Model& model, std::int32_t position, std::int32_t reach) {
    return position >= 0 &&
           (static_cast<double>(position) + reach) / double{cell_length} <= model.cell_upper;
}

// A row beyond the track: error 15, and reading stops at the end step.
inline RowEnd out_of_track(Model& model, std::int32_t position, const SourceLocation& where) {
    raise_diagnostic(model, error_diagnostic(error_number::beyond_track, where, position));
    return RowEnd::end_step;
}

// A refused row ends the parse.
inline RowEnd refuse(Model& model, std::int32_t number, const SourceLocation& where,
                     std::optional<std::int32_t> position = std::nullopt) {
    raise_diagnostic(model, error_diagnostic(number, where, position));
    return RowEnd::stop;
}

}  // namespace scenario
