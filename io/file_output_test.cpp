#include "io/file_output.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <set>

#include "io/output_folder_lock.h"
#include "io/test_support.h"

namespace scenario {
namespace {

using testing::read_bytes;
using testing::TemporaryFolder;
using testing::write_bytes;

std::size_t count_entries(const std::filesystem::path& folder) {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder),
                                                  std::filesystem::directory_iterator()));
}

TEST(FileOutput, ReplacesALongerEarlierFileWhole) {
    TemporaryFolder folder;
    write_bytes(folder / "a.dat", std::string(1000, 'x'));
    write_file_replacing(folder / "a.dat", "new");
    EXPECT_EQ(read_bytes(folder / "a.dat"), "new");
    EXPECT_EQ(count_entries(folder.path()), 1u);
}

TEST(FileOutput, AFailedSetLeavesEveryEarlierFileAndNoTemporary) {
    TemporaryFolder folder;
    write_bytes(folder / "a.dat", "old a");
    std::string big(1 << 20, 'b');
    try {
        write_files_together({{folder / "a.dat", "new a"}, {folder / "missing" / "b.dat", big}});
        FAIL() << "writing into a missing folder must fail";
    } catch (const SystemFailure& failure) {
        EXPECT_EQ(failure.error_number, ENOENT);
        EXPECT_EQ(failure.path, folder / "missing" / "b.dat");
    }
    EXPECT_EQ(read_bytes(folder / "a.dat"), "old a");
    EXPECT_EQ(count_entries(folder.path()), 1u);
}

// A produced file goes into the set piece by piece; a producer that fails part-way leaves the
// earlier set and no temporary, as a write that fails does.
TEST(FileOutput, ProducedFilesAreWrittenAsTheyComeAndAllOrNothing) {
    TemporaryFolder folder;
    const auto pieces = [](const std::function<void(std::string_view)>& put) {
        for (int i = 0; i < 3; ++i) put(std::string(40000, static_cast<char>('a' + i)));
    };
    write_files_together(folder.path(), {{"p.dat", pieces}});
    EXPECT_EQ(read_bytes(folder / "p.dat"),
              std::string(40000, 'a') + std::string(40000, 'b') + std::string(40000, 'c'));

    const auto failing = [](const std::function<void(std::string_view)>& put) {
        put("half");
        throw SystemFailure(ENOSPC, "p.dat");
    };
    EXPECT_THROW(write_files_together(folder.path(), {{"q.dat", pieces}, {"p.dat", failing}}),
                 SystemFailure);
    EXPECT_EQ(read_bytes(folder / "p.dat").size(), 120000u);
    EXPECT_EQ(count_entries(folder.path()), 1u);
}

// Three files replaced as a set, with a rename that fails on its n-th call (0: never).
struct SetInFolder {
    TemporaryFolder folder{"file-set"};
    std::vector<std::string> names{"a.pln", "a.dat", "a.sim"};

    void write_earlier() {
        for (const auto& name : names) write_bytes(folder / name, "earlier " + name);
    }
    std::vector<std::string> replace(int failing_call, bool unnamed_temporaries = true) {
        int calls = 0;
        RenameFunction rename_file = [&](const char* from, const char* to) {
            if (++calls == failing_call) {
                errno = EBUSY;
                return -1;
            }
            return ::rename(from, to);
        };
        return replace_with(
            {.rename_file = rename_file, .unnamed_temporaries = unnamed_temporaries});
    }
    std::vector<std::string> replace_with(const WriteOptions& options) {
        std::vector<std::string> contents;
        for (const auto& name : names) contents.push_back("new " + name);
        std::vector<FileContent> files;
        for (std::size_t i = 0; i < names.size(); ++i) {
            files.push_back({folder / names[i], contents[i]});
        }
        return write_files_together(files, options);
    }
    std::set<std::string> entries() const {
        std::set<std::string> found;
        for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
            found.insert(entry.path().filename().string());
        }
        return found;
    }
    void expect_only(const std::string& prefix) {
        EXPECT_EQ(entries(), std::set<std::string>(names.begin(), names.end()));
        for (const auto& name : names) EXPECT_EQ(read_bytes(folder / name), prefix + name);
    }
};

