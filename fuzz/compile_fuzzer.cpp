// Fuzzes the whole compile of a route and train pair (input layout: split_compile_input). A
// share of the inputs goes on to build the compiled files and checks them (writes_files), a
// share of those the plan file too, through a sink that keeps no byte (writes_plan_file); the
// others stop before the files.
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
    // Both promise never to throw for a text's content: an escaping exception ends the run as a
    // finding.
    const bool files = fuzzing::writes_files(text);
    const CompileOutcome outcome = files ? memorizza_percorso(model, sources, input.plan_option)
                                         : compile_model(model, sources, input.plan_option);
    fuzzing::check_outcome(model, outcome, input.plan_option != 0, files, fuzzing::writes_plan_file(text));
    fuzzing::reset_keeping_storage(model);
    return 0;
}
