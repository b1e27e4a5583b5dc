// The rows of the route and train texts, described once: for every kind of row its keyword
// and how a keyword field is matched to it, where it may stand, and its fields with their
// meaning, type, unit, range and stored form. The parsers, the warnings pass, the check, the
// language server, the view and the generated author's reference and editor grammars all read
// this table; the row scanner (compiler/row_scanner.h) holds the rest of the text's grammar.
//
// The table is plain constexpr data: query it by kind (row_grammar_of), by place
// (kinds_of_place) or by field (field_of).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace scenario {

// Lowers ASCII letters only, so keyword tests and contest codes never depend on the locale.
inline std::string ascii_lowered(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return result;
}

// Rows are recognised by substrings of their keyword field.
constexpr bool contains(std::string_view field, std::string_view word) {
    return field.find(word) != std::string_view::npos;
}

// Where a kind of row stands: in the route text's general block, in its feature part, or in
// the train text.
enum class RowPlace { route_general, route_feature, train };

// Every kind of row, in the order the parsers test them within each place. The grammar table
// below is indexed by this enum.
enum class RowKind {
    route_length,
    reference_three,
    reference_two,
    reference_one,
    background_one,
    background_two,
    background_three,
    cab_signalling,
    gradient,
    curve,
    mountain,
    speed_board,
    sign_board,
    braked_mass,
    car_count,
    speed_limit,
    adhesion,
    start_clock,
    sand,
    signal,
    slowdown,
    code_drop,
    station,
};
inline constexpr std::size_t row_kind_count = static_cast<std::size_t>(RowKind::station) + 1;

constexpr std::size_t index_of(RowKind kind) {
    return static_cast<std::size_t>(kind);
}

// How a field is read. Route numbers are 32-bit whole numbers; the train text names the
// width of each of its numbers.
enum class FieldType {
    whole_number,  // signed, 32 bits (route text)
    long_number,   // Long: signed, 32 bits
    integer,       // Integer: signed, 16 bits
    byte,          // Byte: 0 to 255
    text,          // a text field; the last field of its row
};

// How the simulator keeps a field's value where that differs from what the author writes.
enum class StoredForm {
    as_written,
    speed_steps,      // speed / 5, rounded, in one byte
    gradient_offset,  // gradient + 100, in one byte
    low_byte,         // the low 8 bits
    kilometric,       // + 100 when the direction flag is 1
    mountain_type,    // above 10: minus 10, and the stretch gets markers
    packed,           // packed with other fields of the row into a cell value
    seconds_of_day,   // (hours x 60 + minutes) x 60 + seconds
    not_stored,       // decides where the row lies, but is not kept itself
};

struct FieldGrammar {
    std::string_view name;  // the name the code and the recorders use
    FieldType type;
    std::string_view unit;  // the author's unit: m, km/h, per mille, h, min, s, count, class, code
    std::string_view range;
    StoredForm stored;
    std::string_view stored_note;  // how it is stored, for packed and other forms
    std::string_view meaning;
};

// How a keyword field is matched: it must hold `word` and, if not empty, `second_word`;
// letters compared exactly, or whatever their case.
enum class LetterCase { exact, any };

struct RowGrammar {
    RowKind kind;
    RowPlace place;
    std::string_view name;  // what the row is, in plain words
    std::string_view word;
    std::string_view second_word;
    LetterCase letter_case;
    std::string_view keyword;  // as the carried texts write it
    std::span<const FieldGrammar> fields;
    std::string_view meaning;
};

