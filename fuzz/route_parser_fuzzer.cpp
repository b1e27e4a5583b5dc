// Fuzzes the route half of the compile: any text either parses or ends with an error number
// (or a read fault, which the compile turns into error 25), inside the tables it sized. Half of
// the inputs are read with the plan (reads_with_plan), and a share of those writes the plan
// file into a sink that checks it (writes_files).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "compiler/errors.h"
#include "compiler/route_parser.h"
#include "fuzz/fuzz_invariants.h"

using namespace scenario;
using fuzzing::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = fuzzing::as_text(data, size);
    static Model model;
    fuzzing::reset_keeping_storage(model);
    model.plan_option = fuzzing::reads_with_plan(text) ? 1 : 0;
    try {
        RouteHalfResult result = parse_route(model, text, "linea.txt");
        require(result.go_on_to_train == (model.error_code == 0 || model.error_code == 15),
                "only a clean route or error 15 goes on to the train");
        require(result.sign_board_limit >= 0 && result.sign_board_limit <= 80,
                "sign boards stay inside records 1..80");
        if (result.go_on_to_train) require(model.has_cells(), "the train half needs cells");
    } catch (const RunTimeFault& fault) {
        // The fault handler of the whole compile takes it from here.
        require(!fault.site.file.empty(), "a read fault names the text it struck");
    }
    fuzzing::check_model_tables(model);
    if (model.plan.exists && fuzzing::writes_files(text)) fuzzing::check_plan_file(model);
    fuzzing::reset_keeping_storage(model);
    return 0;
}
