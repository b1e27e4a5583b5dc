// Both writing programs killed at random moments and started together in one folder: the
// compiled set under the simulator's names is always one run's whole set once the next run has
// started, and a clean run leaves no temporary, backup or lock file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "compiler/identity.h"
#include "io/output_folder_lock.h"
#include "io/test_support.h"

#ifdef SCENC_PROGRAM

namespace scenario {
namespace {

namespace fs = std::filesystem;
using testing::read_bytes;
using testing::TemporaryFolder;
using testing::write_bytes;
using FileSet = std::map<std::string, std::string>;

const Identity carried = carried_identity();
const std::vector<std::string> set_names{file_name::plan(carried), file_name::records(carried),
                                         file_name::cells(carried)};

// Starts a program with no display and no output, in the given folder.
pid_t start(const std::vector<std::string>& arguments, const fs::path& folder) {
    std::fflush(nullptr);  // or the child would write out the test's buffered output again
    const pid_t child = ::fork();
    if (child != 0) return child;
    if (::chdir(folder.c_str()) != 0) ::_exit(126);
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, STDOUT_FILENO);
    ::dup2(null, STDERR_FILENO);
    ::unsetenv("DISPLAY");
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
}

// Its exit status, or -1 when a signal ended it.
int wait_for(pid_t child) {
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

FileSet set_in(const fs::path& folder) {
    FileSet set;
    for (const std::string& name : set_names) {
        set[name] = fs::exists(folder / name) ? read_bytes(folder / name) : "(missing)";
    }
    return set;
}

void put_set(const fs::path& folder, const FileSet& set) {
    for (const auto& [name, bytes] : set) write_bytes(folder / name, bytes);
}

std::set<std::string> names_in(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

// Two scenarios under the same names whose compiled files all differ.
struct TwoScenarios {
    TemporaryFolder folder{"two-scenarios"};
    fs::path first = folder / "first";
    fs::path second = folder / "second";
    fs::path out = folder / "out";
    FileSet first_set;
    FileSet second_set;

    TwoScenarios() {
        for (const fs::path& source : {first, second}) {
            EXPECT_EQ(testing::run_command(testing::quoted(SCENC_PROGRAM) + " example " +
                                           testing::quoted(source))
                          .exit_status,
                      0);
        }
        // A shorter route and a later start make a different plan, cell and record file.
        replace_in(second / file_name::route_text(carried), "243000", "242000");
        replace_in(second / file_name::train_text(carried), "10              49",
                   "11              49");
        first_set = compiled(first);
        second_set = compiled(second);
        for (const std::string& name : set_names) EXPECT_NE(first_set[name], second_set[name]);
    }
    static void replace_in(const fs::path& path, const std::string& from, const std::string& to) {
        std::string text = read_bytes(path);
        const std::size_t at = text.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        write_bytes(path, text.replace(at, from.size(), to));
    }
    std::vector<std::string> compile(const fs::path& source) const {
        return {SCENC_PROGRAM,
                "compile",
                (source / file_name::route_text(carried)).string(),
                (source / file_name::train_text(carried)).string(),
                "-o",
                out.string()};
    }
    FileSet compiled(const fs::path& source) const {
        const int status = wait_for(start(compile(source), folder.path()));
        EXPECT_LE(status, 1);
        FileSet set = set_in(out);
        fs::remove_all(out);
        return set;
    }
};

// How long a whole run takes here, so that kills spread over all of it.
std::chrono::microseconds time_of_one_run(const std::vector<std::string>& arguments,
                                          const fs::path& folder) {
    const auto begin = std::chrono::steady_clock::now();
    EXPECT_LE(wait_for(start(arguments, folder)), 1);
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() -
                                                                 begin);
}

// Kills runs at random moments between start and a little past their usual end; after each,
// the next lock holder (what every run is first) mends the folder, which then holds the earlier
// or the new set whole. Returns how many kills left the new set.
int kill_runs_at_random(const std::vector<std::string>& arguments, const fs::path& folder,
                        const FileSet& earlier, const FileSet& fresh, int runs) {
    const auto whole_run = time_of_one_run(arguments, folder);
    put_set(folder, earlier);
    const unsigned seed = std::random_device()();
    std::cout << "[          ] kill moments from seed " << seed << ", up to "
              << whole_run.count() * 6 / 5 << " us\n";
    std::mt19937 random(seed);
    std::uniform_int_distribution<long> moment(0, whole_run.count() * 6 / 5);
    int fresh_count = 0;
    for (int run = 0; run < runs; ++run) {
        const pid_t child = start(arguments, folder);
        std::this_thread::sleep_for(std::chrono::microseconds(moment(random)));
        ::kill(child, SIGKILL);
        wait_for(child);
        { OutputFolderLock next_run(folder); }
        const FileSet left = set_in(folder);
        const bool is_earlier = left == earlier;
        const bool is_fresh = left == fresh;
        EXPECT_TRUE(is_earlier || is_fresh) << "run " << run << " left a mixed set";
        if (is_fresh) {
            ++fresh_count;
            put_set(folder, earlier);
        }
    }
    return fresh_count;
}

TEST(KilledRun, ScencCompileKilledAtRandomLeavesOneWholeSetAndNoTemporary) {
    TwoScenarios scenarios;
    fs::create_directories(scenarios.out);
    const int fresh = kill_runs_at_random(scenarios.compile(scenarios.first), scenarios.out,
                                          scenarios.second_set, scenarios.first_set, 30);
    std::cout << "[          ] " << fresh << " of 30 kills left the new set\n";

    EXPECT_LE(wait_for(start(scenarios.compile(scenarios.first), scenarios.folder.path())), 1);
    EXPECT_EQ(set_in(scenarios.out), scenarios.first_set);
    EXPECT_EQ(names_in(scenarios.out), std::set<std::string>(set_names.begin(), set_names.end()));
}

TEST(KilledRun, PackageProgramKilledAtRandomLeavesOneWholeSetAndNoTemporary) {
    TemporaryFolder folder("killed-package");
    const fs::path program = folder / "package";
    fs::copy_file(PACKAGE_PROGRAM, program);
    EXPECT_EQ(wait_for(start({program.string()}, folder.path())), 0);
    const FileSet fresh = set_in(folder.path());
    const std::set<std::string> clean_names = names_in(folder.path());
    FileSet earlier;
    for (const std::string& name : set_names) earlier[name] = "earlier run's " + name;

    const int fresh_count =
        kill_runs_at_random({program.string()}, folder.path(), earlier, fresh, 30);
    std::cout << "[          ] " << fresh_count << " of 30 kills left the new set\n";

    EXPECT_EQ(wait_for(start({program.string()}, folder.path())), 0);
    EXPECT_EQ(set_in(folder.path()), fresh);
    EXPECT_EQ(names_in(folder.path()), clean_names);
}

// Runs started together: the second waits for the first, both succeed, and the folder holds
// the set of one of them, whole.
TEST(KilledRun, RunsStartedTogetherInOneFolderLeaveOneWholeSet) {
    TwoScenarios scenarios;
    for (int pair = 0; pair < 10; ++pair) {
        SCOPED_TRACE(pair);
        const pid_t one = start(scenarios.compile(scenarios.first), scenarios.folder.path());
        const pid_t other = start(scenarios.compile(scenarios.second), scenarios.folder.path());
        EXPECT_EQ(wait_for(one), 0);
        EXPECT_LE(wait_for(other), 1);
        const FileSet left = set_in(scenarios.out);
        EXPECT_TRUE(left == scenarios.first_set || left == scenarios.second_set);
        EXPECT_EQ(names_in(scenarios.out),
                  std::set<std::string>(set_names.begin(), set_names.end()));
    }

    TemporaryFolder folder("package-pairs");
    const fs::path program = folder / "package";
    fs::copy_file(PACKAGE_PROGRAM, program);
    for (int pair = 0; pair < 10; ++pair) {
        SCOPED_TRACE(pair);
        const pid_t one = start({program.string()}, folder.path());
        const pid_t other = start({program.string()}, folder.path());
        EXPECT_EQ(wait_for(one), 0);
        EXPECT_EQ(wait_for(other), 0);
        EXPECT_FALSE(fs::exists(folder / OutputFolderLock::file_name));
    }
}

// A run that finds another holding the folder past its wait says so with status 3 and
// touches nothing.
TEST(KilledRun, AFolderHeldByAnotherRunIsBusyAfterTheWait) {
    TwoScenarios scenarios;
    fs::create_directories(scenarios.out);
    put_set(scenarios.out, scenarios.second_set);
    OutputFolderLock held(scenarios.out);
    const auto begin = std::chrono::steady_clock::now();
    testing::CommandResult run = testing::run_command(
        testing::quoted(SCENC_PROGRAM) + " compile " +
        testing::quoted(scenarios.first / file_name::route_text(carried)) + " " +
        testing::quoted(scenarios.first / file_name::train_text(carried)) + " -o " +
        testing::quoted(scenarios.out));
    EXPECT_GE(std::chrono::steady_clock::now() - begin, OutputFolderLock::longest_wait);
    EXPECT_EQ(run.exit_status, 3);
    EXPECT_EQ(run.output, "scenc: " + scenarios.out.string() +
                              ": busy: another run has been writing into this folder for the "
                              "last 5 s; try again when it has finished\n");
    EXPECT_EQ(set_in(scenarios.out), scenarios.second_set);

    fs::copy_file(PACKAGE_PROGRAM, scenarios.out / "package");
    run = testing::run_command("env -u DISPLAY " + testing::quoted(scenarios.out / "package"));
    EXPECT_EQ(run.exit_status, 3);
    EXPECT_NE(run.output.find("Errore di sistema n. 16: Device or resource busy\n" +
                              scenarios.out.string() + "\nUn'altra esecuzione scrive"),
              std::string::npos)
        << run.output;
    EXPECT_EQ(set_in(scenarios.out), scenarios.second_set);
}

}  // namespace
}  // namespace scenario

#endif  // SCENC_PROGRAM