namespace row_fields {

using T = FieldType;
using S = StoredForm;

inline constexpr std::array<FieldGrammar, 1> route_length{{
    {"length", T::whole_number, "m", "0 to 1000000", S::as_written, "the track runs 7000 m further",
     "route length; the track model covers it and 7000 m more"},
}};
inline constexpr std::array<FieldGrammar, 3> reference{{
    {"start", T::whole_number, "m", "a multiple of 50", S::as_written, "",
     "route position where the kilometre marking is given"},
    {"km_value", T::whole_number, "m", "a multiple of 50", S::kilometric,
     "plus 100 when the direction is 1",
     "kilometre marking at that position, in metres (350000 is km 350+000)"},
    {"direction", T::whole_number, "flag", "0 or 1", S::as_written, "",
     "1 when the marking decreases along the route"},
}};
inline constexpr std::array<FieldGrammar, 1> background{{
    {"selector", T::whole_number, "code", "any whole number", S::as_written, "",
     "scenery background selector, stored unchanged"},
}};
inline constexpr std::array<FieldGrammar, 2> cab_signalling{{
    {"start", T::whole_number, "m", "a multiple of 50", S::as_written, "",
     "start of the stretch with cab signal repetition"},
    {"end", T::whole_number, "m", "a multiple of 50; 0 for none", S::as_written, "",
     "end of the stretch; 0 means the route has no cab signalling"},
}};
inline constexpr std::array<FieldGrammar, 2> gradient{{
    {"position", T::whole_number, "m", "0 to 50 x last cell - 100, ascending", S::as_written, "",
     "where the gradient starts; it holds up to the next gradient row"},
    {"gradient", T::whole_number, "per mille", "-100 to 155", S::gradient_offset,
     "gradient + 100, in one byte", "gradient, signed: negative falls"},
}};
inline constexpr std::array<FieldGrammar, 2> curve{{
    {"start", T::whole_number, "m", "0 to 50 x last cell - 100, ascending", S::as_written, "",
     "where the curve starts"},
    {"length", T::whole_number, "m", "ends within the track", S::as_written, "",
     "length of the curve"},
}};
inline constexpr std::array<FieldGrammar, 3> mountain{{
    {"inizio", T::whole_number, "m", "0 to 50 x last cell - 100", S::as_written, "",
     "start of the mountain stretch"},
    {"fine", T::whole_number, "m", "after inizio", S::as_written, "",
     "end of the mountain stretch"},
    {"tipo", T::whole_number, "code", "1 to 10, or 11 to 20 with markers", S::mountain_type,
     "above 10: minus 10, and every 4th cell gets a marker; 3 when it starts within 150 m of "
     "the previous stretch",
     "type of mountain stretch"},
}};
inline constexpr std::array<FieldGrammar, 9> speed_board{{
    {"posizione", T::whole_number, "m", "0 to 50 x last cell - 100", S::as_written,
     "marks cell posizione / 50 + 1", "where the boards stand"},
    {"vas", T::whole_number, "km/h", "vas x 20 + vad / 5 at most 32767", S::packed,
     "val1 = vad / 5 + vas x 20", "maximum speed for rank A, left track"},
    {"vbs", T::whole_number, "km/h", "vbs x 20 + vbd / 5 at most 32767", S::packed,
     "val2 = vbd / 5 + vbs x 20", "maximum speed for rank B, left track"},
    {"vcs", T::whole_number, "km/h", "vcs x 20 + vcd / 5 at most 32767", S::packed,
     "val3 = vcd / 5 + vcs x 20", "maximum speed for rank C, left track"},
    {"strisces", T::whole_number, "count", "0, 1 or 2", S::packed,
     "val4 = strisces x 10 + strisced", "warning stripes on the left board"},
    {"vad", T::whole_number, "km/h", "empty (0) on single track; packed as above", S::packed,
     "val1 = vad / 5 + vas x 20", "maximum speed for rank A, right track"},
    {"vbd", T::whole_number, "km/h", "empty (0) on single track; packed as above", S::packed,
     "val2 = vbd / 5 + vbs x 20", "maximum speed for rank B, right track"},
    {"vcd", T::whole_number, "km/h", "empty (0) on single track; packed as above", S::packed,
     "val3 = vcd / 5 + vcs x 20", "maximum speed for rank C, right track"},
    {"strisced", T::whole_number, "count", "0, 1 or 2", S::packed,
     "val4 = strisces x 10 + strisced", "warning stripes on the right board"},
}};
inline constexpr std::array<FieldGrammar, 2> sign_board{{
    {"position", T::whole_number, "m", "0 to 50 x last cell - 100", S::as_written,
     "marks cell position / 50 + 1", "where the board stands"},
    {"text", T::text, "text", "no comma unless quoted", S::as_written, "",
     "what the board shows, e.g. (km 341+500)"},
}};
inline constexpr std::array<FieldGrammar, 1> braked_mass{{
    {"percent", T::long_number, "%", "Long", S::as_written, "",
     "braked-mass percentage of the train"},
}};
inline constexpr std::array<FieldGrammar, 1> car_count{{
    {"cars", T::long_number, "count", "Long", S::as_written, "", "number of cars"},
}};
inline constexpr std::array<FieldGrammar, 2> speed_limit{{
    {"position", T::long_number, "m", "0 to 50 x last cell - 100, ascending", S::as_written, "",
     "where the speed limit starts"},
    {"speed", T::long_number, "km/h", "0 to 1277", S::speed_steps,
     "speed / 5, rounded, in one byte", "speed limit of the train from the position on"},
}};
inline constexpr std::array<FieldGrammar, 2> adhesion{{
    {"position", T::long_number, "m", "0 to 50 x last cell - 100, ascending", S::as_written, "",
     "where the adhesion value starts"},
    {"value", T::long_number, "code", "0 to 255", S::low_byte, "the low 8 bits",
     "adhesion value from the position on"},
}};
inline constexpr std::array<FieldGrammar, 3> start_clock{{
    {"hours", T::integer, "h", "Integer", S::as_written, "",
     "clock at the start of the run: hours"},
    {"minutes", T::integer, "min", "Integer", S::as_written, "", "minutes"},
    {"seconds", T::integer, "s", "Integer", S::as_written, "", "seconds"},
}};
inline constexpr std::array<FieldGrammar, 1> sand{{
    {"quantity", T::integer, "count", "Integer", S::as_written, "", "sand carried by the train"},
}};
inline constexpr std::array<FieldGrammar, 11> signal{{
    {"posizione", T::long_number, "m", "0 to 50 x last cell - 100", S::as_written,
     "marks cell posizione / 50 + 1", "where the signal stands"},
    {"sx", T::long_number, "code", "Long; 2 keeps tempo", S::packed,
     "val4 = rapp x 10 + sx x 3 + dx",
     "left-hand code of the signal, also marked in its approach cells"},
    {"s1", T::long_number, "code", "Long", S::packed, "val1 = s1 x 10 + d1",
     "first left-hand value"},
    {"s2", T::long_number, "code", "Long", S::packed, "val2 = s2 x 10 + d2",
     "second left-hand value"},
    {"s3", T::long_number, "code", "Long", S::packed, "val3 = s3 x 10 + d3",
     "third left-hand value"},
    {"rapp", T::long_number, "code", "Long", S::packed, "val4 = rapp x 10 + sx x 3 + dx",
     "cab signal repetition value"},
    {"dx", T::long_number, "code", "Long", S::packed, "val4 = rapp x 10 + sx x 3 + dx",
     "right-hand code of the signal, also marked in its approach cells"},
    {"d1", T::long_number, "code", "Long", S::packed, "val1 = s1 x 10 + d1",
     "first right-hand value"},
    {"d2", T::long_number, "code", "Long", S::packed, "val2 = s2 x 10 + d2",
     "second right-hand value"},
    {"d3", T::long_number, "code", "Long", S::packed, "val3 = s3 x 10 + d3",
     "third right-hand value"},
    {"tempo", T::long_number, "code", "Long; 1 to 100 is raised to 101", S::low_byte,
     "low 8 bits, kept only when sx is 2", "signal time"},
}};
inline constexpr std::array<FieldGrammar, 6> slowdown{{
    {"x", T::long_number, "m", "0 to 50 x last cell - 100", S::as_written,
     "marks cell x / 50 + 1, and its advance point 1200 m before", "where the slowdown starts"},
    {"v", T::long_number, "km/h", "Long", S::as_written, "", "speed through the slowdown"},
    {"l", T::long_number, "m", "Long", S::not_stored, "marks the end cell (x + l) / 50 + 1",
     "length of the slowdown"},
    {"f_tt", T::long_number, "flag", "0 or 1", S::as_written, "",
     "1: to be respected with the whole train"},
    {"f_ta", T::long_number, "flag", "0 or 1", S::not_stored, "1 places the four warning boards",
     "1: warning boards ahead of the advance point"},
    {"d_v", T::long_number, "km/h", "Long; 0 for none", S::as_written, "",
     "speed shown on the boards; 0 leaves them as they are"},
}};
inline constexpr std::array<FieldGrammar, 2> code_drop{{
    {"position", T::long_number, "m", "0 to 50 x last cell - 100", S::as_written,
     "marks cell position / 50", "where the cab-signal code drops"},
    {"value", T::long_number, "code", "-32768 to 32767; 0 or less for none", S::as_written, "",
     "code value at the drop point"},
}};
inline constexpr std::array<FieldGrammar, 17> station{{
    {"position", T::long_number, "m", "a multiple of 50, ascending", S::as_written, "",
     "where the station stands"},
    {"kind", T::byte, "code", "0 to 255", S::as_written, "",
     "station kind: decides its stretch and stop cell; 25 and above are halts"},
    {"length", T::long_number, "m", "a multiple of 100", S::not_stored,
     "sets the stretch start and end", "length of the station"},
    {"opt_a", T::byte, "code", "0 to 255", S::as_written, "", "option a, stored only"},
    {"opt_e", T::byte, "code", "0 to 255", S::as_written,
     "0 when the length is under 600 and for the first station", "option e"},
    {"opt_d", T::byte, "flag", "0 to 255", S::as_written,
     "0 for kinds 5 to 8 and for the first station",
     "end extension: non-zero moves the stretch end 50 m further"},
    {"par_a", T::integer, "code", "Integer", S::as_written, "", "parameter a, stored only"},
    {"par_b", T::integer, "code", "Integer", S::as_written, "", "parameter b, stored only"},
    {"opt_b", T::byte, "code", "0 to 255", S::as_written, "", "option b, stored only"},
    {"par_c", T::integer, "code", "Integer", S::as_written, "", "parameter c, stored only"},
    {"par_d", T::integer, "code", "Integer", S::as_written, "", "parameter d, stored only"},
    {"par_e", T::integer, "code", "Integer", S::as_written, "", "parameter e, stored only"},
    {"opt_c", T::byte, "code", "0 to 255", S::as_written, "", "stop value, stored only"},
    {"hours", T::long_number, "h", "Long", S::seconds_of_day,
     "time_s = (hours x 60 + minutes) x 60 + seconds", "scheduled time at the station: hours"},
    {"minutes", T::long_number, "min", "Long", S::seconds_of_day,
     "time_s = (hours x 60 + minutes) x 60 + seconds", "minutes"},
    {"seconds", T::long_number, "s", "Long", S::seconds_of_day,
     "time_s = (hours x 60 + minutes) x 60 + seconds", "seconds"},
    {"name", T::text, "text", "to the end of the line", S::as_written, "",
     "station name; may hold blanks, \"-\", \".\" and \"'\""},
}};

}  // namespace row_fields

