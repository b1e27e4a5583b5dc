#include "scenc/reports/error_report.h"

#include <algorithm>
#include <charconv>

#include "compiler/errors.h"
#include "compiler/field_reader.h"
#include "compiler/source_files.h"
#include "scenc/common/input_files.h"
#include "scenc/common/terminal_text.h"

namespace scenario::scenc {

namespace {

// A longer line (a file of another format, or one huge field) is shown only around the field,
// so that a report stays a few lines long whatever the file holds.
constexpr std::size_t shown_line_limit = 160;

}  // namespace

bool is_placement_error(std::int32_t code) {
    return code >= 11 && code <= 13;
}

Snippet snippet_at(std::string_view line, int column, int span) {
    std::size_t field = column > 1 ? static_cast<std::size_t>(column) - 1 : 0;
    std::string before;
    std::string after;
    if (line.size() > shown_line_limit) {
        const std::size_t start = field > shown_line_limit / 2 ? field - shown_line_limit / 2 : 0;
        if (start > 0) before = "...";
        if (start + shown_line_limit < line.size()) after = "...";
        line = line.substr(start, shown_line_limit);
        field -= start;
    }
    std::string marker(before.size(), ' ');
    // A control byte shows as \xNN, four columns wide, so the caret moves with it.
    for (std::size_t i = 0; i < field; ++i) {
        if (i < line.size() && line[i] == '\t') {
            marker += '\t';
        } else {
            marker.append(i < line.size() ? terminal_width_of_byte(line[i]) : 1, ' ');
        }
    }
    marker += '^';
    // The underline stops at the end of the line shown.
    for (std::size_t i = field + 1;
         i < field + static_cast<std::size_t>(std::max(span, 1)) && i < line.size(); ++i) {
        marker += '~';
    }
    return {before + terminal_text(single_byte_to_utf8(line)) + after, marker};
}

namespace {

std::string position_line(std::int32_t code, std::int32_t position) {
    std::string text = "  posizione: " + std::to_string(position) + " m";
    if (is_placement_error(code)) text += " (cella " + std::to_string(position / 50) + ")";
    return text + "\n";
}

}  // namespace

std::int32_t reported_error(const Model& model, const CompileOutcome& outcome) {
    if (outcome.status != CompileOutcome::Status::stopped_by_error) return model.error_code;
    std::int32_t number = 0;
    const std::string& text = outcome.errore_text;
    std::from_chars(text.data(), text.data() + text.size(), number);
    return number;
}

std::string compile_error_report(const Model& model, const CompileOutcome& outcome,
                                 const SourceText& route, const SourceText& train) {
    std::int32_t code = reported_error(model, outcome);
    if (code == 0) return {};
    std::string headline = "errore " + std::to_string(code) + ": " + error_meaning(code) + "\n";
    // The place of the last error raised, which is the one error_code holds.
    const Diagnostic* last = last_error(model.diagnostics);
    const SourceLocation site = last != nullptr ? last->location : SourceLocation{};
    bool at_row = outcome.status != CompileOutcome::Status::stopped_by_error && !site.file.empty();
    if (!at_row) {
        return error_has_position(code) ? headline + position_line(code, model.error_position)
                                        : headline;
    }
    if (site.line <= 0) return site.file + ": " + headline;
    std::string report = site.file + ":" + std::to_string(site.line) + ":" +
                         std::to_string(site.column) + ": " + headline;
    const std::string* text = site.file == route.display_name   ? &route.text
                              : site.file == train.display_name ? &train.text
                                                                : nullptr;
    if (text != nullptr) {
        Snippet snippet = snippet_at(line_of_text(*text, site.line), site.column, 1);
        report += snippet.line + "\n" + snippet.marker + "\n";
    }
    return report;
}

CompiledSources compile_sources(const SourceText& route, const SourceText& train,
                                const Identity& id, std::int32_t plan_option) {
    MemorySourceFiles sources(route.text, train.text, route.display_name, train.display_name);
    CompiledSources compiled;
    compiled.model.route_stem = id.route_stem;
    compiled.model.train_number = id.train_number;
    compiled.outcome = memorizza_percorso(compiled.model, sources, plan_option);
    compiled.report = compile_error_report(compiled.model, compiled.outcome, route, train);
    // A compile that stops always leaves an error number; say so plainly should one be missing.
    if (compiled.report.empty() && compiled.outcome.status != CompileOutcome::Status::ready) {
        compiled.report = "the compile stopped without an error number\n";
    }
    return compiled;
}

}  // namespace scenario::scenc
