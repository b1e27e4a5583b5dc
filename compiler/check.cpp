#include "compiler/check.h"

#include <charconv>

#include "compiler/driver.h"
#include "compiler/source_files.h"
#include "compiler/warnings.h"

namespace scenario {

namespace {

// A stop at a marker slot in use is not raised as a diagnostic by the compile; the check
// reports it as one.
Diagnostic marker_stop(const std::string& errore_text) {
    Diagnostic stop;
    std::from_chars(errore_text.data(), errore_text.data() + errore_text.size(), stop.number);
    return stop;
}

}  // namespace

CheckResult check_scenario(const SourceText& route, const SourceText& train, const Identity& id,
                           const CheckOptions& /*options*/) {
    MemorySourceFiles sources(route.text, train.text, route.display_name, train.display_name);
    Model model;
    model.route_stem = id.route_stem;
    model.train_number = id.train_number;
    const CompileOutcome outcome = memorizza_percorso(model, sources, 1);
    CheckResult result;
    result.diagnostics = model.diagnostics;
    if (outcome.status == CompileOutcome::Status::stopped_by_errore) {
        result.diagnostics.push_back(marker_stop(outcome.errore_text));
    }
    for (std::size_t i = result.diagnostics.size(); i-- > 0;) {
        if (result.diagnostics[i].severity == Severity::error) {
            result.final_error = i;
            break;
        }
    }
    add_warnings(result, scenario_warnings(route, train, model), route, train);
    return result;
}

}  // namespace scenario
