// End-to-end runs of the built package program in fresh folders.
#include <gtest/gtest.h>
#include <unistd.h>

#include <map>
#include <set>

#include "compiler/identity.h"
#include "io/test_support.h"
#include "run/run_sequence.h"
#include "sources/line_table.h"
#include "sources/route_text.h"
#include "sources/train_text.h"

namespace scenario {
namespace {

using testing::quoted;
using testing::read_bytes;
using testing::run_command;
using testing::sha256_hex;
using testing::TemporaryFolder;
using testing::write_bytes;

const char* const program_name = "brenzola_tessalto_917";

const std::set<std::string> documents = {
    "Brenzola_Tessalto_917_note.txt",
    "Brenzola_Tessalto_917_rallentamenti.txt",
    "Brenzola_Tessalto_917_scheda_treno.txt",
};
const std::set<std::string> compiled = {
    "Brenzola_Tessalto_linea.dat",
    "Brenzola_Tessalto_917.sim",
    "Brenzola_Tessalto_917.dat",
};

std::filesystem::path copy_program_into(const TemporaryFolder& folder) {
    std::filesystem::path copy = folder / program_name;
    std::filesystem::copy_file(PACKAGE_PROGRAM, copy);
    return copy;
}

std::set<std::string> entries(const std::filesystem::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

std::set<std::string> everything_a_run_leaves() {
    std::set<std::string> names = documents;
    names.insert(compiled.begin(), compiled.end());
    names.insert(program_name);
    return names;
}

// Runs the copy headless from another current directory, as a user starting it by path would.
testing::CommandResult run_headless(const std::filesystem::path& program,
                                    const std::string& prefix = "") {
    return run_command("cd / && " + prefix + "env -u DISPLAY " + quoted(program));
}

TEST(PackageProgram, LeavesTheScenarioBesideItselfWhereverItIsStarted) {
    TemporaryFolder folder("pacchetto");
    auto result = run_headless(copy_program_into(folder));

    EXPECT_EQ(result.exit_status, exit_status::clean) << result.output;
    EXPECT_EQ(result.output, "Attendere\n");
    EXPECT_EQ(entries(folder.path()), everything_a_run_leaves());
    EXPECT_EQ(std::filesystem::file_size(folder / "Brenzola_Tessalto_linea.dat"), 4999964u);
    EXPECT_EQ(std::filesystem::file_size(folder / "Brenzola_Tessalto_917.dat"), 75015u);
}

// Every byte of the carried run, pinned. The two source texts are gone after a run, so their
// bytes are taken from the emitters that the run writes them with.
TEST(PackageProgram, WritesEveryFileOfTheCarriedRunByteForByte) {
    const std::map<std::string, std::string> golden = {
        {"Brenzola_Tessalto_linea.txt",
         "3547c060e691e1040d9a8e6dddd52cb7c2924a8db39af0502312eb83870a6361"},
        {"Brenzola_Tessalto_917-.txt",
         "f81e24ca08dc6eaea0c2d2810c951fc526b92a0f6627349e22acb287d2a7b5f9"},
        {"Brenzola_Tessalto_917_note.txt",
         "ee93c32667372b483c48001c9b3f7292aadb93748f2c67dd652dc2ae8736deb6"},
        {"Brenzola_Tessalto_917_rallentamenti.txt",
         "86b394d304324359da75f3f79f2073808897bee7bc72e86e38ddd7ac90923c21"},
        {"Brenzola_Tessalto_917_scheda_treno.txt",
         "c8453542c4c6caa59e525052767dc374f404afe65a44777a03b6410d5c0515ef"},
        {"Brenzola_Tessalto_linea.dat",
         "ba22aa1ff7bae77b46debf26a019ba5097745ceccec387fdeea481cecec7b0ac"},
        {"Brenzola_Tessalto_917.sim",
         "cd760e6ed709cd09cfba40300b756b454b0ff01181bee4af905e99359a2532db"},
        {"Brenzola_Tessalto_917.dat",
         "e1353732fb32de7a7dd8fad1147791267a30a55482042d6eda55825a5396f9bb"},
    };
    TemporaryFolder folder("impronte");
    ASSERT_EQ(run_headless(copy_program_into(folder)).exit_status, exit_status::clean);

    const Identity id = carried_identity();
    std::map<std::string, std::string> written = {
        {file_name::route_text(id), line_table_bytes(dati_linea(id).lines)},
        {file_name::train_text(id), line_table_bytes(dati_treno(id).lines)},
    };
    for (const std::string& name : documents) written[name] = read_bytes(folder / name);
    for (const std::string& name : compiled) written[name] = read_bytes(folder / name);
    ASSERT_EQ(written.size(), golden.size());
    for (const auto& [name, bytes] : written) EXPECT_EQ(sha256_hex(bytes), golden.at(name)) << name;
}

TEST(PackageProgram, ReplacesEveryFileOfAnEarlierRun) {
    TemporaryFolder fresh("fresh");
    ASSERT_EQ(run_headless(copy_program_into(fresh)).exit_status, exit_status::clean);

    TemporaryFolder stale("stale");
    std::filesystem::path program = copy_program_into(stale);
    for (const std::string& name : everything_a_run_leaves()) {
        if (name != program_name) write_bytes(stale / name, std::string(6'000'000, '#'));
    }
    write_bytes(stale / "Brenzola_Tessalto_linea.txt", "[generale]\r\nlunghezza percorso, 5\r\n");
    ASSERT_EQ(run_headless(program).exit_status, exit_status::clean);

    EXPECT_EQ(entries(stale.path()), everything_a_run_leaves());
    for (const std::string& name : everything_a_run_leaves()) {
        EXPECT_EQ(read_bytes(stale / name), read_bytes(fresh / name)) << name;
    }
}

TEST(PackageProgram, AFolderItCannotWriteStopsTheRunAndKeepsEarlierFiles) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to run the program as another user";
    TemporaryFolder folder("sola-lettura");
    std::filesystem::path program = copy_program_into(folder);
    write_bytes(folder / "Brenzola_Tessalto_917_note.txt", "earlier notes");
    std::filesystem::permissions(folder.path(), std::filesystem::perms(0755));

    auto result = run_headless(program, "setpriv --reuid=65534 --regid=65534 --clear-groups ");

    EXPECT_EQ(result.exit_status, exit_status::system_failure) << result.output;
    EXPECT_NE(result.output.find("Errore di sistema n. 13: Permission denied"), std::string::npos)
        << result.output;
    EXPECT_NE(result.output.find((folder / "Brenzola_Tessalto_linea.txt").string()),
              std::string::npos);
    EXPECT_EQ(read_bytes(folder / "Brenzola_Tessalto_917_note.txt"), "earlier notes");
    EXPECT_EQ(entries(folder.path()),
              (std::set<std::string>{program_name, "Brenzola_Tessalto_917_note.txt"}));
}

// xvfb-run for the window tests. By default the X server resets whenever its last client
// leaves; the tests' own xdotool clients come and go while the program starts, and a
// connection that arrives during a reset is refused, so the server runs without resets.
std::string xvfb_run() {
    return "xvfb-run -a -s '-screen 0 1280x1024x24 -noreset' ";
}

TEST(PackageProgram, ShowsItsWindowWhenADisplayIsThere) {
    // A missing xvfb-run is an install gap (the install script brings it), so it fails here.
    ASSERT_EQ(run_command("command -v xvfb-run").exit_status, 0) << "xvfb-run is not installed";
    TemporaryFolder headless("senza-schermo");
    ASSERT_EQ(run_headless(copy_program_into(headless)).exit_status, exit_status::clean);

    TemporaryFolder folder("con-finestra");
    std::filesystem::path program = copy_program_into(folder);
    auto result = run_command("cd / && " + xvfb_run() + quoted(program));

    EXPECT_EQ(result.exit_status, exit_status::clean) << result.output;
    // With a window the label is drawn there, not printed.
    EXPECT_EQ(result.output.find("Attendere"), std::string::npos) << result.output;
    for (const std::string& name : everything_a_run_leaves()) {
        EXPECT_EQ(read_bytes(folder / name), read_bytes(headless / name)) << name;
    }
}

// A message goes to a box in the window and the run waits until it is closed; if the window
// program dies with the box open, the message goes to standard error instead, never lost.
// A folder at one of the compiled files' names makes the run end with a message.
TEST(PackageProgram, ShowsItsMessageInTheWindowUntilItIsClosed) {
    ASSERT_EQ(run_command("command -v xdotool").exit_status, 0) << "xdotool is not installed";
    struct Case {
        const char* closing;
        const char* start;   // the program is $1
        const char* action;  // run once the waiting window and the box are both up
        bool on_standard_error;
    };
    const Case cases[] = {
        {"the user presses OK", "\"$1\"", "xdotool key Return", false},
        // Its first descriptors are then 0 and up, which the window program's input must
        // not replace.
        {"started with standard input closed", "\"$1\" <&-", "xdotool key Return", false},
        {"the window program dies", "\"$1\"", "pkill -P $program", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.closing);
        TemporaryFolder folder("messaggio");
        std::filesystem::path program = copy_program_into(folder);
        std::filesystem::create_directory(folder / "Brenzola_Tessalto_917.sim");
        // The window and the box carry the same title. Should the program end without them,
        // the wait ends too, and the checks below say why.
        const std::string script =
            std::string(c.start) +
            " & program=$!; "
            "until [ \"$(xdotool search --name \"^Brenzola_Tessalto 917$\" | wc -l)\""
            " -ge 2 ] || ! kill -0 $program; do sleep 0.1; done; " +
            c.action + "; wait $program";
        auto result = run_command("cd / && timeout 60 " + xvfb_run() + "sh -c " +
                                  testing::quoted(script) + " sh " + quoted(program));

        EXPECT_EQ(result.exit_status, exit_status::system_failure) << result.output;
        EXPECT_EQ(result.output.find("Attendere"), std::string::npos) << result.output;
        EXPECT_EQ(
            result.output.find("Errore di sistema n. 21: Is a directory") != std::string::npos,
            c.on_standard_error)
            << result.output;
    }
}

// The window libraries cost more to load than the whole compile; a headless run must not
// load them, so the program itself must not depend on them. (The usual build links it
// statically, with no library to name; a sanitizer build links the shared ones.)
TEST(PackageProgram, LoadsTheWindowLibrariesOnlyWithADisplay) {
    auto result = run_command("readelf --dynamic " + quoted(PACKAGE_PROGRAM));
    ASSERT_EQ(result.exit_status, 0) << result.output;
    for (const char* library : {"libfltk", "libX11", "libcairo"}) {
        EXPECT_EQ(result.output.find(library), std::string::npos) << library;
    }
}

}  // namespace
}  // namespace scenario
