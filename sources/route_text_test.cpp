#include "sources/route_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <regex>
#include <string>
#include <vector>

namespace scenario {
namespace {

std::vector<std::string> route_lines() {
    return dati_linea(carried_identity()).lines;
}

TEST(RouteText, NameSectionsAndLineCount) {
    TextDocument document = dati_linea(carried_identity());
    EXPECT_EQ(document.file_name, "Brenzola_Tessalto_linea.txt");
    ASSERT_EQ(document.lines.size(), 163u);
    const std::pair<std::size_t, const char*> headers[] = {
        {0, "[generale]"},   {9, "[curve]"},         {71, "[pendenze]"}, {115, "[montagne]"},
        {119, "[cartelli]"}, {155, "[indicazioni]"}, {162, "[fine]"},
    };
    for (const auto& [index, header] : headers) EXPECT_EQ(document.lines[index], header);
}

TEST(RouteText, CarriedLinesAtTheirPlaces) {
    const std::vector<std::string> lines = route_lines();
    const std::pair<std::size_t, const char*> placed[] = {
        {1, "lunghezza percorso,    243000"},
        {2, "progressiva chilometrica uno,    0,    350000,    1"},
        {3, "progressiva chilometrica due,    0,    0,    0"},
        {4, "progressiva chilometrica tre,    0,    0,    0"},
        {5, "sfondo uno,    1"},
        {6, "sfondo due,    0"},
        {7, "sfondo tre,    0"},
        {8, "ripetizione segnali 4 codici,    0,    241000"},
        {10, "curvas3,  1900,  600"},
        {70, "curvad3,  237100,  1000"},
        {72, "pendenza,  0,   0"},
        {73, "pendenza,  5000,   -8"},
        {74, "pendenza,  7000,   0"},
        {75, "pendenza,  11000,  5"},
        {114, "pendenza,  239000,  0"},
        {116, "montagna,   141550,  143050,  11"},
        {117, "montagna,   145350,  145750,  11"},
        {118, "montagna,   212650,  214650,  11"},
        {120, "indicatori_vmax,  1950,  140,  150,  160,  0,  140,  150,  160,  0"},
        {141, "indicatori_vmax,  143500,  60,  70,  75,  2,  ,  ,  ,  0"},
        {154, "indicatori_vmax,  234800,  100,  110,  115,  0,  100,  110,  115,  0"},
        {156, "cartello_indicatore,  4400,   (Km 345+557)"},
        {157, "cartello_indicatore,  8500,   (km 341+500)"},
        {158, "cartello_indicatore,  35650,   ( Torrente )(  Tordino )(Km 314+347)"},
        {159, "cartello_indicatore,  75800,   ( Torrente  )(Campofilone)( Km 274+204)"},
        {160, "cartello_indicatore,  139500,   (Km 210+500)"},
        {161, "cartello_indicatore,  145300,   (Km 204+676)"},
    };
    for (const auto& [index, text] : placed) EXPECT_EQ(lines[index], text) << "line " << index;
    for (const char* curve :
         {"curvad6,  35150,  300", "curvas6,  145500,  250", "curvas1,  156000,  1000",
          "curvas5,  104000,  100", "curvas3,  125400,  3000"}) {
        EXPECT_NE(std::find(lines.begin() + 10, lines.begin() + 71, curve), lines.begin() + 71)
            << curve;
    }
}

TEST(RouteText, CurvesAreOrderedWithTheCarriedSidesAndClasses) {
    const std::vector<std::string> lines = route_lines();
    const std::regex curve_row(R"(curva([sd])([1-6]),  (\d+),  (\d+))");
    int left = 0;
    int right = 0;
    std::array<int, 7> by_class{};
    long previous_end = 0;
    for (std::size_t i = 10; i <= 70; ++i) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(lines[i], m, curve_row)) << lines[i];
        (m[1] == "s" ? left : right)++;
        ++by_class[std::stoul(m[2])];
        const long start = std::stol(m[3]);
        EXPECT_EQ(start % 50, 0) << lines[i];
        EXPECT_GE(start, previous_end) << lines[i];
        previous_end = start + std::stol(m[4]);
    }
    EXPECT_EQ(left, 30);
    EXPECT_EQ(right, 31);
    EXPECT_EQ(by_class, (std::array<int, 7>{0, 6, 2, 17, 19, 13, 4}));
}

TEST(RouteText, GradientsBoardsAndSignBoardsHaveTheirCounts) {
    const std::vector<std::string> lines = route_lines();
    // Only the first three gradients have three blanks before the gradient.
    const std::regex gradient_row(R"(pendenza,  (\d+),( {2,3})(-?\d+))");
    long previous_position = -1;
    for (std::size_t i = 72; i <= 114; ++i) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(lines[i], m, gradient_row)) << lines[i];
        EXPECT_EQ(m[2].length(), i < 75 ? 3 : 2) << lines[i];
        EXPECT_GT(std::stol(m[1]), previous_position) << lines[i];
        previous_position = std::stol(m[1]);
    }
    const std::regex board_row(R"(indicatori_vmax(,  \d*){9})");
    for (std::size_t i = 120; i <= 154; ++i) {
        EXPECT_TRUE(std::regex_match(lines[i], board_row)) << lines[i];
    }
    for (std::size_t i = 156; i <= 161; ++i) {
        EXPECT_EQ(lines[i].rfind("cartello_indicatore,  ", 0), 0u) << lines[i];
    }
}

TEST(RouteText, BytesEndEveryLineWithCrLfAndNoEndMark) {
    const std::vector<std::string> lines = route_lines();
    const std::string bytes = line_table_bytes(lines);
    std::string expected;
    for (const std::string& line : lines) {
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << line;
        EXPECT_TRUE(std::all_of(line.begin(), line.end(), [](char c) {
            return c >= ' ' && c <= '~';
        })) << line;
        expected += line + "\r\n";
    }
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(bytes.find(end_mark), std::string::npos);
    EXPECT_TRUE(bytes.starts_with("[generale]\r\n"));
    EXPECT_TRUE(bytes.ends_with("\r\n[fine]\r\n"));
}

}  // namespace
}  // namespace scenario
