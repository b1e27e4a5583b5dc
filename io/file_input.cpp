#include "io/file_input.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "io/file_output.h"

namespace scenario {

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

}  // namespace scenario