// The grammar of every kind of row, indexed by RowKind; within a place, in the order of test.
// Several kinds may match one keyword field: each then reads its own fields in this order.
inline constexpr std::array<RowGrammar, row_kind_count> row_grammar{{
    {RowKind::route_length, RowPlace::route_general, "route length", "lunghezza", "percorso",
     LetterCase::any, "lunghezza percorso", row_fields::route_length,
     "length of the route in metres; required before any feature row"},
    {RowKind::reference_three, RowPlace::route_general, "kilometric reference three", "tre",
     "progressiva", LetterCase::exact, "progressiva chilometrica tre", row_fields::reference,
     "the kilometre marking at a route position"},
    {RowKind::reference_two, RowPlace::route_general, "kilometric reference two", "due",
     "progressiva", LetterCase::exact, "progressiva chilometrica due", row_fields::reference,
     "the kilometre marking at a route position"},
    {RowKind::reference_one, RowPlace::route_general, "kilometric reference one", "uno",
     "progressiva", LetterCase::exact, "progressiva chilometrica uno", row_fields::reference,
     "the kilometre marking at a route position"},
    {RowKind::background_one, RowPlace::route_general, "background one", "sfondo", "uno",
     LetterCase::exact, "sfondo uno", row_fields::background, "scenery background selector one"},
    {RowKind::background_two, RowPlace::route_general, "background two", "sfondo", "due",
     LetterCase::exact, "sfondo due", row_fields::background, "scenery background selector two"},
    {RowKind::background_three, RowPlace::route_general, "background three", "sfondo", "tre",
     LetterCase::exact, "sfondo tre", row_fields::background, "scenery background selector three"},
    {RowKind::cab_signalling, RowPlace::route_general, "cab signalling", "segnali", "ripetizione",
     LetterCase::exact, "ripetizione segnali 4 codici", row_fields::cab_signalling,
     "the stretch with cab signal repetition; the keyword names 4 or 9 codes"},
    {RowKind::gradient, RowPlace::route_feature, "gradient", "pendenza", "", LetterCase::any,
     "pendenza", row_fields::gradient, "gradient from this position to the next gradient row"},
    {RowKind::curve, RowPlace::route_feature, "curve", "curva", "", LetterCase::any, "curvad3",
     row_fields::curve,
     "curve (only with the plan option): an s in the keyword makes it left-hand, else "
     "right-hand; the first digit 1 to 6 in it is its class"},
    {RowKind::mountain, RowPlace::route_feature, "mountain stretch", "montagna", "",
     LetterCase::any, "montagna", row_fields::mountain, "a mountain stretch from inizio to fine"},
    {RowKind::speed_board, RowPlace::route_feature, "maximum-speed board", "indicatori_v", "",
     LetterCase::any, "indicatori_vmax", row_fields::speed_board,
     "maximum-speed boards for ranks A, B, C with warning stripes, left track then right"},
    {RowKind::sign_board, RowPlace::route_feature, "route sign board", "indicat", "cartello",
     LetterCase::any, "cartello_indicatore", row_fields::sign_board,
     "a route sign board showing its text"},
    {RowKind::braked_mass, RowPlace::train, "braked mass", "massa", "frenata", LetterCase::any,
     "percentuale massa frenata", row_fields::braked_mass, "braked-mass percentage of the train"},
    {RowKind::car_count, RowPlace::train, "car count", "vetture", "", LetterCase::any,
     "numero vetture", row_fields::car_count, "number of cars"},
    {RowKind::speed_limit, RowPlace::train, "speed limit", "velocit", "", LetterCase::any,
     "velocita", row_fields::speed_limit,
     "speed limit of the train from this position on, in ascending order"},
    {RowKind::adhesion, RowPlace::train, "adhesion", "aderenza", "", LetterCase::any, "aderenza",
     row_fields::adhesion, "adhesion value from this position on, in ascending order"},
    {RowKind::start_clock, RowPlace::train, "start clock", "orologio", "", LetterCase::any,
     "orologio", row_fields::start_clock, "clock at the start of the run"},
    {RowKind::sand, RowPlace::train, "sand", "sabbia", "", LetterCase::any, "sabbia",
     row_fields::sand, "sand carried by the train"},
    {RowKind::signal, RowPlace::train, "signal", "segnale", "", LetterCase::any, "segnale",
     row_fields::signal,
     "a signal, marked in cell posizione / 50 + 1, with approach cells 2, 4, 6 and 8 cells "
     "before it"},
    {RowKind::slowdown, RowPlace::train, "slowdown", "rallentamento", "", LetterCase::any,
     "rallentamento", row_fields::slowdown, "a temporary slowdown from x, l metres long"},
    {RowKind::code_drop, RowPlace::train, "code drop", "abbattimento", "", LetterCase::any,
     "abbattimento", row_fields::code_drop,
     "a drop of the cab-signal code, marked in cell position / 50"},
    {RowKind::station, RowPlace::train, "station", "stazione", "", LetterCase::any, "stazione",
     row_fields::station,
     "a station or halt of the run: its stretch, stop cell and scheduled time, then its name "
     "to the end of the line"},
}};

