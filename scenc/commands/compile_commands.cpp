#include "scenc/commands/compile_commands.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <map>
#include <optional>
#include <ostream>

#include "compiler/check.h"
#include "compiler/driver.h"
#include "compiler/field_reader.h"
#include "compiler/fixes.h"
#include "compiler/row_scanner.h"
#include "compiler/warnings.h"
#include "compiler/windows_1252.h"
#include "io/exit_status.h"
#include "io/file_output.h"
#include "io/output_folder_lock.h"
#include "scenc/common/identity_from_names.h"
#include "scenc/common/input_files.h"
#include "scenc/reports/error_report.h"
#include "scenc/reports/warning_options.h"
#include "scenc/review/scenario_view.h"

namespace scenario::scenc {

namespace {

Identity identity_for(const CompileRequest& request) {
    return identity_from_names(request.route, request.train, request.stem, request.train_number);
}

// Names that tell no identity are often texts given the wrong way round; when their content
// says so too, the advice says so beside the option that would name the identity.
Identity identity_or_swap_advice(const CompileRequest& request) {
    try {
        return identity_for(request);
    } catch (const UsageProblem& problem) {
        bool swapped = false;
        try {
            swapped = texts_look_swapped(read_scenario_text(request.route),
                                         read_scenario_text(request.train));
        } catch (const std::exception&) {
            // A text that cannot be read is reported as compile goes on to read it.
        }
        if (!swapped) throw;
        throw UsageProblem(std::string(problem.what()) +
                           "; but the texts look swapped: " + request.train.string() +
                           " holds the route length, so give it first and " +
                           request.route.string() + " second");
    }
}

// Without a "[generale]" field the train parser reads no row at all, so a file of another
// format would compile as a train without stations or signals: refuse it instead.
std::string read_train_text(const std::filesystem::path& path) {
    std::string text = read_scenario_text(path);
    if (!opens_general_block(text)) {
        throw UsageProblem(path.string() + ": not a train text (it has no [generale])");
    }
    return text;
}

// Both texts, named by their paths as the author typed them.
struct RequestTexts {
    SourceText route;
    SourceText train;
};

RequestTexts read_texts(const CompileRequest& request) {
    return {{request.route.string(), read_scenario_text(request.route)},
            {request.train.string(), read_train_text(request.train)}};
}

// A problem of the files' names that would stop compile: an error of the check, though it
// has no scenario error number, named as the warning it once was.
Diagnostic file_name_problem(const std::filesystem::path& named, const UsageProblem& problem) {
    Diagnostic error = warning_diagnostic(warning_name::file_names, {named.string()},
                                          std::string("compile will stop here: ") + problem.what());
    error.severity = Severity::error;
    return error;
}

// The stem in a train text's name STEM_N-.txt, for asking about its train number when the
// route's name tells no stem; "scenario" when the name is not of that form.
std::string stem_a_train_name_suggests(const std::filesystem::path& train) {
    const std::string name = train.filename().string();
    const std::string ending = "-.txt";
    const std::size_t underscore = name.rfind('_');
    if (!name.ends_with(ending) || underscore == std::string::npos || underscore == 0) {
        return "scenario";
    }
    return name.substr(0, underscore);
}

// check needs no identity to find errors; names that do not tell one are no reason to stop
// reading, but each problem compile would stop at is reported, all of them at once: the route
// stem's (asked with the train number settled) and then the train number's (with the stem
// settled).
Identity identity_for_check(const CompileRequest& request, Diagnostics& problems) {
    try {
        return identity_for(request);
    } catch (const UsageProblem&) {
    }
    const std::string any_number = request.train_number.value_or("0");
    std::optional<std::string> stem = request.stem;
    try {
        stem = identity_from_names(request.route, request.train, request.stem, any_number)
                   .route_stem;
    } catch (const UsageProblem& problem) {
        problems.push_back(file_name_problem(request.route, problem));
    }
    const std::string any_stem = stem.value_or(stem_a_train_name_suggests(request.train));
    try {
        check_usable_identity(identity_from_names(request.route, request.train, any_stem,
                                                  request.train_number));
    } catch (const UsageProblem& problem) {
        problems.push_back(file_name_problem(request.train, problem));
    }
    return {any_stem, any_number};
}

// A plan file the compile does not write stays beside the new files it no longer matches.
void warn_about_stale_plan(const CompileRequest& request, const Identity& id,
                           Diagnostics& warnings) {
    const std::filesystem::path plan = request.output_folder / file_name::plan(id);
    std::error_code ignored;
    if (!request.no_plan || !std::filesystem::exists(plan, ignored)) return;
    warnings.push_back(warning_diagnostic(
        warning_name::stale_plan, {plan.string()},
        "--no-plan leaves this plan file from an earlier compile in place; it will not match "
        "the new record and cell files"));
}

// What the check keeps of the warnings, so that those no one will see are not held.
WarningLimit warning_limit(const WarningOptions& options) {
    WarningLimit limit{.none = options.silent, .off = {}, .most = options.max_warnings};
    for (const std::string& value : options.switches) limit.off.push_back(value.substr(3));
    return limit;
}

// Shows the warnings the options let through, with those the limit left out counted; true
// when they should fail the command.
bool report_warnings(const CompileRequest& request, const Diagnostics& warnings,
                     std::size_t omitted, std::ostream& err) {
    const Diagnostics shown = shown_warnings(warnings, request.warnings);
    print_warnings(err, shown, request.warnings.max_warnings, omitted);
    return warnings_fail(shown, request.warnings);
}

// The warnings of the texts the limit keeps; those it leaves out are added to omitted.
Diagnostics text_warnings(const CompileRequest& request, const RequestTexts& texts,
                          const CompiledSources& compiled, std::size_t& omitted) {
    return scenario_warnings(texts.route, texts.train, compiled.model,
                             warning_limit(request.warnings), &omitted);
}

// Colours only when the report's stream is a terminal, and not when the author has asked for
// none (NO_COLOR).
bool use_color(ColorChoice choice, int stream) {
    if (choice != ColorChoice::automatic) return choice == ColorChoice::always;
    const char* no_color = std::getenv("NO_COLOR");
    return ::isatty(stream) == 1 && (no_color == nullptr || *no_color == '\0');
}

struct CheckReport {
    std::string text;
    bool has_error = false;
    bool warning_shown = false;
};

// The keep-going check of the texts, with the extra diagnostics (file names, a stale plan)
// among its warnings, rendered as the options ask: what check prints and what compile prints
// when it fails.
CheckReport checked_report(const CompileRequest& files, const RequestTexts& read,
                           const Identity& id, const Diagnostics& extra, int stream) {
    const CheckedTexts texts{read.route, read.train, id.route_stem + "_" + id.train_number};
    const ReportChoices& choices = files.report;
    CheckResult found = check_scenario(texts.route, texts.train, id,
                                       {.max_errors = choices.max_errors,
                                        .warnings = warning_limit(files.warnings),
                                        .extra = extra});
    // Errors always stay; warnings only as the options let them through.
    CheckReport report;
    const CheckResult result = kept_diagnostics(found, [&](std::size_t index) {
        const Diagnostic& d = found.diagnostics[index];
        const bool shown = warning_shown(d, files.warnings);
        report.warning_shown = report.warning_shown || shown;
        return d.severity == Severity::error || shown;
    });
    report.has_error = last_error(result.diagnostics) != nullptr;
    report.text = render_check(result, texts,
                               {.format = choices.format,
                                .color = use_color(choices.color, stream),
                                .max_errors = choices.max_errors,
                                .max_warnings = files.warnings.max_warnings,
                                .tool_version = choices.tool_version});
    return report;
}

std::vector<std::filesystem::path> output_paths(const CompileRequest& request, const Identity& id) {
    std::vector<std::filesystem::path> paths{request.output_folder / file_name::records(id),
                                             request.output_folder / file_name::cells(id)};
    if (!request.no_plan) paths.insert(paths.begin(), request.output_folder / file_name::plan(id));
    return paths;
}

void refuse_overwriting_inputs(const CompileRequest& request, const Identity& id) {
    for (const auto& output : output_paths(request, id)) {
        for (const auto& input : {request.route, request.train}) {
            std::error_code ignored;
            if (std::filesystem::equivalent(output, input, ignored)) {
                throw UsageProblem("compiling would overwrite the input " + input.string());
            }
        }
    }
}

// Takes the output folder's lock, and says what the mending of an interrupted earlier run did.
void lock_output_folder(const CompileRequest& request, std::optional<OutputFolderLock>& lock,
                        std::ostream& err) {
    if (lock) return;
    lock.emplace(request.output_folder);
    for (const std::string& note : lock->notes()) err << note << "\n";
}

// Shows a clean compile's warnings, or, when the compile stopped or ended with an error,
// check's report of the texts in its place; true when warnings alone should fail the command.
bool report_compile_diagnostics(const CompileRequest& request, const RequestTexts& texts,
                                const Identity& id, const CompiledSources& compiled,
                                const Diagnostics& extra, std::ostream& err) {
    if (compiled.report.empty()) {
        std::size_t omitted = 0;
        Diagnostics warnings = extra;
        const Diagnostics found = text_warnings(request, texts, compiled, omitted);
        warnings.insert(warnings.end(), found.begin(), found.end());
        return report_warnings(request, warnings, omitted, err);
    }
    const CheckReport report = checked_report(request, texts, id, extra, STDERR_FILENO);
    err << report.text;
    // Should the check ever miss the compile's error, its own words are not lost.
    if (!report.has_error) err << compiled.report;
    return false;
}

int write_outcome(const CompileRequest& request, const Identity& id,
                  const CompiledSources& compiled, std::optional<OutputFolderLock>& lock,
                  std::ostream& out, std::ostream& err) {
    if (compiled.outcome.status != CompileOutcome::Status::ready) {
        err << "nothing written\n";
        return exit_status::stopped;
    }
    make_output_folder(request.output_folder);
    lock_output_folder(request, lock, err);
    for (const std::string& note : write_files_together(
             request.output_folder,
             compiled_files_by_name(id, compiled.model, compiled.outcome.files), &*lock)) {
        err << note << "\n";
    }
    for (const auto& path : output_paths(request, id)) out << "wrote " << path.string() << "\n";
    return compiled.report.empty() ? exit_status::clean : exit_status::scenario_error;
}

}  // namespace

// The changes of edits to one text as a unified diff without context: each changed line
// with what replaces it.
std::string unified_diff(const std::string& path, const std::string& text,
                         const std::vector<TextEdit>& applied) {
    std::map<int, std::vector<TextEdit>> by_line;
    for (const TextEdit& edit : applied) by_line[edit.range.line].push_back(edit);
    std::string hunks;
    int added = 0;
    for (const auto& [line, edits] : by_line) {
        const std::string old_line(line_of_text(text, line));
        const bool past_end = old_line.empty() && edits.front().range.span == 0;
        // The line alone is line 1 of its own.
        std::vector<TextEdit> on_line = edits;
        for (TextEdit& edit : on_line) edit.range.line = 1;
        const EditedText edited = apply_edits(old_line, on_line);
        std::vector<std::string> new_lines;
        std::string rest = edited.text;
        for (std::size_t end; (end = rest.find("\r\n")) != std::string::npos;) {
            new_lines.push_back(rest.substr(0, end));
            rest.erase(0, end + 2);
        }
        if (!past_end || !rest.empty()) new_lines.push_back(rest);
        const int old_count = past_end ? 0 : 1;
        const int new_count = static_cast<int>(new_lines.size());
        hunks += "@@ -" + std::to_string(old_count == 0 ? line - 1 : line) + "," +
                 std::to_string(old_count) + " +" + std::to_string(line + added) + "," +
                 std::to_string(new_count) + " @@\n";
        if (old_count == 1) hunks += "-" + windows_1252_to_utf8(old_line) + "\n";
        for (const std::string& new_line : new_lines) {
            hunks += "+" + windows_1252_to_utf8(new_line) + "\n";
        }
        added += new_count - old_count;
    }
    return hunks.empty() ? "" : "--- " + path + "\n+++ " + path + "\n" + hunks;
}

// Applies the safe fixes of a check to both texts: a diff on out for a dry run, else each
// changed text replaced by rename, with one line on err for it. The texts as they now are.
RequestTexts apply_safe_fixes(const CheckRequest& request, const RequestTexts& read,
                              const Diagnostics& diagnostics, std::ostream& out,
                              std::ostream& err) {
    RequestTexts fixed = read;
    for (auto [text, path] : {std::pair{&fixed.route, request.texts.route},
                              std::pair{&fixed.train, request.texts.train}}) {
        const EditedText edited =
            apply_edits(text->text, safe_edits_for(diagnostics, text->display_name));
        if (edited.applied.empty()) continue;
        if (request.dry_run) {
            out << unified_diff(text->display_name, text->text, edited.applied);
            continue;
        }
        write_file_replacing(path, edited.text);
        err << "fixed " << edited.applied.size() << (edited.applied.size() == 1 ? " place" : " places")
            << " in " << text->display_name << "\n";
        text->text = edited.text;
    }
    return fixed;
}

int run_check(const CheckRequest& request, std::ostream& out, std::ostream& err) {
    return report_problems(err, [&] {
        const CompileRequest& files = request.texts;
        check_warning_switches(files.warnings);
        Diagnostics file_problems;
        const Identity id = identity_for_check(files, file_problems);
        RequestTexts read = read_texts(files);
        if (request.fix) {
            const CheckResult before = check_scenario(read.route, read.train, id, {.max_errors = 0});
            read = apply_safe_fixes(request, read, before.diagnostics, out, err);
            if (request.dry_run) return exit_status::clean;
        }
        const CheckReport report = checked_report(files, read, id, file_problems, STDOUT_FILENO);
        out << report.text;
        const bool failed = report.has_error || (report.warning_shown && files.warnings.as_errors);
        return failed ? exit_status::scenario_error : exit_status::clean;
    });
}

int run_compile(const CompileRequest& request, std::ostream& out, std::ostream& err) {
    return report_problems(err, [&] {
        check_warning_switches(request.warnings);
        Identity id = identity_or_swap_advice(request);
        refuse_overwriting_inputs(request, id);
        // An existing folder is locked and mended before anything else; a new one once it
        // has been made.
        std::optional<OutputFolderLock> lock;
        std::error_code ignored;
        if (std::filesystem::is_directory(request.output_folder, ignored)) {
            lock_output_folder(request, lock, err);
        }
        const RequestTexts texts = read_texts(request);
        CompiledSources compiled =
            compile_sources(texts.route, texts.train, id, request.no_plan ? 0 : 1);
        Diagnostics warnings;
        warn_about_stale_plan(request, id, warnings);
        const bool warnings_failed =
            report_compile_diagnostics(request, texts, id, compiled, warnings, err);
        const int status = write_outcome(request, id, compiled, lock, out, err);
        return status == exit_status::clean && warnings_failed ? exit_status::scenario_error
                                                               : status;
    });
}

}  // namespace scenario::scenc
