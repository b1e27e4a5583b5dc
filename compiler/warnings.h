// Warnings: what the compile accepts as it stands but the author almost surely did not mean.
// The compile never changes because of them; they only tell the author what the simulator
// will get.
#pragma once

#include <string_view>
#include <vector>

#include "compiler/check.h"
#include "compiler/diagnostic.h"
#include "compiler/model.h"

namespace scenario {

// Every warning name, for the command line to know which exist.
const std::vector<std::string_view>& all_warning_names();

// A warning with its name, place and message.
Diagnostic warning_diagnostic(std::string_view name, SourceLocation where, std::string message);

// Reads both texts again, field by field as the parsers do, and warns about their slips.
// model is the one the compile built from these texts: it gives the route length, the last
// cell and whether curves were read. In the order of the texts, then by line. Only the
// warnings the limit keeps are returned; the count of those it leaves out past its `most` is
// added to `omitted`, when given.
Diagnostics scenario_warnings(const SourceText& route, const SourceText& train, const Model& model,
                              const WarningLimit& limit = {}, std::size_t* omitted = nullptr);

// Puts the warnings into a check's list: in the order of the texts, then by line, each after
// the diagnostics of its line; the mark on the final error moves with it.
void add_warnings(CheckResult& result, const Diagnostics& warnings, const SourceText& route,
                  const SourceText& train);

}  // namespace scenario
