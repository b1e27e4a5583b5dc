// The round trip of a compiled scenario: decompile its files, compile the texts found with the
// identity and plan option found, and compare the files byte for byte.
#pragma once

#include <string>

#include "compiler/decompiler.h"
#include "compiler/driver.h"
#include "compiler/source_files.h"
#include "compiler/writer.h"

namespace scenario::fuzzing {

// The compiled set a finished compile leaves.
inline CompiledSet compiled_set(const Model& model, const CompiledFiles& files) {
    CompiledSet set{std::nullopt, files.records, files.cells};
    if (files.with_plan) set.plan = plan_file_bytes(model);
    return set;
}

// What the round trip breaks, in one line; empty when the texts give the same three files.
inline std::string round_trip_failure(const CompiledSet& given) {
    const DecompiledScenario texts = decompile(given);
    if (!texts.problem.empty()) return "decompile: " + texts.problem;
    Model model;
    model.route_stem = texts.identity.route_stem;
    model.train_number = texts.identity.train_number;
    MemorySourceFiles sources(texts.route_text, texts.train_text);
    const CompileOutcome outcome = memorizza_percorso(model, sources, texts.plan_option);
    if (outcome.status != CompileOutcome::Status::ready) return "the texts do not compile";
    const CompiledSet again = compiled_set(model, outcome.files);
    if (again.plan != given.plan) return "the plan file differs";
    if (again.records != given.records) return "the record file differs";
    if (again.cells != given.cells) return "the cell file differs";
    return "";
}

}  // namespace scenario::fuzzing