constexpr bool grammar_is_indexed_by_kind() {
    for (std::size_t i = 0; i < row_grammar.size(); ++i) {
        if (index_of(row_grammar[i].kind) != i) return false;
    }
    return true;
}
static_assert(grammar_is_indexed_by_kind(), "row_grammar must list the kinds in RowKind order");

constexpr const RowGrammar& row_grammar_of(RowKind kind) {
    return row_grammar[index_of(kind)];
}

// The kinds of a place, in their order of test: a contiguous run of the table.
constexpr std::span<const RowGrammar> kinds_of_place(RowPlace place) {
    std::size_t first = 0;
    while (first < row_grammar.size() && row_grammar[first].place != place) ++first;
    std::size_t end = first;
    while (end < row_grammar.size() && row_grammar[end].place == place) ++end;
    return std::span<const RowGrammar>(row_grammar).subspan(first, end - first);
}

constexpr bool places_are_contiguous() {
    std::size_t total = 0;
    for (RowPlace place : {RowPlace::route_general, RowPlace::route_feature, RowPlace::train}) {
        total += kinds_of_place(place).size();
    }
    return total == row_grammar.size();
}
static_assert(places_are_contiguous(), "the kinds of each place must stand together");

// How many fields follow the keyword, and how many of them are numbers.
constexpr std::size_t field_count(RowKind kind) {
    return row_grammar_of(kind).fields.size();
}
constexpr bool ends_with_text(RowKind kind) {
    const auto fields = row_grammar_of(kind).fields;
    return !fields.empty() && fields.back().type == FieldType::text;
}
constexpr std::size_t number_count(RowKind kind) {
    return field_count(kind) - (ends_with_text(kind) ? 1 : 0);
}

