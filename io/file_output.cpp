#include "io/file_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

namespace scenario {

SystemFailure::SystemFailure(int number, std::filesystem::path failed_path)
    : std::runtime_error(std::strerror(number)),
      error_number(number),
      path(std::move(failed_path)) {}

namespace {

// The permissions an ordinary new file would get, since mkstemp creates files as 0600.
mode_t new_file_mode() {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Writes the content to a new hidden file beside the target and returns its path.
std::filesystem::path write_temporary_beside(const FileContent& file) {
    std::string hidden_name = ".";
    hidden_name += file.path.filename().string();
    hidden_name += ".XXXXXX";
    std::string pattern = (file.path.parent_path() / hidden_name).string();
    int fd = ::mkstemp(pattern.data());
    if (fd < 0) throw SystemFailure(errno, file.path);
    std::filesystem::path temporary = pattern;
    try {
        if (::fchmod(fd, new_file_mode()) != 0) throw SystemFailure(errno, file.path);
        if (file.produce) {
            file.produce([fd, &file](std::string_view piece) { write_all(fd, piece, file.path); });
        } else {
            write_all(fd, file.bytes, file.path);
        }
    } catch (...) {
        ::close(fd);
        ::unlink(temporary.c_str());
        throw;
    }
    if (::close(fd) != 0) {
        int error = errno;
        ::unlink(temporary.c_str());
        throw SystemFailure(error, file.path);
    }
    return temporary;
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

void replace_set(const std::vector<FileContent>& files,
                 const std::vector<std::filesystem::path>& temporaries,
                 const RenameFunction& rename_file) {
    std::vector<bool> has_backup(files.size(), false);
    std::size_t installed = 0;
    try {
        for (std::size_t i = 0; i < files.size(); ++i) {
            if (!regular_file_at(files[i].path)) continue;
            rename_or_fail(rename_file, files[i].path, backup_path(files[i].path), files[i].path);
            has_backup[i] = true;
        }
        for (; installed < files.size(); ++installed) {
            rename_or_fail(rename_file, temporaries[installed], files[installed].path,
                           files[installed].path);
        }
    } catch (...) {
        roll_back(files, installed, has_backup, rename_file);
        throw;
    }
    // The new set is complete; a backup that cannot go now is removed by the next run.
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (has_backup[i]) ::unlink(backup_path(files[i].path).c_str());
    }
}

}  // namespace

std::filesystem::path backup_path(const std::filesystem::path& target) {
    return target.parent_path() / ("." + target.filename().string() + ".previous");
}

std::vector<std::string> write_files_together(const std::vector<FileContent>& files,
                                              const RenameFunction& rename_file) {
    std::vector<std::string> notes;
    if (files.size() == 1) {
        regular_file_at(files[0].path);
    } else {
        notes = recover_interrupted_set(files, rename_file);
    }
    std::vector<std::filesystem::path> temporaries;
    try {
        for (const FileContent& file : files) temporaries.push_back(write_temporary_beside(file));
        if (files.size() == 1) {
            // One rename replaces one file in a single step; no backup is needed.
            rename_or_fail(rename_file, temporaries[0], files[0].path, files[0].path);
        } else {
            replace_set(files, temporaries, rename_file);
        }
    } catch (...) {
        for (const auto& temporary : temporaries) ::unlink(temporary.c_str());
        throw;
    }
    return notes;
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
    const std::vector<std::pair<std::string, ContentProducer>>& named) {
    std::vector<FileContent> files;
    for (const auto& [name, produce] : named) files.push_back({folder / name, {}, produce});
    return write_files_together(files);
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
