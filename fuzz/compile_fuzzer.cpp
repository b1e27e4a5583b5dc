// Fuzzes the whole compile of a route and train pair (input layout: split_compile_input). Of
// the compiles that have a plan, a share writes the plan file into a sink that checks it
// (writes_plan_file).
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "compiler/driver.h"
#include "compiler/source_files.h"
#include "fuzz/fuzz_invariants.h"

using namespace scenario;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = fuzzing::as_text(data, size);
    fuzzing::CompileInput input = fuzzing::split_compile_input(text);
    static Model model;
    fuzzing::reset_keeping_storage(model);
    MemorySourceFiles sources(std::move(input.route), std::move(input.train));
    // memorizza_percorso promises never to throw for a text's content: an escaping exception
    // ends the run as a finding.
    CompileOutcome outcome = memorizza_percorso(model, sources, input.j);
    fuzzing::check_outcome(model, outcome, input.j != 0, fuzzing::writes_plan_file(text));
    return 0;
}
