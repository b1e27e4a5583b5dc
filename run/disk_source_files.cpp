#include "run/disk_source_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "compiler/errors.h"
#include "run/file_output.h"

namespace scenario {

DiskSourceFiles::DiskSourceFiles(const std::filesystem::path& folder, const Identity& id)
    : route_(folder / file_name::route_text(id)), train_(folder / file_name::train_text(id)) {}

std::optional<std::string> read_whole_file(const std::filesystem::path& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) return std::nullopt;
        throw SystemFailure(errno, path);
    }
    std::string content;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        ::close(fd);
        throw SystemFailure(EISDIR, path);
    }
    char block[1 << 16];
    for (;;) {
        ssize_t got = ::read(fd, block, sizeof block);
        if (got == 0) break;
        if (got < 0) {
            if (errno == EINTR) continue;
            int error = errno;
            ::close(fd);
            throw SystemFailure(error, path);
        }
        content.append(block, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return content;
}

// A text that exists but cannot be read is a read fault of the compile, like a bad field.
std::optional<std::string> DiskSourceFiles::read(const std::filesystem::path& path) {
    try {
        return read_whole_file(path);
    } catch (const SystemFailure& failure) {
        throw RunTimeFault(path.string() + ": " + failure.what(), {path.string(), 0, 0});
    }
}

void DiskSourceFiles::delete_route() {
    remove_if_present(route_);
}
void DiskSourceFiles::delete_train() {
    remove_if_present(train_);
}

}  // namespace scenario
