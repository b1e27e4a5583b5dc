// The three documents for the driver: notes, slowdown order form and timetable card.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "sources/notes.h"
#include "sources/slowdown_order.h"
#include "sources/timetable_card.h"

namespace scenario {
namespace {

using PlacedLine = std::pair<std::size_t, const char*>;

void expect_lines_at(const std::vector<std::string>& lines, const std::vector<PlacedLine>& placed) {
    for (const auto& [slot, text] : placed) {
        ASSERT_LT(slot, lines.size());
        EXPECT_EQ(lines[slot], text) << "slot " << slot;
    }
}

// Columns counted from 1, as a printed form is read.
std::vector<std::size_t> bar_columns(const std::string& line) {
    std::vector<std::size_t> columns;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '|') columns.push_back(i + 1);
    }
    return columns;
}

struct BarLayout {
    std::size_t first_slot;
    std::size_t last_slot;
    std::size_t length;
    std::vector<std::size_t> bars;
};

void expect_bar_layouts(const std::vector<std::string>& lines,
                        const std::vector<BarLayout>& layouts) {
    for (const BarLayout& layout : layouts) {
        for (std::size_t slot = layout.first_slot; slot <= layout.last_slot; ++slot) {
            ASSERT_LT(slot, lines.size());
            EXPECT_EQ(lines[slot].size(), layout.length) << "slot " << slot;
            EXPECT_EQ(bar_columns(lines[slot]), layout.bars) << "slot " << slot;
        }
    }
}

void expect_written_with_crlf(const std::vector<std::string>& lines) {
    std::string expected;
    for (const std::string& line : lines) {
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << line;
        expected += line + "\r\n";
    }
    const std::string bytes = line_table_bytes(lines);
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(bytes.find(end_mark), std::string::npos);
}

bool plain_ascii(const std::string& line) {
    return std::all_of(line.begin(), line.end(), [](char c) { return c >= ' ' && c <= '~'; });
}

// ---- Notes ----

TEST(ScenarioNotes, NameLinesAndBytes) {
    const TextDocument notes = dati_note(carried_identity());
    EXPECT_EQ(notes.file_name, "Brenzola_Tessalto_917_note.txt");
    ASSERT_EQ(notes.lines.size(), 18u);
    expect_lines_at(
        notes.lines,
        {
            {1, "Brenzola Centrale - Tessalto."},
            {2, "Il treno parte da Brenzola con un ritardo di 18 minuti."},
            {3, "Il tratto Varano Ancona e' a binario unico perche' nella realta' il"},
            {4,
             "binario di destra segue un altro tracciato (vedi simulazione Treno "
             "918)."},
            {5, "La ripetizione dei segnali e' a 4 codici. Al Km 193 il cartello della "},
            {6,
             "velocit\xE0 massima indica 180 per il rango C, ma fate attenzione alla "
             "scheda"},
            {7, "treno perch\xE8 il nostro IC \xE8 impostatato per un'altra velocit\xE0."},
            {8,
             "Dopo la stazione di Fano, la riduzione di velocit\xE0 a 110 Km/h e' "
             "segnalata"},
            {9, "da un abbattimento di codice."},
            {10, "Lungo il percorso ci sono quattro rallentamenti, il primo vale per"},
            {11, "tutta la lunghezza del treno (14 vetture)."},
            {12,
             "La marcia fra le stazioni di Roseto e Giulianova e' rallentata dal "
             "fatto che "},
            {13, "il treno 914, partito in orario da Brenzola, viaggia davanti. Superato"},
            {14, "questo si puo' provare a recuperare il ritardo."},
            {15, "Buon divertimento"},
        });
    expect_written_with_crlf(notes.lines);
}

TEST(ScenarioNotes, OpenTextsKeepTheirPlacesAndIndentation) {
    const std::vector<std::string> lines = dati_note(carried_identity()).lines;
    EXPECT_TRUE(lines[0].starts_with("Simulazione del treno IC 917 '"));
    EXPECT_TRUE(lines[0].ends_with("' Bari - Milano nel tratto "));
    EXPECT_EQ(lines[16].find_first_not_of(' '), 18u);
    EXPECT_EQ(lines[17].find_first_not_of(' '), 17u);
    EXPECT_TRUE(lines[17].ends_with(")"));
    EXPECT_EQ(lines[17][17], '(');
}

TEST(ScenarioNotes, SingleByteAccentsTrailingBlanksAndLineWidth) {
    const std::vector<std::string> lines = dati_note(carried_identity()).lines;
    const std::string bytes = line_table_bytes(lines);
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\xE0'), 3);
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\xE8'), 2);
    // No multi-byte sequence: every byte outside ASCII is one of the two letters.
    EXPECT_TRUE(std::all_of(bytes.begin(), bytes.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x80 || c == '\xE0' || c == '\xE8';
    }));
    for (std::size_t slot = 0; slot < lines.size(); ++slot) {
        const bool keeps_blank = slot == 0 || slot == 5 || slot == 12;
        EXPECT_EQ(lines[slot].ends_with(' '), keeps_blank) << "slot " << slot;
        EXPECT_LE(lines[slot].size(), 77u) << "slot " << slot;
        if (slot < 6 || slot > 8) {
            EXPECT_TRUE(plain_ascii(lines[slot])) << "slot " << slot;
        }
    }
}

