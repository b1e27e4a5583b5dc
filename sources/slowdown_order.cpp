#include "sources/slowdown_order.h"

#include <string>
#include <utility>
#include <vector>

namespace scenario {

namespace {

const std::vector<std::string> form_heading = {
    "",
    "                               Modulo M. 3",
    "                           ORDINE DI RALLENTAMENTO",
    " ________________________________________________________________________________",
    "  Linea  TESSALTO - BRENZOLA CENTRALE",
    "",
    "  Si ordina al macchinista del treno  917  di effettuare i seguenti rallentamenti",
    "  _______________________________________________________________________________",
    " |   |                            |Inizio dopo |          |         |            |",
    " | N.|      FRA LE STAZIONI       | il cippo   | Velocita'|Lunghezza|Prescrizioni|",
    " |   |   (o nelle Stazioni di)    |chilometrico|          |   metri | specifiche |",
};

const std::string table_rule =
    " |___|____________________________|____________|__________|_________|____________|";

// The four slowdowns of the train text, in its order. Row 2 is the form as it has always
// been printed: its station text runs over the third bar, so that row has one bar less.
const std::vector<std::string> slowdown_rows = {
    " | 1 | PINETO - ROSETO            |    326     |    60    |   200   |     A      |",
    " | 2 |CUPRAMARITTIMA-P.to S.GIORGIO    274     |    50    |  1800   |     B      |",
    " | 3 | MARZOCCA - SENIGALLIA      |    182     |    40    |   200   |   -----    |",
    " | 4 | PESARO - CATTOLICA         |    136     |    80    |   800   |   -----    |",
};

const std::string blank_row =
    " |   |                            |            |          |         |            |";
constexpr std::size_t blank_row_count = 21;

// Lines 43 and 44 are one prescription broken over two lines; D stands before C as printed.
const std::vector<std::string> legend = {
    "",
    "              Prescrizioni specifiche",
    " A - Da rispettare con tutto il treno (per i treni viaggiatori)",
    " B - Interessa anche la stazione di PEDASO",
    " D - Rallentamneto N. ... e N. ...  sono contigui",
    " C - Da rispettare dalle ore ....  alle ore ..... di tutti",
    "     i giorni esclusi i seguenti:.........",
};

void append(std::vector<std::string>& lines, const std::vector<std::string>& more) {
    lines.insert(lines.end(), more.begin(), more.end());
}

}  // namespace

TextDocument dati_rallentamenti(const Identity& id) {
    std::vector<std::string> lines = form_heading;
    lines.push_back(table_rule);
    append(lines, slowdown_rows);
    lines.insert(lines.end(), blank_row_count, blank_row);
    lines.push_back(table_rule);
    append(lines, legend);
    return {file_name::slowdown_order(id), std::move(lines)};
}

}  // namespace scenario
