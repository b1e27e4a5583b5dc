// The authors' check of a pair of scenario texts: every diagnostic they give, not only the one
// a compile ends with, with a mark on the one the package program would report.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "compiler/diagnostic.h"
#include "compiler/identity.h"
#include "compiler/model.h"

namespace scenario {

// A scenario text as the author named it, with its content.
struct SourceText {
    std::string display_name;
    std::string text;
};

// The warnings a check keeps: none when `none`, none of the names turned off, and of the
// others the first `most` (0 for all); those past it are only counted, so that a text of
// thousands of slips costs no more than the warnings shown.
struct WarningLimit {
    bool none = false;
    std::vector<std::string> off;
    std::size_t most = 0;
};

struct CheckOptions {
    std::size_t max_errors = 50;  // errors only, warnings do not count; 0 for no limit
    WarningLimit warnings = {};
};

struct CheckResult {
    // In the order of the texts (the route text's first), then by line; diagnostics tied to no
    // text follow those of the texts.
    Diagnostics diagnostics;
    // The diagnostic the compile ends with, which the package program would report; none when
    // the compile ends clean. It is always kept, even past max_errors.
    std::optional<std::size_t> final_error;
    // Errors found but left out of `diagnostics` by max_errors.
    std::size_t omitted_errors = 0;
    // Warnings found and wanted but left out by the warning limit's `most`.
    std::size_t omitted_warnings = 0;
};

// Reads both texts to their end in the keep-going mode: where the compile would end a row,
// stop reading or return, the check records the error, goes on at the next line that begins
// a row, and the placement pass then reports every place it cannot serve. Up to the first
// error that ends a row it is the compile itself. No file is touched.
CheckResult check_scenario(const SourceText& route, const SourceText& train, const Identity& id,
                           const CheckOptions& options = {});

// The compile behind check_scenario, without sorting or limits: the model as it leaves it,
// with its diagnostics in the order raised (a marker stop, which the compile reports through
// errore, added as the last one). With keep_going off it is the exact compile, without the
// compiled files. `at_first_row_end` is called at the first error that ends a row, as Model
// describes.
Model compile_texts(const SourceText& route, const SourceText& train, const Identity& id,
                    bool keep_going, std::function<void(const Model&)> at_first_row_end = {});

}  // namespace scenario
