#include "sources/notes.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace scenario {

namespace {

// Kept in UTF-8 here so the accents read naturally; the file itself is single-byte
// Windows-1252. Slots 0, 5 and 12 end with a blank that belongs to the text.
const std::string_view note_lines[] = {
    "Simulazione del treno IC 917 'Brezza del Tessalto' Bari - Milano nel tratto ",
    "Brenzola Centrale - Tessalto.",
    "Il treno parte da Brenzola con un ritardo di 18 minuti.",
    "Il tratto Varano Ancona e' a binario unico perche' nella realta' il",
    "binario di destra segue un altro tracciato (vedi simulazione Treno 918).",
    "La ripetizione dei segnali e' a 4 codici. Al Km 193 il cartello della ",
    "velocità massima indica 180 per il rango C, ma fate attenzione alla scheda",
    "treno perchè il nostro IC è impostatato per un'altra velocità.",
    "Dopo la stazione di Fano, la riduzione di velocità a 110 Km/h e' segnalata",
    "da un abbattimento di codice.",
    "Lungo il percorso ci sono quattro rallentamenti, il primo vale per",
    "tutta la lunghezza del treno (14 vetture).",
    "La marcia fra le stazioni di Roseto e Giulianova e' rallentata dal fatto che ",
    "il treno 914, partito in orario da Brenzola, viaggia davanti. Superato",
    "questo si puo' provare a recuperare il ritardo.",
    "Buon divertimento",
    "                  Gli autori dello scenario",
    "                 (scenari@example.org)",
};

// Two-byte UTF-8 sequences led by C2 or C3 carry exactly the Latin-1 range, which
// Windows-1252 shares for every letter used here; each becomes its one code-page byte.
std::string to_code_page(std::string_view utf8) {
    std::string bytes;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        if ((lead == 0xC2 || lead == 0xC3) && i + 1 < utf8.size()) {
            const auto trail = static_cast<unsigned char>(utf8[++i]);
            const unsigned offset = lead == 0xC3 ? 0x40u : 0u;
            bytes += static_cast<char>(static_cast<unsigned char>(trail + offset));
        } else {
            bytes += utf8[i];
        }
    }
    return bytes;
}

}  // namespace

TextDocument dati_note(const Identity& id) {
    std::vector<std::string> lines;
    for (std::string_view line : note_lines) lines.push_back(to_code_page(line));
    return {file_name::notes(id), std::move(lines)};
}

}  // namespace scenario
