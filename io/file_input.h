// Reading a file whole.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace scenario {

// The whole content of a file; nothing when it does not exist. Throws SystemFailure when it
// exists but cannot be read.
std::optional<std::string> read_whole_file(const std::filesystem::path& path);

}  // namespace scenario