// A field of a kind by its name, if the kind has one so named.
constexpr std::optional<std::size_t> field_of(RowKind kind, std::string_view name) {
    const auto fields = row_grammar_of(kind).fields;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (fields[i].name == name) return i;
    }
    return std::nullopt;
}

// The kind whose carried keyword this is. Evaluated while compiling: a keyword that names no
// kind fails the build.
consteval RowKind kind_with_keyword(std::string_view keyword) {
    for (const RowGrammar& row : row_grammar) {
        if (row.keyword == keyword) return row.kind;
    }
    throw "no row kind has this keyword";
}

// Whether a keyword field (and its ASCII-lowered copy) holds the words of a kind of row.
constexpr bool holds_words_of(const RowGrammar& row, std::string_view field,
                              std::string_view lowered) {
    const std::string_view tested = row.letter_case == LetterCase::any ? lowered : field;
    return contains(tested, row.word) && contains(tested, row.second_word);
}

// The first kind of the place whose words the keyword field holds.
inline std::optional<RowKind> first_kind_named(std::string_view field, RowPlace place) {
    const std::string lowered = ascii_lowered(field);
    for (const RowGrammar& row : kinds_of_place(place)) {
        if (holds_words_of(row, field, lowered)) return row.kind;
    }
    return std::nullopt;
}

