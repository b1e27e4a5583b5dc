// One writer at a time in an output folder, and the mending of a set replacement that a
// killed run left half done.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "io/file_output.h"

namespace scenario {

// Another run held the folder's lock for the whole wait.
class FolderBusy : public SystemFailure {
  public:
    FolderBusy(std::filesystem::path folder, std::chrono::milliseconds waited);
    std::chrono::milliseconds waited;
};

// Holds an advisory lock (flock) on a hidden lock file in the output folder for as long as it
// lives, so that two runs never replace the same files at once. The lock file also records a
// set replacement while it is under way: which files it replaces and whether each had an
// earlier version. A run killed part-way leaves that record behind, and the next run that
// takes the lock puts the folder back to one whole set before it does anything else. The lock
// file is removed when the lock is let go.
class OutputFolderLock {
  public:
    static constexpr const char* file_name = ".scenario-output.lock";
    // Long enough for another run to finish its files, short enough that nobody wonders.
    static constexpr std::chrono::milliseconds longest_wait{5000};

    // Waits up to `wait` for the lock, then throws FolderBusy. A folder that cannot hold a
    // lock file because it may not be written needs no lock: the run fails at its first write.
    explicit OutputFolderLock(const std::filesystem::path& folder,
                              std::chrono::milliseconds wait = longest_wait);
    ~OutputFolderLock();
    OutputFolderLock(const OutputFolderLock&) = delete;
    OutputFolderLock& operator=(const OutputFolderLock&) = delete;

    // One line for the user about each thing the mending did.
    const std::vector<std::string>& notes() const { return notes_; }

    // A file the replacement puts in place, and whether an earlier version of it is there.
    struct ReplacedFile {
        std::string name;
        bool had_earlier = false;
    };
    // Called before the first file of a set moves, after the last new one is in place, and
    // when the backups are gone.
    void record_replacement(const std::vector<ReplacedFile>& files);
    void record_new_set_complete();
    void record_nothing_under_way();

  private:
    void mend_interrupted_replacement();
    std::filesystem::path folder_;
    std::filesystem::path lock_path_;
    int fd_ = -1;
    std::vector<std::string> notes_;
};

}  // namespace scenario
