// The carried scenario's texts through the compiler: both halves and the three files.
#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <optional>
#include <string>

#include "compiler/driver.h"
#include "compiler/identity.h"
#include "compiler/route_parser.h"
#include "compiler/source_files.h"
#include "compiler/test_models.h"
#include "compiler/warnings.h"
#include "compiler/writer.h"
#include "sources/line_table.h"
#include "sources/route_text.h"
#include "sources/train_text.h"

namespace scenario {
namespace {

using testing::compile;
using testing::Compile;

std::string carried_route() {
    return line_table_bytes(dati_linea(carried_identity()).lines);
}
std::string carried_train() {
    return line_table_bytes(dati_treno(carried_identity()).lines);
}

TEST(CarriedCompile, RouteHalf) {
    Model m;
    m.plan_option = 1;
    const RouteHalfResult result = parse_route(m, carried_route(), "linea.txt");
    EXPECT_EQ(m.error_code, 0);
    EXPECT_TRUE(result.go_on_to_train);
    EXPECT_EQ(m.cell_upper, 5000);
    EXPECT_EQ(m.plan_upper, 250000);
    EXPECT_EQ(m.plan.computed_end, 249999);
    for (int slot = 80; slot >= 75; --slot) {
        EXPECT_FALSE(m.records[static_cast<std::size_t>(slot)].text.empty()) << slot;
    }
    EXPECT_TRUE(m.records[74].text.empty());
    EXPECT_EQ(result.sign_board_limit, 74);
    const auto cells_of_kind = [&m](std::uint8_t kind) {
        return std::count_if(m.cells.begin(), m.cells.end(),
                             [kind](const TrackCell& cell) { return cell.kind == kind; });
    };
    EXPECT_EQ(cells_of_kind(cell_kind::sign_board), 6);
    EXPECT_EQ(cells_of_kind(cell_kind::speed_boards), 35);
    EXPECT_EQ(m.records[81].zone_start, 0);
    EXPECT_EQ(m.records[81].zone_end, 350100);
    EXPECT_EQ(m.records[81].position, 1);
    EXPECT_EQ(m.records[82], ScenarioRecord{});
    EXPECT_EQ(m.records[83], ScenarioRecord{});
}

TEST(CarriedCompile, TrainHalfAfterTheRouteHalf) {
    const Identity id = carried_identity();
    MemorySourceFiles sources(carried_route(), carried_train());
    Model model;
    model.route_stem = id.route_stem;
    model.train_number = id.train_number;
    memorizza_dati(model, sources);

    EXPECT_EQ(model.error_code, 0);
    EXPECT_FALSE(sources.route_exists());
    EXPECT_FALSE(sources.train_exists());
    // Stations fill the records from 1 on, so 35 stations end at record 35.
    EXPECT_EQ(model.records[1].text, "BRENZOLA CENTRALE");
    EXPECT_EQ(model.records[35].position, 238450);
    EXPECT_EQ(model.records[35].text, "TESSALTO");
    EXPECT_EQ(model.records[35].time_s, (12 * 60 + 50) * 60);
    EXPECT_EQ(model.records[36], ScenarioRecord{});

    const ScenarioRecord& totals = model.records[84];
    EXPECT_EQ(totals.zone_start, 130);
    EXPECT_EQ(totals.zone_end, 243000);
    EXPECT_EQ(totals.position, 14);
    ScenarioRecord train;
    train.zone_start = 0;
    train.zone_end = 241000;
    train.position = 4;
    train.text = "917";
    train.par_a = 200;
    train.par_c = 10;
    train.par_d = 49;
    train.par_e = 40;
    EXPECT_EQ(model.records[86], train);

    const TrackCell& signal = model.cells[174];
    EXPECT_EQ(signal.kind, cell_kind::signal);
    EXPECT_EQ(signal.val1, 41);
    EXPECT_EQ(signal.val4, 8);
    EXPECT_EQ(model.cells[4050].kind, cell_kind::code_change);
    EXPECT_EQ(model.cells[4050].val1, 180);
    EXPECT_EQ(model.cells[4997].speed_limit, 23);  // 115 km/h to cell_upper - 3
}

TEST(CarriedCompile, IntoItsThreeFiles) {
    Compile run = compile(carried_route(), carried_train());
    ASSERT_EQ(run.outcome.status, CompileOutcome::Status::ready);
    EXPECT_EQ(run.model.error_code, 0);
    EXPECT_FALSE(run.sources.route_exists());
    EXPECT_FALSE(run.sources.train_exists());

    const CompiledFiles& files = run.outcome.files;
    ASSERT_TRUE(files.with_plan);
    EXPECT_EQ(plan_file_size(run.model), 4999964u);
    EXPECT_EQ(plan_file_bytes(run.model).size(), 4999964u);
    ASSERT_EQ(files.cells.size(), 75015u);
    EXPECT_EQ(files.cells.substr(16, 4), std::string("\x01\x14\xB5\x09", 4));  // 5121, 2485
    EXPECT_EQ(files.cells.substr(2610, 10),
              std::string("\x01\x29\x00\x00\x00\x00\x00\x08\x00\x00", 10));
    EXPECT_EQ(run.model.records[85].par_a, 610);
    EXPECT_EQ(run.model.records[85].time_s, 33676);
    EXPECT_EQ(files.records, record_file_bytes(run.model));

    // The carried slowdown's codes: one in each window before its start, one 8 cells inside
    // it, and one in the cell before its end cell.
    const auto code_in = [&](std::initializer_list<std::size_t> window) {
        for (std::size_t c : window) {
            if (run.model.cells[c].kind == cell_kind::code_change) return true;
        }
        return false;
    };
    EXPECT_TRUE(code_in({4291, 4290, 4289}));
    EXPECT_TRUE(code_in({4285, 4284, 4283}));
    EXPECT_TRUE(code_in({4278, 4277, 4276}));
    EXPECT_EQ(run.model.cells[4304].kind, cell_kind::code_change);
    EXPECT_EQ(run.model.cells[4311].kind, cell_kind::code_change);

    Compile without_plan = compile(carried_route(), carried_train(), 0);
    EXPECT_FALSE(without_plan.outcome.files.with_plan);
    EXPECT_EQ(without_plan.outcome.files.cells, files.cells);
}

// The carried texts are what the simulator expects: any warning on them is a wrong one, with
// the plan read or, as compile --no-plan reads them, without it.
TEST(CarriedCompile, GivesNoWarnings) {
    for (std::int32_t j : {1, 0}) {
        const Compile run = compile(carried_route(), carried_train(), j);
        const Diagnostics warnings =
            scenario_warnings({"route", carried_route()}, {"train", carried_train()}, run.model);
        EXPECT_TRUE(warnings.empty()) << j << ": " << warnings.front().message;
    }
}

}  // namespace
}  // namespace scenario
