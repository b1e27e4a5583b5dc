// Fuzzes the route half of the compile: any text either parses or ends with an error number
// (or a read fault, which the compile turns into error 25), inside the tables it sized.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "compiler/errors.h"
#include "compiler/route_parser.h"
#include "compiler/source_files.h"
#include "fuzz/fuzz_invariants.h"
#include "sources/field_reader.h"

using namespace scenario;
using fuzzing::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Model model = fuzzing::model_for_carried_identity();
    model.plan_option = 1;
    MemorySourceFiles sources(std::string(fuzzing::as_text(data, size)), std::nullopt);
    std::optional<FieldReader> reader;
    std::string text;
    try {
        RouteHalfResult result = parse_route(model, sources, reader, text);
        require(!sources.route_exists(), "the route text is deleted once read");
        require(result.go_on_to_train == (model.error_code == 0 || model.error_code == 15),
                "only a clean route or error 15 goes on to the train");
        require(result.sign_board_limit >= 0 && result.sign_board_limit <= 80,
                "sign boards stay inside records 1..80");
        if (result.go_on_to_train) require(model.has_cells(), "the train half needs cells");
    } catch (const RunTimeFault&) {
        // The fault handler of the whole compile takes it from here.
    }
    fuzzing::check_model_tables(model);
    return 0;
}