// ---- Slowdown order form ----

TEST(SlowdownOrder, NameAndEveryLine) {
    const TextDocument form = dati_rallentamenti(carried_identity());
    EXPECT_EQ(form.file_name, "Brenzola_Tessalto_917_rallentamenti.txt");
    ASSERT_EQ(form.lines.size(), 45u);
    const char* rule =
        " |___|____________________________|____________|__________|_________|____________|";
    const char* blank_row =
        " |   |                            |            |          |         |            |";
    std::vector<PlacedLine> expected = {
        {0, ""},
        {1, "                               Modulo M. 3"},
        {2, "                           ORDINE DI RALLENTAMENTO"},
        {3, " ________________________________________________________________________________"},
        {4, "  Linea  TESSALTO - BRENZOLA CENTRALE"},
        {5, ""},
        {6, "  Si ordina al macchinista del treno  917  di effettuare i seguenti rallentamenti"},
        {7, "  _______________________________________________________________________________"},
        {8, " |   |                            |Inizio dopo |          |         |            |"},
        {9, " | N.|      FRA LE STAZIONI       | il cippo   | Velocita'|Lunghezza|Prescrizioni|"},
        {10, " |   |   (o nelle Stazioni di)    |chilometrico|          |   metri | specifiche |"},
        {11, rule},
        {12, " | 1 | PINETO - ROSETO            |    326     |    60    |   200   |     A      |"},
        {13, " | 2 |CUPRAMARITTIMA-P.to S.GIORGIO    274     |    50    |  1800   |     B      |"},
        {14, " | 3 | MARZOCCA - SENIGALLIA      |    182     |    40    |   200   |   -----    |"},
        {15, " | 4 | PESARO - CATTOLICA         |    136     |    80    |   800   |   -----    |"},
        {37, rule},
        {38, ""},
        {39, "              Prescrizioni specifiche"},
        {40, " A - Da rispettare con tutto il treno (per i treni viaggiatori)"},
        {41, " B - Interessa anche la stazione di PEDASO"},
        {42, " D - Rallentamneto N. ... e N. ...  sono contigui"},
        {43, " C - Da rispettare dalle ore ....  alle ore ..... di tutti"},
        {44, "     i giorni esclusi i seguenti:........."},
    };
    for (std::size_t slot = 16; slot <= 36; ++slot) expected.emplace_back(slot, blank_row);
    expect_lines_at(form.lines, expected);
    for (const std::string& line : form.lines) EXPECT_TRUE(plain_ascii(line)) << line;
    expect_written_with_crlf(form.lines);
}

TEST(SlowdownOrder, BarsStayInTheirColumns) {
    const std::vector<std::size_t> bars = {2, 6, 35, 48, 59, 69, 82};
    // Row 2's station text runs over the third bar: one bar less, the others in place.
    expect_bar_layouts(dati_rallentamenti(carried_identity()).lines,
                       {
                           {8, 12, 82, bars},
                           {13, 13, 82, {2, 6, 48, 59, 69, 82}},
                           {14, 37, 82, bars},
                       });
}

// ---- Timetable card ----

const char* const card_blank_row =
    " |     |     |          |     |                            |                |     |";
const char* const card_rule =
    " |_____|_____|__________|_____|____________________________|________________|_____|";

std::vector<PlacedLine> header_box_at(std::size_t slot, const char* page_line,
                                      const char* train_line, const char* destination_line,
                                      const char* classification_line) {
    return {
        {slot,
         "  ___________________                                               ______________"},
        {slot + 1, page_line},
        {slot + 2, train_line},
        {slot + 3, destination_line},
        {slot + 4,
         "                                                                   |______________|"},
        {slot + 5, "  ___________________                ___________________"},
        {slot + 6, " |  CLASSIFICAZIONE  |              |  MASSA BLOCCATA   |       "},
        {slot + 7, classification_line},
        {slot + 8, " |___________________|              |___________________|"},
    };
}

std::vector<PlacedLine> carried_header_at(std::size_t slot, const char* page_line) {
    return header_box_at(
        slot, page_line,
        " |   TRENO n. 917    |                   da: Brenzola Centrale     |    V200 C    |",
        " |___________________|                    a: Tessalto              |     130%     |",
        " |        IC         |              |      800T         |");
}

std::vector<PlacedLine> template_header_at(std::size_t slot) {
    return header_box_at(
        slot, " |                   |                    SCHEDA 0/0               |              |",
        " |   TRENO n.xxxxx   |                   da: xxxxxx                |    Vxxx C    |",
        " |___________________|                    a: xxxxxx                |     xxx%     |",
        " |        xxx        |              |      xxxT         |");
}