TEST(FileOutput, AnyFailedRenameInASetLeavesTheWholeEarlierSetAndNothingElse) {
    // Calls 1 to 3 move the earlier files to their backups, 4 to 6 rename the new ones in;
    // the same with unnamed temporaries and with named ones.
    for (int failing_call = 1; failing_call <= 12; ++failing_call) {
        SCOPED_TRACE(failing_call);
        SetInFolder set;
        set.write_earlier();
        try {
            set.replace((failing_call - 1) % 6 + 1, failing_call <= 6);
            FAIL() << "the injected rename failure must end the replacement";
        } catch (const SystemFailure& failure) {
            EXPECT_EQ(failure.error_number, EBUSY);
        }
        set.expect_only("earlier ");
    }
}

TEST(FileOutput, AFailedFirstSetLeavesNoFileBehind) {
    SetInFolder set;
    EXPECT_THROW(set.replace(2), SystemFailure);
    EXPECT_TRUE(set.entries().empty());
}

TEST(FileOutput, AFolderAtATargetNameIsRefusedBeforeAnythingMoves) {
    SetInFolder set;
    set.write_earlier();
    std::filesystem::remove(set.folder / "a.dat");
    std::filesystem::create_directory(set.folder / "a.dat");
    write_bytes(set.folder / "a.dat" / "kept", "inside");
    try {
        set.replace(0);
        FAIL() << "a folder at a target name must be refused";
    } catch (const SystemFailure& failure) {
        EXPECT_EQ(failure.error_number, EISDIR);
        EXPECT_EQ(failure.path, set.folder / "a.dat");
    }
    EXPECT_EQ(set.entries(), (std::set<std::string>{"a.pln", "a.dat", "a.sim"}));
    EXPECT_EQ(read_bytes(set.folder / "a.pln"), "earlier a.pln");
    EXPECT_EQ(read_bytes(set.folder / "a.dat" / "kept"), "inside");
}

TEST(FileOutput, BackupsOfAKilledRunAreRestoredWhileTheSetIsIncomplete) {
    // Killed while renaming in: the first file is new, the second is missing, the third
    // never moved. A later failure shows that the earlier set was put back whole.
    SetInFolder set;
    write_bytes(backup_path(set.folder / "a.pln"), "earlier a.pln");
    write_bytes(backup_path(set.folder / "a.dat"), "earlier a.dat");
    write_bytes(set.folder / "a.pln", "half-done a.pln");
    write_bytes(set.folder / "a.sim", "earlier a.sim");
    EXPECT_THROW(set.replace(5), SystemFailure);
    set.expect_only("earlier ");

    write_bytes(backup_path(set.folder / "a.dat"), "earlier a.dat");
    std::filesystem::remove(set.folder / "a.dat");
    std::vector<std::string> notes = set.replace(0);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_NE(notes[0].find("restored " + (set.folder / "a.dat").string()), std::string::npos);
    set.expect_only("new ");
}

TEST(FileOutput, BackupsOfAKilledRunAreRemovedOnceTheSetIsComplete) {
    SetInFolder set;
    for (const auto& name : set.names) write_bytes(set.folder / name, "killed run's " + name);
    write_bytes(backup_path(set.folder / "a.sim"), "earlier a.sim");
    // Fails, but only after the leftover is gone; the complete set stays.
    EXPECT_THROW(set.replace(1), SystemFailure);
    set.expect_only("killed run's ");

    write_bytes(backup_path(set.folder / "a.sim"), "earlier a.sim");
    std::vector<std::string> notes = set.replace(0);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_NE(notes[0].find("removed the backup"), std::string::npos);
    set.expect_only("new ");
}

