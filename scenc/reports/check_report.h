// What scenc check shows of a check: every diagnostic, for people (with the line and a caret
// under the field) or for tools (gcc-style lines, JSON, SARIF), with the one the package program
// reports marked as such in each.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "compiler/check.h"

namespace scenario::scenc {

enum class ReportFormat { human, gcc, json, sarif };

struct ReportOptions {
    ReportFormat format = ReportFormat::human;
    bool color = false;            // terminal colours, human format only
    std::size_t max_errors = 50;   // errors shown, warnings not counted; 0 for all
    std::size_t max_warnings = 0;  // warnings shown; 0 for all
    std::string tool_version;      // named in the JSON and SARIF
};

// The texts checked, and the name that stands for the scenario where a diagnostic belongs to
// no text (the placement pass).
struct CheckedTexts {
    SourceText route;
    SourceText train;
    std::string scenario_name;
};

// The diagnostics whose index passes `keep`, in their order; the final error's mark moves
// with it and is lost when it is left out, and the count of errors the check left out stays.
// For the error limit and for filters of warnings.
CheckResult kept_diagnostics(const CheckResult& result,
                             const std::function<bool(std::size_t index)>& keep);

// The whole report in the chosen format. Past max_errors errors, further errors are left out,
// except the final error, which is always shown, and past max_warnings warnings further
// warnings; the summary counts all, with the errors the check already left out.
std::string render_check(const CheckResult& result, const CheckedTexts& texts,
                         const ReportOptions& options);

}  // namespace scenario::scenc
