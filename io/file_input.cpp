#include "io/file_input.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace scenario {

namespace {

// Closes the descriptor however the read ends.
class OpenFile {
  public:
    explicit OpenFile(int fd) : fd_(fd) {}
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    ~OpenFile() { ::close(fd_); }
    int fd() const { return fd_; }

  private:
    int fd_;
};

// What a file that is not regular is, in the words of a message.
std::string kind_of(mode_t mode) {
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISSOCK(mode)) return "a socket";
    return "not a regular file";
}

RefusedFile too_large(const std::filesystem::path& path, std::uintmax_t largest) {
    return RefusedFile(EFBIG, path, "larger than " + size_in_mib(largest));
}

}  // namespace

RefusedFile::RefusedFile(int number, std::filesystem::path refused_path, std::string reason)
    : SystemFailure(number, std::move(refused_path)), reason_(std::move(reason)) {}

std::string size_in_mib(std::uintmax_t bytes) {
    return std::to_string(bytes >> 20) + " MiB";
}

std::optional<std::string> read_whole_file(const std::filesystem::path& path,
                                           std::uintmax_t largest) {
    // O_NONBLOCK: opening a FIFO waits for a writer otherwise; a regular file ignores it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT) return std::nullopt;
        throw SystemFailure(errno, path);
    }
    const OpenFile file(fd);
    struct stat info {};
    if (::fstat(fd, &info) != 0) throw SystemFailure(errno, path);
    if (!S_ISREG(info.st_mode)) {
        const std::string kind = kind_of(info.st_mode);
        throw RefusedFile(S_ISDIR(info.st_mode) ? EISDIR : EINVAL, path,
                          kind == "not a regular file" ? kind : kind + ", not a regular file");
    }
    if (static_cast<std::uintmax_t>(info.st_size) > largest) throw too_large(path, largest);
    std::string content;
    content.reserve(static_cast<std::size_t>(info.st_size));
    char block[1 << 16];
    for (;;) {
        const ssize_t got = ::read(fd, block, sizeof block);
        if (got == 0) break;
        if (got < 0) {
            if (errno == EINTR) continue;
            throw SystemFailure(errno, path);
        }
        if (content.size() + static_cast<std::size_t>(got) > largest)
            throw too_large(path, largest);
        content.append(block, static_cast<std::size_t>(got));
    }
    return content;
}

}  // namespace scenario
