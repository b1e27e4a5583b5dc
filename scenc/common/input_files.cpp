#include "scenc/common/input_files.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <optional>

#include "compiler/windows_1252.h"
#include "io/exit_status.h"
#include "io/file_input.h"
#include "io/output_folder_lock.h"
#include "scenc/common/terminal_text.h"

namespace scenario::scenc {

namespace {

std::string read_input_file(const std::filesystem::path& path, std::uintmax_t largest,
                            const std::string& what) {
    std::optional<std::string> content;
    try {
        content = read_whole_file(path, largest);
    } catch (const RefusedFile& refused) {
        if (refused.error_number == EISDIR) throw UsageProblem(path.string() + ": is a folder");
        if (refused.error_number == EFBIG) {
            throw UsageProblem(path.string() + ": larger than " + size_in_mib(largest) +
                               ", more than " + what + " can be");
        }
        throw UsageProblem(path.string() + ": " + refused.what() + "; not read");
    } catch (const SystemFailure& failure) {
        throw UsageProblem(path.string() +
                           ": cannot be read: " + std::strerror(failure.error_number));
    }
    if (!content) throw UsageProblem(path.string() + ": no such file");
    return std::move(*content);
}

}  // namespace

std::string read_compiled_file(const std::filesystem::path& path) {
    return read_input_file(path, largest_compiled_file, "a compiled file");
}

std::string read_any_text(const std::filesystem::path& path) {
    return read_input_file(path, largest_text_file, "a scenario text");
}

std::string read_scenario_text(const std::filesystem::path& path) {
    std::string text = read_any_text(path);
    if (text.empty()) throw UsageProblem(path.string() + ": the file is empty");
    if (text.find('\0') != std::string::npos) {
        throw UsageProblem(path.string() + ": not a scenario text (it holds binary data)");
    }
    return text;
}

void make_output_folder(const std::filesystem::path& folder) {
    if (folder.empty()) return;
    std::error_code error;
    const auto status = std::filesystem::status(folder, error);
    if (std::filesystem::exists(status) && !std::filesystem::is_directory(status)) {
        throw UsageProblem(folder.string() + ": not a folder, so nothing can be written into it");
    }
    if (!std::filesystem::exists(status) &&
        std::filesystem::is_symlink(std::filesystem::symlink_status(folder, error))) {
        throw UsageProblem(folder.string() + ": a link to nothing, not a folder");
    }
    make_folders(folder);
}

void prepare_output_file(const std::filesystem::path& path) {
    std::error_code error;
    const auto status = std::filesystem::symlink_status(path, error);
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        const std::string kind = std::filesystem::is_symlink(status)     ? "a link"
                                 : std::filesystem::is_directory(status) ? "a folder"
                                                                         : "a special file";
        throw UsageProblem(path.string() + ": " + kind +
                           ", not a regular file; only a regular file is replaced");
    }
    make_output_folder(path.parent_path());
}

std::string system_failure_line(const SystemFailure& failure) {
    return "scenc: " + failure.path.string() + ": " + std::strerror(failure.error_number) +
           " (system error " + std::to_string(failure.error_number) + ")";
}

int report_problems(std::ostream& err, const std::function<int()>& subcommand) {
    try {
        return subcommand();
    } catch (const UsageProblem& problem) {
        err << "scenc: " << terminal_text(problem.what()) << "\n";
        return usage_problem_status;
    } catch (const FolderBusy& busy) {
        err << "scenc: " << terminal_text(busy.path.string())
            << ": busy: another run has been writing into this "
            << "folder for the last " << busy.waited.count() / 1000
            << " s; try again when it has finished\n";
        return exit_status::system_failure;
    } catch (const SystemFailure& failure) {
        err << terminal_text(system_failure_line(failure)) << "\n";
        return exit_status::system_failure;
    } catch (const std::exception& failure) {
        err << "scenc: " << failure.what() << "\n";
        return exit_status::system_failure;
    }
}

std::string single_byte_to_utf8(std::string_view text) {
    return windows_1252_to_utf8(text);
}

}  // namespace scenario::scenc
