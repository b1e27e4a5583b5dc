// The train half of memorizza_dati.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "compiler/model.h"

namespace scenario {

// Reads a train text into the model, with stations below the route's sign-board limit.
// Errors are raised as diagnostics; read faults are thrown as RunTimeFault, with the place
// they struck.
void parse_train(Model& model, std::string_view text, const std::string& display_name,
                 std::int32_t sign_board_limit);

}  // namespace scenario
