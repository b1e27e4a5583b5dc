// End-to-end runs of the built scenc program (only once the build makes it).
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "compiler/errors.h"
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

// The carried texts as `scenc example` writes them, and the files compiled from them.
struct CarriedScenario {
    TemporaryFolder folder{"scenc-program"};
    Identity id = carried_identity();
    std::filesystem::path route = folder / file_name::route_text(id);
    std::filesystem::path train = folder / file_name::train_text(id);
    std::filesystem::path out = folder / "out";
    std::filesystem::path edited = folder / "edited";

    CarriedScenario() { EXPECT_EQ(scenc("example " + quoted(folder.path())).exit_status, 0); }
    CommandResult compile(const std::string& options = "") {
        return scenc("compile " + quoted(route) + " " + quoted(train) + " " + options);
    }
    // The carried route with this train text, compiled into `edited`, which also holds the text.
    CommandResult compile_edited(const std::string& train_text) {
        std::filesystem::create_directories(edited);
        const std::filesystem::path edited_train = edited / file_name::train_text(id);
        write_bytes(edited_train, train_text);
        return scenc("compile " + quoted(route) + " " + quoted(edited_train) + " -o " +
                     quoted(edited));
    }
};

TEST(ScencProgram, CheckPassesTheCarriedScenarioAndPointsAtABrokenRow) {
    CarriedScenario carried;
    CommandResult clean = scenc("check " + quoted(carried.route) + " " + quoted(carried.train));
    EXPECT_EQ(clean.exit_status, 0) << clean.output;
    EXPECT_EQ(clean.output, "no errors\n");

    // The carried signal at 8650 once more, just before the closing "[fine]" on line 204.
    std::string train = read_bytes(carried.train);
    train.insert(train.rfind("[fine]"), "segnale,    8650,   2, 4, 0,  0, 0,    2,  1,0,0, 0\r\n");
    std::filesystem::path broken = carried.folder / "rotto.txt";
    write_bytes(broken, train);
    // rotto.txt tells compile no train number; that problem is not what this test is about.
    const std::string texts = "--train-number 917 " + quoted(carried.route) + " " + quoted(broken);
    CommandResult error = scenc("check " + texts);
    // The reason names what holds the cell and the row it came from.
    const std::string taken =
        "cell 174 already holds a signal, from " + broken.string() + " line 81";
    EXPECT_EQ(error.exit_status, 1);
    EXPECT_EQ(error.output.substr(0, error.output.find('\n')),
              broken.string() + ":204:13: error 16: " + error_meaning(16) + ": " + taken);
    EXPECT_NE(error.output.find("\n 204 | segnale,    8650,"), std::string::npos);
    EXPECT_NE(error.output.find("note: the package program reports this error\n1 error\n"),
              std::string::npos);
    EXPECT_EQ(error.output.find('\x1b'), std::string::npos);  // not a terminal
    EXPECT_NE(scenc("check --color=always " + texts).output.find("\x1b[1;31merror 16:"),
              std::string::npos);

    // Machine formats: the report alone on standard output, the final error marked.
    CommandResult gcc = scenc("check --format=gcc " + texts);
    EXPECT_EQ(gcc.exit_status, 1);
    EXPECT_EQ(gcc.output, broken.string() + ":204:13: error: " + error_meaning(16) + ": " + taken +
                              " [error 16; the package program reports this error]\n");
    CommandResult json = scenc("check --format=json " + texts);
    EXPECT_EQ(json.exit_status, 1);
    const nlohmann::json reported = nlohmann::json::parse(json.output)["diagnostics"].back();
    EXPECT_EQ(
        reported["location"],
        nlohmann::json({{"file", broken.string()}, {"line", 204}, {"column", 13}, {"span", 4}}));
    EXPECT_TRUE(reported["reported_by_package_program"]);
    std::filesystem::path sarif = carried.folder / "check.sarif";
    EXPECT_EQ(scenc("check --format=sarif " + texts + " > " + quoted(sarif)).exit_status, 1);
    EXPECT_EQ(run_command("python3 " + quoted(SOURCE_FOLDER "/scenc/reports/validate_json.py") +
                          " Draft4Validator " +
                          quoted(SOURCE_FOLDER "/../shared/schemas/sarif-schema-2.1.0.json") + " " +
                          quoted(sarif))
                  .output,
              "valid\n");
}

