// What scenc check and compile do with warnings: -w, --werror and -Wno-NAME, and the one
// place that prints them.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>
#include <vector>

#include "compiler/diagnostic.h"

namespace scenario::scenc {

struct WarningOptions {
    bool silent = false;     // -w: no warning is shown
    bool as_errors = false;  // --werror: a shown warning makes the exit status 1
    // The values of -W, each "no-NAME": that warning is not shown.
    std::vector<std::string> switches;
    std::size_t max_warnings = 50;  // --max-warnings: at most this many shown; 0 for all
};

// UsageProblem for a -W value that is not "no-" and a warning's name.
void check_warning_switches(const WarningOptions& options);

// Whether the options let a warning through (-w and -Wno-NAME).
bool warning_shown(const Diagnostic& warning, const WarningOptions& options);

// The warnings of a list that the options let through, in their order.
Diagnostics shown_warnings(const Diagnostics& diagnostics, const WarningOptions& options);

// True when the shown warnings should fail the command.
bool warnings_fail(const Diagnostics& shown, const WarningOptions& options);

// One line each: "FILE:LINE:COL: warning: message [-WNAME]"; the place is shortened to what
// is known of it. Past max_warnings, one line counts them all, with `omitted` that were left
// out before.
void print_warnings(std::ostream& err, const Diagnostics& shown, std::size_t max_warnings,
                    std::size_t omitted = 0);

}  // namespace scenario::scenc
