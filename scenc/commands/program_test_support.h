// Running the built scenc program from the end-to-end tests.
#pragma once

#include <string>

#include "io/test_support.h"

#ifdef SCENC_PROGRAM

namespace scenario::scenc::testing {

// scenc with the given arguments (quoted as the shell needs them), its output and status.
inline scenario::testing::CommandResult scenc(const std::string& arguments) {
    return scenario::testing::run_command(scenario::testing::quoted(SCENC_PROGRAM) + " " +
                                          arguments);
}

}  // namespace scenario::scenc::testing

#endif  // SCENC_PROGRAM
