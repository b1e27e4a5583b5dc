// The authors' check of a pair of scenario texts: every diagnostic they give, not only the one
// a compile ends with, with a mark on the one the package program would report.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
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
    // Diagnostics found apart from the texts (their files' names, say), merged in by line as
    // the warnings are; a cause that explains them counts them instead.
    Diagnostics extra = {};
};

// The cell tables of earlier compiles, kept by a caller that checks again and again (the
// language server at every change, the fuzz targets at every input), so that the next compile
// sizes its track in memory it already holds. A long route's table is over 128 KB; the
// sanitizers' allocator maps every such block afresh, and faulting it in page by page cost
// more than the rest of a check of small texts. Their content is never read: each compile
// clears what it is lent.
struct TrackStorage {
    std::vector<TrackCell> checked;  // the keep-going compile's
    std::vector<TrackCell> exact;    // the exact compile's, run to find its final error
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
//
// A route text that gives no track (no general block, no usable length row) does not end the
// check: the rest of both texts is read for everything that needs no track, and the error
// says in a note which checks were left out. A cause that makes a cascade is one diagnostic
// whose `consequences` count the diagnostics that follow from it, which are left out: texts
// given the wrong way round (everything else), a route length of 0 (every row beyond the
// short track). The compile's own final error is always kept.
//
// `storage`, when given, lends the check the cell tables of an earlier one and takes them back
// (see TrackStorage).
CheckResult check_scenario(const SourceText& route, const SourceText& train, const Identity& id,
                           const CheckOptions& options = {}, TrackStorage* storage = nullptr);

// Whether two texts look given the wrong way round: a route text without its length row beside
// a train text that has one.
bool texts_look_swapped(std::string_view route, std::string_view train);

// The compile behind check_scenario, without sorting or limits: the model as it leaves it,
// with its diagnostics in the order raised (a marker stop, which the compile reports through
// errore, added as the last one). With keep_going off it is the exact compile, without the
// compiled files. `at_first_row_end` is called at the first error that ends a row, as Model
// describes. `spare_cells` lends the model a table's memory to size its track in.
Model compile_texts(const SourceText& route, const SourceText& train, const Identity& id,
                    bool keep_going, std::function<void(const Model&)> at_first_row_end = {},
                    std::vector<TrackCell> spare_cells = {});

}  // namespace scenario