// A keyword slip and a station off the grid, both with a safe fix: the dry run shows them and
// writes nothing, --fix writes them and only those bytes change; the reports with fixes
// validate against their schemas.
TEST(ScencProgram, CheckFixAppliesTheSafeFixesAndTheReportsCarryThem) {
    TemporaryFolder folder{"scenc-fix"};
    const std::filesystem::path route = folder / "linea.txt";
    const std::filesystem::path train = folder / "treno.txt";
    const std::string route_text =
        "[generale]\r\nlunghezza percorso, 10000\r\n[tracciato]\r\npendneza, 500, 3\r\n[fine]\r\n";
    const std::string train_text =
        "[generale]\r\nvelocita, 0, 100\r\n"
        "stazione, 1010, 12, 400, 0,0,0,0,0,0,0,0,0,0, 0,0,0, Citt\xC3\xA0\r\n[fine]\r\n";
    write_bytes(route, route_text);
    write_bytes(train, train_text);
    const std::string texts = "--stem X --train-number 1 " + quoted(route) + " " + quoted(train);

    for (const char* format : {"json", "sarif"}) {
        SCOPED_TRACE(format);
        const std::filesystem::path report = folder / (std::string("check.") + format);
        EXPECT_EQ(
            scenc(std::string("check --format=") + format + " " + texts + " > " + quoted(report))
                .exit_status,
            1);
        EXPECT_NE(read_bytes(report).find("\"fixes\""), std::string::npos);
        const std::filesystem::path schema = std::string(format) == "json" ? SOURCE_FOLDER
                                                 "/docs/scenc-check.schema.json"
                                                                           : SOURCE_FOLDER
                                                 "/../shared/schemas/sarif-schema-2.1.0.json";
        EXPECT_EQ(run_command(
                      "python3 " + quoted(SOURCE_FOLDER "/scenc/reports/validate_json.py") + " " +
                      (std::string(format) == "json" ? "Draft202012Validator" : "Draft4Validator") +
                      " " + quoted(schema) + " " + quoted(report))
                      .output,
                  "valid\n");
    }

    const CommandResult dry = scenc("check --fix --dry-run " + texts);
    EXPECT_EQ(dry.exit_status, 0);
    EXPECT_NE(dry.output.find("-pendneza, 500, 3\n+pendenza, 500, 3\n"), std::string::npos)
        << dry.output;
    EXPECT_NE(dry.output.find("+stazione, 1000, 12,"), std::string::npos) << dry.output;
    EXPECT_EQ(read_bytes(route), route_text);
    EXPECT_EQ(read_bytes(train), train_text);

    const CommandResult fixed = scenc("check --fix " + texts);
    EXPECT_EQ(fixed.exit_status, 0) << fixed.output;
    EXPECT_TRUE(fixed.output.ends_with("fixed 2 places in " + train.string() + "\nno errors\n"))
        << fixed.output;
    std::string route_expected = route_text;
    route_expected.replace(route_expected.find("pendneza"), 8, "pendenza");
    std::string train_expected = train_text;
    train_expected.replace(train_expected.find("1010"), 4, "1000");
    train_expected.replace(train_expected.find("Citt\xC3\xA0"), 6, "Citt\xE0");
    EXPECT_EQ(read_bytes(route), route_expected);
    EXPECT_EQ(read_bytes(train), train_expected);
}

