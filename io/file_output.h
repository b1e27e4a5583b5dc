// Writing files so that a failure never leaves a truncated or mixed set behind.
#pragma once

#include <cstdio>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace scenario {

class OutputFolderLock;

// A failure of the system rather than of the scenario: a file that cannot be created,
// written, renamed or deleted. It ends the run with its number, description and path.
class SystemFailure : public std::runtime_error {
  public:
    SystemFailure(int error_number, std::filesystem::path path);
    int error_number;
    std::filesystem::path path;
};

// Its number, description and path, for the user.
std::string system_failure_report(const SystemFailure& failure);

// Produces a file's content: hands its bytes, in order and in pieces of any size, to the
// function it is given, which writes each piece straight into the file.
using ContentProducer = std::function<void(const std::function<void(std::string_view)>& put)>;

// A file of the set: its bytes, or, when produce is set, the producer of its bytes.
struct FileContent {
    std::filesystem::path path;
    std::string_view bytes;
    ContentProducer produce = {};
};

// The rename the set replacement uses; tests put one in that fails on purpose.
using RenameFunction = std::function<int(const char* from, const char* to)>;

// How a set is written. Tests ask for named temporaries, which is what a file system without
// unnamed files (O_TMPFILE) gets.
struct WriteOptions {
    RenameFunction rename_file = ::rename;
    bool unnamed_temporaries = true;
    // The held lock of the output folder, which records the replacement while it is under way.
    OutputFolderLock* folder_lock = nullptr;
};

// Replaces a set of files all or nothing. Each file is first written whole to an unnamed file in
// its own folder (a produced file as its producer hands out the bytes), which gets a hidden
// temporary name only just before it is renamed into place; where the file system has no unnamed
// files it is written under that name. Its writer holds a lock on each temporary, so a later run
// removes the temporaries that a killed run left and no other. Then each
// earlier file moves to a hidden backup name, the new files are renamed in, and the backups are
// removed; on any failure the new files go and the backups are put back, so every target holds its
// earlier content (or nothing, where it had none) and no temporary or backup is left. Anything at a
// target name that is not a regular file is refused before anything moves; nothing is removed
// recursively. Backups that a killed run left are dealt with first: while a file of the set is
// missing they are put back, when the whole set is present they are removed. Returns one line for
// the user about each such backup.
std::vector<std::string> write_files_together(const std::vector<FileContent>& files,
                                              const WriteOptions& options);
std::vector<std::string> write_files_together(const std::vector<FileContent>& files,
                                              const RenameFunction& rename_file = ::rename);
// The same for produced files named within one folder.
std::vector<std::string> write_files_together(
    const std::filesystem::path& folder,
    const std::vector<std::pair<std::string, ContentProducer>>& named,
    OutputFolderLock* folder_lock = nullptr);
// Removes the hidden temporaries of a target that no live writer holds; one line for the user
// about each.
std::vector<std::string> remove_abandoned_temporaries(const std::filesystem::path& target);
// The hidden name an earlier file waits under while its replacement is renamed in.
std::filesystem::path backup_path(const std::filesystem::path& target);
// One file: written to a temporary beside it, then renamed over it in one step.
void write_file_replacing(const std::filesystem::path& path, std::string_view bytes);

// Creates a folder and the folders above it where they are missing; an empty path is the
// current folder, which is there. A failure names the folder.
void make_folders(const std::filesystem::path& folder);

// Writes all the bytes to fd, however many calls that takes; a failure names path.
void write_all(int fd, std::string_view bytes, const std::filesystem::path& path);

// Deletes a file when it exists; a missing file is not a failure.
void remove_if_present(const std::filesystem::path& path);

// A write beyond the process's file-size limit must fail with an error the program can
// report, not kill it with the signal the limit sends by default.
void ignore_file_size_signal();

}  // namespace scenario
