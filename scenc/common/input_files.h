// Files named on scenc's command line: reading them, and what goes wrong with them.
#pragma once

#include <filesystem>
#include <functional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>

#include "io/file_output.h"

namespace scenario::scenc {

// A problem with what the author asked for rather than with the scenario: a missing,
// unreadable or wrong file, a name that does not tell the identity. It is shown as one line
// and the command ends with usage_problem_status.
class UsageProblem : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

constexpr int usage_problem_status = 2;

// The whole content of a compiled file named on the command line; UsageProblem when it is
// missing, unreadable, not a regular file or larger than largest_compiled_file.
std::string read_compiled_file(const std::filesystem::path& path);

// The same for a scenario text, which must be no larger than largest_text_file, non-empty and
// hold no NUL byte (a binary file named by mistake).
std::string read_scenario_text(const std::filesystem::path& path);

// A scenario text as it stands, empty or not; UsageProblem as above.
std::string read_any_text(const std::filesystem::path& path);

// Creates an output folder with its parents when missing; UsageProblem when the path names
// something that is not a folder (a file, a device, a link to nothing).
void make_output_folder(const std::filesystem::path& folder);

// Makes ready to write one output file: UsageProblem when its name stands for something that
// is not a regular file (a folder, a device, a link), which replacing it would remove, and its
// folder made as above.
void prepare_output_file(const std::filesystem::path& path);

// One line for a file that could not be created, written or renamed: its path and why.
std::string system_failure_line(const SystemFailure& failure);

// Runs one subcommand. What goes wrong in it becomes one line on err and the exit status:
// a UsageProblem usage_problem_status, a SystemFailure or any other failure
// exit_status::system_failure.
int report_problems(std::ostream& err, const std::function<int()>& subcommand);

// Scenario texts are single-byte Windows-1252; terminals and JSON want UTF-8.
std::string single_byte_to_utf8(std::string_view text);

}  // namespace scenario::scenc
