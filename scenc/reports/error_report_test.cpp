#include "scenc/reports/error_report.h"

#include <gtest/gtest.h>

#include <vector>

#include "compiler/errors.h"

namespace scenario::scenc {
namespace {

const SourceText shown_route{"mia_linea.txt",
                             "[generale]\r\nlunghezza percorso, 9000\r\n[pendenze]\r\n"
                             "pendenza,\t12000,  -8\r\n[fine]\r\n"};
const SourceText shown_train{"mia_5-.txt", "[generale]\r\nsegnale,    8650,   2\r\n[fine]\r\n"};

std::string report_for(std::int32_t code, std::int32_t position, SourceLocation site,
                       CompileOutcome outcome = {}) {
    Model model;
    raise_diagnostic(model, error_diagnostic(code, std::move(site), position));
    return compile_error_report(model, outcome, shown_route, shown_train);
}

TEST(ScencErrorReport, PointsAtTheFieldOfTheRowWithACaret) {
    EXPECT_EQ(report_for(15, 12000, {"mia_linea.txt", 4, 11}),
              "mia_linea.txt:4:11: errore 15: " + error_meaning(15) +
                  "\npendenza,\t12000,  -8\n         \t^\n");
    EXPECT_EQ(report_for(16, 8650, {"mia_5-.txt", 2, 13}),
              "mia_5-.txt:2:13: errore 16: " + error_meaning(16) +
                  "\nsegnale,    8650,   2\n            ^\n");
}

TEST(ScencErrorReport, ErrorsWithoutARowGiveTheirPosition) {
    struct Case {
        std::int32_t code;
        std::int32_t position;
        SourceLocation site;
        std::string expected;
    };
    const std::vector<Case> cases{
        {12,
         214800,
         {},
         "errore 12: " + error_meaning(12) + "\n  posizione: 214800 m (cella 4296)\n"},
        {15, 249950, {}, "errore 15: " + error_meaning(15) + "\n  posizione: 249950 m\n"},
        {104, 777, {}, "errore 104: " + error_meaning(104) + "\n"},
        {25, 0, {"mia_5-.txt", 0, 0}, "mia_5-.txt: errore 25: " + error_meaning(25) + "\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(report_for(c.code, c.position, c.site), c.expected);
    }
}

TEST(ScencErrorReport, MarkerStopAndCleanCompile) {
    CompileOutcome stopped;
    stopped.status = CompileOutcome::Status::stopped_by_error;
    stopped.errore_text = "1251";
    EXPECT_EQ(report_for(0, 0, {"mia_5-.txt", 2, 1}, stopped),
              "errore 1251: " + error_meaning(1251) + "\n");
    EXPECT_EQ(report_for(0, 0, {}), "");
}

// A 20 km line with one station; each case changes or adds one row.
const std::string small_route =
    "[generale]\r\n"
    "lunghezza percorso, 20000\r\n"
    "ripetizione segnali 4 codici, 0, 20000\r\n"
    "[pendenze]\r\n"
    "pendenza, 0, 0\r\n"
    "[fine]\r\n";
const std::string small_train =
    "[generale]\r\n"
    "velocita, 0, 100\r\n"
    "aderenza, 0, 100\r\n"
    "stazione, 0, 8, 500, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 10, 0, 0, ALFA\r\n"
    "[fine]\r\n";

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    return text.replace(text.find(from), from.size(), to);
}

std::string check_report(const std::string& route, const std::string& train) {
    return compile_sources({"mia_linea.txt", route}, {"mia_5-.txt", train}, {"mia", "5"}, 1).report;
}

TEST(ScencCheck, CleanTextsGiveNoReport) {
    EXPECT_EQ(check_report(small_route, small_train), "");
}

// One case for each family of error: the route's format, its features, the train's rows.
TEST(ScencCheck, EachFamilyOfErrorPointsAtItsRow) {
    struct Case {
        std::string route;
        std::string train;
        std::string first_line;
    };
    const Case cases[] = {
        {replaced(small_route, "codici, 0,", "codici, 25,"), small_train,
         "mia_linea.txt:3:31: errore 3: "},
        {replaced(small_route, "percorso, 20000", "percorso, 20x00"), small_train,
         "mia_linea.txt:2:21: errore 25: "},
        {replaced(small_route, "pendenza, 0, 0", "pendenza, 0, 0\r\npendenza, 26950, 4"),
         small_train, "mia_linea.txt:6:11: errore 15: "},
        {replaced(small_route, "[fine]", "[curve]\r\ncurvad, 1000, 300\r\n[fine]"), small_train,
         "mia_linea.txt:7:1: errore 103: "},
        {small_route, replaced(small_train, "stazione, 0, 8", "stazione, 25, 8"),
         "mia_5-.txt:4:11: errore 8: "},
        {small_route,
         replaced(small_train, "[fine]",
                  "segnale, 8650, 2, 4, 0, 0, 0, 2, 1, 0, 0, 0\r\n"
                  "segnale,   8660, 2, 4, 0, 0, 0, 2, 1, 0, 0, 0\r\n[fine]"),
         "mia_5-.txt:6:12: errore 16: "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.first_line);
        std::string report = check_report(c.route, c.train);
        EXPECT_EQ(report.substr(0, c.first_line.size()), c.first_line) << report;
        EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 3) << report;  // line, caret
    }
}

// A placement error points at the slowdown it serves: three signals fill the first window
// before it.
TEST(ScencCheck, PlacementErrorPointsAtItsSlowdown) {
    std::string train = replaced(small_train, "[fine]",
                                 "segnale, 9650, 2, 4, 0, 0, 0, 2, 1, 0, 0, 0\r\n"
                                 "segnale, 9700, 2, 4, 0, 0, 0, 2, 1, 0, 0, 0\r\n"
                                 "segnale, 9750, 2, 4, 0, 0, 0, 2, 1, 0, 0, 0\r\n"
                                 "rallentamento, 10000, 60, 800, 0, 1, 60\r\n[fine]");
    EXPECT_EQ(check_report(small_route, train),
              "mia_5-.txt:8:1: errore 12: " + error_meaning(12) +
                  "\nrallentamento, 10000, 60, 800, 0, 1, 60\n^\n");
}

}  // namespace
}  // namespace scenario::scenc
