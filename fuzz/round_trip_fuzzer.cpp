// Fuzzes the round trip: a route and train pair (input layout: split_compile_input) that
// compiles without an error is decompiled, the texts found are compiled again, and the three
// files must come back byte for byte.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "compiler/driver.h"
#include "compiler/source_files.h"
#include "fuzz/fuzz_invariants.h"
#include "fuzz/round_trip.h"

using namespace scenario;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = fuzzing::as_text(data, size);
    fuzzing::CompileInput input = fuzzing::split_compile_input(text);
    Model model = fuzzing::model_for_carried_identity();
    MemorySourceFiles sources(std::move(input.route), std::move(input.train));
    const CompileOutcome outcome = memorizza_percorso(model, sources, input.plan_option);
    if (outcome.status != CompileOutcome::Status::ready || model.error_code != 0) return 0;
    const std::string failure =
        fuzzing::round_trip_failure(fuzzing::compiled_set(model, outcome.files));
    if (!failure.empty()) std::fprintf(stderr, "%s\n", failure.c_str());
    fuzzing::require(failure.empty(), "decompile then compile gives the same files");
    return 0;
}
