#pragma once

#include <filesystem>

namespace scenario {

// The folder that holds the running executable, whatever the current directory.
std::filesystem::path program_folder();

}  // namespace scenario
