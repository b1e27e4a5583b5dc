// Fuzzes the train half of the compile after the carried route: any train text either
// parses or ends with an error number, inside the route's tables.
#include <cstddef>
#include <cstdint>
#include <string>

#include "compiler/driver.h"
#include "compiler/source_files.h"
#include "fuzz/fuzz_invariants.h"
#include "sources/route_text.h"

using namespace scenario;
using fuzzing::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Model model = fuzzing::model_for_carried_identity();
    // The plan plays no part in the train half; without it every run stays cheap.
    model.plan_option = 0;
    MemorySourceFiles sources(line_table_bytes(dati_linea(carried_identity()).lines),
                              std::string(fuzzing::as_text(data, size)));
    memorizza_dati(model, sources);
    require(!sources.route_exists() && !sources.train_exists(),
            "both texts are deleted after a carried route");
    require(model.has_cells() && model.cell_upper == 5000, "the carried route's cells remain");
    fuzzing::check_model_tables(model);
    return 0;
}
