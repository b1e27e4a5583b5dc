#include "run/program_folder.h"

namespace scenario {

std::filesystem::path program_folder() {
    return std::filesystem::read_symlink("/proc/self/exe").parent_path();
}

}  // namespace scenario
