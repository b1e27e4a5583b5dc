#include "scenc/reports/check_report.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "compiler/errors.h"
#include "compiler/explanations.h"
#include "compiler/field_reader.h"
#include "compiler/windows_1252.h"
#include "scenc/common/terminal_text.h"
#include "scenc/common/units.h"
#include "scenc/reports/error_report.h"

namespace scenario::scenc {

namespace {

using json = nlohmann::ordered_json;

// ANSI colours as compilers use them: the kind of message in colour, the message in bold.
struct Palette {
    bool on = false;
    std::string paint(const std::string& text, const char* code) const {
        return on ? std::string("\x1b[") + code + "m" + text + "\x1b[0m" : text;
    }
    std::string bold(const std::string& text) const { return paint(text, "1"); }
    std::string error(const std::string& text) const { return paint(text, "1;31"); }
    std::string warning(const std::string& text) const { return paint(text, "1;35"); }
    std::string note(const std::string& text) const { return paint(text, "1;36"); }
    std::string marker(const std::string& text) const { return paint(text, "1;32"); }
};

constexpr const char* final_error_note = "the package program reports this error";

struct Counts {
    std::size_t errors = 0;
    std::size_t warnings = 0;
    std::size_t errors_shown = 0;
    std::size_t warnings_shown = 0;
};

// The diagnostics shown under the error limit, and the counts of the whole list.
struct Shown {
    CheckResult result;
    Counts counts;
};

Shown shown_diagnostics(const CheckResult& full, const ReportOptions& options) {
    Shown shown;
    std::size_t errors_before = 0;
    std::size_t warnings_before = 0;
    shown.result = kept_diagnostics(full, [&](std::size_t index) {
        if (full.diagnostics[index].severity != Severity::error) {
            ++warnings_before;
            return options.max_warnings == 0 || warnings_before <= options.max_warnings;
        }
        ++errors_before;
        return options.max_errors == 0 || errors_before <= options.max_errors ||
               index == full.final_error;
    });
    // The check itself may have left errors out under the same limit; they count too.
    shown.counts.errors = full.omitted_errors;
    shown.counts.warnings = full.omitted_warnings;
    for (const Diagnostic& diagnostic : full.diagnostics) {
        (diagnostic.severity == Severity::error ? shown.counts.errors : shown.counts.warnings)++;
    }
    for (const Diagnostic& diagnostic : shown.result.diagnostics) {
        (diagnostic.severity == Severity::error ? shown.counts.errors_shown
                                                : shown.counts.warnings_shown)++;
    }
    return shown;
}

std::string counted(std::size_t count, const std::string& what) {
    return std::to_string(count) + " " + what + (count == 1 ? "" : "s");
}

std::string summary_line(const Counts& counts) {
    std::string line = counts.errors == 0 ? "no errors" : counted(counts.errors, "error");
    if (counts.warnings > 0) line += ", " + counted(counts.warnings, "warning");
    std::string left_out;
    if (counts.errors_shown < counts.errors) {
        left_out = counted(counts.errors_shown, "error") + " shown; --max-errors 0 shows them all";
    }
    if (counts.warnings_shown < counts.warnings) {
        left_out += (left_out.empty() ? "" : "; ") + counted(counts.warnings_shown, "warning") +
                    " shown; --max-warnings 0 shows them all";
    }
    if (!left_out.empty()) line += " (" + left_out + ")";
    return line + "\n";
}

// "FILE:LINE:COL", "FILE" when only the file is known, the scenario's name for no text; for
// the terminal, where a file name may hold any byte.
std::string place_of(const SourceLocation& location, const CheckedTexts& texts) {
    if (location.file.empty()) return terminal_text(texts.scenario_name);
    std::string place = terminal_text(location.file);
    if (location.line > 0) place += ":" + std::to_string(location.line);
    if (location.line > 0 && location.column > 0) place += ":" + std::to_string(location.column);
    return place;
}

bool has_row(const SourceLocation& location) {
    return !location.file.empty() && location.line > 0;
}

// Where a diagnostic with no row lies on the route: "at 10050 m (10+050), cell 201".
std::string position_text(const Diagnostic& diagnostic) {
    if (!diagnostic.position || has_row(diagnostic.location)) return {};
    std::string text = "at " + units::position_text(*diagnostic.position);
    if (is_placement_error(diagnostic.number)) {
        text += ", cell " + std::to_string(*diagnostic.position / 50);
    }
    return text;
}

// What the related place of a diagnostic is to it.
std::string related_note(const Diagnostic& diagnostic) {
    const std::int32_t number = diagnostic.number;
    if (number == error_number::stations_too_close) return "the previous station";
    if (is_placement_error(number)) return "the slowdown behind it";
    if (number == error_number::sign_board_taken || number == error_number::code_drop_taken ||
        (number >= error_number::signal_taken && number <= error_number::speed_boards_taken)) {
        return "the row that took the cell";
    }
    return "the place it concerns";
}

// "error 16" or "warning"; a warning's name follows its message as "[-Wname]". An error
// without a scenario number (a file name compile cannot use) follows it with its name.
std::string kind_text(const Diagnostic& diagnostic) {
    if (diagnostic.severity == Severity::warning) return "warning";
    return diagnostic.number == 0 && !diagnostic.name.empty()
               ? "error"
               : "error " + std::to_string(diagnostic.number);
}

std::string warning_option(const Diagnostic& diagnostic) {
    if (diagnostic.name.empty()) return "";
    return diagnostic.severity == Severity::warning ? " [-W" + diagnostic.name + "]"
                                                    : " [" + diagnostic.name + "]";
}

// A message on one line and of a readable length, whatever field text it quotes: a number of
// ten million digits is shown by its start.
constexpr std::size_t message_limit = 300;

std::string shown_message(const Diagnostic& diagnostic) {
    // An error raised without words of its own (a stop at marker slots in use) gets its meaning.
    std::string text = diagnostic.message.empty() && diagnostic.severity == Severity::error
                           ? error_meaning(diagnostic.number)
                           : diagnostic.message;
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    if (text.size() <= message_limit) return text;
    std::size_t cut = message_limit;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    return text.substr(0, cut) + "...";
}

// --- People -------------------------------------------------------------------------------

// The lines of both texts, found from the line shown last: diagnostics come in line order.
class TextLines {
  public:
    explicit TextLines(const CheckedTexts& texts) : texts_(texts) {}