// 2 whenever the check cannot run, and then nothing on standard output in any format.
TEST(ScencProgram, CheckCannotRunIsStatusTwoWithNothingOnStandardOutput) {
    CarriedScenario carried;
    const std::string texts = quoted(carried.route) + " " + quoted(carried.train);
    const std::string arguments[] = {
        "--format=xml " + texts,
        "--color=sometimes " + texts,
        "--max-errors=-1 " + texts,
        "--format=json " + quoted(carried.route),
        "--format=json " + quoted(carried.route) + " " + quoted(carried.folder / "missing-.txt"),
        "--format=sarif " + quoted(carried.folder.path()) + " " + quoted(carried.train),
    };
    for (const std::string& argument : arguments) {
        SCOPED_TRACE(argument);
        CommandResult result =
            run_command("{ " + quoted(SCENC_PROGRAM) + " check " + argument + " 2>/dev/null; }");
        EXPECT_EQ(result.exit_status, 2);
        EXPECT_EQ(result.output, "");
        EXPECT_FALSE(scenc("check " + argument).output.empty());  // said on standard error
    }
    CommandResult help = scenc("check --help");
    EXPECT_NE(help.output.find("Exit status: 0 no error (warnings alone included); 1 errors"),
              std::string::npos);
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

    // Pictures go into folders that do not exist yet; the SVG stays small.
    for (const char* picture : {"pictures/new/scenario.png", "pictures/scenario.svg"}) {
        SCOPED_TRACE(picture);
        CommandResult plotted =
            scenc("plot " + quoted(carried.out) + " -o " + quoted(carried.folder / picture));
        EXPECT_EQ(plotted.exit_status, 0) << plotted.output;
        EXPECT_GT(std::filesystem::file_size(carried.folder / picture), 10000u);
    }
    EXPECT_LT(std::filesystem::file_size(carried.folder / "pictures/scenario.svg"), 150'000u);
    // The view's page as well.
    CommandResult viewed =
        scenc("view " + quoted(carried.out) + " -o " + quoted(carried.folder / "pages/view.html"));
    EXPECT_EQ(viewed.exit_status, 0) << viewed.output;
    EXPECT_TRUE(std::filesystem::exists(carried.folder / "pages/view.html"));
    CommandResult stretch = scenc("plot " + quoted(carried.out) + " --from 214 --to 216 -o " +
                                  quoted(carried.folder / "stretch.pdf"));
    EXPECT_EQ(stretch.exit_status, 0) << stretch.output;
    CommandResult bad_km = scenc("plot " + quoted(carried.out) + " --from 2km -o " +
                                 quoted(carried.folder / "bad.pdf"));
    EXPECT_EQ(bad_km.exit_status, 2);
    EXPECT_EQ(bad_km.output, "scenc: 2km: not a distance in kilometres (e.g. 102.5)\n");
    EXPECT_EQ(scenc("--version").output, "scenc 1.0.0\n");
}

// The JSON of every kind of file, whole and for a stretch, against the published schema.
TEST(ScencProgram, DumpJsonFollowsItsSchema) {
    CarriedScenario carried;
    ASSERT_EQ(carried.compile("-o " + quoted(carried.out)).exit_status, 0);
    const Identity& id = carried.id;
    std::filesystem::path schema =
        std::filesystem::path(SOURCE_FOLDER) / "docs/scenc-dump.schema.json";
    const std::string dumps[] = {
        quoted(carried.out / file_name::records(id)) + " " +
            quoted(carried.out / file_name::cells(id)) + " " +
            quoted(carried.out / file_name::plan(id)),
        "--all --from 0 --to 9.5 " + quoted(carried.out / file_name::cells(id)),
    };
    for (const std::string& files : dumps) {
        SCOPED_TRACE(files);
        std::filesystem::path output = carried.folder / "dump.json";
        ASSERT_EQ(scenc("dump --json " + files + " > " + quoted(output)).exit_status, 0);
        CommandResult validated = run_command(
            "python3 -c 'import json, sys, jsonschema; "
            "jsonschema.Draft202012Validator(json.load(open(sys.argv[1])))"
            ".validate(json.load(open(sys.argv[2]))); print(\"valid\")' " +
            quoted(schema) + " " + quoted(output));
        EXPECT_EQ(validated.output, "valid\n");
    }
}

TEST(ScencProgram, DumpShowsUnitsAndRefusesARenamedFile) {
    CarriedScenario carried;
    ASSERT_EQ(carried.compile("-o " + quoted(carried.out)).exit_status, 0);
    const Identity& id = carried.id;
    CommandResult records = scenc("dump " + quoted(carried.out / file_name::records(id)));
    EXPECT_NE(records.output.find("departure 10:50:00"), std::string::npos);
    EXPECT_NE(records.output.find("start clock 10:49:40"), std::string::npos);
    CommandResult cells =
        scenc("dump --from 0 --to 0.1 " + quoted(carried.out / file_name::cells(id)));
    EXPECT_NE(cells.output.find("markers"), std::string::npos) << cells.output;
    EXPECT_NE(cells.output.find("marker 5121, plain contest code 2485, speed limit 155 km/h"),
              std::string::npos);

    // A stretch of the record file: its stations, and its sign boards placed by the cell file
    // beside it (the carried boards stand at 4+400 and 8+500).
    auto rows_of = [](const std::string& text, const std::string& role) {
        std::size_t count = 0;
        for (std::size_t at = text.find(role); at != std::string::npos; at = text.find(role, at)) {
            ++count;
            at += role.size();
        }
        return count;
    };
    const std::string record_file = quoted(carried.out / file_name::records(id));
    CommandResult stretch = scenc("dump --from 0 --to 8.5 " + record_file);
    EXPECT_EQ(stretch.exit_status, 0) << stretch.output;
    EXPECT_NE(stretch.output.find("BRENZOLA CENTRALE"), std::string::npos) << stretch.output;
    EXPECT_EQ(rows_of(stretch.output, "  sign board  "), 2u) << stretch.output;
    EXPECT_EQ(stretch.output.find("train identity"), std::string::npos) << stretch.output;
    CommandResult one_board = scenc("dump --from 4.4 --to 8.4 " + record_file);
    EXPECT_EQ(rows_of(one_board.output, "  sign board  "), 1u) << one_board.output;
    std::filesystem::copy_file(carried.out / file_name::records(id), carried.folder / "alone.sim");
    CommandResult alone = scenc("dump --from 0 --to 8.5 " + quoted(carried.folder / "alone.sim"));
    EXPECT_NE(alone.output.find("(sign boards not placed: no cell file)"), std::string::npos)
        << alone.output;
    EXPECT_EQ(rows_of(alone.output, "  sign board  "), 0u) << alone.output;

    // The record file under a cell file's name: 3,465 bytes are 231 cells, but its content
    // says what it is.
    std::filesystem::copy_file(carried.out / file_name::records(id),
                               carried.folder / "renamed.dat");
    CommandResult renamed = scenc("dump " + quoted(carried.folder / "renamed.dat"));
    EXPECT_EQ(renamed.exit_status, 2);
    EXPECT_EQ(renamed.output, "scenc: " + (carried.folder / "renamed.dat").string() +
                                  ": named as a cell file, but it looks like a record file "
                                  "(3465 bytes)\n");
}

TEST(ScencProgram, DiffOfTheCarriedSetAgainstOneChangedDeparture) {
    CarriedScenario carried;
    ASSERT_EQ(carried.compile("-o " + quoted(carried.out)).exit_status, 0);
    ASSERT_EQ(carried.compile("-o " + quoted(carried.folder / "same")).exit_status, 0);
    std::string train = read_bytes(carried.train);
    const std::string departure = "BRENZOLA CENTRALE";
    std::size_t line = train.rfind("\n", train.find(departure)) + 1;
    std::size_t time = train.find("10,50, 0,", line);
    ASSERT_LT(time, train.find(departure));
    train.replace(time, 9, "10,52, 0,");
    ASSERT_EQ(carried.compile_edited(train).exit_status, 0);
    const std::filesystem::path& edited = carried.edited;

    CommandResult changed = scenc("diff " + quoted(carried.out) + " " + quoted(edited));
    EXPECT_EQ(changed.exit_status, 1);
    EXPECT_EQ(changed.output,
              "station \"BRENZOLA CENTRALE\": departure 10:50:00 → 10:52:00 "
              "(time_s 39000 → 39120)\n");
    CommandResult same =
        scenc("diff " + quoted(carried.out) + " " + quoted(carried.folder / "same"));
    EXPECT_EQ(same.exit_status, 0);
    EXPECT_EQ(same.output, "same\n");
    CommandResult json = scenc("diff --json " + quoted(carried.out) + " " + quoted(edited));
    EXPECT_EQ(json.exit_status, 1);
    EXPECT_EQ(nlohmann::json::parse(json.output)["differences"][0]["new_text"], "10:52:00");
}

// One signal of the carried set moved 50 m on: one line, its approach marks left out.
TEST(ScencProgram, DiffOfTheCarriedSetWithOneSignalMoved) {
    CarriedScenario carried;
    ASSERT_EQ(carried.compile("-o " + quoted(carried.out)).exit_status, 0);
    std::string train = read_bytes(carried.train);
    const std::string signal = "segnale,    8650,";
    const std::size_t at = train.find(signal);
    ASSERT_NE(at, std::string::npos);
    train.replace(at, signal.size(), "segnale,    8700,");
    ASSERT_EQ(carried.compile_edited(train).exit_status, 0);
    const std::filesystem::path& edited = carried.edited;
    CommandResult moved = scenc("diff " + quoted(carried.out) + " " + quoted(edited));
    EXPECT_EQ(moved.exit_status, 1);
    EXPECT_EQ(moved.output, "signal moved 8+650 → 8+700 (cell 174 → 175)\n");
    const nlohmann::json json = nlohmann::json::parse(
        scenc("diff --json " + quoted(carried.out) + " " + quoted(edited)).output)["differences"];
    ASSERT_EQ(json.size(), 1u) << json;
    EXPECT_EQ(json[0]["old_text"], "8+650");
    EXPECT_EQ(json[0]["new_text"], "8+700");
}

TEST(ScencProgram, ExplainAnErrorAWarningAKeywordAndRefuseOtherNames) {
    const std::pair<std::string, std::string> explained[] = {
        {"16", "error 16: signal on a cell already taken\n"},
        {"out-of-order", "warning out-of-order\n"},
        {"stazione", "\"stazione\": station, in the train text"},
    };
    for (const auto& [name, start] : explained) {
        SCOPED_TRACE(name);
        const CommandResult result = scenc("explain " + name);
        EXPECT_EQ(result.exit_status, 0);
        EXPECT_EQ(result.output.rfind(start, 0), 0u);
    }
    const CommandResult unknown = scenc("explain 14");
    EXPECT_EQ(unknown.exit_status, 2);
    EXPECT_EQ(unknown.output,
              "scenc explain: \"14\" is no error number, warning name or row keyword\n");
}

TEST(ScencProgram, UnknownSubcommandAndExampleUnderTheAuthorsNames) {
    CommandResult unknown = scenc("difff a b");
    EXPECT_EQ(unknown.exit_status, 2);
    EXPECT_EQ(unknown.output,
              "scenc: no subcommand \"difff\"; the subcommands are check, compile, dump, diff, "
              "decompile, plot, view, example, lsp, serve, fmt, explain (scenc --help)\n");

    TemporaryFolder folder("scenc-example");
    CommandResult written =
        scenc("example --stem Valle_Alta --train-number 2024 " + quoted(folder.path()));
    EXPECT_EQ(written.exit_status, 0) << written.output;
    CommandResult checked = scenc("check " + quoted(folder / "Valle_Alta_linea.txt") + " " +
                                  quoted(folder / "Valle_Alta_2024-.txt"));
    EXPECT_EQ(checked.exit_status, 0) << checked.output;
    for (const char* name : {"Valle_Alta_2024_note.txt", "Valle_Alta_2024_rallentamenti.txt",
                             "Valle_Alta_2024_scheda_treno.txt"}) {
        EXPECT_TRUE(std::filesystem::exists(folder / name)) << name;
    }
    CommandResult bad_name = scenc("example --stem a/b " + quoted(folder / "x"));
    EXPECT_EQ(bad_name.exit_status, 2);
    EXPECT_NE(bad_name.output.find("cannot be part of a file name"), std::string::npos);
}

}  // namespace
}  // namespace scenario::scenc

#endif  // SCENC_PROGRAM
