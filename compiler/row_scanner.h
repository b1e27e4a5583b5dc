// How the rows of a scenario text are found in its stream of fields: the fields before
// "[generale]" are skipped; a keyword field holding "-" is a comment and the next field is read
// in its place, up to a limit that depends on where the row stands; the route's general block
// ends at its closing header; and a keyword field is matched to the kinds of its place by the
// words of the row grammar. Every reader of the texts finds rows through these functions, so
// they all agree on which field is a keyword and which kind it names.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "compiler/field_reader.h"
#include "compiler/row_grammar.h"

namespace scenario {

// The field that opens the rows of both texts, in any letter case.
inline constexpr std::string_view general_block_opening = "[generale]";

inline bool opens_general_block(std::string_view field) {
    return contains(ascii_lowered(field), general_block_opening);
}

// A keyword field holding "-" anywhere is a comment.
constexpr bool is_comment(std::string_view field) {
    return contains(field, "-");
}

constexpr bool is_header(std::string_view field) {
    return contains(field, "[") && contains(field, "]");
}

// The header that closes the route's general block: brackets on both sides, and not a comment
// by its first non-blank character (which matters only past the comment limit).
constexpr bool closes_general_block(std::string_view field) {
    const std::size_t first = field.find_first_not_of(" \t");
    const bool starts_with_dash = first != std::string_view::npos && field[first] == '-';
    return !starts_with_dash && is_header(field);
}

// How many comment fields in a row are skipped before a keyword field: ten in the general
// block, two elsewhere; one more is examined as a keyword.
constexpr int comment_limit(RowPlace place) {
    return place == RowPlace::route_general ? 10 : 2;
}

// Whether the end of the text is tested between skipped comments. In the general block it is
// not: a comment as the last but one field makes the next read run past the end, a read fault.
constexpr bool end_tested_between_comments(RowPlace place) {
    return place != RowPlace::route_general;
}

// Reads fields up to and including the first that opens the general block; whether one did.
template <typename ReadField>
bool skip_to_general_block(const FieldReader& reader, ReadField read_field) {
    while (!reader.at_end()) {
        if (opens_general_block(read_field())) return true;
    }
    return false;
}

// Reads the next keyword field of a place: `read_field()` reads one field and returns its
// text, `on_comment(text)` hears each comment skipped. False when the text ends first: the
// last field of a text is never interpreted. The field returned last is the keyword field;
// past the comment limit it may be a comment itself, examined as a keyword.
template <typename ReadField, typename OnComment>
bool read_keyword_field(const FieldReader& reader, RowPlace place, ReadField read_field,
                        OnComment on_comment) {
    if (reader.at_end()) return false;
    auto field = read_field();
    if (reader.at_end()) return false;
    for (int skipped = 0; skipped < comment_limit(place) && is_comment(field); ++skipped) {
        on_comment(field);
        field = read_field();
        if (end_tested_between_comments(place) && reader.at_end()) return false;
    }
    return true;
}

// Whether a line's first field names one of the kinds of a place.
inline bool names_a_row(RowPlace place, std::string_view first_field) {
    return first_kind_named(first_field, place).has_value();
}

// Calls visit(kind) for every kind of the place whose words the keyword field holds, in their
// order of test, until visit returns false.
template <typename Visit>
void for_each_kind_named(RowPlace place, std::string_view field, Visit visit) {
    const std::string lowered = ascii_lowered(field);
    for (const RowGrammar& row : kinds_of_place(place)) {
        if (holds_words_of(row, field, lowered) && !visit(row.kind)) return;
    }
}

// Whether a text holds the words of the route length row anywhere: a route text does.
inline bool holds_route_length_words(std::string_view text) {
    return holds_words_of(row_grammar_of(RowKind::route_length), text, ascii_lowered(text));
}

// Reads one number field as its type is read by the parsers.
inline std::int32_t read_number_field(FieldReader& reader, FieldType type) {
    switch (type) {
        case FieldType::integer:
            return reader.read_integer();
        case FieldType::byte:
            return reader.read_byte();
        case FieldType::whole_number:
        case FieldType::long_number:
        case FieldType::text:
            break;
    }
    return reader.read_long();
}

}  // namespace scenario
