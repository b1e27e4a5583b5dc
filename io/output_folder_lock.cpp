#include "io/output_folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

namespace scenario {

FolderBusy::FolderBusy(std::filesystem::path folder, std::chrono::milliseconds how_long)
    : SystemFailure(EBUSY, std::move(folder)), waited(how_long) {}

namespace {

// The record in the lock file: a phase letter, then for each file of the set a letter that
// says whether it had an earlier version, its name and a NUL.
constexpr char replacing = 'R';
constexpr char new_set_complete = 'C';

bool same_file(int fd, const std::filesystem::path& path) {
    struct stat held {};
    struct stat named {};
    return ::fstat(fd, &held) == 0 && ::stat(path.c_str(), &named) == 0 &&
           held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

bool lock_within(int fd, std::chrono::steady_clock::time_point deadline) {
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR) return false;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

std::string read_record(int fd) {
    std::string record;
    char block[4096];
    for (off_t offset = 0;;) {
        ssize_t got = ::pread(fd, block, sizeof block, offset);
        if (got <= 0) break;
        record.append(block, static_cast<std::size_t>(got));
        offset += got;
    }
    return record;
}

std::vector<OutputFolderLock::ReplacedFile> files_in_record(std::string_view record) {
    std::vector<OutputFolderLock::ReplacedFile> files;
    for (std::size_t at = 1; at < record.size();) {
        std::size_t end = record.find('\0', at);
        if (end == std::string_view::npos || end == at) break;
        std::string name(record.substr(at + 1, end - at - 1));
        // Only plain names in this folder: a record that names anything else is not ours.
        if (!name.empty() && name.find('/') == std::string::npos && name != "." && name != "..") {
            files.push_back({std::move(name), record[at] == '1'});
        }
        at = end + 1;
    }
    return files;
}

}  // namespace

OutputFolderLock::OutputFolderLock(const std::filesystem::path& folder,
                                   std::chrono::milliseconds wait)
    : folder_(folder.empty() ? std::filesystem::path(".") : folder),
      lock_path_(folder_ / file_name) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        fd_ = ::open(lock_path_.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd_ < 0) {
            if (errno == EACCES || errno == EROFS || errno == EPERM || errno == ENOENT) return;
            throw SystemFailure(errno, lock_path_);
        }
        if (!lock_within(fd_, deadline)) {
            ::close(fd_);
            fd_ = -1;
            throw FolderBusy(folder_, wait);
        }
        // The run before may have removed the lock file while this one waited on it; only
        // a lock on the file that is there now counts.
        if (same_file(fd_, lock_path_)) break;
        ::close(fd_);
    }
    mend_interrupted_replacement();
}

OutputFolderLock::~OutputFolderLock() {
    if (fd_ < 0) return;
    // Removed while still held, so that a run waiting on this file sees it is gone and
    // takes a fresh one.
    ::unlink(lock_path_.c_str());
    ::close(fd_);
}

void OutputFolderLock::mend_interrupted_replacement() {
    const std::string record = read_record(fd_);
    if (record.empty()) return;
    const bool complete = record[0] == new_set_complete;
    for (const ReplacedFile& file : files_in_record(record)) {
        const std::filesystem::path target = folder_ / file.name;
        const std::filesystem::path backup = backup_path(target);
        if (complete || !file.had_earlier) {
            // Complete: the backups are leftovers. Not complete: a file without an earlier
            // version is new, and the earlier set did not have it.
            const std::filesystem::path& leftover = complete ? backup : target;
            if (::access(leftover.c_str(), F_OK) == 0) {
                remove_if_present(leftover);
                notes_.push_back("removed " + leftover.string() +
                                 ", left by an earlier run that was interrupted while "
                                 "replacing the compiled files");
            }
        } else if (::access(backup.c_str(), F_OK) == 0) {
            if (::rename(backup.c_str(), target.c_str()) != 0) throw SystemFailure(errno, target);
            notes_.push_back("restored " + target.string() +
                             " from the backup an interrupted earlier run left");
        }
        for (std::string& note : remove_abandoned_temporaries(target)) {
            notes_.push_back(std::move(note));
        }
    }
    record_nothing_under_way();
}

void OutputFolderLock::record_replacement(const std::vector<ReplacedFile>& files) {
    if (fd_ < 0) return;
    std::string record(1, replacing);
    for (const ReplacedFile& file : files) {
        record += file.had_earlier ? '1' : '0';
        record += file.name;
        record += '\0';
    }
    if (::ftruncate(fd_, 0) != 0) throw SystemFailure(errno, lock_path_);
    if (::pwrite(fd_, record.data(), record.size(), 0) != static_cast<ssize_t>(record.size())) {
        throw SystemFailure(errno, lock_path_);
    }
}

void OutputFolderLock::record_new_set_complete() {
    // One byte written in one call: the record is either phase, never half of one.
    if (fd_ >= 0) (void)::pwrite(fd_, &new_set_complete, 1, 0);
}

void OutputFolderLock::record_nothing_under_way() {
    if (fd_ >= 0) (void)::ftruncate(fd_, 0);
}

}  // namespace scenario
