// Fuzzes scenc check: the keep-going check of a route and train pair (input layout:
// split_compile_input, the first byte's lowest three bits giving the error limit, 0 for none),
// rendered in every output format. Every input ends with a list of diagnostics, each at a place
// inside its text, with the compile's final error marked exactly when the compile fails.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "compiler/check.h"
#include "compiler/field_reader.h"
#include "fuzz/fuzz_invariants.h"
#include "scenc/reports/check_report.h"

using namespace scenario;
using fuzzing::require;

namespace {

// One input in compile_share also runs the plain compile and the check without a limit, to
// compare with them; both cost as much as the check itself.
constexpr std::uint32_t compile_share = 64;

struct CheckedText {
    const SourceText& source;
    int lines;
    // Diagnostics come in line order within each text: each line is found from the last.
    LineFinder finder;
};

// A place is tied to no text (the placement pass), or names a text and lies inside it: a field
// within its line, or the place just past a line's end, where a short row ends.
void check_place(const SourceLocation& place, CheckedText& route, CheckedText& train) {
    if (place.file.empty()) {
        require(place.line == 0 && place.column == 0, "a place tied to no text has no line");
        return;
    }
    CheckedText* text = place.file == route.source.display_name   ? &route
                        : place.file == train.source.display_name ? &train
                                                                  : nullptr;
    require(text != nullptr, "a place names the route or the train text");
    // A fault of the whole text (no [generale] in it, say) names only the text.
    if (place.line == 0) {
        require(place.column == 0 && place.span == 0, "a place without a line has no column");
        return;
    }
    require(place.line >= 1 && place.line <= text->lines, "a place's line lies in its text");
    const auto length = static_cast<int>(text->finder.line(text->source.text, place.line).size());
    require(place.column >= 1 && place.column <= length + 1, "a place's column lies in its line");
    require(place.span >= 0 && place.column + place.span <= length + 2,
            "a place's span ends within its line");
}

std::size_t error_count(const Diagnostics& diagnostics) {
    return static_cast<std::size_t>(
        std::count_if(diagnostics.begin(), diagnostics.end(),
                      [](const Diagnostic& d) { return d.severity == Severity::error; }));
}

void check_result(const CheckResult& result, std::size_t max_errors, CheckedText& route,
                  CheckedText& train) {
    for (const Diagnostic& diagnostic : result.diagnostics) {
        check_place(diagnostic.location, route, train);
        if (diagnostic.related) check_place(*diagnostic.related, route, train);
    }
    const std::size_t errors = error_count(result.diagnostics);
    require(result.final_error.has_value() == (errors + result.omitted_errors > 0),
            "a check with errors marks the final one, and only then");
    if (result.final_error) {
        require(*result.final_error < result.diagnostics.size() &&
                    result.diagnostics[*result.final_error].severity == Severity::error,
                "the final error is an error in the list");
    }
    if (max_errors == 0) {
        require(result.omitted_errors == 0, "without a limit no error is left out");
    } else {
        // The final error is kept beyond the limit.
        require(errors <= max_errors + 1, "errors kept within the limit and the final error");
        require(result.omitted_errors == 0 || errors >= max_errors,
                "errors are left out only past the limit");
    }
}

// The compile ends with an error exactly when the check marks one, and it is that error; the
// check without a limit finds as many errors as the limited one kept and left out.
void compare_with_compile(const CheckResult& result, const SourceText& route,
                          const SourceText& train) {
    const Model exact = compile_texts(route, train, carried_identity(), false);
    const Diagnostic* last = last_error(exact.diagnostics);
    require(result.final_error.has_value() == (last != nullptr),
            "the check fails exactly when the compile does");
    if (last != nullptr) {
        const Diagnostic& marked = result.diagnostics[*result.final_error];
        require(marked.number == last->number && marked.location == last->location,
                "the marked error is the compile's own");
    }
    const CheckResult all = check_scenario(route, train, carried_identity(), {.max_errors = 0});
    require(error_count(all.diagnostics) == error_count(result.diagnostics) + result.omitted_errors,
            "errors kept and left out add up to all errors found");
}

std::size_t count_lines(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

// Every format renders; the machine-readable ones parse and hold each diagnostic once.
void check_reports(const CheckResult& result, const scenc::CheckedTexts& texts,
                   std::size_t max_errors) {
    using scenc::ReportFormat;
    auto render = [&](ReportFormat format, bool color = false) {
        return scenc::render_check(
            result, texts,
            {.format = format, .color = color, .max_errors = max_errors, .tool_version = "1.0"});
    };
    const std::size_t shown = result.diagnostics.size();
    render(ReportFormat::human, false);
    render(ReportFormat::human, true);
    // Notes (the checks a route without a track left out, the count of a cascade) are lines of
    // their own under their diagnostic.
    std::size_t notes = 0;
    for (const Diagnostic& d : result.diagnostics) {
        notes += d.notes.size();
        if (d.consequences && !consequences_note(*d.consequences).empty()) ++notes;
    }
    const std::string gcc = render(ReportFormat::gcc);
    require(count_lines(gcc) == shown + notes && gcc.find('\r') == std::string::npos,
            "the gcc format gives one line for each diagnostic and each note");

    const auto json = nlohmann::json::parse(render(ReportFormat::json), nullptr, false);
    require(!json.is_discarded(), "the JSON report parses");
    require(json["diagnostics"].size() == shown, "the JSON report holds every diagnostic");
    require(json["summary"]["errors"] == error_count(result.diagnostics) + result.omitted_errors,
            "the JSON summary counts the errors left out too");
    const auto sarif = nlohmann::json::parse(render(ReportFormat::sarif), nullptr, false);
    require(!sarif.is_discarded(), "the SARIF report parses");
    require(sarif["runs"][0]["results"].size() == shown, "the SARIF report holds every diagnostic");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = fuzzing::as_text(data, size);
    const std::size_t max_errors = input.empty() ? 0 : static_cast<std::uint8_t>(input[0]) & 7u;
    fuzzing::CompileInput split = fuzzing::split_compile_input(input);
    const scenc::CheckedTexts texts{{"linea.txt", std::move(split.route)},
                                    {"treno.txt", split.train.value_or("")},
                                    "linea_treno"};
    CheckedText route{texts.route, line_count(texts.route.text), {}};
    CheckedText train{texts.train, line_count(texts.train.text), {}};

    // check_scenario promises never to throw for a text's content: an escaping exception ends
    // the run as a finding.
    const CheckResult result =
        check_scenario(texts.route, texts.train, carried_identity(), {.max_errors = max_errors});
    check_result(result, max_errors, route, train);
    if (fuzzing::input_hash(input) % compile_share == 2) {
        compare_with_compile(result, texts.route, texts.train);
    }
    check_reports(result, texts, max_errors);
    return 0;
}
