// End-to-end runs of the built scenc program (only once the build makes it).
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "compiler/identity.h"
#include "io/test_support.h"

#ifdef SCENC_PROGRAM

namespace scenario::scenc {
namespace {

using scenario::testing::CommandResult;
using scenario::testing::quoted;
using scenario::testing::read_bytes;
using scenario::testing::run_command;
using scenario::testing::TemporaryFolder;
using scenario::testing::write_bytes;

CommandResult scenc(const std::string& arguments) {
    return run_command(quoted(SCENC_PROGRAM) + " " + arguments);
}

// The carried texts as `scenc example` writes them, and the files compiled from them.
struct CarriedScenario {
    TemporaryFolder folder{"scenc-program"};
    Identity id = carried_identity();
    std::filesystem::path route = folder / file_name::route_text(id);
    std::filesystem::path train = folder / file_name::train_text(id);
    std::filesystem::path out = folder / "out";

    CarriedScenario() { EXPECT_EQ(scenc("example " + quoted(folder.path())).exit_status, 0); }
    CommandResult compile(const std::string& options = "") {
        return scenc("compile " + quoted(route) + " " + quoted(train) + " " + options);
    }
};

TEST(ScencProgram, CheckPassesTheCarriedScenarioAndPointsAtABrokenRow) {
    CarriedScenario carried;
    CommandResult clean = scenc("check " + quoted(carried.route) + " " + quoted(carried.train));
    EXPECT_EQ(clean.exit_status, 0) << clean.output;
    EXPECT_NE(clean.output.find("no errors (5001 cells, 35 stations, 124 signals)"),
              std::string::npos);

    // The carried signal at 8650 once more, just before the closing "[fine]" on line 204.
    std::string train = read_bytes(carried.train);
    train.insert(train.rfind("[fine]"), "segnale,    8650,   2, 4, 0,  0, 0,    2,  1,0,0, 0\r\n");
    std::filesystem::path broken = carried.folder / "rotto.txt";
    write_bytes(broken, train);
    CommandResult error = scenc("check " + quoted(carried.route) + " " + quoted(broken));
    EXPECT_EQ(error.exit_status, 1);
    EXPECT_EQ(error.output.substr(0, error.output.find('\n')),
              broken.string() + ":204:13: errore 16: segnale su una cella gia' occupata");
    EXPECT_NE(error.output.find("\nsegnale,    8650,"), std::string::npos);
}

TEST(ScencProgram, UnusableFilesAreOneLineAndStatusTwo) {
    TemporaryFolder folder("scenc-files");
    write_bytes(folder / "empty_linea.txt", "");
    write_bytes(folder / "binary_linea.txt", std::string("[generale]\0\x01\x02", 13));
    write_bytes(folder / "train-.txt", "[generale]\r\n[fine]\r\n");
    const std::pair<std::string, std::string> cases[] = {
        {"missing_linea.txt", "no such file"},
        {"", "is a folder"},
        {"empty_linea.txt", "the file is empty"},
        {"binary_linea.txt", "holds binary data"},
    };
    for (const auto& [name, message] : cases) {
        SCOPED_TRACE(message);
        CommandResult result =
            scenc("check " + quoted(folder / name) + " " + quoted(folder / "train-.txt"));
        EXPECT_EQ(result.exit_status, 2);
        EXPECT_EQ(std::count(result.output.begin(), result.output.end(), '\n'), 1);
        EXPECT_NE(result.output.find(message), std::string::npos) << result.output;
    }
    CommandResult unnamed =
        scenc("compile " + quoted(folder / "train-.txt") + " " + quoted(folder / "train-.txt"));
    EXPECT_EQ(unnamed.exit_status, 2);
    EXPECT_NE(unnamed.output.find("give --stem"), std::string::npos);
}

TEST(ScencProgram, CompileWritesWhatThePackageProgramWritesAndLeavesItsInputs) {
    TemporaryFolder package("scenc-package");
    std::filesystem::copy_file(PACKAGE_PROGRAM, package / "package");
    CommandResult packaged =
        run_command("cd " + quoted(package.path()) + " && env -u DISPLAY ./package");
    ASSERT_EQ(packaged.exit_status, 0) << packaged.output;

    CarriedScenario carried;
    std::string route_before = read_bytes(carried.route);
    std::string train_before = read_bytes(carried.train);
    CommandResult compiled = carried.compile("-o " + quoted(carried.out));
    ASSERT_EQ(compiled.exit_status, 0) << compiled.output;
    for (const std::string& name : {file_name::plan(carried.id), file_name::records(carried.id),
                                    file_name::cells(carried.id)}) {
        SCOPED_TRACE(name);
        std::string expected = read_bytes(package / name);
        EXPECT_FALSE(expected.empty());
        EXPECT_TRUE(read_bytes(carried.out / name) == expected);
    }
    EXPECT_EQ(read_bytes(carried.route), route_before);
    EXPECT_EQ(read_bytes(carried.train), train_before);

    std::filesystem::path no_plan = carried.folder / "no_plan";
    ASSERT_EQ(carried.compile("--no-plan -o " + quoted(no_plan)).exit_status, 0);
    EXPECT_FALSE(std::filesystem::exists(no_plan / file_name::plan(carried.id)));
    EXPECT_TRUE(read_bytes(no_plan / file_name::cells(carried.id)) ==
                read_bytes(package / file_name::cells(carried.id)));
}

TEST(ScencProgram, DumpJsonAndPlotOfTheCarriedFiles) {
    CarriedScenario carried;
    ASSERT_EQ(carried.compile("-o " + quoted(carried.out)).exit_status, 0);
    const Identity& id = carried.id;
    CommandResult dumped = scenc("dump --json " + quoted(carried.out / file_name::records(id)) +
                                 " " + quoted(carried.out / file_name::cells(id)) + " " +
                                 quoted(carried.out / file_name::plan(id)));
    ASSERT_EQ(dumped.exit_status, 0);
    nlohmann::json json = nlohmann::json::parse(dumped.output);
    ASSERT_EQ(json.size(), 3u);
    const nlohmann::json& records = json[0]["records"];
    EXPECT_EQ(records.back()["slot"], 86);
    EXPECT_EQ(records.back()["text"], "917");
    EXPECT_EQ(records.back()["zone_end"], 241000);
    EXPECT_EQ(records[34]["text"], "TESSALTO");
    EXPECT_EQ(records[34]["position"], 238450);
    EXPECT_EQ(json[1]["cell_count"], 5001);
    bool signal_found = false;
    for (const auto& cell : json[1]["cells"]) {
        if (cell["cell"] != 174) continue;
        signal_found = cell["kind_name"] == "signal" && cell["val1"] == 41 && cell["val4"] == 8;
    }
    EXPECT_TRUE(signal_found);
    EXPECT_EQ(json[2]["bytes"], 4999964);
    EXPECT_EQ(json[2]["computed_points"], 249997);

    for (const char* picture : {"scenario.png", "scenario.svg"}) {
        SCOPED_TRACE(picture);
        CommandResult plotted =
            scenc("plot " + quoted(carried.out) + " -o " + quoted(carried.folder / picture));
        EXPECT_EQ(plotted.exit_status, 0) << plotted.output;
        EXPECT_GT(std::filesystem::file_size(carried.folder / picture), 10000u);
    }
    EXPECT_EQ(scenc("--version").output, "scenc 1.0.0\n");
}

}  // namespace
}  // namespace scenario::scenc

#endif  // SCENC_PROGRAM
