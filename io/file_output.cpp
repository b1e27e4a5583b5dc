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

// Writes the bytes to a new hidden file beside the target and returns its path.
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
        write_all(fd, file.bytes, file.path);
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

void write_files_together(const std::vector<FileContent>& files) {
    std::vector<std::filesystem::path> temporaries;
    std::size_t renamed = 0;
    try {
        for (const FileContent& file : files) temporaries.push_back(write_temporary_beside(file));
        for (; renamed < files.size(); ++renamed) {
            if (::rename(temporaries[renamed].c_str(), files[renamed].path.c_str()) != 0) {
                throw SystemFailure(errno, files[renamed].path);
            }
        }
    } catch (...) {
        for (std::size_t i = renamed; i < temporaries.size(); ++i) ::unlink(temporaries[i].c_str());
        throw;
    }
}

void write_file_replacing(const std::filesystem::path& path, std::string_view bytes) {
    write_files_together({{path, bytes}});
}

void remove_if_present(const std::filesystem::path& path) {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) throw SystemFailure(errno, path);
}

void ignore_file_size_signal() {
    std::signal(SIGXFSZ, SIG_IGN);
}

void write_files_together(const std::filesystem::path& folder,
                          const std::vector<std::pair<std::string, std::string_view>>& named) {
    std::vector<FileContent> files;
    for (const auto& [name, bytes] : named) files.push_back({folder / name, bytes});
    write_files_together(files);
}

std::string system_failure_report(const SystemFailure& failure) {
    return "Errore di sistema n. " + std::to_string(failure.error_number) + ": " + failure.what() +
           "\n" + failure.path.string();
}

}  // namespace scenario
