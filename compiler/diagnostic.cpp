#include "compiler/diagnostic.h"

namespace scenario {

namespace {

std::string counted(std::size_t count, const char* what) {
    return std::to_string(count) + " " + what + (count == 1 ? "" : "s");
}

}  // namespace

std::string consequences_note(const Consequences& consequences) {
    const std::size_t errors = consequences.errors;
    const std::size_t warnings = consequences.warnings;
    if (errors + warnings == 0) return {};
    std::string what;
    if (errors > 0) what = counted(errors, "error");
    if (errors > 0 && warnings > 0) what += " and ";
    if (warnings > 0) what += counted(warnings, "warning");
    return what + (errors + warnings == 1 ? " follows" : " follow") +
           " from this and " + (errors + warnings == 1 ? "is" : "are") + " not shown";
}

const Diagnostic* last_error(const Diagnostics& diagnostics) {
    for (auto it = diagnostics.rbegin(); it != diagnostics.rend(); ++it) {
        if (it->severity == Severity::error) return &*it;
    }
    return nullptr;
}

}  // namespace scenario
