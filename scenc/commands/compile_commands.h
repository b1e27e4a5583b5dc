// scenc check and scenc compile: the package program's compile path on an author's texts.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>

#include "scenc/reports/check_report.h"
#include "scenc/reports/warning_options.h"

namespace scenario::scenc {

enum class ColorChoice { automatic, always, never };

// How diagnostics are shown: by check, and by compile when it stops or ends with an error.
struct ReportChoices {
    ReportFormat format = ReportFormat::human;
    ColorChoice color = ColorChoice::automatic;
    std::size_t max_errors = 50;
    std::string tool_version;
};

struct CompileRequest {
    std::filesystem::path route;
    std::filesystem::path train;
    std::optional<std::string> stem;
    std::optional<std::string> train_number;
    std::filesystem::path output_folder = ".";
    bool no_plan = false;
    WarningOptions warnings;
    ReportChoices report;
};

struct CheckRequest {
    CompileRequest texts;
    bool fix = false;      // apply the safe fixes to the texts, then report what is left
    bool dry_run = false;  // with fix: print the changes as a unified diff, write nothing
};

// Checks the texts in memory and writes nothing. The report goes to out, and nothing else does;
// a file that cannot be used is one line on err. Returns 0 without errors, 1 with errors, 2 when
// a file is missing or unusable.
int run_check(const CheckRequest& request, std::ostream& out, std::ostream& err);
// Compiles in memory and writes nothing. Returns 0 when clean (warnings alone included,
// unless they count as errors), 1 with the error reported, 2 for a missing or unusable file.
int run_check(const CompileRequest& request, std::ostream& out, std::ostream& err);

// Compiles and writes the compiled files into the output folder, never touching the texts;
// warnings go to err and never change the files. When the compile stops or ends with an error,
// err gets check's report of the same texts instead, then "nothing written" when it stopped.
// Exit statuses as the package program's: 0 clean, 1 written with an error, 2 nothing
// written (the compile stopped, or a missing or unusable file or name), 3 a file could not
// be written.
int run_compile(const CompileRequest& request, std::ostream& out, std::ostream& err);

}  // namespace scenario::scenc
