#include "compiler/check.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace scenario {
namespace {

// What one diagnostic must say: its number, FILE:LINE:COL, and a piece of its reason.
struct Expected {
    std::int32_t number;
    std::string place;
    std::string reason;
};

std::string place_of(const SourceLocation& at) {
    return at.file + ":" + std::to_string(at.line) + ":" + std::to_string(at.column);
}

// Stations the train passes without a time: these cases are about the rows, not the timetable.
const std::string station_fields = ", 12, 400, 0,0,0,0,0,0,0,0,0,0, 0,0,0, ";

std::string route_text(const std::string& rows) {
    return "[generale]\nlunghezza percorso, 10000\n[tracciato]\npendenza, 0, 0\n" + rows +
           "[fine]\n";
}

std::string train_text(const std::string& rows) {
    return "[generale]\nvelocita, 0, 100\n" + rows + "[fine]\n";
}

std::string sign_boards(int count) {
    std::string rows;
    for (int i = 0; i < count; ++i) {
        rows += "indicatore cartello, " + std::to_string(1000 + 100 * i) + ", (B)\n";
    }
    return rows;
}

CheckResult check(const std::string& route, const std::string& train,
                  const CheckOptions& options = {}) {
    return check_scenario({"linea.txt", route}, {"treno.txt", train}, carried_identity(), options);
}

// The errors only: the warnings that slips like these also give have tests of their own.
void expect_diagnostics(const CheckResult& result, const std::vector<Expected>& expected) {
    Diagnostics errors;
    for (const Diagnostic& d : result.diagnostics) {
        if (d.severity == Severity::error) errors.push_back(d);
    }
    ASSERT_EQ(errors.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const Diagnostic& got = errors[i];
        SCOPED_TRACE("diagnostic " + std::to_string(i) + ": " + got.message);
        EXPECT_EQ(got.number, expected[i].number);
        EXPECT_EQ(place_of(got.location), expected[i].place);
        EXPECT_NE(got.message.find(expected[i].reason), std::string::npos);
    }
}

TEST(CheckScenario, ReportsEveryMistakeOfBothTextsInOrderWithPlaceAndReason) {
    const std::string route = route_text(
        "indicatori_vmax, 1000, 60, 70, 75, 2, , , , 0\n"
        "indicatore cartello, 1000, (Ponte)\n"
        "pendenza, 99000, 5\n"
        "curva, 2000, 100\n");
    const std::string train =
        train_text("stazione, 1000" + station_fields + "Alfa\n" + "stazione, 2025" +
                   station_fields + "Beta\n" +
                   "stazione, 3000, 12, 450, 0,0,0,0,0,0,0,0,0,0, 10,0,0, Gamma\n"
                   "segnale, 5000, 2,4,0,0,0,2,1,0,0,0\n"
                   "segnale, 5000, 2,4,0,0,0,2,1,0,0,0\n"
                   "abbattimento, 5050, 180\n"
                   "numero vetture, 1x2\n"
                   "sabbia, 40000\n"
                   "stazione, 6000, 866, 400\n");
    const CheckResult result = check(route, train);
    expect_diagnostics(
        result,
        {
            {6, "linea.txt:6:22",
             "cell 21 already holds maximum-speed boards, from linea.txt line 5"},
            {15, "linea.txt:7:11", "99000 m"},
            {103, "linea.txt:8:1", "no class digit"},
            {8, "treno.txt:4:11", "2025 m"},
            {9, "treno.txt:5:21", "450 m"},
            {16, "treno.txt:7:10", "cell 101 already holds a signal, from treno.txt line 6"},
            {7, "treno.txt:8:15", "cell 101 already holds a signal"},
            {25, "treno.txt:9:17", "a whole number was expected, found '1x2'"},
            {25, "treno.txt:10:9",
             "40000 does not fit a field of -32768 to 32767 (Integer): field 1 of the row "
             "'sabbia' (quantity)"},
            {25, "treno.txt:11:17",
             "866 does not fit a field of 0 to 255 (Byte): field 2 of the row 'stazione' (kind)"},
        });
    // The related place of a taken cell is the position of the row that took it.
    EXPECT_EQ(place_of(*result.diagnostics[0].related), "linea.txt:5:18");
    EXPECT_EQ(place_of(*result.diagnostics[5].related), "treno.txt:6:10");
    // The compile stops at the sign board: that is what the package program reports.
    EXPECT_EQ(result.final_error, 0u);
}

TEST(CheckScenario, ACleanPairHasNothingToSay) {
    const CheckResult result =
        check(route_text(""), train_text("stazione, 1000" + station_fields + "Alfa\n"));
    EXPECT_TRUE(result.diagnostics.empty());
    EXPECT_FALSE(result.final_error);
}

TEST(CheckScenario, AShortRowIsBlamedAtItsEndAndTheNextRowIsStillRead) {
    const CheckResult result =
        check(route_text(""), train_text("segnale, 4000, 2, 4, 0\n"
                                         "segnale, 4000, 2,4,0,0,0,2,1,0,0,0\n"));
    // The second signal is read as a row of its own: it finds the cell of the first one free,
    // since the short row was refused.
    expect_diagnostics(result, {{25, "treno.txt:3:23", "after 4 of its 11 fields"}});
    EXPECT_EQ(result.final_error, 0u);
}

// A keyword field that opens a quote and never closes it names a row all the same; the check
// once read its line again and again.
TEST(CheckScenario, AnUnclosedQuoteBeforeAKeywordIsOneErrorAndReadingGoesOn) {
    const CheckResult result =
        check(route_text(""), train_text("\"segnale, 4000, 2,4,0,0,0,2,1,0,0,0\n"
                                         "segnale, 4000, 2,4,0,0,0,2,1,0,0,0\n"));
    expect_diagnostics(result, {{25, "treno.txt:3:1", "never closed"}});
}

TEST(CheckScenario, AStationWithoutItsNameIsWarnedAtTheEndOfItsLine) {
    // The compile takes the next line's keyword as the name, which is no error.
    const CheckResult result =
        check(route_text(""), train_text("stazione, 1000, 12, 400, "
                                         "0,0,0,0,0,0,0,0,0,0, 10,0,0\n"
                                         "segnale, 4000, 2,4,0,0,0,2,1,0,0,0\n"));
    ASSERT_EQ(result.diagnostics.size(), 1u);
    const Diagnostic& warning = result.diagnostics[0];
    EXPECT_EQ(warning.severity, Severity::warning);
    EXPECT_EQ(warning.name, "row-runs-on");
    EXPECT_EQ(place_of(warning.location), "treno.txt:3:53");
    EXPECT_NE(warning.message.find("after 16 of its 17 fields, so 'segnale' on the next line"),
              std::string::npos)
        << warning.message;
    EXPECT_FALSE(result.final_error);
}

TEST(CheckScenario, NamesTheCauseOfEachRemainingError) {
    struct Case {
        const char* name;
        std::string route;
        std::string train;
        std::vector<Expected> expected;
    };
    const std::vector<Case> cases{
        {"a reference off the grid is reported at the field off it, after the train is read",
         "[generale]\nlunghezza percorso, 10000\nprogressiva uno, 25, 1000, 0\n[tracciato]\n"
         "[fine]\n",
         train_text(""),
         {{2, "linea.txt:3:18", "start 25 m"}}},
        {"a reference value is quoted as written, then as direction 1 stores it",
         "[generale]\nlunghezza percorso, 10000\nprogressiva uno, 0, 1020, 1\n[tracciato]\n"
         "[fine]\n",
         train_text(""),
         {{2, "linea.txt:3:21", "start 0 m, value 1020 m (stored as 1120 m"}}},
        {"a board speed out of 16 bits is told as written, at the speed that weighs most",
         route_text("indicatori_vmax, 1000, 60, 70, 75, 2, 200000, 0, 0, 0\n"
                    "indicatori_vmax, 2000, 60, -2000, 75, 2, 0, 0, 0, 0\n"),
         train_text(""),
         {{25, "linea.txt:5:39",
           "vad 200000 km/h (field 6 of the row 'indicatori_vmax', maximum speed for rank A, "
           "right track) is too high for the board: stored as val1 = vad / 5 + vas x 20 = "
           "41200, it does not fit 16 bits"},
          {25, "linea.txt:6:28",
           "vbs -2000 km/h (field 3 of the row 'indicatori_vmax', maximum speed for rank B, "
           "left track) is too low for the board: stored as val2 = vbd / 5 + vbs x 20 = "
           "-40000"}}},
        {"a row whose text stands where a number is due counts its fields",
         route_text("indicatore cartello, (Ponte)\n"),
         train_text(""),
         {{25, "linea.txt:5:22",
           "found '(Ponte)': the row 'indicatore cartello' has 1 of its 2 fields, so its text "
           "'(Ponte)' stands where field 1, position, is due"}}},
        {"a station stretch out of 32 bits is told at the length",
         route_text(""),
         train_text("stazione, 1000, 7, 2147483600, 0,0,0,0,0,0,0,0,0,0, 0,0,0, Alfa\n"),
         {{25, "treno.txt:3:20",
           "length 2147483600 m (field 3 of the row 'stazione') puts the stretch end at "
           "2147484600 m, which does not fit a Long (32 bits)"}}},
        {"a reference value out of 32 bits once raised is told at the value",
         "[generale]\nlunghezza percorso, 10000\nprogressiva uno, 0, 2147483600, 1\n"
         "[tracciato]\n[fine]\n",
         train_text(""),
         {{25, "linea.txt:3:21",
           "kilometric value 2147483600 m with direction 1 is stored 100 m higher, at "
           "2147483700 m, which does not fit a Long"}}},
        {"reference starts whose sum is out of 32 bits are told at the start that overflows",
         "[generale]\nlunghezza percorso, 10000\nprogressiva due, 2000000000, 0, 0\n"
         "progressiva uno, 2000000000, 0, 0\n[tracciato]\n[fine]\n",
         train_text(""),
         {{25, "linea.txt:4:18",
           "the kilometric references' starts 0, 2000000000 and 2000000000 add up to "
           "4000000000 m"}}},
        {"a station too close names the previous one's end",
         route_text(""),
         train_text("stazione, 1000" + station_fields + "Alfa\n" + "stazione, 1500" +
                    station_fields + "Beta\n"),
         {{22, "treno.txt:4:11", "the previous station's ends at 1200 m"}}},
        {"a curve running past the plan says so",
         route_text("curva 3, 9000, 9000\n"),
         train_text(""),
         {{103, "linea.txt:5:16", "past the plan's last point 17000"}}},
        {"a window of a slowdown taken by signals names the slowdown",
         route_text(""),
         train_text("segnale, 4650, 0,0,0,0,0,0,0,0,0,0\nsegnale, 4700, 0,0,0,0,0,0,0,0,0,0\n"
                    "segnale, 4750, 0,0,0,0,0,0,0,0,0,0\nrallentamento, 5000, 60, 400, 0, 0, 60\n"),
         {{12, "treno.txt:6:1",
           "cells 96, 95 and 94 hold a signal, a signal and a signal, for "
           "the slowdown at treno.txt line 6"}}},
        {"texts given the wrong way round look swapped",
         train_text(""),
         route_text(""),
         {{104, "linea.txt:3:1", "look swapped"}}},
        {"too many sign boards are reported once",
         route_text(sign_boards(82)),
         train_text(""),
         {{106, "linea.txt:85:22", "80 at most"}}},
        {"a faulty route length is not reported again as a missing one",
         "[generale]\nlunghezza percorso, 1x0\n[tracciato]\n[fine]\n",
         train_text(""),
         {{25, "linea.txt:2:21", "found '1x0'"}}},
        {"a bad route length is not reported again as a missing one",
         "[generale]\nlunghezza percorso, 2000000\n[tracciato]\n[fine]\n",
         train_text(""),
         {{1, "linea.txt:2:21", "2000000 m"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        expect_diagnostics(check(c.route, c.train), c.expected);
    }
}

// A route text that gives no track leaves the rest checked for what needs none: the train's
// station off its grid is found, while a signal past any track and two signals on one cell
// are not judged, and the route's error says so.
TEST(CheckScenario, ARouteWithoutTrackLeavesTheTrainCheckedWithoutOne) {
    const std::string signal_fields = ", 0,0,0,0,0,0,0,0,0,0\n";
    const std::string train = train_text("stazione, 1025" + station_fields + "Alfa\n" +
                                         "segnale, 2000000" + signal_fields + "segnale, 3000" +
                                         signal_fields + "segnale, 3000" + signal_fields);
    struct Case {
        std::string name;
        std::string route;
        Expected cause;
    };
    const std::vector<Case> cases = {
        {"no general block", "lunghezza percorso, 10000\n", {102, "linea.txt:0:0", ""}},
        {"no route length row", "[generale]\n[tracciato]\npendenza, 0, 0\n[fine]\n",
         {104, "linea.txt:2:1", ""}},
        {"a route length refused", "[generale]\nlunghezza percorso, 2000000\n[tracciato]\n[fine]\n",
         {1, "linea.txt:2:21", "2000000 m"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CheckResult result = check(c.route, train);
        expect_diagnostics(result, {c.cause, {8, "treno.txt:3:11", "1025 m"}});
        const Diagnostic& cause = result.diagnostics.at(0);
        ASSERT_EQ(cause.notes.size(), 1u);
        EXPECT_NE(cause.notes[0].find("checked without one"), std::string::npos);
        EXPECT_EQ(result.final_error, 0u);
    }
}

// A route length of 0 makes every row past 7 km an error 15: one error at the length row
// counts them. The compile's own final error stays, and a negative position, beyond any
// track, is not counted as following from the length.
TEST(CheckScenario, ARouteLengthOfZeroIsOneErrorCountingTheRest) {
    const std::string signal_fields = ", 0,0,0,0,0,0,0,0,0,0\n";
    const std::string route = "[generale]\nlunghezza percorso, 0\n[tracciato]\npendenza, 0, 0\n"
                              "pendenza, 8000, 0\n[fine]\n";
    const std::string train = train_text("segnale, 9000" + signal_fields + "segnale, 9500" +
                                         signal_fields + "segnale, -100" + signal_fields);
    const CheckResult result = check(route, train);
    expect_diagnostics(result, {{15, "linea.txt:2:21", "the route length is 0 m"},
                                {15, "treno.txt:3:10", "9000 m"},
                                {15, "treno.txt:5:10", "-100 m"}});
    const Diagnostic& cause = result.diagnostics.at(0);
    ASSERT_TRUE(cause.consequences.has_value());
    EXPECT_EQ(cause.consequences->errors, 2u);  // the route's 8000 and the train's 9500
    ASSERT_EQ(cause.fixes.size(), 1u);
    EXPECT_EQ(cause.fixes[0].edits.at(0).replacement, "8000");  // the route's furthest row
    ASSERT_TRUE(result.final_error.has_value());
    EXPECT_NE(result.diagnostics[*result.final_error].message.find("9000 m"), std::string::npos);

    // Every row on the 7 km the short track leaves: the compile ends clean, and so does check.
    const CheckResult within = check("[generale]\nlunghezza percorso, 0\n[fine]\n",
                                     train_text("segnale, 2600" + signal_fields));
    EXPECT_EQ(within.final_error, std::nullopt);
    EXPECT_TRUE(std::none_of(within.diagnostics.begin(), within.diagnostics.end(),
                             [](const Diagnostic& d) { return d.severity == Severity::error; }));
}

TEST(CheckScenario, MaxErrorsCountsErrorsAndKeepsTheFinalOne) {
    std::string rows;
    for (int i = 0; i < 5; ++i) rows += "sabbia, x" + std::to_string(i) + "\n";
    const std::string train = train_text(rows + "stazione, 1000, 12, 333\n");
    const CheckResult all = check(route_text(""), train, {0});
    ASSERT_EQ(all.diagnostics.size(), 6u);
    ASSERT_EQ(all.final_error, 0u);  // the compile stops at the first read fault

    const CheckResult two = check(route_text(""), train, {2});
    EXPECT_EQ(two.diagnostics.size(), 2u);
    EXPECT_EQ(two.omitted_errors, 4u);
    EXPECT_EQ(two.final_error, 0u);
}

}  // namespace
}  // namespace scenario
