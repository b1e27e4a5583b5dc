// The route half of memorizza_dati.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "compiler/model.h"

namespace scenario {

struct RouteHalfResult {
    bool go_on_to_train = false;         // ended normally or with error 15
    std::int32_t sign_board_limit = 80;  // next free board slot; stations stay below it
};

// Reads a route text into the model; display_name names the text in diagnostics. Errors are
// raised as diagnostics; read faults are thrown as RunTimeFault, with the place they struck.
RouteHalfResult parse_route(Model& model, std::string_view text, const std::string& display_name);

// Sizes the cells (and the plan, with the plan option) for a route of this length.
void size_track(Model& model, std::int32_t length);

// A check only, for a route text that gives no track: the longest track a route may have,
// marked as a stand-in, so that the rest of both texts can be read for what needs no track.
void give_provisional_track(Model& model);

// Orders the three kilometric references in records 81..83.
void progressive_ordina(Model& model);

}  // namespace scenario
