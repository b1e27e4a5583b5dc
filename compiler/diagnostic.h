// Scenario errors (and, later, warnings) as values: what went wrong, where in which text, and
// at which route position. The compile collects them in the order they are raised.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace scenario {

enum class Severity { error, warning };

// A place in a scenario text. An empty file name means no text is involved (the placement
// pass, for one); line and column are 1-based, 0 when only the file is known.
struct SourceLocation {
    std::string file;
    int line = 0;
    int column = 0;
    int span = 0;  // bytes of the field at that place, 0 when unknown

    bool operator==(const SourceLocation&) const = default;
};

// A change to one text: from a 1-based byte column of a line, `span` bytes (0 to insert) give
// way to the replacement, which is Windows-1252 bytes with CR LF ending any row it adds.
struct TextEdit {
    SourceLocation range;
    std::string replacement;

    bool operator==(const TextEdit&) const = default;
};

// What a diagnostic's cause makes obvious to change. A safe fix is the one change the author
// meant beyond doubt, which `scenc check --fix` applies unasked; the others are offered.
struct Fix {
    std::string description;  // in UTF-8, for people: "write \"pendenza\""
    std::vector<TextEdit> edits;
    bool safe = false;

    bool operator==(const Fix&) const = default;
};

// What follows from a diagnostic's cause and is left out of the list, only counted: a cause
// such as texts given the wrong way round makes hundreds of diagnostics that say nothing more.
struct Consequences {
    std::size_t errors = 0;
    std::size_t warnings = 0;

    bool operator==(const Consequences&) const = default;
};

struct Diagnostic {
    std::int32_t number = 0;  // the error number the simulator's authors know
    Severity severity = Severity::error;
    std::optional<std::int32_t> position;  // route position in metres, where the error has one
    SourceLocation location;
    std::optional<SourceLocation> related;  // another place that takes part, e.g. an earlier row
    std::string message;
    // A warning's stable name ("unknown-keyword"), which authors use to turn it off and tools
    // read as its rule; empty for errors, which their number names.
    std::string name;
    // The fixes its cause makes obvious; none for most.
    std::vector<Fix> fixes;
    // Further facts shown under it, one line each ("note: ...").
    std::vector<std::string> notes;
    // Set on the cause of a cascade: what follows from it and is not listed.
    std::optional<Consequences> consequences;

    bool operator==(const Diagnostic&) const = default;
};

using Diagnostics = std::vector<Diagnostic>;

// The stable names of the warnings, which authors use to turn one off.
namespace warning_name {
inline constexpr std::string_view unknown_keyword = "unknown-keyword";
inline constexpr std::string_view keyword_misread = "keyword-misread";
inline constexpr std::string_view header_keyword = "header-keyword";
inline constexpr std::string_view comment_keyword = "comment-keyword";
inline constexpr std::string_view comment_limit = "comment-limit";
inline constexpr std::string_view value_wraps = "value-wraps";
inline constexpr std::string_view text_encoding = "text-encoding";
inline constexpr std::string_view beyond_route = "beyond-route";
inline constexpr std::string_view out_of_order = "out-of-order";
inline constexpr std::string_view quote_spans_lines = "quote-spans-lines";
inline constexpr std::string_view clock_range = "clock-range";
inline constexpr std::string_view timetable_order = "timetable-order";
inline constexpr std::string_view timetable_too_fast = "timetable-too-fast";
// Raised by the parsers themselves, at the end of a short row.
inline constexpr std::string_view row_runs_on = "row-runs-on";
// Given by scenc, which sees the files.
inline constexpr std::string_view stale_plan = "stale-plan";
inline constexpr std::string_view file_names = "file-names";
}  // namespace warning_name

// "2 errors and 352 warnings follow from this and are not shown"; empty when nothing does.
std::string consequences_note(const Consequences& consequences);

// The last error in a list, if any.
const Diagnostic* last_error(const Diagnostics& diagnostics);

}  // namespace scenario
