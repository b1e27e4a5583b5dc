#include <optional>
#include <string>

#include "compiler/driver.h"
#include "compiler/errors.h"
#include "compiler/route_parser.h"
#include "compiler/row_parsing.h"
#include "compiler/train_parser.h"

namespace scenario {

namespace {

// A read fault anywhere in either text ends both halves: both texts go, and the position of
// an earlier error stays.
void handle_read_fault(Model& model, SourceFiles& sources, const RunTimeFault& fault) {
    sources.delete_route();
    sources.delete_train();
    Diagnostic diagnostic = error_diagnostic(error_number::read_fault, fault.site);
    diagnostic.message += ": " + std::string(fault.what());
    raise_diagnostic(model, std::move(diagnostic));
    row_ended(model);
}

// The texts are read and deleted here, around the parsers, in the order a run has always
// left them: the route text goes once the route half is over, whatever its end; the train
// text is read only when the route half lets the train half run, and goes after it.
void read_both_halves(Model& model, SourceFiles& sources) {
    const std::optional<std::string> route = sources.read_route();
    if (!route) {
        raise_diagnostic(
            model, error_diagnostic(error_number::route_file_missing, {sources.route_name()}));
        return;
    }
    const RouteHalfResult route_half = parse_route(model, *route, sources.route_name());
    sources.delete_route();
    if (!route_half.go_on_to_train) {
        // A check reads the train text even when the route text gives no track at all.
        if (!model.keep_going || model.has_cells()) return;
        give_provisional_track(model);
    }

    const std::optional<std::string> train = sources.read_train();
    if (!train) {
        throw RunTimeFault("the train text was not found: " + sources.train_name(),
                           {sources.train_name()});
    }
    parse_train(model, *train, sources.train_name(), route_half.sign_board_limit);
    sources.delete_train();
}

}  // namespace

void memorizza_dati(Model& model, SourceFiles& sources) {
    model.records[record_slot::route_identity].text = model.route_stem;
    model.records[record_slot::train_identity].text = model.train_number;
    try {
        read_both_halves(model, sources);
    } catch (const RunTimeFault& fault) {
        handle_read_fault(model, sources, fault);
    }
}

}  // namespace scenario