    // The line of the text a place names; nothing for a place in no text.
    std::optional<std::string_view> line(const SourceLocation& location) {
        if (location.file.empty() || location.line <= 0) return std::nullopt;
        if (location.file == texts_.route.display_name) {
            return route_.line(texts_.route.text, location.line);
        }
        if (location.file == texts_.train.display_name) {
            return train_.line(texts_.train.text, location.line);
        }
        return std::nullopt;
    }

  private:
    const CheckedTexts& texts_;
    LineFinder route_;
    LineFinder train_;
};

// The row with its line number in a gutter, and the caret under the field.
std::string snippet_lines(const SourceLocation& location, TextLines& lines,
                          const Palette& palette) {
    const std::optional<std::string_view> line = lines.line(location);
    if (!line) return {};
    const Snippet snippet = snippet_at(*line, location.column, location.span);
    const std::string number = std::to_string(location.line);
    const std::string gutter(number.size() + 1, ' ');
    const std::size_t caret = snippet.marker.find('^');
    return " " + number + " | " + snippet.line + "\n" + gutter + " | " +
           snippet.marker.substr(0, caret) + palette.marker(snippet.marker.substr(caret)) + "\n";
}

// The fixes under the caret: a safe one as "fix:", which check --fix applies, a choice as
// "suggestion:".
std::string fix_lines(const Diagnostic& diagnostic, const Palette& palette) {
    std::string out;
    for (const Fix& fix : diagnostic.fixes) {
        out += "  " + palette.note(fix.safe ? "fix:" : "suggestion:") + " " +
               terminal_text(fix.description) + "\n";
    }
    return out;
}

// The notes under a diagnostic: its own, then the count of what follows from its cause.
std::vector<std::string> notes_of(const Diagnostic& diagnostic) {
    std::vector<std::string> notes = diagnostic.notes;
    if (diagnostic.consequences) {
        std::string count = consequences_note(*diagnostic.consequences);
        if (!count.empty()) notes.push_back(std::move(count));
    }
    return notes;
}

std::string human_diagnostic(const Diagnostic& diagnostic, bool is_final, const CheckedTexts& texts,
                             TextLines& lines, const Palette& palette) {
    const bool error = diagnostic.severity == Severity::error;
    const std::string kind = kind_text(diagnostic) + ":";
    std::string out = palette.bold(place_of(diagnostic.location, texts) + ":") + " " +
                      (error ? palette.error(kind) : palette.warning(kind)) + " " +
                      palette.bold(terminal_text(shown_message(diagnostic))) +
                      warning_option(diagnostic) + "\n";
    out += snippet_lines(diagnostic.location, lines, palette);
    out += fix_lines(diagnostic, palette);
    const std::string position = position_text(diagnostic);
    if (!position.empty()) out += "  " + position + "\n";
    for (const std::string& note : notes_of(diagnostic)) {
        out += "  " + palette.note("note:") + " " + terminal_text(note) + "\n";
    }
    if (diagnostic.related) {
        out += palette.bold(place_of(*diagnostic.related, texts) + ":") + " " +
               palette.note("note:") + " " + related_note(diagnostic) + "\n" +
               snippet_lines(*diagnostic.related, lines, palette);
    }
    if (is_final) out += "  " + palette.note("note:") + " " + final_error_note + "\n";
    return out;
}

std::string human_report(const Shown& shown, const CheckedTexts& texts, bool color) {
    const Palette palette{color};
    TextLines lines(texts);
    std::string out;
    for (std::size_t i = 0; i < shown.result.diagnostics.size(); ++i) {
        out += human_diagnostic(shown.result.diagnostics[i], i == shown.result.final_error, texts,
                                lines, palette);
    }
    return out + summary_line(shown.counts);
}

// --- Editors: one line each, as gcc writes them -----------------------------------------

std::string message_with_position(const Diagnostic& diagnostic) {
    const std::string position = position_text(diagnostic);
    return shown_message(diagnostic) + (position.empty() ? "" : ", " + position);
}

std::string gcc_report(const Shown& shown, const CheckedTexts& texts) {
    std::string out;
    for (std::size_t i = 0; i < shown.result.diagnostics.size(); ++i) {
        const Diagnostic& diagnostic = shown.result.diagnostics[i];
        out += place_of(diagnostic.location, texts) + ": ";
        if (diagnostic.severity == Severity::warning) {
            out += "warning: " + terminal_text(message_with_position(diagnostic)) +
                   warning_option(diagnostic);
        } else {
            out += "error: " + terminal_text(message_with_position(diagnostic)) + " [" +
                   kind_text(diagnostic) +
                   (i == shown.result.final_error ? "; " + std::string(final_error_note) : "") +
                   "]";
        }
        out += "\n";
        for (const std::string& note : notes_of(diagnostic)) {
            out += place_of(diagnostic.location, texts) + ": note: " + terminal_text(note) + "\n";
        }
    }
    return out;
}

// --- JSON ---------------------------------------------------------------------------------

// JSON text must be UTF-8; a stray byte in a message becomes U+FFFD rather than a failure.
std::string json_text(const json& document) {
    return document.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

json location_json(const SourceLocation& location) {
    if (location.file.empty()) return nullptr;
    json out{{"file", location.file}};
    if (location.line > 0) out["line"] = location.line;
    if (location.line > 0 && location.column > 0) out["column"] = location.column;
    if (location.line > 0 && location.column > 0 && location.span > 0) out["span"] = location.span;
    return out;
}

// Replacements are Windows-1252 bytes, shown in UTF-8 as the rest of the report.
json fixes_json(const std::vector<Fix>& fixes) {
    json out = json::array();
    for (const Fix& fix : fixes) {
        json edits = json::array();
        for (const TextEdit& edit : fix.edits) {
            edits.push_back({{"file", edit.range.file},
                             {"line", edit.range.line},
                             {"column", edit.range.column},
                             {"span", edit.range.span},
                             {"replacement", windows_1252_to_utf8(edit.replacement)}});
        }
        out.push_back({{"description", fix.description}, {"safe", fix.safe}, {"edits", edits}});
    }
    return out;
}

json diagnostic_json(const Diagnostic& diagnostic, bool is_final) {
    json out{{"severity", diagnostic.severity == Severity::error ? "error" : "warning"}};
    if (diagnostic.severity == Severity::error) {
        out["number"] = diagnostic.number;
    } else {
        out["name"] = diagnostic.name;
    }
    out["message"] = shown_message(diagnostic);
    out["location"] = location_json(diagnostic.location);
    out["related"] = diagnostic.related ? location_json(*diagnostic.related) : json(nullptr);
    out["position_m"] = diagnostic.position ? json(*diagnostic.position) : json(nullptr);
    if (diagnostic.position && is_placement_error(diagnostic.number)) {
        out["cell"] = *diagnostic.position / 50;
    }
    out["reported_by_package_program"] = is_final;
    out["explain"] = explain_command(diagnostic);
    if (!diagnostic.fixes.empty()) out["fixes"] = fixes_json(diagnostic.fixes);
    if (!diagnostic.notes.empty()) out["notes"] = diagnostic.notes;
    if (diagnostic.consequences) {
        out["consequences_not_shown"] = {{"errors", diagnostic.consequences->errors},
                                         {"warnings", diagnostic.consequences->warnings}};
    }
    return out;
}

std::string json_report(const Shown& shown, const CheckedTexts& texts,
                        const ReportOptions& options) {
    json diagnostics = json::array();
    for (std::size_t i = 0; i < shown.result.diagnostics.size(); ++i) {
        diagnostics.push_back(
            diagnostic_json(shown.result.diagnostics[i], i == shown.result.final_error));
    }
    const json document{
        {"format", "scenc-check"},
        {"version", 2},
        {"tool", {{"name", "scenc"}, {"version", options.tool_version}}},
        {"route", texts.route.display_name},
        {"train", texts.train.display_name},
        {"diagnostics", std::move(diagnostics)},
        {"summary",
         {{"errors", shown.counts.errors},
          {"warnings", shown.counts.warnings},
          {"errors_shown", shown.counts.errors_shown},
          {"warnings_shown", shown.counts.warnings_shown}}},
    };
    return json_text(document);
}

// --- SARIF 2.1.0 --------------------------------------------------------------------------

// A path as a URI reference: bytes other than unreserved ones and '/' are percent-encoded.
std::string uri_of(const std::string& path) {
    static const char* hex = "0123456789ABCDEF";
    std::string uri;
    for (unsigned char c : path) {
        if (std::isalnum(c) != 0 || c == '-' || c == '.' || c == '_' || c == '~' || c == '/') {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            uri += hex[c >> 4];
            uri += hex[c & 15];
        }
    }
    return uri;
}

json physical_location(const SourceLocation& location) {
    json out{{"artifactLocation", {{"uri", uri_of(location.file)}}}};
    if (location.line > 0) {
        json region{{"startLine", location.line}};
        if (location.column > 0) {
            region["startColumn"] = location.column;
            region["endColumn"] = location.column + std::max(location.span, 1);
        }
        out["region"] = std::move(region);
    }
    return out;
}

std::string rule_id(const Diagnostic& diagnostic) {
    if (!diagnostic.name.empty()) return diagnostic.name;
    return "error-" + std::to_string(diagnostic.number);
}

json rule_json(const Diagnostic& diagnostic) {
    const bool error = diagnostic.severity == Severity::error;
    json rule{{"id", rule_id(diagnostic)},
              {"defaultConfiguration", {{"level", error ? "error" : "warning"}}}};
    if (error && diagnostic.name.empty()) {
        rule["shortDescription"] = {{"text", error_meaning(diagnostic.number)}};
        rule["properties"] = {{"errorNumber", diagnostic.number}};
    }
    rule["help"] = {{"text", "Run \"" + explain_command(diagnostic) +
                                 "\" for what it means, why, and a wrong and a right row."}};
    return rule;
}

json sarif_fixes(const std::vector<Fix>& fixes) {
    json out = json::array();
    for (const Fix& fix : fixes) {
        json changes = json::array();
        for (const TextEdit& edit : fix.edits) {
            json region{{"startLine", edit.range.line},
                        {"startColumn", edit.range.column},
                        {"endColumn", edit.range.column + edit.range.span}};
            changes.push_back(
                {{"artifactLocation", {{"uri", uri_of(edit.range.file)}}},
                 {"replacements",
                  json::array({{{"deletedRegion", region},
                                {"insertedContent",
                                 {{"text", windows_1252_to_utf8(edit.replacement)}}}}})}});
        }
        out.push_back({{"description", {{"text", fix.description}}},
                       {"artifactChanges", changes},
                       {"properties", {{"safe", fix.safe}}}});
    }
    return out;
}

json sarif_result(const Diagnostic& diagnostic, std::size_t rule_index, bool is_final) {
    std::string message = message_with_position(diagnostic);
    for (const std::string& note : notes_of(diagnostic)) message += "; note: " + note;
    if (is_final) message += " (" + std::string(final_error_note) + ")";
    json result{{"ruleId", rule_id(diagnostic)},
                {"ruleIndex", rule_index},
                {"level", diagnostic.severity == Severity::error ? "error" : "warning"},
                {"message", {{"text", message}}},
                {"properties", {{"reportedByPackageProgram", is_final}}}};
    if (diagnostic.position) result["properties"]["positionMetres"] = *diagnostic.position;
    if (diagnostic.consequences) {
        result["properties"]["consequencesNotShown"] = {
            {"errors", diagnostic.consequences->errors},
            {"warnings", diagnostic.consequences->warnings}};
    }
    if (!diagnostic.location.file.empty()) {
        result["locations"] =
            json::array({{{"physicalLocation", physical_location(diagnostic.location)}}});
    }
    if (diagnostic.related && !diagnostic.related->file.empty()) {
        result["relatedLocations"] =
            json::array({{{"id", 0},
                          {"physicalLocation", physical_location(*diagnostic.related)},
                          {"message", {{"text", related_note(diagnostic)}}}}});
    }
    if (!diagnostic.fixes.empty()) result["fixes"] = sarif_fixes(diagnostic.fixes);
    return result;
}

std::string sarif_report(const Shown& shown, const CheckedTexts& texts,
                         const ReportOptions& options) {
    json rules = json::array();
    std::map<std::string, std::size_t> rule_indexes;
    json results = json::array();
    for (std::size_t i = 0; i < shown.result.diagnostics.size(); ++i) {
        const Diagnostic& diagnostic = shown.result.diagnostics[i];
        auto [rule, added] = rule_indexes.try_emplace(rule_id(diagnostic), rules.size());
        if (added) rules.push_back(rule_json(diagnostic));
        results.push_back(sarif_result(diagnostic, rule->second, i == shown.result.final_error));
    }
    json artifacts = json::array();
    for (const SourceText* text : {&texts.route, &texts.train}) {
        artifacts.push_back({{"location", {{"uri", uri_of(text->display_name)}}}});
    }
    json driver{{"name", "scenc"}, {"rules", std::move(rules)}};
    if (!options.tool_version.empty()) driver["version"] = options.tool_version;
    const json document{
        {"$schema",
         "https://docs.oasis-open.org/sarif/sarif/v2.1.0/errata01/os/schemas/"
         "sarif-schema-2.1.0.json"},
        {"version", "2.1.0"},
        {"runs", json::array({{{"tool", {{"driver", std::move(driver)}}},
                               {"columnKind", "unicodeCodePoints"},
                               {"artifacts", std::move(artifacts)},
                               {"results", std::move(results)}}})},
    };
    return json_text(document);
}

}  // namespace

CheckResult kept_diagnostics(const CheckResult& result,
                             const std::function<bool(std::size_t index)>& keep) {
    CheckResult kept;
    kept.omitted_errors = result.omitted_errors;
    kept.omitted_warnings = result.omitted_warnings;
    for (std::size_t i = 0; i < result.diagnostics.size(); ++i) {
        if (!keep(i)) continue;
        if (i == result.final_error) kept.final_error = kept.diagnostics.size();
        kept.diagnostics.push_back(result.diagnostics[i]);
    }
    return kept;
}

std::string render_check(const CheckResult& result, const CheckedTexts& texts,
                         const ReportOptions& options) {
    const Shown shown = shown_diagnostics(result, options);
    switch (options.format) {
        case ReportFormat::gcc:
            return gcc_report(shown, texts);
        case ReportFormat::json:
            return json_report(shown, texts, options);
        case ReportFormat::sarif:
            return sarif_report(shown, texts, options);
        case ReportFormat::human:
            break;
    }
    return human_report(shown, texts, options.color);
}

}  // namespace scenario::scenc
