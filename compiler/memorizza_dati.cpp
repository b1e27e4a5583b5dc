#include <optional>
#include <string>

#include "compiler/driver.h"
#include "compiler/errors.h"
#include "compiler/route_parser.h"
#include "compiler/train_parser.h"
#include "sources/field_reader.h"

namespace scenario {

namespace {

// A read fault anywhere in either text ends both halves: both texts go, the position of an
// earlier error stays, and the site tells the author where the fault struck.
void handle_read_fault(Model& model, SourceFiles& sources, const RunTimeFault& fault,
                       const std::optional<FieldReader>& reader) {
    sources.delete_route();
    sources.delete_train();
    raise_error(model, error_number::read_fault);
    if (fault.site.file.empty() && reader) {
        model.error_site = reader->last_field_site();
    } else {
        model.error_site = fault.site;
    }
}

}  // namespace

void memorizza_dati(Model& model, SourceFiles& sources) {
    model.records[record_slot::route_identity].text = model.route_stem;
    model.records[record_slot::train_identity].text = model.train_number;
    // The texts outlive the reader that looks into them.
    std::string route_text;
    std::string train_text;
    std::optional<FieldReader> reader;
    try {
        const RouteHalfResult route = parse_route(model, sources, reader, route_text);
        if (!route.go_on_to_train) return;
        // From here on a fault belongs to the train text, not to the route's last field.
        reader.reset();
        parse_train(model, sources, reader, train_text, route.sign_board_limit);
    } catch (const RunTimeFault& fault) {
        handle_read_fault(model, sources, fault, reader);
    }
}

}  // namespace scenario
