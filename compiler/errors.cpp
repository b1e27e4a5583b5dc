#include "compiler/errors.h"

#include <map>

namespace scenario {

namespace {

struct ErrorText {
    const char* meaning;
    bool has_position;
};

const std::map<std::int32_t, ErrorText>& error_table() {
    static const std::map<std::int32_t, ErrorText> table{
        {1, {"lunghezza del percorso fuori dai limiti (da 0 a 1000000 m)", false}},
        {2, {"progressiva chilometrica con inizio o valore non multiplo di 50", false}},
        {3, {"inizio della ripetizione segnali non multiplo di 50", false}},
        {4, {"fine della ripetizione segnali non multipla di 50", false}},
        {5, {"la ripetizione segnali non indica 4 ne' 9 codici", false}},
        {6, {"cartello indicatore su una cella gia' occupata", true}},
        {7, {"abbattimento di codice su una cella gia' occupata", true}},
        {8, {"posizione della stazione non multipla di 50", true}},
        {9, {"lunghezza della stazione non multipla di 100", true}},
        {10, {"troppe stazioni per i record disponibili", false}},
        {11, {"segnale dietro un punto di preavviso senza cella libera davanti", true}},
        {12, {"nessuna cella libera per il codice prima dell'inizio del rallentamento", true}},
        {13, {"nessuna cella libera per il cambio di codice dopo il rallentamento", true}},
        {15, {"posizione oltre la fine del tracciato", true}},
        {16, {"segnale su una cella gia' occupata", true}},
        {17, {"punto di preavviso del rallentamento su una cella gia' occupata", true}},
        {18, {"inizio del rallentamento su una cella gia' occupata", true}},
        {19, {"fine del rallentamento su una cella gia' occupata", true}},
        {20, {"cartelli di avviso del rallentamento su celle gia' occupate", true}},
        {21, {"indicatori di velocita' massima su una cella gia' occupata", true}},
        {22, {"stazione a meno di 350 m dalla fine della precedente", true}},
        {24, {"punto di fermata della stazione troppo vicino all'origine", false}},
        {25, {"errore di lettura dei file di testo (campo non valido o riga troncata)", false}},
        {101, {"file di testo della linea non trovato", false}},
        {102, {"manca [generale] nel file di testo della linea", false}},
        {103, {"curva senza classe, o tracciato piu' lungo del suo limite", false}},
        {104, {"manca la riga della lunghezza del percorso", false}},
        {106, {"troppi cartelli indicatori (al massimo 80)", false}},
        {1250, {"gli spazi dei marcatori dello scenario sono gia' in uso", false}},
        {1251, {"gli spazi dei codici di gara sono gia' in uso", false}},
    };
    return table;
}

}  // namespace

std::string error_meaning(std::int32_t code) {
    auto found = error_table().find(code);
    return found == error_table().end() ? "errore sconosciuto" : found->second.meaning;
}

bool error_has_position(std::int32_t code) {
    auto found = error_table().find(code);
    return found != error_table().end() && found->second.has_position;
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
