#include "sources/route_text.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace scenario {

namespace {

// Feature rows put two blanks after every comma; only the general block, the first three
// gradients, the mountain stretches and the sign boards deviate, so those stay literal lines.
std::string after_comma(const std::string& value) {
    return ",  " + value;
}
std::string after_comma(long value) {
    return after_comma(std::to_string(value));
}

const std::vector<std::string> general_lines = {
    "lunghezza percorso,    243000",
    "progressiva chilometrica uno,    0,    350000,    1",
    "progressiva chilometrica due,    0,    0,    0",
    "progressiva chilometrica tre,    0,    0,    0",
    "sfondo uno,    1",
    "sfondo due,    0",
    "sfondo tre,    0",
    "ripetizione segnali 4 codici,    0,    241000",
};

struct Curve {
    long start;
    long length;
    char side;  // 's' left-hand, 'd' right-hand
    int curve_class;
};

const Curve curves[] = {
    {1900, 600, 's', 3},    {3300, 800, 'd', 3},    {5500, 1300, 's', 3},   {7300, 1000, 'd', 3},
    {19500, 500, 's', 4},   {20000, 500, 'd', 4},   {24900, 300, 's', 5},   {25200, 500, 'd', 4},
    {26350, 500, 'd', 5},   {27200, 400, 's', 5},   {34200, 500, 's', 5},   {35150, 300, 'd', 6},
    {35700, 600, 'd', 4},   {36850, 500, 's', 4},   {44600, 900, 's', 4},   {46600, 1000, 'd', 3},
    {48000, 600, 'd', 5},   {48600, 400, 's', 5},   {54400, 600, 'd', 3},   {59600, 400, 's', 4},
    {61900, 500, 'd', 4},   {76500, 300, 'd', 4},   {76850, 400, 's', 4},   {77700, 600, 's', 3},
    {102800, 200, 'd', 5},  {104000, 100, 's', 5},  {108350, 1000, 'd', 3}, {113650, 2000, 's', 3},
    {117250, 200, 'd', 5},  {119000, 2000, 's', 3}, {121000, 2000, 'd', 3}, {125400, 3000, 's', 3},
    {131100, 1400, 'd', 4}, {133700, 1000, 's', 3}, {135050, 2000, 's', 3}, {138550, 500, 'd', 4},
    {140750, 400, 's', 4},  {144800, 400, 'd', 6},  {145500, 250, 's', 6},  {147000, 850, 'd', 5},
    {148000, 300, 's', 6},  {156000, 1000, 's', 1}, {175000, 1000, 'd', 1}, {185200, 1000, 'd', 1},
    {195300, 1000, 's', 1}, {201750, 550, 's', 4},  {203700, 400, 'd', 4},  {207000, 600, 'd', 4},
    {208000, 2000, 's', 3}, {211000, 2000, 'd', 3}, {213000, 400, 's', 4},  {214500, 300, 's', 5},
    {214800, 950, 'd', 4},  {216150, 400, 's', 4},  {217450, 300, 'd', 1},  {221000, 1000, 's', 2},
    {225150, 800, 'd', 2},  {228900, 2000, 'd', 1}, {235100, 500, 's', 5},  {236800, 200, 'd', 5},
    {237100, 1000, 'd', 3},
};

std::string curve_line(const Curve& curve) {
    return "curva" + std::string(1, curve.side) + std::to_string(curve.curve_class) +
           after_comma(curve.start) + after_comma(curve.length);
}

// The first three gradient rows carry one blank more before the gradient than the rest.
const std::vector<std::string> first_gradient_lines = {
    "pendenza,  0,   0",
    "pendenza,  5000,   -8",
    "pendenza,  7000,   0",
};

struct Gradient {
    long position;
    long per_mille;
};

const Gradient later_gradients[] = {
    {11000, 5},   {17000, -6},  {19000, -5},  {24000, 0},    {39000, 5},   {47200, 0},
    {48500, -5},  {51000, 6},   {59000, 0},   {63000, -5},   {67000, -2},  {69450, 6},
    {77400, 5},   {87000, 0},   {89000, -4},  {102500, 0},   {104000, 5},  {110000, -4},
    {117200, 0},  {119000, -4}, {123000, -1}, {131000, 5},   {140000, 0},  {141000, -10},
    {145000, 0},  {148000, 3},  {152000, 7},  {160000, 5},   {182000, 4},  {193000, 0},
    {194000, 4},  {205000, 0},  {206000, 6},  {212650, -12}, {218000, -6}, {228000, 0},
    {229500, -7}, {233000, -6}, {237000, 0},  {239000, 0},
};

std::string gradient_line(const Gradient& gradient) {
    return "pendenza" + after_comma(gradient.position) + after_comma(gradient.per_mille);
}

const std::vector<std::string> mountain_lines = {
    "montagna,   141550,  143050,  11",
    "montagna,   145350,  145750,  11",
    "montagna,   212650,  214650,  11",
};

// On single-track stretches the right-hand speeds are written as empty fields.
using BoardSpeed = std::optional<long>;
constexpr BoardSpeed empty = std::nullopt;

struct SpeedBoard {
    long posizione;
    BoardSpeed vas, vbs, vcs;
    long strisces;
    BoardSpeed vad, vbd, vcd;
    long strisced;
};

const SpeedBoard speed_boards[] = {
    {1950, 140, 150, 160, 0, 140, 150, 160, 0},
    {3250, 130, 140, 150, 0, 130, 140, 150, 0},
    {7300, 125, 130, 130, 0, 125, 130, 130, 0},
    {13100, 130, 140, 150, 0, 130, 140, 150, 0},
    {15050, 140, 150, 150, 0, 140, 150, 150, 0},
    {22750, 130, 135, 140, 0, 130, 135, 140, 0},
    {26550, 140, 150, 150, 0, 140, 150, 150, 0},
    {34450, 110, 115, 125, 0, 110, 115, 125, 0},
    {38100, 140, 150, 150, 0, 140, 150, 150, 0},
    {45100, 130, 135, 145, 0, 130, 135, 145, 0},
    {49900, 140, 150, 150, 0, 140, 150, 150, 0},
    {74600, 120, 125, 130, 0, 120, 125, 130, 0},
    {77750, 140, 150, 150, 0, 140, 150, 150, 0},
    {100800, 120, 130, 135, 0, 120, 130, 135, 0},
    {103950, 140, 150, 150, 0, 140, 150, 150, 0},
    {120200, 120, 125, 135, 0, 120, 125, 135, 0},
    {123850, 140, 150, 160, 0, 140, 150, 160, 0},
    {128800, 120, 130, 135, 0, 120, 130, 135, 0},
    {137500, 90, 95, 105, 2, 90, 95, 105, 2},
    {137900, 90, 95, 105, 1, 90, 95, 105, 1},
    {138300, 90, 95, 105, 0, 90, 95, 105, 0},
    {143500, 60, 70, 75, 2, empty, empty, empty, 0},
    {143800, 60, 70, 75, 1, empty, empty, empty, 0},
    {144100, 60, 70, 75, 0, empty, empty, empty, 0},
    {148500, 140, 160, 160, 0, 140, 160, 160, 0},
    {156950, 140, 160, 180, 0, 140, 160, 180, 0},
    {199800, 140, 160, 170, 0, 140, 160, 170, 0},
    {201200, 100, 105, 110, 2, 100, 105, 110, 2},
    {201500, 100, 105, 110, 1, 100, 105, 110, 1},
    {201800, 100, 105, 110, 0, 100, 105, 110, 0},
    {217950, 140, 150, 150, 0, 140, 150, 150, 0},
    {221050, 140, 160, 170, 0, 140, 160, 170, 0},
    {234200, 100, 110, 115, 2, 100, 110, 115, 2},
    {234500, 100, 110, 115, 1, 100, 110, 115, 1},
    {234800, 100, 110, 115, 0, 100, 110, 115, 0},
};

std::string after_comma(const BoardSpeed& speed) {
    return after_comma(speed ? std::to_string(*speed) : std::string());
}

std::string speed_board_line(const SpeedBoard& board) {
    return "indicatori_vmax" + after_comma(board.posizione) + after_comma(board.vas) +
           after_comma(board.vbs) + after_comma(board.vcs) + after_comma(board.strisces) +
           after_comma(board.vad) + after_comma(board.vbd) + after_comma(board.vcd) +
           after_comma(board.strisced);
}

const std::vector<std::string> sign_board_lines = {
    "cartello_indicatore,  4400,   (Km 345+557)",
    "cartello_indicatore,  8500,   (km 341+500)",
    "cartello_indicatore,  35650,   ( Torrente )(  Tordino )(Km 314+347)",
    "cartello_indicatore,  75800,   ( Torrente  )(Campofilone)( Km 274+204)",
    "cartello_indicatore,  139500,   (Km 210+500)",
    "cartello_indicatore,  145300,   (Km 204+676)",
};

void append(std::vector<std::string>& lines, const std::vector<std::string>& more) {
    lines.insert(lines.end(), more.begin(), more.end());
}

}  // namespace

TextDocument dati_linea(const Identity& id) {
    std::vector<std::string> lines;
    lines.push_back("[generale]");
    append(lines, general_lines);
    lines.push_back("[curve]");
    for (const Curve& curve : curves) lines.push_back(curve_line(curve));
    lines.push_back("[pendenze]");
    append(lines, first_gradient_lines);
    for (const Gradient& gradient : later_gradients) lines.push_back(gradient_line(gradient));
    lines.push_back("[montagne]");
    append(lines, mountain_lines);
    lines.push_back("[cartelli]");
    for (const SpeedBoard& board : speed_boards) lines.push_back(speed_board_line(board));
    lines.push_back("[indicazioni]");
    append(lines, sign_board_lines);
    lines.push_back("[fine]");
    return {file_name::route_text(id), std::move(lines)};
}

}  // namespace scenario
