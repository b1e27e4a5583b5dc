#include "compiler/errors.h"

#include <map>

namespace scenario {

namespace {

// Each meaning in the tool's English and in the Italian of the package program's message box,
// whose other words (" Errore n. ", "Posizione") are the system's own.
struct ErrorText {
    const char* meaning;
    const char* italian_meaning;
    bool has_position;
};

const std::map<std::int32_t, ErrorText>& error_table() {
    static const std::map<std::int32_t, ErrorText> table{
        {1,
         {"route length out of range (0 to 1000000 m)",
          "lunghezza del percorso fuori dai limiti (da 0 a 1000000 m)", false}},
        {2,
         {"kilometric reference whose start or value is not a multiple of 50",
          "progressiva chilometrica con inizio o valore non multiplo di 50", false}},
        {3,
         {"cab signalling start not a multiple of 50",
          "inizio della ripetizione segnali non multiplo di 50", false}},
        {4,
         {"cab signalling end not a multiple of 50",
          "fine della ripetizione segnali non multipla di 50", false}},
        {5,
         {"cab signalling keyword names neither 4 nor 9 codes",
          "la ripetizione segnali non indica 4 ne' 9 codici", false}},
        {6,
         {"route sign board on a cell already taken",
          "cartello indicatore su una cella gia' occupata", true}},
        {7,
         {"code drop on a cell already taken", "abbattimento di codice su una cella gia' occupata",
          true}},
        {8,
         {"station position not a multiple of 50", "posizione della stazione non multipla di 50",
          true}},
        {9,
         {"station length not a multiple of 100", "lunghezza della stazione non multipla di 100",
          true}},
        {10,
         {"too many stations for the record slots", "troppe stazioni per i record disponibili",
          false}},
        {11,
         {"signal behind a slowdown's advance point with no free cell in front of it",
          "segnale dietro un punto di preavviso senza cella libera davanti", true}},
        {12,
         {"no free cell for a code before the start of a slowdown",
          "nessuna cella libera per il codice prima dell'inizio del rallentamento", true}},
        {13,
         {"no free cell for a code change inside or after a slowdown",
          "nessuna cella libera per il cambio di codice dopo il rallentamento", true}},
        {15,
         {"position beyond the end of the track", "posizione oltre la fine del tracciato", true}},
        {16, {"signal on a cell already taken", "segnale su una cella gia' occupata", true}},
        {17,
         {"slowdown advance point on a cell already taken",
          "punto di preavviso del rallentamento su una cella gia' occupata", true}},
        {18,
         {"slowdown start on a cell already taken",
          "inizio del rallentamento su una cella gia' occupata", true}},
        {19,
         {"slowdown end on a cell already taken",
          "fine del rallentamento su una cella gia' occupata", true}},
        {20,
         {"slowdown warning boards on cells already taken",
          "cartelli di avviso del rallentamento su celle gia' occupate", true}},
        {21,
         {"maximum-speed boards on a cell already taken",
          "indicatori di velocita' massima su una cella gia' occupata", true}},
        {22,
         {"station less than 350 m after the end of the previous one",
          "stazione a meno di 350 m dalla fine della precedente", true}},
        {24,
         {"station stop point too close to the origin",
          "punto di fermata della stazione troppo vicino all'origine", false}},
        {25,
         {"read fault in a scenario text",
          "errore di lettura dei file di testo (campo non valido o riga troncata)", false}},
        {101, {"route text not found", "file di testo della linea non trovato", false}},
        {102,
         {"no [generale] in the route text", "manca [generale] nel file di testo della linea",
          false}},
        {103,
         {"curve without a class, or a plan longer than its limit",
          "curva senza classe, o tracciato piu' lungo del suo limite", false}},
        {104, {"no route length row", "manca la riga della lunghezza del percorso", false}},
        {106,
         {"too many route sign boards (80 at most)", "troppi cartelli indicatori (al massimo 80)",
          false}},
        {1250,
         {"the scenario's marker slots are already in use",
          "gli spazi dei marcatori dello scenario sono gia' in uso", false}},
        {1251,
         {"the contest-code slots are already in use",
          "gli spazi dei codici di gara sono gia' in uso", false}},
    };
    return table;
}

}  // namespace

std::vector<std::int32_t> all_error_numbers() {
    std::vector<std::int32_t> numbers;
    for (const auto& [number, text] : error_table()) numbers.push_back(number);
    return numbers;
}

std::string error_meaning(std::int32_t code) {
    auto found = error_table().find(code);
    return found == error_table().end() ? "unknown error" : found->second.meaning;
}

std::string error_meaning_in_italian(std::int32_t code) {
    auto found = error_table().find(code);
    return found == error_table().end() ? "errore sconosciuto" : found->second.italian_meaning;
}

bool error_has_position(std::int32_t code) {
    auto found = error_table().find(code);
    return found != error_table().end() && found->second.has_position;
}

std::string cell_kind_name(std::uint8_t kind) {
    switch (kind) {
        case cell_kind::signal:
            return "a signal";
        case cell_kind::slowdown_end:
            return "a slowdown's end";
        case cell_kind::slowdown_start:
            return "a slowdown's start";
        case cell_kind::slowdown_advance:
            return "a slowdown's advance point";
        case cell_kind::slowdown_warning:
            return "a slowdown's warning board";
        case cell_kind::speed_boards:
            return "maximum-speed boards";
        case cell_kind::station_stop:
            return "a station's stop point";
        case cell_kind::code_change:
            return "a code-change point";
        case cell_kind::code_change_plain:
            return "a code drop";
        case cell_kind::sign_board:
            return "a route sign board";
        default:
            return "a feature of kind " + std::to_string(kind);
    }
}

std::string describe_place(const SourceLocation& place) {
    return place.line > 0 ? place.file + " line " + std::to_string(place.line) : place.file;
}

std::string describe_cell(const Model& model, std::int64_t cell) {
    const std::string name = "cell " + std::to_string(cell);
    if (cell < 0 || cell >= static_cast<std::int64_t>(model.cells.size()))
        return name + " lies outside the track";
    const std::uint8_t kind = model.cells[static_cast<std::size_t>(cell)].kind;
    std::string text = name + " already holds " + cell_kind_name(kind);
    const auto origin = model.cell_origins.find(static_cast<std::int32_t>(cell));
    if (origin != model.cell_origins.end()) text += ", from " + describe_place(origin->second.row);
    return text;
}

Diagnostic error_diagnostic(std::int32_t number, SourceLocation location,
                            std::optional<std::int32_t> position) {
    Diagnostic diagnostic;
    diagnostic.number = number;
    diagnostic.position = position;
    diagnostic.location = std::move(location);
    diagnostic.message = error_meaning(number);
    return diagnostic;
}

void raise_diagnostic(Model& model, Diagnostic diagnostic) {
    if (diagnostic.severity == Severity::error) {
        model.error_code = diagnostic.number;
        if (diagnostic.position) model.error_position = *diagnostic.position;
    }
    model.diagnostics.push_back(std::move(diagnostic));
}

}  // namespace scenario
