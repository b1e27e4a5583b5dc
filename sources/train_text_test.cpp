#include "sources/train_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace scenario {
namespace {

std::vector<std::string> train_lines() {
    return dati_treno(carried_identity()).lines;
}

std::vector<std::string> split_at_commas(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t comma; (comma = line.find(',', start)) != std::string::npos;) {
        fields.push_back(line.substr(start, comma - start));
        start = comma + 1;
    }
    fields.push_back(line.substr(start));
    return fields;
}

enum class Tail { none, free_field };

// Checks that lines[first..last] are rows of `keyword` whose numbers are right-aligned in
// the given widths (0: bare digits), followed where told by one free field after ", ".
void expect_row_widths(const std::vector<std::string>& lines, std::size_t first, std::size_t last,
                       const std::string& keyword, const std::vector<std::size_t>& widths,
                       Tail tail) {
    const std::regex right_aligned(R"( *-?\d+)");
    const std::size_t free_fields = tail == Tail::free_field ? 1 : 0;
    for (std::size_t i = first; i <= last; ++i) {
        const std::vector<std::string> fields = split_at_commas(lines[i]);
        ASSERT_EQ(fields.size(), 1 + widths.size() + free_fields) << lines[i];
        EXPECT_EQ(fields[0], keyword) << lines[i];
        for (std::size_t f = 0; f < widths.size(); ++f) {
            const std::string& value = fields[f + 1];
            EXPECT_TRUE(std::regex_match(value, right_aligned)) << lines[i];
            if (widths[f] == 0) {
                EXPECT_EQ(value.find(' '), std::string::npos) << lines[i];
            } else {
                EXPECT_EQ(value.size(), widths[f]) << lines[i];
            }
        }
        if (free_fields == 1) {
            EXPECT_EQ(fields.back().rfind(" ", 0), 0u) << lines[i];
        }
    }
}

TEST(TrainText, NameSectionsAndLineCount) {
    TextDocument document = dati_treno(carried_identity());
    EXPECT_EQ(document.file_name, "Brenzola_Tessalto_917-.txt");
    ASSERT_EQ(document.lines.size(), 204u);
    const std::pair<std::size_t, const char*> headers[] = {
        {0, "[generale]"},       {5, "[aderenze]"}, {7, "[vel_limite]"}, {34, "[stazioni]"},
        {70, "[rallentamenti]"}, {75, "[segnali]"}, {200, "[codici]"},   {203, "[fine]"},
    };
    for (const auto& [index, header] : headers) EXPECT_EQ(document.lines[index], header);
}

TEST(TrainText, CarriedLinesAtTheirPlaces) {
    const std::vector<std::string> lines = train_lines();
    const std::pair<std::size_t, const char*> placed[] = {
        {1, "numero vetture,    14"},
        {2, "percentuale massa frenata,    130"},
        {3, "sabbia,    200"},
        {4, "orologio,    10              49            40 "},
        {6, "aderenza,   0,    100"},
        {8, "velocita,       0,   155"},
        {33, "velocita,  236000,   115"},
        {35,
         "stazione,       0,  8,  500,  0, 0, 0,  1,1,0,  4,1,1,    1,  10,50, 0, BRENZOLA "
         "CENTRALE"},
        {41, "stazione,   44000, 28,  200,  0, 0, 0,  0,0,0,  0,0,0,    0,   0, 0, 0, TORTORETO"},
        {44,
         "stazione,   61500,  2,  600,  0, 0, 1,  1,1,0,  4,1,1,   60,  11, 6, 0, SAN "
         "BENEDETTO"},
        {69, "stazione,  238450,  2,  500,  0, 0, 0,  1,1,0,  2,1,1,    0,  12,50, 0, TESSALTO"},
        {71, "rallentamento,   24950,    60,  200, 1,  1,  60"},
        {72, "rallentamento,   76950,    50, 1800, 0,  1,  50"},
        {73, "rallentamento,  168900,    40,  200, 0,  1,  40"},
        {74, "rallentamento,  214750,    80,  800, 0,  1,  80"},
        {76, "segnale,    1650,   2, 4, 0,  0, 0,    2,  1,0,0, 0"},
        {199, "segnale,  237650,   2, 3, 1,  1, 0,    2,  2,1,1, 0"},
        {201, "abbattimento,  202500,   180"},
        {202, "abbattimento,  203000,   180"},
    };
    for (const auto& [index, text] : placed) EXPECT_EQ(lines[index], text) << "line " << index;
    for (const char* signal : {"segnale,    8650,   2, 4, 0,  0, 0,    2,  1,0,0, 0",
                               "segnale,   36300,   2, 4, 1,  1, 0,    2,  2,1,1, 220"}) {
        EXPECT_NE(std::find(lines.begin() + 76, lines.begin() + 200, signal), lines.begin() + 200)
            << signal;
    }
}

TEST(TrainText, RowsKeepTheirKindsWidths) {
    const std::vector<std::string> lines = train_lines();
    expect_row_widths(lines, 6, 6, "aderenza", {4, 7}, Tail::none);
    expect_row_widths(lines, 8, 33, "velocita", {8, 6}, Tail::none);
    expect_row_widths(lines, 35, 69, "stazione", {8, 3, 5, 3, 2, 2, 3, 0, 0, 3, 0, 0, 5, 4, 2, 2},
                      Tail::free_field);
    expect_row_widths(lines, 71, 74, "rallentamento", {8, 6, 5, 2, 3, 4}, Tail::none);
    expect_row_widths(lines, 76, 199, "segnale", {8, 4, 2, 2, 3, 2, 5, 3, 0, 0}, Tail::free_field);
    expect_row_widths(lines, 201, 202, "abbattimento", {8, 6}, Tail::none);
}

TEST(TrainText, SignalsAscendInTheirFourteenPatterns) {
    const std::vector<std::string> lines = train_lines();
    long previous = 0;
    std::set<std::string> patterns;
    for (std::size_t i = 76; i <= 199; ++i) {
        const std::vector<std::string> fields = split_at_commas(lines[i]);
        const long position = std::stol(fields[1]);
        EXPECT_GT(position, previous) << lines[i];
        previous = position;
        patterns.insert(lines[i].substr(lines[i].find(',', 8)));
    }
    EXPECT_EQ(std::stol(split_at_commas(lines[76])[1]), 1650);
    EXPECT_EQ(previous, 237650);
    EXPECT_EQ(patterns.size(), 14u);
}

TEST(TrainText, BytesEndEveryLineWithCrLfAndNoEndMark) {
    const std::vector<std::string> lines = train_lines();
    const std::string bytes = line_table_bytes(lines);
    std::string expected;
    for (const std::string& line : lines) {
        EXPECT_TRUE(std::all_of(line.begin(), line.end(), [](char c) {
            return c >= ' ' && c <= '~';
        })) << line;
        expected += line + "\r\n";
    }
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(bytes.find(end_mark), std::string::npos);
    EXPECT_TRUE(bytes.ends_with("\r\n[fine]\r\n"));
}

}  // namespace
}  // namespace scenario