std::vector<PlacedLine> column_header_at(std::size_t slot) {
    return {
        {slot,
         "  ________________________________________________________________________________"},
        {slot + 1,
         " | Vel.| Vel.| Progr Km |  No |   Localita' di  Servizio   |     Orario     | Rec |"},
        {slot + 2,
         " | Lim.|Marc.|          |  Rs |                            |                |     |"},
        {slot + 3, card_rule},
    };
}

void append(std::vector<PlacedLine>& all, const std::vector<PlacedLine>& more) {
    all.insert(all.end(), more.begin(), more.end());
}

TEST(TimetableCard, NameAndLayoutOfTheFourPages) {
    const TextDocument card = dati_scheda(carried_identity());
    EXPECT_EQ(card.file_name, "Brenzola_Tessalto_917_scheda_treno.txt");
    ASSERT_EQ(card.lines.size(), 203u);
    std::vector<PlacedLine> expected;
    append(expected, carried_header_at(2,
                                       " |                   |                    SCHEDA 1/2    "
                                       "           |              |"));
    append(expected, carried_header_at(54,
                                       " |                   |                    SCHEDA 2/2   "
                                       "            |              |"));
    append(expected, template_header_at(106));
    append(expected, template_header_at(156));
    for (std::size_t slot : {12, 64, 116, 166}) append(expected, column_header_at(slot));
    for (std::size_t slot : {47, 100, 151, 201}) expected.emplace_back(slot, card_rule);
    const std::string long_separator(81, '.');
    const std::string short_separator(72, '.');
    expected.emplace_back(51, long_separator.c_str());
    expected.emplace_back(104, short_separator.c_str());
    expected.emplace_back(154, short_separator.c_str());
    for (std::size_t slot :
         {0, 1, 11, 48, 49, 50, 52, 53, 63, 101, 102, 103, 105, 115, 152, 153, 155, 165, 202}) {
        expected.emplace_back(slot, "");
    }
    for (std::size_t slot = 94; slot <= 99; ++slot) expected.emplace_back(slot, card_blank_row);
    for (std::size_t slot = 120; slot <= 150; ++slot) expected.emplace_back(slot, card_blank_row);
    for (std::size_t slot = 170; slot <= 200; ++slot) expected.emplace_back(slot, card_blank_row);
    expect_lines_at(card.lines, expected);
    for (const std::string& line : card.lines) EXPECT_TRUE(plain_ascii(line)) << line;
    expect_written_with_crlf(card.lines);
}

// One row of each time layout, a two-digit limit and a point without a kilometre value.
TEST(TimetableCard, RowsInEveryLayout) {
    expect_lines_at(
        dati_scheda(carried_identity()).lines,
        {
            {16,
             " | 115 |     | 349.970  |     | BRENZOLA CENTRALE          | 10.32          |     |"},
            {93,
             " |     |     | 111.040  |     | TESSALTO                   |         12.50  | 1.0 |"},
            {19,
             " |     |     | 342.990  |     | MONTESILVANO               |      10.37     |     |"},
            {33,
             " |     |     | 288.490  |     | SAN BENEDETTO DEL TRONTO   | 11.04 - 11.06  | 0.5 |"},
            {17,
             " | 160 |     | 348.000  |     | Cippo Km 348.000           |                |     |"},
            {38,
             " | 150 |     |          |     | Dev.U. Pedaso              |                |     |"},
            {74,
             " |  75 |     | 204.676  |     | Imb. Sud Gall. Km 204.676  |                |     |"},
            {75,
             " |     |     | 204.000  |     | ANCONA                     | 11.59 - 12.02  | 1.5 |"},
            {46,
             " | 135 |     | 228.604  |     | Segn.Prot. Loreto          |                |     |"},
            {68,
             " |     |     | 227.500  |     | LORETO                     |      11.43     |     |"},
        });
}

TEST(TimetableCard, BarsStayInTheirColumns) {
    const std::vector<std::size_t> upper_box = {2, 22, 68, 83};
    const std::vector<std::size_t> lower_box = {2, 22, 37, 57};
    const std::vector<std::size_t> table = {2, 8, 14, 25, 31, 60, 77, 83};
    std::vector<BarLayout> layouts;
    for (std::size_t box : {2, 54, 106, 156}) {
        layouts.push_back({box, box, 82, {}});
        layouts.push_back({box + 1, box + 3, 83, upper_box});
        layouts.push_back({box + 4, box + 4, 83, {68, 83}});
        layouts.push_back({box + 5, box + 5, 56, {}});
        layouts.push_back({box + 6, box + 6, 64, lower_box});
        layouts.push_back({box + 7, box + 8, 57, lower_box});
    }
    for (std::size_t header : {12, 64, 116, 166}) layouts.push_back({header, header, 82, {}});
    layouts.push_back({13, 47, 83, table});
    layouts.push_back({65, 100, 83, table});
    layouts.push_back({117, 151, 83, table});
    layouts.push_back({167, 201, 83, table});
    expect_bar_layouts(dati_scheda(carried_identity()).lines, layouts);
}

}  // namespace
}  // namespace scenario
