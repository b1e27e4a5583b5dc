// The timetable against the line: the least time from the speed limits, and the warnings
// a schedule gives, each case a small pair of texts.
#include "compiler/timetable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compiler/check.h"
#include "compiler/field_reader.h"
#include "compiler/identity.h"
#include "compiler/test_models.h"

namespace scenario {
namespace {

// A 10 km route; its track runs to 17000 m.
const std::string route = "[generale]\r\nlunghezza percorso, 10000\r\n[curve]\r\n[fine]\r\n";

// A halt at the position with its time as the three clock fields are written.
std::string station(int position, const std::string& clock, const std::string& name) {
    return "stazione, " + std::to_string(position) + ", 12, 400, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, " +
           clock + ", " + name + "\r\n";
}

// 50 km/h up to 5000 m, then 100 km/h: from 2500 to 7500 m take 180 s + 90 s.
const std::string speeds = "velocita, 0, 50\r\nvelocita, 5000, 100\r\n";

// The rows after a start clock, the speeds and the origin (line 5), which starts the run at
// 09:00:00; the first row is on line 6.
std::string train_with(const std::string& rows) {
    return "[generale]\r\norologio, 9 0 0\r\n" + speeds + station(0, "09 00 00", "O") + rows +
           "[fine]\r\n";
}

CheckResult check(const std::string& train) {
    return check_scenario({"r_linea.txt", route}, {"r_1-.txt", train}, {"r", "1"});
}

TEST(Timetable, LeastTimeIsTheTimeAtTheLimitOfEveryCell) {
    const testing::Compile result = testing::compile(route, train_with(""));
    // Whole cells, part cells, and the stretch where the limit changes.
    EXPECT_NEAR(least_time_s(result.model, 0, 2500), 180.0, 1e-9);
    EXPECT_NEAR(least_time_s(result.model, 5000, 7500), 90.0, 1e-9);
    EXPECT_NEAR(least_time_s(result.model, 4975, 5025), 1.8 + 0.9, 1e-9);
    EXPECT_NEAR(least_time_s(result.model, 5000, 5000), 0.0, 1e-9);
    EXPECT_NEAR(least_time_s(Model{}, 0, 5000), 0.0, 1e-9);
}

TEST(Timetable, RunsJoinTimedStationsAndCountTheNextDayAfterAFallOfOverTwelveHours) {
    const testing::Compile result = testing::compile(route, train_with(""));
    const std::vector<TimetableStation> stations{
        {0, 23 * 3600 + 58 * 60, "A"}, {2500, 0, "passed"}, {5000, 2 * 60, "B"}, {9000, 60, "C"}};
    const std::vector<TimetableRun> runs = timetable_runs(result.model, stations);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].from, 0u);
    EXPECT_EQ(runs[0].to, 2u);
    EXPECT_EQ(runs[0].scheduled_s, 4 * 60);
    EXPECT_EQ(runs[0].length_m, 5000);
    EXPECT_TRUE(runs[0].from_origin);
    EXPECT_FALSE(runs[1].from_origin);
    EXPECT_EQ(runs[1].scheduled_s, -60);
    EXPECT_FALSE(runs[1].rises());
}

struct Case {
    const char* what;
    std::string rows;
    std::string name;  // the warning expected, empty for none
    int line;          // its line in the train text
    std::string field;
    std::string in_message;
};

TEST(Timetable, WarningsOfATable) {
    const std::vector<Case> cases{
        {"schedule at the bound", station(2500, "10 00 00", "A") + station(7500, "10 04 30", "B"),
         "", 0, "", ""},
        {"one second too fast", station(2500, "10 00 00", "A") + station(7500, "10 04 29", "B"),
         "timetable-too-fast", 7, "10 04 29",
         "run from \"A\" to \"B\" scheduled 4 min 29 s for 5.0 km; at the line's speed limits "
         "it takes at least 4 min 30 s"},
        {"untimed station between",
         station(2500, "10 00 00", "A") + station(5000, "0 0 0", "P") +
             station(7500, "10 04 00", "B"),
         "timetable-too-fast", 8, "10 04 00", "\"A\" to \"B\" scheduled 4 min 00 s"},
        {"time falls", station(2500, "10 49 00", "A") + station(7500, "09 06 00", "B"),
         "timetable-order", 7, "09 06 00", "\"B\" at 09:06:00 is timed no later than \"A\""},
        {"same time", station(2500, "10 00 00", "A") + station(7500, "10 00 00", "B"),
         "timetable-order", 7, "10 00 00", "no later"},
        {"past midnight", station(2500, "23 58 00", "A") + station(7500, "00 03 00", "B"), "", 0,
         "", ""},
        {"a fall of twelve hours is no next day",
         station(2500, "23 00 00", "A") + station(7500, "11 00 00", "B"), "timetable-order", 7,
         "11 00 00", "rise"},
        {"hours out of range", station(2500, "25 49 40", "A"), "clock-range", 6, "25 49 40",
         "hours 25 of station \"A\" lies outside 0 to 23: the time 25:49:40"},
        {"minutes out of range", station(2500, "10 60 00", "A"), "clock-range", 6, "60",
         "minutes 60"},
        {"seconds out of range", station(2500, "10 00 -1", "A"), "clock-range", 6, "-1",
         "seconds -1"},
        {"a late start is no schedule", station(2500, "09 00 10", "A"), "", 0, "", ""},
        {"start clock out of range", "orologio, 10 0 75\r\n", "clock-range", 6, "75",
         "seconds 75 of the start clock"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string train = train_with(c.rows);
        const CheckResult result = check(train);
        Diagnostics warnings;
        for (const Diagnostic& d : result.diagnostics) {
            ASSERT_EQ(d.severity, Severity::warning) << d.message;
            warnings.push_back(d);
        }
        if (c.name.empty()) {
            EXPECT_TRUE(warnings.empty()) << warnings.front().message;
            continue;
        }
        ASSERT_EQ(warnings.size(), 1u);
        const Diagnostic& w = warnings.front();
        EXPECT_EQ(w.name, c.name);
        EXPECT_EQ(w.location.line, c.line);
        const std::string_view line = line_of_text(train, c.line);
        EXPECT_EQ(w.location.column, static_cast<int>(line.find(c.field)) + 1) << w.message;
        EXPECT_NE(w.message.find(c.in_message), std::string::npos) << w.message;
    }
}

TEST(Timetable, DurationsAndDistancesAsTheAuthorReadsThem) {
    EXPECT_EQ(duration_text(45), "45 s");
    EXPECT_EQ(duration_text(275), "4 min 35 s");
    EXPECT_EQ(duration_text(240), "4 min 00 s");
    EXPECT_EQ(duration_text(3720), "1 h 02 min 00 s");
    EXPECT_EQ(distance_text(8200), "8.2 km");
}

}  // namespace
}  // namespace scenario
