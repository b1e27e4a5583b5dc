#include "compiler/check.h"

#include <algorithm>
#include <charconv>
#include <numeric>

#include "compiler/driver.h"
#include "compiler/errors.h"
#include "compiler/fixes.h"
#include "compiler/row_scanner.h"
#include "compiler/source_files.h"
#include "compiler/warnings.h"

namespace scenario {

namespace {

// A stop at a marker slot in use is not raised as a diagnostic by the compile; the check
// reports it as one.
Diagnostic marker_stop(const std::string& errore_text) {
    Diagnostic stop = error_diagnostic(0, {});
    std::from_chars(errore_text.data(), errore_text.data() + errore_text.size(), stop.number);
    stop.message = error_meaning(stop.number);
    return stop;
}

}  // namespace

// The plan is included, as the package program compiles with it.
Model compile_texts(const SourceText& route, const SourceText& train, const Identity& id,
                    bool keep_going, std::function<void(const Model&)> at_first_row_end) {
    MemorySourceFiles sources(route.text, train.text, route.display_name, train.display_name);
    Model model;
    model.route_stem = id.route_stem;
    model.train_number = id.train_number;
    model.keep_going = keep_going;
    model.at_first_row_end = std::move(at_first_row_end);
    const CompileOutcome outcome = compile_model(model, sources, 1);
    if (outcome.status == CompileOutcome::Status::stopped_by_error) {
        model.diagnostics.push_back(marker_stop(outcome.errore_text));
    }
    return model;
}

namespace {

// A route text without its length row, beside a train text that has one: the two were most
// likely given the wrong way round.
void note_swapped_texts(Diagnostics& diagnostics, const SourceText& route,
                        const SourceText& train) {
    auto holds_length_row = [](const std::string& text) { return holds_route_length_words(text); };
    if (holds_length_row(route.text) || !holds_length_row(train.text)) return;
    for (Diagnostic& diagnostic : diagnostics) {
        if (diagnostic.number == error_number::no_route_length) {
            diagnostic.message +=
                "; the route text and the train text look swapped: " + train.display_name +
                " holds the route length";
        }
    }
}

// Where a diagnostic goes in the list: the route text's, then the train text's, then the
// rest; within a text by line.
std::pair<int, int> order_key(const Diagnostic& d, const SourceText& route,
                              const SourceText& train) {
    const std::string& file = d.location.file;
    const int rank = file.empty()                 ? 2
                     : file == route.display_name ? 0
                     : file == train.display_name ? 1
                                                  : 2;
    return {rank, d.location.line};
}

}  // namespace

CheckResult check_scenario(const SourceText& route, const SourceText& train, const Identity& id,
                           const CheckOptions& options) {
    Model checked = compile_texts(route, train, id, true);
    Diagnostics raised = std::move(checked.diagnostics);

    // Until an error ends a row the check is the compile itself; past it, the compile's own
    // final error is found by running the compile.
    std::optional<std::size_t> final_raised;
    if (!checked.first_row_end_seen) {
        if (const Diagnostic* last = last_error(raised)) {
            final_raised = static_cast<std::size_t>(last - raised.data());
        }
    } else {
        const Model exact = compile_texts(route, train, id, false);
        if (const Diagnostic* last = last_error(exact.diagnostics)) {
            const auto same = std::find(raised.begin(), raised.end(), *last);
            if (same == raised.end()) raised.push_back(*last);
            final_raised = static_cast<std::size_t>(
                (same == raised.end() ? raised.end() - 1 : same) - raised.begin());
        }
    }
    note_swapped_texts(raised, route, train);

    std::vector<std::size_t> order(raised.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return order_key(raised[a], route, train) < order_key(raised[b], route, train);
    });

    CheckResult result;
    std::size_t errors = 0;
    for (std::size_t index : order) {
        const Diagnostic& diagnostic = raised[index];
        const bool is_final = final_raised == index;
        if (diagnostic.severity == Severity::error) {
            if (!is_final && options.max_errors != 0 && errors >= options.max_errors) {
                ++result.omitted_errors;
                continue;
            }
            ++errors;
        }
        if (is_final) result.final_error = result.diagnostics.size();
        result.diagnostics.push_back(diagnostic);
    }
    // The warnings need the route's length and the plan option, which both runs share.
    add_warnings(result,
                 scenario_warnings(route, train, checked, options.warnings,
                                   &result.omitted_warnings),
                 route, train);
    attach_fixes(result.diagnostics, route, train, checked);
    return result;
}

}  // namespace scenario
