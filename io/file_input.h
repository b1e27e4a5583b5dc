// Reading a file whole, never more than a stated size and never from anything but a regular
// file: a scenario folder may hold a link to a device or a FIFO.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "io/file_output.h"

namespace scenario {

// The largest scenario text a reader takes. A route of 1000 km has 20,000 cells of 50 m; a row
// of every kind in every cell, at about 60 bytes a row, comes to some 12 MB.
constexpr std::uintmax_t largest_text_file = std::uintmax_t{16} << 20;
// The largest compiled file a reader takes: the plan file of a 1000 km route, with its 7 km of
// track past the end, holds 1,007,001 points of 20 bytes, some 20 MB.
constexpr std::uintmax_t largest_compiled_file = std::uintmax_t{32} << 20;

// A file left unread because of what it is: not a regular file (a folder, a FIFO, a device),
// or larger than the reader takes. what() tells why in a few words.
class RefusedFile : public SystemFailure {
  public:
    RefusedFile(int number, std::filesystem::path refused_path, std::string reason);
    const char* what() const noexcept override { return reason_.c_str(); }

  private:
    std::string reason_;
};

// The whole content of a regular file of at most `largest` bytes; nothing when it does not
// exist. The file is opened without waiting (a FIFO without a writer does not block) and
// refused with RefusedFile, before any byte is read, when it is no regular file or is larger;
// a file that grows past `largest` while it is read is refused too. Throws SystemFailure when
// it exists but cannot be read.
std::optional<std::string> read_whole_file(const std::filesystem::path& path,
                                           std::uintmax_t largest);

// "16 MiB": a size limit as the messages give it.
std::string size_in_mib(std::uintmax_t bytes);

}  // namespace scenario
