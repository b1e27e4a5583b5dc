// The authors' check of a pair of scenario texts: every diagnostic they give, not only the one
// a compile ends with, with a mark on the one the package program would report.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "compiler/diagnostic.h"
#include "compiler/identity.h"

namespace scenario {

// A scenario text as the author named it, with its content.
struct SourceText {
    std::string display_name;
    std::string text;
};

struct CheckOptions {
    std::size_t max_errors = 50;  // errors only, warnings do not count; 0 for no limit
};

struct CheckResult {
    // In the order of the texts (the route text's first), then by line; diagnostics tied to no
    // row follow those of the texts.
    Diagnostics diagnostics;
    // The diagnostic the compile ends with, which the package program would report; none when
    // the compile ends clean.
    std::optional<std::size_t> final_error;
};

CheckResult check_scenario(const SourceText& route, const SourceText& train, const Identity& id,
                           const CheckOptions& options = {});

}  // namespace scenario
