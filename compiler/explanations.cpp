#include "compiler/explanations.h"

#include <charconv>
#include <map>

#include "compiler/errors.h"
#include "compiler/row_grammar.h"

namespace scenario {

namespace {

// One entry for every error number (errors.cpp keeps their short meanings) and every warning
// name; the rows are written as the carried texts write them.
const std::map<std::string_view, Explanation>& explanation_table() {
    static const std::map<std::string_view, Explanation> table{
        {"1",
         {"The simulator lays the track out in 50 m cells for the route length plus 7000 m; "
          "its tables hold no longer route.",
          "lunghezza percorso,    1200000", "lunghezza percorso,    243000"}},
        {"2",
         {"The kilometre marking is kept per 50 m cell, so its start and value must fall on a "
          "cell boundary.",
          "progressiva chilometrica uno,    0,    350020,    1",
          "progressiva chilometrica uno,    0,    350000,    1"}},
        {"3",
         {"Cab signal repetition is switched on cell by cell; its start must fall on a 50 m "
          "cell boundary.",
          "ripetizione segnali 4 codici,    20,    241000",
          "ripetizione segnali 4 codici,    0,    241000"}},
        {"4",
         {"Cab signal repetition is switched off cell by cell; its end must fall on a 50 m "
          "cell boundary.",
          "ripetizione segnali 4 codici,    0,    241010",
          "ripetizione segnali 4 codici,    0,    241000"}},
        {"5",
         {"The cab display knows two code sets only; the keyword must name 4 or 9 codes.",
          "ripetizione segnali 5 codici,    0,    241000",
          "ripetizione segnali 4 codici,    0,    241000"}},
        {"6",
         {"A 50 m cell holds one feature; a sign board whose cell another feature holds "
          "would be lost (here a board already stands at 4400).",
          "cartello_indicatore,  4420,   (Km 345+577)",
          "cartello_indicatore,  4450,   (Km 345+607)"}},
        {"7",
         {"A code drop marks cell position / 50; when another feature holds that cell the "
          "drop would be lost (here a signal at 8600 holds cell 173).",
          "abbattimento,  8650,  0", "abbattimento,  8750,  0"}},
        {"8",
         {"A station's stretch and stop point are laid on 50 m cells; its position must be a "
          "multiple of 50.",
          "stazione,   44010, 28,  200,  0, 0, 0,  0,0,0,  0,0,0,    0,   0, 0, 0, TORTORETO",
          "stazione,   44000, 28,  200,  0, 0, 0,  0,0,0,  0,0,0,    0,   0, 0, 0, TORTORETO"}},
        {"9",
         {"A station's stretch is laid in whole 100 m steps; its length must be a multiple of "
          "100.",
          "stazione,   44000, 28,  250,  0, 0, 0,  0,0,0,  0,0,0,    0,   0, 0, 0, TORTORETO",
          "stazione,   44000, 28,  200,  0, 0, 0,  0,0,0,  0,0,0,    0,   0, 0, 0, TORTORETO"}},
        {"10",
         {"The simulator has a fixed number of station records; remove stations, or join "
          "halts the run does not need.",
          "", ""}},
        {"11",
         {"A signal behind a slowdown's advance point needs a free cell in front of it for "
          "its code change; move the signal or the slowdown by 50 m or more.",
          "", ""}},
        {"12",
         {"Before a slowdown starts the simulator places a code change in a free cell; every "
          "cell it may use is taken. Move the slowdown or the features before it.",
          "", ""}},
        {"13",
         {"Inside or after a slowdown the simulator places a code change in a free cell; every "
          "cell it may use is taken. Move the slowdown or the features after it.",
          "", ""}},
        {"15",
         {"Features are marked in the track's cells, which end 7000 m past the route length; "
          "a feature beyond them has nowhere to go (here the route is 243000 m long).",
          "segnale,  251000, 2, 4, 0, 0, 0, 2, 1, 0, 0, 0",
          "segnale,  242000, 2, 4, 0, 0, 0, 2, 1, 0, 0, 0"}},
        {"16",
         {"A signal marks cell posizione / 50 + 1, which must be free; a second feature in "
          "the same cell would overwrite it (here a signal at 8650 holds cell 174).",
          "segnale,  8660, 2, 4, 0, 0, 0, 2, 1, 0, 0, 0",
          "segnale,  8700, 2, 4, 0, 0, 0, 2, 1, 0, 0, 0"}},
        {"17",
         {"A slowdown's advance point lies 1200 m before its start, in a cell that must be "
          "free (here a signal at 23700 holds cell 475).",
          "rallentamento,   24950,    60,  200, 1,  1,  60",
          "rallentamento,   25000,    60,  200, 1,  1,  60"}},
        {"18",
         {"A slowdown's start marks cell x / 50 + 1, which must be free (here a signal at "
          "24950 holds cell 500).",
          "rallentamento,   24950,    60,  200, 1,  1,  60",
          "rallentamento,   25000,    60,  200, 1,  1,  60"}},
        {"19",
         {"A slowdown's end marks cell (x + l) / 50 + 1, which must be free (here a signal at "
          "25150 holds cell 504).",
          "rallentamento,   24950,    60,  200, 1,  1,  60",
          "rallentamento,   24950,    60,  250, 1,  1,  60"}},
        {"20",
         {"With f_ta 1 a slowdown places four warning boards ahead of its advance point, in "
          "cells that must be free; move the slowdown or set f_ta to 0.",
          "rallentamento,   24950,    60,  200, 1,  1,  60",
          "rallentamento,   24950,    60,  200, 1,  0,  60"}},
        {"21",
         {"Maximum-speed boards mark cell posizione / 50 + 1, which must be free (here a signal "
          "at 1950 holds cell 40).",
          "indicatori_vmax,  1950,  140,  150,  160,  0,  140,  150,  160,  0",
          "indicatori_vmax,  2000,  140,  150,  160,  0,  140,  150,  160,  0"}},
        {"22",
         {"Each station needs 350 m of plain track after the previous station's stretch for "
          "its own approach (here the previous stretch ends at 43800).",
          "stazione,   44000, 28,  200,  0, 0, 0,  0,0,0,  0,0,0,    0,   0, 0, 0, TORTORETO",
          "stazione,   44150, 28,  200,  0, 0, 0,  0,0,0,  0,0,0,    0,   0, 0, 0, TORTORETO"}},
        {"24",
         {"A station's stop point is counted back from its position; it must not fall before "
          "the start of the track. Move the first station further along.",
          "", ""}},
        {"25",
         {"Every field is read as a number of its row's type; a field that is not one, or a "
          "row cut short, stops the reading.",
          "pendenza,  39000,  5x", "pendenza,  39000,  5"}},
        {"101",
         {"The route text gives the track; without it nothing can be compiled. Check the "
          "file's name and folder.",
          "", ""}},
        {"102",
         {"The route text's rows are read after its [generale] header; without it no row is "
          "read.",
          "[general]", "[generale]"}},
        {"103",
         {"A curve's class (1 to 6) sets its sharpness, and the ground plan has a fixed "
          "size; a curve keyword must hold a class digit and the plan must fit.",
          "curvas7,  1900,  600", "curvas3,  1900,  600"}},
        {"104",
         {"The route length sizes the track; every feature is placed in it, so the row must "
          "come in the general block.",
          "", "lunghezza percorso,    243000"}},
        {"106",
         {"The simulator keeps at most 80 route sign boards; remove the boards the run does "
          "not need.",
          "", ""}},
        {"1250",
         {"The scenario's marker slots are already in use by another part of the package; "
          "the compile cannot place its own.",
          "", ""}},
        {"1251",
         {"The contest-code slots are already in use; the compile cannot write its codes.", "",
          ""}},
        {warning_name::unknown_keyword,
         {"A row whose keyword names no kind of row is skipped without a word from the "
          "simulator; a slip in a keyword loses the row.",
          "pendneza,  39000,  5", "pendenza,  39000,  5"}},
        {warning_name::keyword_misread,
         {"Keywords are matched by the words they contain, so one keyword may be read as "
          "another kind of row, or as two.",
          "curvasd3,  3300,  800", "curvad3,  3300,  800"}},
        {warning_name::header_keyword,
         {"A header that contains a keyword is read as that row, taking the fields after it.",
          "[segnale]", "[fine]"}},
        {warning_name::comment_keyword,
         {"A field holding \"-\" is read as a comment; a keyword written with \"-\" loses its "
          "row, and the fields after it are read as keywords.",
          "indicatori-vmax,  1950,  140,  150,  160,  0,  140,  150,  160,  0",
          "indicatori_vmax,  1950,  140,  150,  160,  0,  140,  150,  160,  0"}},
        {warning_name::comment_limit,
         {"Only so many comment fields in a row are skipped; the next one is read as a row "
          "again.",
          "", ""}},
        {warning_name::value_wraps,
         {"A value stored in one byte or 16 bits wraps when it is too large; the simulator "
          "gets a different value than the one written.",
          "velocita,  1950,  1300", "velocita,  1950,  160"}},
        {warning_name::text_encoding,
         {"The simulator reads the texts in Windows-1252; UTF-8 letters show as two wrong "
          "characters. Convert with: iconv -f UTF-8 -t WINDOWS-1252.",
          "", ""}},
        {warning_name::beyond_route,
         {"The track runs 7000 m past the route's end, so a row there is accepted, but the "
          "run ends before the train reaches it.",
          "segnale,  245000, 2, 4, 0, 0, 0, 2, 1, 0, 0, 0",
          "segnale,  242000, 2, 4, 0, 0, 0, 2, 1, 0, 0, 0"}},
        {warning_name::out_of_order,
         {"Gradients, speed limits and adhesion hold from their position to the next row of "
          "their kind, read in order; a row out of order is overridden by the one before it "
          "(here it follows velocita,  4450,  150).",
          "velocita,  1950,  160", "velocita,  4800,  160"}},
        {warning_name::quote_spans_lines,
         {"A quote makes a field run on to the closing quote, line ends included; rows in "
          "between are swallowed.",
          "cartello_indicatore,  4400,   \"(Km 345+557)",
          "cartello_indicatore,  4400,   "
          "\"(Km 345+557)\""}},
        {warning_name::row_runs_on,
         {"A row is read field by field across line ends; a row with too few fields takes "
          "its last ones from the next line.",
          "pendenza,  39000", "pendenza,  39000,  5"}},
        {warning_name::stale_plan,
         {"The plan file is left from an earlier compile with the plan option; the simulator "
          "would show a ground plan that no longer fits the route.",
          "", ""}},
        {warning_name::file_names,
         {"The simulator finds a scenario's texts and compiled files by their names, made of "
          "the route stem and the train number.",
          "", ""}},
        {warning_name::clock_range,
         {"A clock field outside hours 0-23, minutes and seconds 0-59 gives the simulator a "
          "time that no clock shows.",
          "orologio,    25              49            40 ",
          "orologio,    10              49            40 "}},
        {warning_name::timetable_order,
         {"Scheduled times must rise along the line; a fall of twelve hours or less is a "
          "slip, not a run past midnight.",
          "", ""}},
        {warning_name::timetable_too_fast,
         {"At the line's speed limits the train cannot cover the run in the scheduled time, "
          "so it is late from the start.",
          "", ""}},
    };
    return table;
}

std::string keyword_explanation(const RowGrammar& row) {
    std::string text = "\"" + std::string(row.keyword) + "\": " + std::string(row.name) +
                       ", in the " + std::string(place_name(row.place)) + ".\n" +
                       std::string(row.meaning) + ".\n\nFields after the keyword:\n";
    for (const FieldGrammar& field : row.fields) {
        text += "  " + std::string(field.name) + " (" + std::string(type_name(field.type)) + ", " +
                std::string(field.unit) + ", " + std::string(field.range) +
                "): " + std::string(field.meaning);
        if (!field.stored_note.empty()) text += "; stored as " + std::string(field.stored_note);
        text += "\n";
    }
    return text;
}

std::string diagnostic_explanation(std::string_view name, const Explanation& explanation) {
    std::int32_t number = 0;
    const auto [end, problem] = std::from_chars(name.data(), name.data() + name.size(), number);
    const bool is_error = problem == std::errc{} && end == name.data() + name.size();
    std::string text = is_error ? "error " + std::string(name) + ": " + error_meaning(number)
                                : "warning " + std::string(name);
    text += "\n\nWhy: " + std::string(explanation.why) + "\n";
    if (explanation.wrong_row.empty() && explanation.right_row.empty()) {
        text += "\nNo single row shows it.\n";
        return text;
    }
    text += "\nWrong: " + (explanation.wrong_row.empty() ? std::string("(the row is missing)")
                                                         : std::string(explanation.wrong_row));
    text += "\nRight: " + std::string(explanation.right_row) + "\n";
    return text;
}

}  // namespace

std::optional<Explanation> explanation_of(std::string_view name) {
    const auto found = explanation_table().find(name);
    if (found == explanation_table().end()) return std::nullopt;
    return found->second;
}

std::optional<std::string> explanation_text(std::string_view name) {
    if (const auto explanation = explanation_of(name)) {
        return diagnostic_explanation(name, *explanation);
    }
    const std::string lowered = ascii_lowered(name);
    for (const RowGrammar& row : row_grammar) {
        if (row.keyword == lowered || row.word == lowered) return keyword_explanation(row);
    }
    return std::nullopt;
}

std::string explanation_name(const Diagnostic& diagnostic) {
    return diagnostic.name.empty() ? std::to_string(diagnostic.number) : diagnostic.name;
}

std::string explain_command(const Diagnostic& diagnostic) {
    return "scenc explain " + explanation_name(diagnostic);
}

}  // namespace scenario
