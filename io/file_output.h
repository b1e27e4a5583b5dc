// Writing files so that a failure never leaves a truncated or mixed set behind.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace scenario {

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

struct FileContent {
    std::filesystem::path path;
    std::string_view bytes;
};

// Each file is first written whole to a hidden temporary file in its own folder, and only
// then renamed over its target; the renames start once every temporary file is complete.
// On failure the temporaries are removed and every target still holds its earlier content.
void write_files_together(const std::vector<FileContent>& files);
// The same for files named within one folder.
void write_files_together(const std::filesystem::path& folder,
                          const std::vector<std::pair<std::string, std::string_view>>& named);
void write_file_replacing(const std::filesystem::path& path, std::string_view bytes);

// Writes all the bytes to fd, however many calls that takes; a failure names path.
void write_all(int fd, std::string_view bytes, const std::filesystem::path& path);

// Deletes a file when it exists; a missing file is not a failure.
void remove_if_present(const std::filesystem::path& path);

// A write beyond the process's file-size limit must fail with an error the program can
// report, not kill it with the signal the limit sends by default.
void ignore_file_size_signal();

}  // namespace scenario