// Change of heading per metre of the curve classes 1 to 6; a curve keyword names its class by
// the first of the digits 1 to 6 it holds.
inline constexpr std::array<double, 6> curve_class_curvature{0.0001, 0.0002, 0.0004,
                                                             0.001,  0.002,  0.003};

// Names of the types and stored forms, for the reference and the hover.
constexpr std::string_view type_name(FieldType type) {
    switch (type) {
        case FieldType::whole_number:
            return "whole number";
        case FieldType::long_number:
            return "Long";
        case FieldType::integer:
            return "Integer";
        case FieldType::byte:
            return "Byte";
        case FieldType::text:
            return "text";
    }
    return "";
}

constexpr std::string_view place_name(RowPlace place) {
    switch (place) {
        case RowPlace::route_general:
            return "route text, general block";
        case RowPlace::route_feature:
            return "route text, after the general block";
        case RowPlace::train:
            return "train text, after [generale]";
    }
    return "";
}

// The value the simulator keeps for one field of a row, given the row's values in order (as
// many as were read); none where the field is not kept by itself, or its value is missing.
std::optional<std::int64_t> stored_value(RowKind kind, std::size_t field,
                                         std::span<const std::int32_t> values);

// A value to write for a field whose stored form keeps one value by itself, so that the field
// is stored as `stored`: the inverse of stored_value for the forms speed_steps (stored x 5),
// gradient_offset (stored - 100), low_byte and as_written. Nothing for the other forms, whose
// fields are written from several stored values together.
std::optional<std::int64_t> written_value(StoredForm form, std::int64_t stored);

}  // namespace scenario
