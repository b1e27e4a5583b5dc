// Keyword tests shared by both scenario text formats.
#pragma once

#include <array>
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
inline bool contains(std::string_view field, std::string_view word) {
    return field.find(word) != std::string_view::npos;
}

// Where a kind of row stands: in the route text's general block, in its feature part, or in
// the train text.
enum class RowPlace { route_general, route_feature, train };

// A kind of row as authors write it: the words its keyword field must hold (as the parsers
// test them, in their order of test), the keyword the carried texts use, and its data fields
// with what they mean. Editors offer these keywords with their fields.
struct RowKeyword {
    RowPlace place;
    std::string_view word;
    std::string_view second_word;  // empty: the first word alone decides
    bool any_case;
    bool text_after;           // the last data field is a text, the others are numbers
    std::string_view keyword;  // as the carried texts write it
    std::string_view fields;   // the data fields after the keyword, comma-separated
    std::string_view meaning;
};

inline constexpr std::array<RowKeyword, 23> row_keywords{{
    {RowPlace::route_general, "lunghezza", "percorso", true, false, "lunghezza percorso",
     "length m", "route length in metres (at most 1000000); the track runs 7000 m further"},
    {RowPlace::route_general, "tre", "progressiva", false, false, "progressiva chilometrica tre",
     "start m, km value m, direction 0 or 1",
     "kilometric reference three: the kilometre marking (in metres) at a route position; "
     "start and value multiples of 50"},
    {RowPlace::route_general, "due", "progressiva", false, false, "progressiva chilometrica due",
     "start m, km value m, direction 0 or 1", "kilometric reference two, as reference three"},
    {RowPlace::route_general, "uno", "progressiva", false, false, "progressiva chilometrica uno",
     "start m, km value m, direction 0 or 1", "kilometric reference one, as reference three"},
    {RowPlace::route_general, "sfondo", "uno", false, false, "sfondo uno", "selector",
     "scenery background selector one"},
    {RowPlace::route_general, "sfondo", "due", false, false, "sfondo due", "selector",
     "scenery background selector two"},
    {RowPlace::route_general, "sfondo", "tre", false, false, "sfondo tre", "selector",
     "scenery background selector three"},
    {RowPlace::route_general, "segnali", "ripetizione", false, false,
     "ripetizione segnali 4 codici", "start m, end m",
     "the stretch with cab signalling; the keyword names 4 or 9 codes; end 0 for none"},
    {RowPlace::route_feature, "pendenza", "", true, false, "pendenza",
     "position m, gradient per mille",
     "gradient from this position to the next gradient row (-100 to 155 per mille)"},
    {RowPlace::route_feature, "curva", "", true, false, "curvad3", "start m, length m",
     "curve: s in the keyword for left-hand, else right-hand; class digit 1 to 6"},
    {RowPlace::route_feature, "montagna", "", true, false, "montagna", "inizio m, fine m, tipo",
     "mountain stretch; a tipo above 10 carries the marking flag"},
    {RowPlace::route_feature, "indicatori_v", "", true, false, "indicatori_vmax",
     "position m, vas, vbs, vcs, strisces, vad, vbd, vcd, strisced",
     "maximum-speed board: km/h for ranks A, B, C and warning stripes, left track then right"},
    {RowPlace::route_feature, "indicat", "cartello", true, true, "cartello_indicatore",
     "position m, board text", "route sign board showing the text, e.g. (km 341+500)"},
    {RowPlace::train, "massa", "frenata", true, false, "percentuale massa frenata", "percent",
     "braked-mass percentage of the train"},
    {RowPlace::train, "vetture", "", true, false, "numero vetture", "cars", "number of cars"},
    {RowPlace::train, "velocit", "", true, false, "velocita", "position m, speed km/h",
     "speed limit of the train from this position on, in ascending order"},
    {RowPlace::train, "aderenza", "", true, false, "aderenza", "position m, value",
     "adhesion value (0 to 255) from this position on, in ascending order"},
    {RowPlace::train, "orologio", "", true, false, "orologio", "hours, minutes, seconds",
     "clock at the start of the run"},
    {RowPlace::train, "sabbia", "", true, false, "sabbia", "quantity", "sand carried by the train"},
    {RowPlace::train, "segnale", "", true, false, "segnale",
     "posizione m, sx, s1, s2, s3, rapp, dx, d1, d2, d3, tempo",
     "signal at the position, marked in cell position / 50 + 1 with its approach cells"},
    {RowPlace::train, "rallentamento", "", true, false, "rallentamento",
     "x m, v km/h, l m, f_tt, f_ta, d_v km/h",
     "temporary slowdown from x, speed v, length l; f_tt 1: respected with the whole train"},
    {RowPlace::train, "abbattimento", "", true, false, "abbattimento", "position m, value",
     "code-drop point, marked in cell position / 50"},
    {RowPlace::train, "stazione", "", true, true, "stazione",
     "position m, kind, length m, opt a, opt e, end extension, par a, par b, opt b, par c, "
     "par d, par e, stop value, hours, minutes, seconds, name",
     "station: position a multiple of 50, length a multiple of 100; the kind decides its "
     "stretch and stop cell; scheduled time, then the name to the end of the line"},
}};

// The kind of row whose carried keyword this is; the parsers build their tables from it.
constexpr const RowKeyword* row_keyword(std::string_view keyword) {
    for (const RowKeyword& kind : row_keywords) {
        if (kind.keyword == keyword) return &kind;
    }
    return nullptr;
}

// How many data fields follow the keyword.
constexpr int field_count(const RowKeyword& kind) {
    int count = kind.fields.empty() ? 0 : 1;
    for (char c : kind.fields) count += c == ',' ? 1 : 0;
    return count;
}

// Whether a keyword field (and its ASCII-lowered copy) holds the words of a kind of row.
inline bool holds_words_of(const RowKeyword& kind, std::string_view field,
                           std::string_view lowered) {
    const std::string_view tested = kind.any_case ? lowered : field;
    return contains(tested, kind.word) && contains(tested, kind.second_word);
}

}  // namespace scenario
