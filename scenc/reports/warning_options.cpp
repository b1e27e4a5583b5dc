#include "scenc/reports/warning_options.h"

#include <algorithm>
#include <ostream>

#include "compiler/warnings.h"
#include "scenc/common/input_files.h"

namespace scenario::scenc {

namespace {

constexpr std::string_view off_prefix = "no-";

std::string known_names() {
    std::string names;
    for (std::string_view name : all_warning_names()) {
        names += (names.empty() ? "" : ", ") + std::string(name);
    }
    return names;
}

}  // namespace

void check_warning_switches(const WarningOptions& options) {
    const auto& names = all_warning_names();
    for (const std::string& value : options.switches) {
        const bool known =
            value.starts_with(off_prefix) &&
            std::find(names.begin(), names.end(), value.substr(off_prefix.size())) != names.end();
        if (!known) {
            throw UsageProblem("-W" + value +
                               ": no such warning to turn off (give -Wno-NAME, "
                               "NAME one of " +
                               known_names() + ")");
        }
    }
}

bool warning_shown(const Diagnostic& warning, const WarningOptions& options) {
    if (options.silent || warning.severity != Severity::warning) return false;
    const std::string off = std::string(off_prefix) + warning.name;
    return std::find(options.switches.begin(), options.switches.end(), off) ==
           options.switches.end();
}

Diagnostics shown_warnings(const Diagnostics& diagnostics, const WarningOptions& options) {
    Diagnostics shown;
    for (const Diagnostic& d : diagnostics) {
        if (warning_shown(d, options)) shown.push_back(d);
    }
    return shown;
}

bool warnings_fail(const Diagnostics& shown, const WarningOptions& options) {
    return options.as_errors && !shown.empty();
}

void print_warnings(std::ostream& err, const Diagnostics& shown, std::size_t max_warnings,
                    std::size_t omitted) {
    const std::size_t count =
        max_warnings == 0 ? shown.size() : std::min(shown.size(), max_warnings);
    for (std::size_t i = 0; i < count; ++i) {
        const Diagnostic& w = shown[i];
        const SourceLocation& at = w.location;
        if (!at.file.empty()) err << at.file << ":";
        if (at.line > 0) err << at.line << ":" << at.column << ":";
        err << (at.file.empty() ? "" : " ") << "warning: " << w.message << " [-W" << w.name
            << "]\n";
    }
    if (count < shown.size() + omitted) {
        err << "scenc: " << shown.size() + omitted << " warnings, " << count
            << " shown; --max-warnings 0 shows them all\n";
    }
}

}  // namespace scenario::scenc
