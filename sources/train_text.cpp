#include "sources/train_text.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace scenario {

namespace {

// A width of 0 writes the bare digits.
constexpr std::size_t bare = 0;

// A comma followed by the value right-aligned in a field of the given width: every row
// kind has fixed widths, which keeps its columns aligned in the file.
std::string field(long value, std::size_t width) {
    std::string digits = std::to_string(value);
    if (digits.size() < width) digits.insert(0, width - digits.size(), ' ');
    return "," + digits;
}

const std::vector<std::string> general_lines = {
    "numero vetture,    14",
    "percentuale massa frenata,    130",
    "sabbia,    200",
    "orologio,    10              49            40 ",
};

struct Adhesion {
    long position;
    long value;
};

const Adhesion adhesions[] = {
    {0, 100},
};

std::string adhesion_line(const Adhesion& adhesion) {
    return "aderenza" + field(adhesion.position, 4) + field(adhesion.value, 7);
}

struct SpeedLimit {
    long position;
    long speed;
};

const SpeedLimit speed_limits[] = {
    {0, 155},      {1950, 160},   {4450, 150},   {8500, 130},   {12800, 150},  {23950, 140},
    {26550, 150},  {35750, 125},  {37600, 150},  {46300, 145},  {49900, 150},  {75800, 130},
    {77500, 150},  {102000, 135}, {103950, 150}, {121400, 135}, {123850, 160}, {130000, 135},
    {139500, 105}, {145300, 75},  {148500, 160}, {156950, 170}, {203000, 110}, {217950, 150},
    {220650, 170}, {236000, 115},
};

std::string speed_limit_line(const SpeedLimit& limit) {
    return "velocita" + field(limit.position, 8) + field(limit.speed, 6);
}

struct StationRow {
    long position;
    long kind;
    long length;
    long opt_a, opt_e, opt_d;
    long par_a, par_b, opt_b;
    long par_c, par_d, par_e;
    long stop_value;
    long hours, minutes, seconds;  // all 0 where the train passes
    const char* name;
};

const StationRow station_rows[] = {
    {0, 8, 500, 0, 0, 0, 1, 1, 0, 4, 1, 1, 1, 10, 50, 0, "BRENZOLA CENTRALE"},
    {7000, 12, 500, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 0, 0, 0, "MONTESILVANO"},
    {12850, 12, 400, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 0, 0, 0, "SILVI"},
    {19250, 12, 400, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 0, 0, 0, "PINETO"},
    {28350, 12, 400, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 0, 0, 0, "ROSETO"},
    {37650, 4, 600, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 0, 0, 0, "GIULIANOVA"},
    {44000, 28, 200, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "TORTORETO"},
    {47800, 12, 500, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 0, 0, 0, "ALBA ADRIATICA"},
    {56700, 12, 400, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 0, 0, 0, "PORTO D'ASCOLI"},
    {61500, 2, 600, 0, 0, 1, 1, 1, 0, 4, 1, 1, 60, 11, 6, 0, "SAN BENEDETTO"},
    {66000, 12, 400, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 0, 0, 0, "GROTTAMMARE"},
    {69400, 12, 400, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 0, 0, 0, "CUPRAMARITTIMA"},
    {77350, 12, 400, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 0, 0, 0, "PEDASO"},
    {87700, 12, 400, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 0, 0, 0, "PORTO SAN GIORGIO"},
    {96800, 12, 400, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 0, 0, 0, "PORTO S.ELPIDIO"},
    {103300, 4, 600, 0, 0, 0, 1, 1, 0, 4, 1, 1, 60, 11, 31, 0, "CIVITANOVA MARCHE-MONTEGRANARO"},
    {109400, 22, 200, 0, 0, 0, 0, 0, 0, 4, 1, 1, 0, 0, 0, 0, "POTENZA PICENA"},
    {118200, 12, 400, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 0, 0, 0, "PORTO RECANATI"},
    {122500, 12, 400, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 0, 0, 0, "LORETO"},
    {130800, 12, 600, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 0, 0, 0, "OSIMO"},
    {140500, 12, 400, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 0, 0, 0, "VARANO"},
    {146150, 2, 800, 0, 0, 0, 1, 1, 0, 4, 1, 1, 80, 12, 2, 0, "ANCONA"},
    {151650, 28, 200, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "PALOMBINA"},
    {154700, 12, 500, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 0, 0, 0, "FALCONARA"},
    {159450, 12, 400, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 0, 0, 0, "MONTEMARCIANO"},
    {165050, 28, 200, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "MARZOCCA"},
    {171850, 12, 400, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 0, 0, 0, "SENIGALLIA"},
    {180900, 12, 400, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 0, 0, 0, "MAROTTA"},
    {193100, 12, 400, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 0, 0, 0, "FANO"},
    {205550, 12, 500, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 0, 0, 0, "PESARO"},
    {220600, 12, 500, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 0, 0, 0, "CATTOLICA"},
    {225050, 28, 200, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "MISANO"},
    {228950, 12, 500, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 0, 0, 0, "RICCIONE"},
    {233700, 28, 200, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "TESSALTO MIRAMARE"},
    {238450, 2, 500, 0, 0, 0, 1, 1, 0, 2, 1, 1, 0, 12, 50, 0, "TESSALTO"},
};

std::string station_line(const StationRow& s) {
    return "stazione" + field(s.position, 8) + field(s.kind, 3) + field(s.length, 5) +
           field(s.opt_a, 3) + field(s.opt_e, 2) + field(s.opt_d, 2) + field(s.par_a, 3) +
           field(s.par_b, bare) + field(s.opt_b, bare) + field(s.par_c, 3) + field(s.par_d, bare) +
           field(s.par_e, bare) + field(s.stop_value, 5) + field(s.hours, 4) + field(s.minutes, 2) +
           field(s.seconds, 2) + ", " + s.name;
}

struct Slowdown {
    long x, v, l, f_tt, f_ta, d_v;
};

const Slowdown slowdowns[] = {
    {24950, 60, 200, 1, 1, 60},
    {76950, 50, 1800, 0, 1, 50},
    {168900, 40, 200, 0, 1, 40},
    {214750, 80, 800, 0, 1, 80},
};

std::string slowdown_line(const Slowdown& s) {
    return "rallentamento" + field(s.x, 8) + field(s.v, 6) + field(s.l, 5) + field(s.f_tt, 2) +
           field(s.f_ta, 3) + field(s.d_v, 4);
}

struct SignalValues {
    long sx, s1, s2, s3, rapp, dx, d1, d2, d3, tempo;
};

// The signals share a handful of value patterns; each pattern lists where it stands.
struct SignalPattern {
    SignalValues values;
    std::vector<long> positions;
};

const SignalPattern signal_patterns[] = {
    {{2, 4, 0, 0, 0, 0, 0, 0, 0, 0},
     {142200, 149000, 150500, 161200, 163000, 165200, 167000, 173400, 175000, 176650, 182500,
      184000, 185500, 187000, 188500, 194500, 196000, 197500, 199000, 200500, 207500, 209000,
      210500, 212000, 213600, 215000, 216300, 222500, 224500, 230500, 232000, 233850, 235000}},
    {{2, 4, 0, 0, 0, 2, 1, 0, 0, 0},
     {1650,  3000,   8650,   14800,  21150,  22850,  24250,  30200,  39600,  41550, 43300,
      49600, 51300,  52800,  71400,  73350,  79750,  81650,  83500,  89650,  91250, 92900,
      98850, 105550, 110600, 112450, 113800, 124800, 126350, 132900, 134550, 136150}},
    {{2, 4, 1, 1, 0, 2, 2, 1, 1, 0},
     {5500,   11350,  17950,  27150,  46300,  55300,  64750,  67900,  76100,  86350,  95300, 116700,
      121400, 129300, 139050, 153200, 157950, 170350, 179400, 191600, 204050, 219150, 227450}},
    {{2, 4, 1, 0, 0, 2, 3, 1, 0, 0},
     {4450, 10050, 16650, 25600, 45000, 54150, 58750, 63600, 75150, 85150, 94250, 100650, 107150,
      115150, 119850, 127800, 137750}},
    {{2, 4, 1, 0, 0, 1, 3, 1, 0, 0},
     {152000, 156450, 169000, 178150, 190200, 202400, 217800, 226200}},
    {{2, 3, 1, 1, 0, 2, 2, 1, 1, 0}, {60050, 101800, 237650}},
    {{2, 3, 0, 0, 0, 2, 1, 0, 0, 0}, {31950}},
    {{2, 3, 0, 0, 0, 2, 1, 0, 0, 120}, {33450}},
    {{2, 3, 1, 0, 0, 2, 3, 1, 0, 120}, {34900}},
    {{2, 4, 1, 1, 0, 2, 2, 1, 1, 220}, {36300}},
    {{2, 4, 1, 0, 0, 2, 2, 1, 0, 0}, {108050}},
    {{1, 5, 1, 0, 0, 0, 0, 0, 0, 0}, {144000}},
    {{2, 3, 1, 1, 0, 0, 0, 0, 0, 0}, {145200}},
    {{2, 5, 1, 0, 0, 1, 3, 1, 0, 0}, {236350}},
};

std::string signal_line(long posizione, const SignalValues& v) {
    return "segnale" + field(posizione, 8) + field(v.sx, 4) + field(v.s1, 2) + field(v.s2, 2) +
           field(v.s3, 3) + field(v.rapp, 2) + field(v.dx, 5) + field(v.d1, 3) + field(v.d2, bare) +
           field(v.d3, bare) + ", " + std::to_string(v.tempo);
}

// The file lists the signals by ascending position, across all patterns.
std::vector<std::string> signal_lines() {
    std::vector<std::pair<long, const SignalValues*>> signals;
    for (const SignalPattern& pattern : signal_patterns) {
        for (long position : pattern.positions) signals.emplace_back(position, &pattern.values);
    }
    std::sort(signals.begin(), signals.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> lines;
    for (const auto& [position, values] : signals) lines.push_back(signal_line(position, *values));
    return lines;
}

struct CodeDrop {
    long position;
    long value;
};

const CodeDrop code_drops[] = {
    {202500, 180},
    {203000, 180},
};

std::string code_drop_line(const CodeDrop& drop) {
    return "abbattimento" + field(drop.position, 8) + field(drop.value, 6);
}

void append(std::vector<std::string>& lines, const std::vector<std::string>& more) {
    lines.insert(lines.end(), more.begin(), more.end());
}

}  // namespace

TextDocument dati_treno(const Identity& id) {
    std::vector<std::string> lines;
    lines.push_back("[generale]");
    append(lines, general_lines);
    lines.push_back("[aderenze]");
    for (const Adhesion& adhesion : adhesions) lines.push_back(adhesion_line(adhesion));
    lines.push_back("[vel_limite]");
    for (const SpeedLimit& limit : speed_limits) lines.push_back(speed_limit_line(limit));
    lines.push_back("[stazioni]");
    for (const StationRow& station : station_rows) lines.push_back(station_line(station));
    lines.push_back("[rallentamenti]");
    for (const Slowdown& slowdown : slowdowns) lines.push_back(slowdown_line(slowdown));
    lines.push_back("[segnali]");
    append(lines, signal_lines());
    lines.push_back("[codici]");
    for (const CodeDrop& drop : code_drops) lines.push_back(code_drop_line(drop));
    lines.push_back("[fine]");
    return {file_name::train_text(id), std::move(lines)};
}

}  // namespace scenario