// A temporary that its writer still holds is left alone; one whose writer died goes, and so
// does one of the hidden temporaries that earlier versions left without a lock.
TEST(FileOutput, OnlyTemporariesNoLiveWriterHoldsAreRemoved) {
    TemporaryFolder folder("temporaries");
    write_bytes(folder / ".a.dat.Xy12Zq", std::string(1000, 'd'));
    write_bytes(folder / ".a.dat.Live01", "held");
    write_bytes(folder / ".a.dat.keeps-this", "not a temporary of ours");
    write_bytes(folder / ".b.dat.Xy12Zq", "another file's");
    const int held = ::open((folder / ".a.dat.Live01").c_str(), O_RDONLY);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);

    std::vector<std::string> notes = write_files_together({{folder / "a.dat", "new"}});

    ::close(held);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_NE(notes[0].find(".a.dat.Xy12Zq"), std::string::npos) << notes[0];
    EXPECT_EQ(read_bytes(folder / "a.dat"), "new");
    std::set<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
        left.insert(entry.path().filename().string());
    }
    EXPECT_EQ(left, (std::set<std::string>{"a.dat", ".a.dat.Live01", ".a.dat.keeps-this",
                                           ".b.dat.Xy12Zq"}));
}

// A writer killed at any point of a set replacement (here: in a child process that ends
// itself just before or just after each rename) leaves a folder that the next lock-holder
// mends into the whole earlier set, with no backup, temporary or lock file left; a writer
// killed after its last rename leaves the whole new set. Both with and without unnamed files.
TEST(FileOutput, AWriterKilledAtAnyRenameIsMendedByTheNextLockHolder) {
    for (bool unnamed : {true, false}) {
        for (int kill_at = 1; kill_at <= 6; ++kill_at) {
            for (bool after : {false, true}) {
                SCOPED_TRACE(std::to_string(kill_at) + (after ? " after" : " before") +
                             (unnamed ? ", unnamed" : ", named"));
                SetInFolder set;
                set.write_earlier();
                const pid_t child = ::fork();
                ASSERT_GE(child, 0);
                if (child == 0) {
                    OutputFolderLock lock(set.folder.path());
                    int calls = 0;
                    RenameFunction rename_file = [&](const char* from, const char* to) {
                        if (++calls == kill_at && !after) ::_exit(9);
                        int result = ::rename(from, to);
                        if (calls == kill_at && after) ::_exit(9);
                        return result;
                    };
                    set.replace_with({.rename_file = rename_file,
                                      .unnamed_temporaries = unnamed,
                                      .folder_lock = &lock});
                    ::_exit(0);
                }
                int status = 0;
                ASSERT_EQ(::waitpid(child, &status, 0), child);
                ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 9);

                { OutputFolderLock mending(set.folder.path()); }
                set.expect_only("earlier ");
            }
        }
    }
}

TEST(FileOutput, ASecondLockHolderWaitsItsTimeAndIsToldTheFolderIsBusy) {
    TemporaryFolder folder("busy");
    std::optional<OutputFolderLock> first(std::in_place, folder.path());
    EXPECT_TRUE(std::filesystem::exists(folder / OutputFolderLock::file_name));
    const auto start = std::chrono::steady_clock::now();
    try {
        OutputFolderLock second(folder.path(), std::chrono::milliseconds(200));
        FAIL() << "the second lock must not be taken while the first is held";
    } catch (const FolderBusy& busy) {
        EXPECT_EQ(busy.path, folder.path());
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
    }
    first.reset();
    EXPECT_FALSE(std::filesystem::exists(folder / OutputFolderLock::file_name));
    { OutputFolderLock again(folder.path(), std::chrono::milliseconds(0)); }
    EXPECT_EQ(count_entries(folder.path()), 0u);
}

TEST(FileOutput, RemoveIfPresentIgnoresAMissingFile) {
    TemporaryFolder folder;
    EXPECT_NO_THROW(remove_if_present(folder / "nothing"));
    write_bytes(folder / "x", "1");
    remove_if_present(folder / "x");
    EXPECT_FALSE(std::filesystem::exists(folder / "x"));
}

}  // namespace
}  // namespace scenario
