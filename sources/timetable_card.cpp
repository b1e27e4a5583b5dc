#include "sources/timetable_card.h"

#include <cstddef>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace scenario {

namespace {

// Every box and table line is built from fixed-width fields, so the bars can only move if a
// text outgrows its field, which is refused outright.
void check_width(std::string_view text, std::size_t width) {
    if (text.size() > width) {
        throw std::logic_error("timetable card: \"" + std::string(text) + "\" is wider than " +
                               std::to_string(width) + " columns");
    }
}

std::string fit(std::string_view text, std::size_t width) {
    check_width(text, width);
    std::string field(text);
    field.resize(width, ' ');
    return field;
}

std::string blanks(std::size_t count) {
    return std::string(count, ' ');
}

// ---- Header box ----

struct HeaderValues {
    std::string_view page;            // "SCHEDA 1/2"
    std::string_view train;           // what follows "TRENO n." (" 917" or the placeholder)
    std::string_view origin;          // after "da: "
    std::string_view destination;     // after "a: "
    std::string_view speed_rank;      // "V200 C"
    std::string_view braked_percent;  // "130%"
    std::string_view classification;  // "IC"
    std::string_view blocked_mass;    // "800T"
};

// Upper box: bars at 2, 22, 68 and 83; lower boxes: bars at 2, 22, 37 and 57.
constexpr std::size_t left_box = 19;
constexpr std::size_t middle_field = 45;
constexpr std::size_t right_box = 14;
constexpr std::size_t box_gap = 14;

std::string upper_box_line(std::string_view left, std::string_view middle, std::string_view right) {
    return " |" + fit(left, left_box) + "|" + fit(middle, middle_field) + "|" +
           fit(right, right_box) + "|";
}

std::string lower_box_line(std::string_view left, std::string_view right) {
    return " |" + fit(left, left_box) + "|" + blanks(box_gap) + "|" + fit(right, left_box) + "|";
}

// The page number and the two place names start at fixed offsets inside the middle field,
// with the colons of "da:" and "a:" one under the other.
std::vector<std::string> header_box(const HeaderValues& v) {
    const std::string top_rules = "  " + std::string(left_box, '_');
    return {
        top_rules + blanks(middle_field + 2) + std::string(right_box, '_'),
        upper_box_line("", blanks(20) + std::string(v.page), ""),
        upper_box_line("   TRENO n." + std::string(v.train),
                       blanks(19) + "da: " + std::string(v.origin),
                       blanks(4) + std::string(v.speed_rank)),
        upper_box_line(std::string(left_box, '_'), blanks(20) + "a: " + std::string(v.destination),
                       blanks(5) + std::string(v.braked_percent)),
        blanks(left_box + middle_field + 3) + "|" + std::string(right_box, '_') + "|",
        top_rules + blanks(box_gap + 2) + std::string(left_box, '_'),
        // The seven blanks after the last bar have always been part of this line.
        lower_box_line("  CLASSIFICAZIONE  ", "  MASSA BLOCCATA   ") + blanks(7),
        lower_box_line(blanks(8) + std::string(v.classification),
                       blanks(6) + std::string(v.blocked_mass)),
        lower_box_line(std::string(left_box, '_'), std::string(left_box, '_')),
    };
}

HeaderValues carried_train_header(std::string_view page) {
    return {page, " 917", "Brenzola Centrale", "Tessalto", "V200 C", "130%", "IC", "800T"};
}

const HeaderValues template_header = {"SCHEDA 0/0", "xxxxx", "xxxxxx", "xxxxxx",
                                      "Vxxx C",     "xxx%",  "xxx",    "xxxT"};

// ---- Table ----

const std::vector<std::string> column_header = {
    "  ________________________________________________________________________________",
    " | Vel.| Vel.| Progr Km |  No |   Localita' di  Servizio   |     Orario     | Rec |",
    " | Lim.|Marc.|          |  Rs |                            |                |     |",
    " |_____|_____|__________|_____|____________________________|________________|_____|",
};
const std::string& bottom_rule = column_header.back();

enum class TimeLayout { none, first, intermediate, arrival_departure, last };

struct Timing {
    TimeLayout layout = TimeLayout::none;
    std::string_view time;       // hh.mm; the arrival for arrival_departure
    std::string_view departure;  // hh.mm, arrival_departure only
};

constexpr Timing passing{};
constexpr Timing first_station(std::string_view time) {
    return {TimeLayout::first, time, {}};
}
constexpr Timing stop(std::string_view time) {
    return {TimeLayout::intermediate, time, {}};
}
constexpr Timing stop(std::string_view arrival, std::string_view departure) {
    return {TimeLayout::arrival_departure, arrival, departure};
}
constexpr Timing last_station(std::string_view time) {
    return {TimeLayout::last, time, {}};
}

constexpr int unchanged = 0;   // speed limit: no new limit at this point
constexpr long no_point = -1;  // kilometre point: none printed
constexpr int no_margin = 0;   // recovery: none

struct CardRow {
    int speed_limit;        // km/h
    long kilometre_metres;  // kilometre point in metres (349970 prints 349.970)
    std::string_view place;
    Timing timing;
    int recovery_tenths;  // recovery margin in tenths of a minute
};

// Field widths between the bars at 2, 8, 14, 25, 31, 60, 77 and 83.
constexpr std::size_t speed_width = 5;
constexpr std::size_t kilometre_width = 10;
constexpr std::size_t rank_width = 5;
constexpr std::size_t place_width = 28;
constexpr std::size_t time_width = 16;
constexpr std::size_t recovery_width = 5;

std::string right_aligned(std::string_view text, std::size_t width) {
    check_width(text, width);
    return blanks(width - text.size()) + std::string(text);
}

std::string speed_field(int speed_limit) {
    if (speed_limit == unchanged) return "";
    return right_aligned(std::to_string(speed_limit), 4) + " ";
}

std::string kilometre_field(long metres) {
    if (metres == no_point) return "";
    std::string thousandths = std::to_string(metres % 1000);
    return " " + std::to_string(metres / 1000) + "." + std::string(3 - thousandths.size(), '0') +
           thousandths;
}

std::string time_field(const Timing& timing) {
    const std::string time(timing.time);
    switch (timing.layout) {
        case TimeLayout::first:
            return " " + time;
        case TimeLayout::intermediate:
            return blanks(6) + time;
        case TimeLayout::arrival_departure:
            return " " + time + " - " + std::string(timing.departure);
        case TimeLayout::last:
            return blanks(9) + time;
        case TimeLayout::none:
            break;
    }
    return "";
}

std::string recovery_field(int tenths) {
    if (tenths == no_margin) return "";
    return " " + std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
}

std::string card_row(const CardRow& row) {
    return " |" + fit(speed_field(row.speed_limit), speed_width) + "|" + blanks(speed_width) + "|" +
           fit(kilometre_field(row.kilometre_metres), kilometre_width) + "|" + blanks(rank_width) +
           "|" + fit(" " + std::string(row.place), place_width) + "|" +
           fit(time_field(row.timing), time_width) + "|" +
           fit(recovery_field(row.recovery_tenths), recovery_width) + "|";
}

const std::string blank_row = card_row({unchanged, no_point, "", passing, no_margin});

// The carried train's run, in running order; the first 31 rows fill page 1, the rest page 2.
const CardRow carried_rows[] = {
    {115, 349970, "BRENZOLA CENTRALE", first_station("10.32"), no_margin},
    {160, 348000, "Cippo Km 348.000", passing, no_margin},
    {150, 345557, "Km 345.557", passing, no_margin},
    {unchanged, 342990, "MONTESILVANO", stop("10.37"), no_margin},
    {130, 341500, "Km 341.500", passing, no_margin},
    {150, 337140, "SILVI", stop("10.40"), no_margin},
    {unchanged, 330730, "PINETO", stop("10.43"), 5},
    {140, 326000, "Cippo Km 326.000", passing, no_margin},
    {150, 323402, "Km 323.402", passing, no_margin},
    {unchanged, 321660, "ROSETO", stop("10.47"), no_margin},
    {125, 314347, "Torrente Tordino", passing, no_margin},
    {150, 312360, "GIULIANOVA", stop("10.52"), 10},
    {unchanged, 305980, "TORTORETO", stop("10.55"), no_margin},
    {145, 303510, "Segn.Prot. Alba Adriatica", passing, no_margin},
    {unchanged, 302190, "ALBA ADRIATICA", stop("10.57"), 5},
    {150, 300050, "Km 300.050", passing, no_margin},
    {unchanged, 293270, "P.ASCOLI", stop("11.01"), 5},
    {unchanged, 288490, "SAN BENEDETTO DEL TRONTO", stop("11.04", "11.06"), 5},
    {unchanged, 283970, "GROTTAMMARE", stop("11.10"), no_margin},
    {unchanged, 280580, "CUPRAMARITTIMA", stop("11.12"), 5},
    {130, 274204, "Torrente Campofilone", passing, no_margin},
    {unchanged, 272530, "PEDASO", stop("11.16"), 5},
    {150, no_point, "Dev.U. Pedaso", passing, no_margin},
    {unchanged, 262290, "PORTO S.GIORGIO", stop("11.21"), 5},
    {unchanged, 253200, "PORTO S.ELPIDIO", stop("11.25"), 5},
    {135, 248000, "Cippo Km 248.000", passing, no_margin},
    {unchanged, 246700, "CIVITANOVA MARCHE", stop("11.29", "11.31"), no_margin},
    {150, 246000, "Cippo Km 246.000", passing, no_margin},
    {unchanged, 240590, "POTENZA PICENA", stop("11.37"), 10},
    {unchanged, 231810, "PORTO RECANATI", stop("11.41"), 5},
    {135, 228604, "Segn.Prot. Loreto", passing, no_margin},
    // page 2
    {unchanged, 227500, "LORETO", stop("11.43"), no_margin},
    {160, 226100, "Km 226.100", passing, no_margin},
    {135, 220000, "Cippo Km 220.000", passing, no_margin},
    {unchanged, 219190, "OSIMO", stop("11.47"), 5},
    {105, 210500, "Km 210.500", passing, no_margin},
    {unchanged, 209500, "VARANO", stop("11.52"), 5},
    {75, 204676, "Imb. Sud Gall. Km 204.676", passing, no_margin},
    {unchanged, 204000, "ANCONA", stop("11.59", "12.02"), 15},
    {160, 201452, "Km 201.452", passing, no_margin},
    {unchanged, 198310, "PALOMBINA", stop("12.07"), no_margin},
    {unchanged, 195300, "FALCONARA", stop("12.08"), no_margin},
    {170, 193000, "Cippo Km 193.000", passing, no_margin},
    {unchanged, 190560, "MONTEMARCIANO", stop("12.10"), no_margin},
    {unchanged, 185030, "MARZOCCA", stop("12.12"), no_margin},
    {unchanged, 178160, "SENIGALLIA", stop("12.15"), no_margin},
    {unchanged, 169110, "MAROTTA", stop("12.18"), no_margin},
    {unchanged, 156880, "FANO", stop("12.23"), 5},
    {110, 147000, "Cippo Km 147.000", passing, no_margin},
    {unchanged, 144420, "PESARO", stop("12.29"), 5},
    {150, 132000, "Cippo Km 132.000", passing, no_margin},
    {170, 129320, "CATTOLICA", stop("12.38"), no_margin},
    {unchanged, 124960, "MISANO", stop("12.42"), 10},
    {unchanged, 121030, "RICCIONE", stop("12.44"), 5},
    {unchanged, 116280, "TESSALTO MIRAMARE", stop("12.46"), 5},
    {115, 114000, "Cippo Km 114.000", passing, no_margin},
    {unchanged, 111040, "TESSALTO", last_station("12.50"), 10},
};
// Page 1 is filled to its last row; page 2 has one row more than the other pages.
constexpr std::size_t page_one_rows = 31;
constexpr std::size_t page_two_rows = 32;
constexpr std::size_t template_rows = 31;

// ---- Pages ----

void add_empty_lines(std::vector<std::string>& lines, std::size_t count) {
    lines.insert(lines.end(), count, "");
}

// The rows that the run does not fill stay blank for the driver's own notes.
void add_table(std::vector<std::string>& lines, std::span<const CardRow> rows,
               std::size_t table_rows) {
    lines.insert(lines.end(), column_header.begin(), column_header.end());
    if (rows.size() > table_rows) throw std::logic_error("timetable card: page overfilled");
    for (const CardRow& row : rows) lines.push_back(card_row(row));
    lines.insert(lines.end(), table_rows - rows.size(), blank_row);
    lines.push_back(bottom_rule);
}

void add_page(std::vector<std::string>& lines, const HeaderValues& header,
              std::span<const CardRow> rows, std::size_t table_rows) {
    const std::vector<std::string> box = header_box(header);
    lines.insert(lines.end(), box.begin(), box.end());
    add_empty_lines(lines, 1);
    add_table(lines, rows, table_rows);
}

}  // namespace

TextDocument dati_scheda(const Identity& id) {
    const std::span<const CardRow> rows(carried_rows);
    std::vector<std::string> lines;
    add_empty_lines(lines, 2);
    add_page(lines, carried_train_header("SCHEDA 1/2"), rows.first(page_one_rows), page_one_rows);
    add_empty_lines(lines, 3);
    lines.push_back(std::string(81, '.'));
    add_empty_lines(lines, 2);
    add_page(lines, carried_train_header("SCHEDA 2/2"), rows.subspan(page_one_rows), page_two_rows);
    // Two blank copies of the form follow, for the user's own trains.
    for (int copy = 0; copy < 2; ++copy) {
        add_empty_lines(lines, copy == 0 ? 3 : 2);
        lines.push_back(std::string(72, '.'));
        add_empty_lines(lines, 1);
        add_page(lines, template_header, {}, template_rows);
    }
    add_empty_lines(lines, 1);
    return {file_name::timetable_card(id), std::move(lines)};
}

}  // namespace scenario
