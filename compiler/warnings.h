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

// The stable names of the warnings, which authors use to turn one off.
namespace warning_name {
inline constexpr std::string_view unknown_keyword = "unknown-keyword";
inline constexpr std::string_view keyword_misread = "keyword-misread";
inline constexpr std::string_view header_keyword = "header-keyword";
inline constexpr std::string_view comment_keyword = "comment-keyword";
inline constexpr std::string_view value_wraps = "value-wraps";
inline constexpr std::string_view text_encoding = "text-encoding";
inline constexpr std::string_view beyond_route = "beyond-route";
inline constexpr std::string_view out_of_order = "out-of-order";
// Given by scenc, which sees the files.
inline constexpr std::string_view stale_plan = "stale-plan";
inline constexpr std::string_view file_names = "file-names";
}  // namespace warning_name

// Every warning name, for the command line to know which exist.
const std::vector<std::string_view>& all_warning_names();

// A warning with its name, place and message.
Diagnostic warning_diagnostic(std::string_view name, SourceLocation where, std::string message);

// Reads both texts again, field by field as the parsers do, and warns about their slips.
// model is the one the compile built from these texts: it gives the route length, the last
// cell and whether curves were read. In the order of the texts, then by line.
Diagnostics scenario_warnings(const SourceText& route, const SourceText& train, const Model& model);

// Puts the warnings into a check's list: in the order of the texts, then by line, each after
// the diagnostics of its line; the mark on the final error moves with it.
void add_warnings(CheckResult& result, const Diagnostics& warnings, const SourceText& route,
                  const SourceText& train);

}  // namespace scenario
