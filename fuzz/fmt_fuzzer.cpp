// Fuzzes fmt on a route and train pair (input layout: split_compile_input): formatting twice
// gives what formatting once gives, and the formatted pair compiles to the same files with the
// same diagnostics as the pair as written.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "fuzz/formatted_compile.h"

using namespace scenario;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzzing::CompileInput input = fuzzing::split_compile_input(fuzzing::as_text(data, size));
    const std::string fault = fuzzing::formatting_fault(input);
    if (!fault.empty()) std::fprintf(stderr, "%s\n", fault.c_str());
    fuzzing::require(fault.empty(), "fmt changed what the compile reads, or is not idempotent");
    return 0;
}
