#include "run/disk_source_files.h"

#include "compiler/errors.h"
#include "io/file_input.h"
#include "io/file_output.h"

namespace scenario {

DiskSourceFiles::DiskSourceFiles(const std::filesystem::path& folder, const Identity& id)
    : route_(folder / file_name::route_text(id)), train_(folder / file_name::train_text(id)) {}

// A text that exists but cannot be read is a read fault of the compile, like a bad field.
std::optional<std::string> DiskSourceFiles::read(const std::filesystem::path& path) {
    try {
        return read_whole_file(path, largest_text_file);
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
