// Fuzzes the train half of the compile after the carried route: any train text either
// parses or ends with an error number (or a read fault, which the compile turns into error
// 25), inside the route's tables.
#include <cstddef>
#include <cstdint>
#include <string>

#include "compiler/errors.h"
#include "compiler/route_parser.h"
#include "compiler/train_parser.h"
#include "compiler/writer.h"
#include "fuzz/fuzz_invariants.h"
#include "sources/line_table.h"
#include "sources/route_text.h"

using namespace scenario;
using fuzzing::require;

namespace {

// The model as the carried route's half leaves it for the train half, as memorizza_dati
// prepares it. The route half is the same for every input, so it is read once; reading it
// again for each train text took most of the time.
struct RouteHalf {
    Model model = fuzzing::model_for_carried_identity();
    RouteHalfResult result;
    std::string cell_file;
    std::string record_file;

    RouteHalf() {
        read_into(model, result);
        cell_file = cell_file_bytes(model);
        record_file = record_file_bytes(model);
    }
    // The model's storage is kept: fresh pages for a long route's tables cost more than the
    // reading itself under the sanitizers.
    static void read_into(Model& model, RouteHalfResult& result) {
        fuzzing::reset_keeping_storage(model);
        model.records[record_slot::route_identity].text = model.route_stem;
        model.records[record_slot::train_identity].text = model.train_number;
        const std::string route = line_table_bytes(dati_linea(carried_identity()).lines);
        result = parse_route(model, route, "linea.txt");
        require(result.go_on_to_train && model.has_cells() && model.cell_upper == 5000,
                "the carried route leads on to the train");
    }
};

// One input in route_reread_share reads the route half again, which must come out the same:
// that catches state a compile leaves behind, and keeps the route half's code in the
// coverage libFuzzer reports (code run only at start-up is not counted).
constexpr std::uint32_t route_reread_share = 64;

void read_route_half_again(const RouteHalf& first, Model& model) {
    RouteHalfResult result;
    RouteHalf::read_into(model, result);
    require(result.sign_board_limit == first.result.sign_board_limit &&
                cell_file_bytes(model) == first.cell_file &&
                record_file_bytes(model) == first.record_file,
            "the carried route's half reads the same every time");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const RouteHalf route_half;
    static Model model;
    if (fuzzing::input_hash(fuzzing::as_text(data, size)) % route_reread_share == 1) {
        read_route_half_again(route_half, model);
    } else {
        model = route_half.model;  // copies into the storage of the input before
    }
    try {
        parse_train(model, fuzzing::as_text(data, size), "treno.txt",
                    route_half.result.sign_board_limit);
    } catch (const RunTimeFault& fault) {
        // The fault handler of the whole compile takes it from here.
        require(!fault.site.file.empty(), "a read fault names the text it struck");
    }
    require(model.has_cells() && model.cell_upper == 5000, "the carried route's cells remain");
    fuzzing::check_model_tables(model);
    return 0;
}
