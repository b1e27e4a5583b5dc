#include "compiler/diagnostic.h"

namespace scenario {

const Diagnostic* last_error(const Diagnostics& diagnostics) {
    for (auto it = diagnostics.rbegin(); it != diagnostics.rend(); ++it) {
        if (it->severity == Severity::error) return &*it;
    }
    return nullptr;
}

}  // namespace scenario
