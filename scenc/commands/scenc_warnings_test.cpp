// Warnings in scenc check and compile: shown, silenced, turned off, counted as errors.
#include <gtest/gtest.h>

#include "compiler/identity.h"
#include "io/test_support.h"
#include "scenc/commands/program_test_support.h"

#ifdef SCENC_PROGRAM

namespace scenario::scenc {
namespace {

using scenario::testing::CommandResult;
using scenario::testing::quoted;
using scenario::testing::read_bytes;
using scenario::testing::run_command;
using scenario::testing::TemporaryFolder;
using scenario::testing::write_bytes;
using testing::scenc;

std::size_t count_of(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// The carried texts with slips the compile accepts: a misspelt row, a speed and a gradient
// that wrap.
struct SlippedScenario {
    TemporaryFolder folder{"scenc-warnings"};
    Identity id = carried_identity();
    std::filesystem::path route = folder / file_name::route_text(id);
    std::filesystem::path train = folder / file_name::train_text(id);

    SlippedScenario() {
        EXPECT_EQ(scenc("example " + quoted(folder.path())).exit_status, 0);
        insert_before_end(route, "pendenza,  240000,   500\r\n");
        insert_before_end(train, "stazoine,  1000\r\nvelocita,  240000,  5000\r\n");
    }
    static void insert_before_end(const std::filesystem::path& path, const std::string& rows) {
        std::string text = read_bytes(path);
        text.insert(text.rfind("[fine]"), rows);
        write_bytes(path, text);
    }
    std::string texts() const { return quoted(route) + " " + quoted(train); }
    CommandResult compile(const std::string& into, const std::string& options) {
        return scenc("compile " + texts() + " -o " + quoted(folder / into) + " " + options);
    }
};

TEST(ScencWarnings, CarriedScenarioGivesNone) {
    TemporaryFolder folder("scenc-carried");
    ASSERT_EQ(scenc("example " + quoted(folder.path())).exit_status, 0);
    const Identity id = carried_identity();
    CommandResult result = scenc("check --werror " + quoted(folder / file_name::route_text(id)) +
                                 " " + quoted(folder / file_name::train_text(id)));
    EXPECT_EQ(result.exit_status, 0) << result.output;
    EXPECT_EQ(result.output.find("warning:"), std::string::npos) << result.output;
}

// The carried train with its stop at Civitanova moved from 11:31 to 11:10 and Ancona's hours
// typed as 25: the run from San Benedetto (11:06) is too fast, Ancona's clock out of range;
// each warning turns off by its own name. docs/timetable.md quotes these lines.
TEST(ScencWarnings, TimetableWarningsNameBothFigures) {
    SlippedScenario scenario;
    std::string text = read_bytes(scenario.train);
    for (auto [from, to] :
         {std::pair<std::string, std::string>{"11,31, 0, CIVITANOVA", "11,10, 0, CIVITANOVA"},
          {"12, 2, 0, ANCONA", "25, 2, 0, ANCONA"}}) {
        ASSERT_NE(text.find(from), std::string::npos) << from;
        text.replace(text.find(from), from.size(), to);
    }
    write_bytes(scenario.train, text);
    CommandResult result = scenc("check " + scenario.texts());
    EXPECT_NE(result.output.find(
                  ":51:63: warning: run from \"SAN BENEDETTO\" to \"CIVITANOVA "
                  "MARCHE-MONTEGRANARO\" scheduled 4 min 00 s for 41.8 km; at the line's speed "
                  "limits it takes at least 16 min 53 s [-Wtimetable-too-fast]"),
              std::string::npos)
        << result.output;
    EXPECT_NE(result.output.find(":57:63: warning: hours 25 of station \"ANCONA\" lies outside "
                                 "0 to 23: the time 25:02:00 is not a clock time [-Wclock-range]"),
              std::string::npos)
        << result.output;
    CommandResult off = scenc("check -Wno-timetable-too-fast -Wno-clock-range " + scenario.texts());
    EXPECT_EQ(off.output.find("-Wtimetable-too-fast"), std::string::npos) << off.output;
    EXPECT_EQ(off.output.find("-Wclock-range"), std::string::npos) << off.output;
}

TEST(ScencWarnings, CompileShowsThemAndWritesTheSameBytesWithMinusW) {
    SlippedScenario slipped;
    CommandResult shown = slipped.compile("shown", "");
    EXPECT_EQ(shown.exit_status, 0) << shown.output;
    const std::string route_line = slipped.route.string() + ":";
    EXPECT_NE(shown.output.find(
                  ": warning: gradient 500 per mille is stored as 88 in one byte: the simulator "
                  "sees -12 per mille (gradients lie between -100 and 155) [-Wvalue-wraps]"),
              std::string::npos)
        << shown.output;
    EXPECT_NE(shown.output.find(slipped.train.string() + ":"), std::string::npos);
    EXPECT_NE(shown.output.find("did you mean \"stazione\"? [-Wunknown-keyword]"),
              std::string::npos);
    EXPECT_EQ(count_of(shown.output, "warning:"), 3u) << shown.output;

    CommandResult silent = slipped.compile("silent", "-w");
    EXPECT_EQ(silent.exit_status, 0);
    EXPECT_EQ(silent.output.find("warning:"), std::string::npos) << silent.output;
    for (const char* name : {"Brenzola_Tessalto_917.sim", "Brenzola_Tessalto_917.dat",
                             "Brenzola_Tessalto_linea.dat"}) {
        EXPECT_EQ(read_bytes(slipped.folder / "shown" / name),
                  read_bytes(slipped.folder / "silent" / name))
            << name;
    }
}

TEST(ScencWarnings, WerrorFailsAndMinusWnoTurnsOneOff) {
    SlippedScenario slipped;
    EXPECT_EQ(scenc("check " + slipped.texts()).exit_status, 0);
    EXPECT_EQ(scenc("check --werror " + slipped.texts()).exit_status, 1);
    EXPECT_EQ(slipped.compile("out", "--werror").exit_status, 1);

    CommandResult one_off = scenc("check -Wno-value-wraps " + slipped.texts());
    EXPECT_EQ(count_of(one_off.output, "warning:"), 1u) << one_off.output;
    CommandResult all_off =
        scenc("check --werror -Wno-value-wraps -Wno-unknown-keyword " + slipped.texts());
    EXPECT_EQ(all_off.exit_status, 0) << all_off.output;
    EXPECT_EQ(all_off.output.find("warning:"), std::string::npos);

    CommandResult unknown = scenc("check -Wno-no-such-thing " + slipped.texts());
    EXPECT_EQ(unknown.exit_status, 2);
    EXPECT_NE(unknown.output.find("-Wno-no-such-thing: no such warning"), std::string::npos)
        << unknown.output;
}

TEST(ScencWarnings, FileNamesAndALeftOverPlan) {
    SlippedScenario slipped;
    const std::filesystem::path renamed = slipped.folder / "route.txt";
    std::filesystem::copy_file(slipped.route, renamed);
    CommandResult names = scenc("check -Wno-value-wraps -Wno-unknown-keyword " + quoted(renamed) +
                                " " + quoted(slipped.train));
    // What would stop compile is an error of the check.
    EXPECT_EQ(names.exit_status, 1);
    EXPECT_NE(names.output.find(renamed.string() +
                                ": error: compile will stop here: cannot tell the route stem "
                                "from " +
                                renamed.string() +
                                " (not named STEM_linea.txt): give --stem [file-names]"),
              std::string::npos)
        << names.output;

    ASSERT_EQ(slipped.compile("out", "-w").exit_status, 0);
    CommandResult no_plan =
        slipped.compile("out", "--no-plan -Wno-value-wraps -Wno-unknown-keyword");
    EXPECT_EQ(no_plan.exit_status, 0);
    EXPECT_NE(no_plan.output.find("Brenzola_Tessalto_linea.dat: warning: --no-plan leaves this "
                                  "plan file"),
              std::string::npos)
        << no_plan.output;
    EXPECT_NE(no_plan.output.find("[-Wstale-plan]"), std::string::npos);
}

}  // namespace
}  // namespace scenario::scenc

#endif
