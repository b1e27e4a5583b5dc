#include "scenc/input_files.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <optional>

#include "compiler/windows_1252.h"
#include "io/exit_status.h"
#include "io/file_input.h"
#include "io/output_folder_lock.h"
#include "scenc/terminal_text.h"

namespace scenario::scenc {

std::string read_input_file(const std::filesystem::path& path) {
    std::optional<std::string> content;
    try {
        content = read_whole_file(path);
    } catch (const SystemFailure& failure) {
        if (failure.error_number == EISDIR) throw UsageProblem(path.string() + ": is a folder");
        throw UsageProblem(path.string() +
                           ": cannot be read: " + std::strerror(failure.error_number));
    }
    if (!content) throw UsageProblem(path.string() + ": no such file");
    return std::move(*content);
}

std::string read_scenario_text(const std::filesystem::path& path) {
    std::string text = read_input_file(path);
    if (text.empty()) throw UsageProblem(path.string() + ": the file is empty");
    if (text.find('\0') != std::string::npos) {
        throw UsageProblem(path.string() + ": not a scenario text (it holds binary data)");
    }
    return text;
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
