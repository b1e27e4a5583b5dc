// What fmt must leave alone, checked on one compile input: the compiled files and every
// diagnostic (its number or name, file and line) of the formatted pair are those of the pair as
// written, and formatting the formatted texts changes nothing. The seed test and the fmt fuzz
// target share it.
#pragma once

#include <optional>
#include <sstream>
#include <string>

#include "compiler/check.h"
#include "compiler/driver.h"
#include "compiler/formatter.h"
#include "compiler/source_files.h"
#include "compiler/writer.h"
#include "fuzz/fuzz_invariants.h"

namespace scenario::fuzzing {

inline const std::string route_name = "S_linea.txt";
inline const std::string train_name = "S_917-.txt";

// The pair with each text formatted in its role.
inline CompileInput formatted_input(const CompileInput& input) {
    CompileInput formatted = input;
    formatted.route = formatted_scenario_text(input.route, route_name, RowPlace::route_general);
    if (input.train) {
        formatted.train = formatted_scenario_text(*input.train, train_name, RowPlace::train);
    }
    return formatted;
}

// The compile's end, its files' bytes and every diagnostic of the check without an error
// limit, placed by line: one text to compare.
inline std::string compile_trace(const CompileInput& input) {
    std::ostringstream out;
    Model model = model_for_carried_identity();
    MemorySourceFiles sources(input.route, input.train);
    const CompileOutcome outcome = memorizza_percorso(model, sources, input.plan_option);
    out << "status " << static_cast<int>(outcome.status) << ' ' << outcome.errore_text << " error "
        << model.error_code << " at " << model.error_position << '\n';
    if (outcome.status == CompileOutcome::Status::ready) {
        if (outcome.files.with_plan) out << "plan " << plan_file_bytes(model) << '\n';
        out << "records " << outcome.files.records << "\ncells " << outcome.files.cells << '\n';
    }
    const CheckResult check =
        check_scenario({route_name, input.route}, {train_name, input.train.value_or("")},
                       carried_identity(), {.max_errors = 0});
    for (const Diagnostic& d : check.diagnostics) {
        out << (d.name.empty() ? std::to_string(d.number) : d.name) << ' ' << d.location.file << ':'
            << d.location.line << '\n';
    }
    return out.str();
}

// Empty when fmt keeps the input's compile and is idempotent; else what differs.
inline std::string formatting_fault(const CompileInput& input) {
    const CompileInput once = formatted_input(input);
    const CompileInput twice = formatted_input(once);
    if (twice.route != once.route || twice.train != once.train) return "fmt is not idempotent";
    if (compile_trace(once) != compile_trace(input)) {
        return "the formatted texts compile differently:\n" + compile_trace(input) + "---\n" +
               compile_trace(once);
    }
    return {};
}

}  // namespace scenario::fuzzing
