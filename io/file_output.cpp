#include "io/file_output.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <random>

#include "io/output_folder_lock.h"

namespace scenario {

SystemFailure::SystemFailure(int number, std::filesystem::path failed_path)
    : std::runtime_error(std::strerror(number)),
      error_number(number),
      path(std::move(failed_path)) {}

namespace {

// A file being written: unnamed until `named` is set. The writer's lock on it stays until
// the file is in place or gone, and tells a later run that it is not abandoned.
struct Temporary {
    int fd = -1;
    std::filesystem::path named;
};

// The hidden name a temporary of the target gets, with its six varying characters.
std::string temporary_pattern(const std::filesystem::path& target) {
    return (target.parent_path() / ("." + target.filename().string() + ".XXXXXX")).string();
}

std::filesystem::path folder_of(const std::filesystem::path& target) {
    return target.parent_path().empty() ? std::filesystem::path(".") : target.parent_path();
}

// An unnamed file in the target's folder, or -1 where the file system has none.
int open_unnamed(const std::filesystem::path& target) {
    int fd = ::open(folder_of(target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd >= 0) return fd;
    // Kernels and file systems without O_TMPFILE answer one of these.
    if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL) return -1;
    throw SystemFailure(errno, target);
}

Temporary open_temporary(const FileContent& file, bool unnamed_allowed) {
    Temporary temporary;
    if (unnamed_allowed) temporary.fd = open_unnamed(file.path);
    if (temporary.fd < 0) {
        std::string pattern = temporary_pattern(file.path);
        temporary.fd = ::mkostemp(pattern.data(), O_CLOEXEC);
        if (temporary.fd < 0) throw SystemFailure(errno, file.path);
        temporary.named = pattern;
        // mkstemp creates files as 0600; an ordinary new file gets what the umask leaves.
        mode_t mask = ::umask(0);
        ::umask(mask);
        if (::fchmod(temporary.fd, 0666 & ~mask) != 0) {
            int error = errno;
            ::close(temporary.fd);
            ::unlink(pattern.c_str());
            throw SystemFailure(error, file.path);
        }
    }
    ::flock(temporary.fd, LOCK_EX);
    return temporary;
}

// Closing a copy of the descriptor reports what a network file system could only report at
// close, while the original keeps the lock.
void check_written(const Temporary& temporary, const std::filesystem::path& target) {
    int copy = ::dup(temporary.fd);
    if (copy < 0 || ::close(copy) != 0) throw SystemFailure(errno, target);
}

// Writes the content to a temporary beside the target.
Temporary write_temporary_beside(const FileContent& file, bool unnamed_allowed) {
    Temporary temporary = open_temporary(file, unnamed_allowed);
    try {
        if (file.produce) {
            file.produce(
                [&](std::string_view piece) { write_all(temporary.fd, piece, file.path); });
        } else {
            write_all(temporary.fd, file.bytes, file.path);
        }
        check_written(temporary, file.path);
    } catch (...) {
        if (!temporary.named.empty()) ::unlink(temporary.named.c_str());
        ::close(temporary.fd);
        throw;
    }
    return temporary;
}

// Gives an unnamed temporary its hidden name beside the target, so that it can be renamed.
void name_temporary(Temporary& temporary, const std::filesystem::path& target) {
    if (!temporary.named.empty()) return;
    const std::string from = "/proc/self/fd/" + std::to_string(temporary.fd);
    std::random_device random;
    static constexpr char letters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = temporary_pattern(target);
        for (std::size_t i = name.size() - 6; i < name.size(); ++i)
            name[i] = letters[random() % 62];
        if (::linkat(AT_FDCWD, from.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            temporary.named = name;
            return;
        }
        const int error = errno;
        // Without /proc mounted, only linking the descriptor itself is left, which needs a
        // capability an ordinary user lacks.
        if (error == ENOENT &&
            ::linkat(temporary.fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0) {
            temporary.named = name;
            return;
        }
        if (error != EEXIST) throw SystemFailure(error, target);
    }
    throw SystemFailure(EEXIST, target);
}

// Removes a temporary that did not make it into place, and lets go of it.
void discard(const Temporary& temporary) {
    if (!temporary.named.empty()) ::unlink(temporary.named.c_str());
    ::close(temporary.fd);
}

bool is_temporary_of(const std::string& entry, const std::string& target_name) {
    const std::string prefix = "." + target_name + ".";
    if (entry.size() != prefix.size() + 6 || entry.compare(0, prefix.size(), prefix) != 0) {
        return false;
    }
    return std::all_of(entry.end() - 6, entry.end(),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
}

// Whether a temporary is a regular file that no live writer holds.
bool abandoned(const std::filesystem::path& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat status {};
    bool result =
        ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    return result;
}

}  // namespace

void write_all(int fd, std::string_view bytes, const std::filesystem::path& path) {
    while (!bytes.empty()) {
        ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            throw SystemFailure(errno, path);
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

namespace {

// Whether something is at a target or backup name; anything but a regular file there is
// refused, since replacing it would mean removing a folder or a device.
bool regular_file_at(const std::filesystem::path& path) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) {
        if (errno == ENOENT) return false;
        throw SystemFailure(errno, path);
    }
    if (!S_ISREG(status.st_mode)) {
        throw SystemFailure(S_ISDIR(status.st_mode) ? EISDIR : EEXIST, path);
    }
    return true;
}

void rename_or_fail(const RenameFunction& rename_file, const std::filesystem::path& from,
                    const std::filesystem::path& to, const std::filesystem::path& named) {
    if (rename_file(from.c_str(), to.c_str()) != 0) throw SystemFailure(errno, named);
}

// A killed run leaves backups only while it replaces a set. Killed before its last new
// file was renamed in, some file of the set is missing and the backups with the files
// never moved are the complete earlier set: put them back. Killed while removing the
// backups, the whole new set is present and the backups are leftovers: remove them.
std::vector<std::string> recover_interrupted_set(const std::vector<FileContent>& files,
                                                 const RenameFunction& rename_file) {
    bool whole_set_present = true;
    std::vector<std::filesystem::path> backed_up;
    for (const FileContent& file : files) {
        if (!regular_file_at(file.path)) whole_set_present = false;
        if (regular_file_at(backup_path(file.path))) backed_up.push_back(file.path);
    }
    std::vector<std::string> notes;
    for (const std::filesystem::path& target : backed_up) {
        if (whole_set_present) {
            remove_if_present(backup_path(target));
            notes.push_back("removed the backup " + backup_path(target).string() +
                            " that an interrupted earlier run left after completing its files");
        } else {
            rename_or_fail(rename_file, backup_path(target), target, target);
            notes.push_back("restored " + target.string() +
                            " from the backup an interrupted earlier run left");
        }
    }
    return notes;
}

// Puts the earlier set back after a failed replacement: the new files renamed in so far
// go, the backups return. Best effort, since the first failure is the one to report.
void roll_back(const std::vector<FileContent>& files, std::size_t installed,
               const std::vector<bool>& has_backup, const RenameFunction& rename_file) {
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (has_backup[i]) {
            rename_file(backup_path(files[i].path).c_str(), files[i].path.c_str());
        } else if (i < installed) {
            ::unlink(files[i].path.c_str());
        }
    }
}

std::vector<OutputFolderLock::ReplacedFile> files_replaced(const std::vector<FileContent>& files) {
    std::vector<OutputFolderLock::ReplacedFile> replaced;
    for (const FileContent& file : files) {
        replaced.push_back({file.path.filename().string(), regular_file_at(file.path)});
    }
    return replaced;
}

// The renames follow one another with nothing in between, which keeps the time in which the
// names show no whole set as short as the file system makes it.
void replace_set(const std::vector<FileContent>& files, std::vector<Temporary>& temporaries,
                 const WriteOptions& options) {
    const RenameFunction& rename_file = options.rename_file;
    const std::vector<OutputFolderLock::ReplacedFile> replaced = files_replaced(files);
    if (options.folder_lock != nullptr) options.folder_lock->record_replacement(replaced);
    std::vector<bool> has_backup(files.size(), false);
    std::size_t installed = 0;
    try {
        for (std::size_t i = 0; i < files.size(); ++i)
            name_temporary(temporaries[i], files[i].path);
        for (std::size_t i = 0; i < files.size(); ++i) {
            if (!replaced[i].had_earlier) continue;
            rename_or_fail(rename_file, files[i].path, backup_path(files[i].path), files[i].path);
            has_backup[i] = true;
        }
        for (; installed < files.size(); ++installed) {
            rename_or_fail(rename_file, temporaries[installed].named, files[installed].path,
                           files[installed].path);
            temporaries[installed].named.clear();
        }
    } catch (...) {
        roll_back(files, installed, has_backup, rename_file);
        if (options.folder_lock != nullptr) options.folder_lock->record_nothing_under_way();
        throw;
    }
    if (options.folder_lock != nullptr) options.folder_lock->record_new_set_complete();
    // The new set is complete; a backup that cannot go now is removed by the next run.
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (has_backup[i]) ::unlink(backup_path(files[i].path).c_str());
    }
    if (options.folder_lock != nullptr) options.folder_lock->record_nothing_under_way();
}

}  // namespace

std::filesystem::path backup_path(const std::filesystem::path& target) {
    return target.parent_path() / ("." + target.filename().string() + ".previous");
}

std::vector<std::string> remove_abandoned_temporaries(const std::filesystem::path& target) {
    std::vector<std::string> notes;
    const std::string target_name = target.filename().string();
    std::error_code error;
    std::filesystem::directory_iterator entries(folder_of(target), error);
    if (error) return notes;  // a folder that cannot be listed holds nothing of ours to remove
    for (const auto& entry : entries) {
        const std::filesystem::path path = entry.path();
        if (!is_temporary_of(path.filename().string(), target_name) || !abandoned(path)) continue;
        remove_if_present(path);
        notes.push_back("removed the temporary file " + path.string() +
                        " that an interrupted earlier run left");
    }
    return notes;
}

std::vector<std::string> write_files_together(const std::vector<FileContent>& files,
                                              const WriteOptions& options) {
    std::vector<std::string> notes;
    for (const FileContent& file : files) {
        for (std::string& note : remove_abandoned_temporaries(file.path)) {
            notes.push_back(std::move(note));
        }
    }
    if (files.size() == 1) {
        regular_file_at(files[0].path);
    } else {
        for (std::string& note : recover_interrupted_set(files, options.rename_file)) {
            notes.push_back(std::move(note));
        }
    }
    std::vector<Temporary> temporaries;
    try {
        for (const FileContent& file : files) {
            temporaries.push_back(write_temporary_beside(file, options.unnamed_temporaries));
        }
        if (files.size() == 1) {
            // One rename replaces one file in a single step; no backup is needed.
            name_temporary(temporaries[0], files[0].path);
            rename_or_fail(options.rename_file, temporaries[0].named, files[0].path, files[0].path);
            temporaries[0].named.clear();
        } else {
            replace_set(files, temporaries, options);
        }
    } catch (...) {
        for (const Temporary& temporary : temporaries) discard(temporary);
        throw;
    }
    for (const Temporary& temporary : temporaries) ::close(temporary.fd);
    return notes;
}

std::vector<std::string> write_files_together(const std::vector<FileContent>& files,
                                              const RenameFunction& rename_file) {
    return write_files_together(files, WriteOptions{.rename_file = rename_file});
}

void write_file_replacing(const std::filesystem::path& path, std::string_view bytes) {
    (void)write_files_together({{path, bytes}});
}

void remove_if_present(const std::filesystem::path& path) {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) throw SystemFailure(errno, path);
}

void ignore_file_size_signal() {
    std::signal(SIGXFSZ, SIG_IGN);
}

std::vector<std::string> write_files_together(
    const std::filesystem::path& folder,
    const std::vector<std::pair<std::string, ContentProducer>>& named,
    OutputFolderLock* folder_lock) {
    std::vector<FileContent> files;
    for (const auto& [name, produce] : named) files.push_back({folder / name, {}, produce});
    return write_files_together(files, WriteOptions{.folder_lock = folder_lock});
}

std::string system_failure_report(const SystemFailure& failure) {
    return "Errore di sistema n. " + std::to_string(failure.error_number) + ": " + failure.what() +
           "\n" + failure.path.string();
}

void make_folders(const std::filesystem::path& folder) {
    if (folder.empty()) return;
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) throw SystemFailure(error.value(), folder);
}

}  // namespace scenario
