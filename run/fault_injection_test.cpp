// The package program under hostile conditions: a file-size limit that makes a write fail
// part-way, a folder in the way of a compiled file, backups a killed run left, and a folder
// whose path is not plain ASCII.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "compiler/identity.h"
#include "io/file_output.h"
#include "io/test_support.h"
#include "run/run_sequence.h"

namespace scenario {
namespace {

namespace fs = std::filesystem;
using testing::CommandResult;
using testing::read_bytes;
using testing::run_command;
using testing::TemporaryFolder;
using testing::write_bytes;

const std::string program_name = fs::path(PACKAGE_PROGRAM).filename().string();

// The six files a clean run leaves beside the program.
std::vector<std::string> files_a_run_leaves() {
    const Identity id = carried_identity();
    return {file_name::notes(id), file_name::slowdown_order(id), file_name::timetable_card(id),
            file_name::plan(id),  file_name::records(id),        file_name::cells(id)};
}

// Copies the program into the folder and runs it there without a display; `limits` are
// shell commands run first, in the same shell (a file-size limit, for one).
CommandResult run_program_in(const fs::path& folder, const std::string& limits = "") {
    fs::copy_file(PACKAGE_PROGRAM, folder / program_name, fs::copy_options::overwrite_existing);
    return run_command("env -u DISPLAY bash -c " +
                       testing::quoted(limits + "exec " + testing::quoted(folder / program_name)));
}

std::set<std::string> names_in(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

std::set<std::string> program_and_files_a_run_leaves() {
    std::set<std::string> names{program_name};
    for (const std::string& name : files_a_run_leaves()) names.insert(name);
    return names;
}

// The bytes of every file that a clean run leaves.
std::map<std::string, std::string> clean_run_files() {
    TemporaryFolder folder("clean-run");
    CommandResult run = run_program_in(folder.path());
    EXPECT_EQ(run.exit_status, exit_status::clean) << run.output;
    std::map<std::string, std::string> files;
    for (const std::string& name : files_a_run_leaves()) files[name] = read_bytes(folder / name);
    return files;
}

TEST(FaultInjection, AFileSizeLimitStopsTheRunAndLosesNoFile) {
    const Identity id = carried_identity();
    struct Case {
        const char* what;
        int limit_kib;                   // bash's ulimit -f counts 1024-byte blocks
        std::string failing_file;        // the file whose write meets the limit
        std::set<std::string> replaced;  // files of the earlier run the failed run replaced
    };
    const std::vector<Case> cases{
        {"the plan file half-way",
         1024,
         file_name::plan(id),
         {file_name::notes(id), file_name::slowdown_order(id), file_name::timetable_card(id)}},
        {"the first text file", 4, file_name::route_text(id), {}},
    };
    const std::map<std::string, std::string> clean = clean_run_files();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TemporaryFolder folder("file-size-limit");
        for (const std::string& name : files_a_run_leaves()) {
            write_bytes(folder / name, "earlier run: " + name);
        }
        CommandResult run =
            run_program_in(folder.path(), "ulimit -f " + std::to_string(c.limit_kib) + "; ");

        EXPECT_EQ(run.exit_status, exit_status::system_failure) << run.output;
        EXPECT_NE(run.output.find((folder / c.failing_file).string()), std::string::npos)
            << run.output;
        EXPECT_NE(run.output.find(std::strerror(EFBIG)), std::string::npos) << run.output;
        for (const std::string& name : files_a_run_leaves()) {
            EXPECT_EQ(read_bytes(folder / name),
                      c.replaced.count(name) ? clean.at(name) : "earlier run: " + name)
                << name;
        }
        // No temporary file, and the texts the run wrote are gone again.
        EXPECT_EQ(names_in(folder.path()), program_and_files_a_run_leaves());
    }
}

TEST(FaultInjection, AFolderInTheCompiledSetIsRefusedBeforeAnyCompiledFileMoves) {
    const Identity id = carried_identity();
    TemporaryFolder folder("folder-in-the-way");
    write_bytes(folder / file_name::plan(id), "earlier plan");
    write_bytes(folder / file_name::records(id), "earlier records");
    fs::create_directory(folder / file_name::cells(id));
    write_bytes(folder / file_name::cells(id) / "kept", "inside");

    CommandResult run = run_program_in(folder.path());

    EXPECT_EQ(run.exit_status, exit_status::system_failure) << run.output;
    EXPECT_NE(run.output.find(std::strerror(EISDIR)), std::string::npos) << run.output;
    EXPECT_EQ(read_bytes(folder / file_name::plan(id)), "earlier plan");
    EXPECT_EQ(read_bytes(folder / file_name::records(id)), "earlier records");
    EXPECT_EQ(read_bytes(folder / file_name::cells(id) / "kept"), "inside");
}

TEST(FaultInjection, BackupsAKilledRunLeftAreDealtWithAndSaidSo) {
    const Identity id = carried_identity();
    const std::map<std::string, std::string> clean = clean_run_files();
    struct Case {
        const char* what;
        bool set_complete;  // killed while removing its backups rather than before
        const char* note;
    };
    for (const Case& c : {Case{"killed while renaming in", false, "restored "},
                          Case{"killed while removing backups", true, "removed the backup "}}) {
        SCOPED_TRACE(c.what);
        TemporaryFolder folder("killed-run");
        write_bytes(backup_path(folder / file_name::cells(id)), "earlier cells");
        write_bytes(folder / file_name::plan(id), "some plan");
        write_bytes(folder / file_name::records(id), "some records");
        if (c.set_complete) write_bytes(folder / file_name::cells(id), "new cells");

        CommandResult run = run_program_in(folder.path());

        EXPECT_EQ(run.exit_status, exit_status::clean) << run.output;
        EXPECT_NE(run.output.find(c.note), std::string::npos) << run.output;
        EXPECT_EQ(names_in(folder.path()), program_and_files_a_run_leaves());
        for (const std::string& name : files_a_run_leaves()) {
            EXPECT_EQ(read_bytes(folder / name), clean.at(name)) << name;
        }
    }
}

TEST(FaultInjection, AFolderWithBlanksAndNonAsciiLettersRunsClean) {
    const std::map<std::string, std::string> clean = clean_run_files();
    TemporaryFolder parent("odd-path");
    const fs::path folder = parent / "Linea adriatica – città di Pèsaro ñ";
    fs::create_directories(folder);

    CommandResult run = run_program_in(folder);

    EXPECT_EQ(run.exit_status, exit_status::clean) << run.output;
    EXPECT_EQ(names_in(folder), program_and_files_a_run_leaves());
    for (const std::string& name : files_a_run_leaves()) {
        EXPECT_EQ(read_bytes(folder / name), clean.at(name)) << name;
    }
}

}  // namespace
}  // namespace scenario
