#include "scenc/review/dump.h"

#include <gtest/gtest.h>

#include "compiler/test_models.h"

namespace scenario::scenc {
namespace {

Model dump_model() {
    Model model = testing::model_with_cells(5);
    model.cells[1].val1 = 5121;  // a marker without a kind still counts as content
    model.cells[4] = {1, 41, 0, -1, 8, 101, 81, 3, 32, 92, 255};
    model.cells[5].speed_limit = 30;  // profile bytes alone are not a feature
    model.records[1].kind = 8;
    model.records[1].text = "S. BENEDETTO \xC8";
    model.records[80].text = "(Km 341+500)";
    model.records[86].text = "917";
    return model;
}

Plan dump_plan() {
    Plan plan;
    plan.x = {0, 0, 0, 3, 3, 0};
    plan.y = {0, 1, 2, 6, 2, 0};
    plan.origin_set = true;
    plan.computed_end = 5;
    return plan;
}

TEST(ScencDump, RecordTableFoldsClearedRecordsAndNamesRoles) {
    std::string table = records_table(dump_model().records);
    EXPECT_NE(table.find("\n   0  (cleared)\n"), std::string::npos) << table;
    EXPECT_NE(table.find("\n 2..79  (78 cleared records)\n"), std::string::npos) << table;
    EXPECT_NE(table.find("\n81..85  (5 cleared records)\n"), std::string::npos) << table;
    EXPECT_NE(table.find("station"), std::string::npos);
    EXPECT_NE(table.find("S. BENEDETTO \xC3\x88\n"), std::string::npos);  // shown as UTF-8
    EXPECT_NE(table.find("sign board"), std::string::npos);
    EXPECT_NE(table.find("train identity"), std::string::npos);
}

TEST(ScencDump, CellTableListsCellsWithAFeatureOrAll) {
    Model model = dump_model();
    std::string some = cells_table(model.cells, {});
    std::string all = cells_table(model.cells, {.all = true, .stretch = {}});
    EXPECT_NE(some.find("6 cells (0..5), 2 holding a feature"), std::string::npos) << some;
    EXPECT_NE(some.find("signal"), std::string::npos);
    EXPECT_NE(some.find("5121"), std::string::npos);
    auto rows = [](const std::string& table) {
        return std::count(table.begin(), table.end(), '\n') - 2;
    };
    EXPECT_EQ(rows(some), 2);
    EXPECT_EQ(rows(all), 6);

    nlohmann::json json = cells_json(model.cells, {});
    ASSERT_EQ(json["cells"].size(), 2u);
    EXPECT_EQ(json["cells"][1]["cell"], 4);
    EXPECT_EQ(json["cells"][1]["metre"], 200);
    EXPECT_EQ(json["cells"][1]["kind_name"], "signal");
    EXPECT_EQ(json["cells"][1]["val3"], -1);
}

TEST(ScencDump, PlanSummaryMeasuresTheComputedPoints) {
    Plan plan = dump_plan();
    PlanSummary summary = summarize_plan(plan);
    EXPECT_EQ(summary.points, 6);
    EXPECT_EQ(summary.computed_points, 3);
    EXPECT_DOUBLE_EQ(summary.length, 1 + 1 + 5 + 4);  // (0,0) (0,1) (0,2) (3,6) (3,2)
    EXPECT_EQ(summary.x_max, 3);
    EXPECT_EQ(summary.y_max, 6);
    EXPECT_EQ(summary.end_y, 2);
    EXPECT_NE(plan_summary_text(plan).find("computed points: 3 (2..4)"), std::string::npos);

    nlohmann::json json = plan_json(plan);
    EXPECT_EQ(json["computed_points"], 3);
    EXPECT_EQ(json["length"], 11.0);

    plan.origin_set = false;
    plan.computed_end = 2;
    EXPECT_EQ(plan_json(plan)["computed_points"], 0);
}

TEST(ScencDump, RecordJsonHoldsTheFilledRecords) {
    nlohmann::json json = records_json(dump_model().records);
    ASSERT_EQ(json["records"].size(), 3u);
    EXPECT_EQ(json["records"][0]["slot"], 1);
    EXPECT_EQ(json["records"][0]["text"], "S. BENEDETTO \xC3\x88");
    EXPECT_EQ(json["records"][2]["role"], "train identity");
}

TEST(ScencDump, ValuesAreShownInTheAuthorsUnits) {
    Model model = dump_model();
    model.cells[1].val2 = 2485;
    model.cells[3] = {cell_kind::slowdown_start, 80, 80, 0, 0, 0, 0, 0, 31, 0, 100};
    std::string cells = cells_table(model.cells, {});
    const char* const cell_texts[] = {
        "\n         -      1      50   0 markers ",  // cell 1 names its markers, not "empty"
        "marker 5121, plain contest code 2485, speed limit 0 km/h",
        "\n     0+100      3     150   3 slowdown start",  // written 50 m before its cell
        "v 80 km/h, d_v 80 km/h, f_tt 0, speed limit 155 km/h, gradient none\n",
        "\n     0+150      4     200   1 signal",
        // The packed codes come back as the row's fields; -1 packs s3 -1 and d3 9.
        "  sx 2, s1 4, s2 0, s3 -1, rapp 0, dx 2, d1 1, d2 0, d3 9, tempo 101, speed limit "
        "160 km/h, gradient -8 \u2030, approach mark 81 of no signal or stop here, mountain "
        "type 3\n",
    };
    for (const char* text : cell_texts) EXPECT_NE(cells.find(text), std::string::npos) << text;

    model.records[1].position = 12850;
    model.records[1].zone_start = -500;
    model.records[1].time_s = 39000;
    model.records[2] = model.records[1];
    model.records[2].time_s = 40000;  // the last station: its time is the arrival
    model.records[84].zone_start = 130;
    model.records[84].zone_end = 243000;
    model.records[84].position = 14;
    model.records[86].par_c = 10;
    model.records[86].par_d = 49;
    model.records[86].par_e = 40;
    std::string records = records_table(model.records);
    const char* const record_texts[] = {
        ("position 12850 m (12+850), stretch start -500 m (-0+500), stretch end 0 m (0+000), "
         "departure 10:50:00\n"),
        "arrival 11:06:40\n",
        "braked mass 130 %, route length 243000 m (243+000), cars 14\n",
        "start clock 10:49:40\n",
    };
    for (const char* text : record_texts) EXPECT_NE(records.find(text), std::string::npos) << text;

    nlohmann::json json = records_json(model.records);
    const nlohmann::json& units = json["records"][0]["units"];
    EXPECT_EQ(units["time_s"]["value"], "10:50:00");
    EXPECT_EQ(units["time_s"]["unit"], "hh:mm:ss");
    EXPECT_EQ(units["position"]["value"]["km"], "12+850");
    nlohmann::json cell_units = cells_json(model.cells, {})["cells"][0]["units"];
    EXPECT_EQ(cell_units["val1"]["label"], "marker");
    EXPECT_EQ(cells_json(model.cells, {})["cells"][2]["units"]["gradient"]["value"], -8);
    // JSON keeps the stored numbers beside the decoded fields.
    const nlohmann::json signal = cells_json(model.cells, {})["cells"][2];
    EXPECT_EQ(signal["val4"], 8);
    EXPECT_EQ(signal["decoded"]["dx"]["value"], 2);
    EXPECT_EQ(signal["decoded"]["dx"]["stored_in"], "val4");
    EXPECT_EQ(signal["decoded"]["s1"]["meaning"], "first left-hand value");
}

// Packed cell values and approach marks decode back into the fields the rows wrote, and
// --raw adds the stored numbers.
TEST(ScencDump, CellsShowTheRowFieldsTheirValuesPack) {
    Model model = testing::model_with_cells(20);
    model.cells[12] = {
        cell_kind::signal, 41, 11, 0, 8, 0, 0, 0, 31, 100, 100};  // 2, 4 1 0 / 2, 1 1 0
    model.cells[4].approach = 84;                                 // 8 cells before
    model.cells[5] = {cell_kind::speed_boards, 2828, 1200, 3232, 21, 0, 0, 0, 31, 100, 100};
    model.cells[17] = {cell_kind::station_stop, 1, 0, 0, 0, 0, 0, 0, 31, 100, 100};
    model.cells[15].approach = 81;  // the cell before the one before the stop
    model.cells[16] = {cell_kind::code_change, 180, 0, 0, 0, 0, 0, 0, 31, 100, 100};
    const struct {
        std::size_t cell;
        const char* values;
    } cases[] = {
        {12, "sx 2, s1 4, s2 1, s3 0, rapp 0, dx 2, d1 1, d2 1, d3 0, tempo 0,"},
        {4, "approach 4 of the signal at 0+550 (cell 12)"},
        {5,
         "vas 140 km/h, vbs 60 km/h, vcs 160 km/h, strisces 2, vad 140 km/h, vbd 0 km/h, "
         "vcd 160 km/h, strisced 1,"},
        {15, "approach 1 of the station stop in cell 17"},
        {16, "value 180,"},
    };
    CellSelection selection{.all = true, .stretch = {}};
    const std::string table = cells_table(model.cells, selection);
    for (const auto& c : cases) {
        const std::string cell = " " + std::to_string(c.cell) + " ";
        const std::size_t row = table.find(cell);
        ASSERT_NE(row, std::string::npos) << cell;
        const std::string line = table.substr(row, table.find('\n', row) - row);
        EXPECT_NE(line.find(c.values), std::string::npos) << line;
    }
    EXPECT_EQ(table.find("val1"), std::string::npos);
    selection.raw = true;
    const std::string raw = cells_table(model.cells, selection);
    EXPECT_NE(raw.find("val1   val2"), std::string::npos) << raw;
    EXPECT_NE(raw.find("   2828   1200   3232     21"), std::string::npos) << raw;
}

TEST(ScencDump, StretchListsOnlyItsCells) {
    Model model = testing::model_with_cells(300);
    for (std::size_t i : {159u, 160u, 190u, 191u}) model.cells[i].kind = cell_kind::signal;
    CellSelection stretch{false, units::Stretch{8000, 9500}};
    std::string table = cells_table(model.cells, stretch);
    EXPECT_NE(table.find("from 8000 m (8+000) to 9500 m (9+500)"), std::string::npos);
    EXPECT_EQ(table.find("    159    7950  "), std::string::npos);
    EXPECT_NE(table.find("\n     7+950    160    8000   1 signal"), std::string::npos) << table;
    EXPECT_NE(table.find("\n     9+450    190    9500   1 signal"), std::string::npos) << table;
    EXPECT_EQ(table.find("    191    9550  "), std::string::npos);
    nlohmann::json json = cells_json(model.cells, stretch);
    EXPECT_EQ(json["cells"].size(), 2u);
    EXPECT_EQ(json["stretch"]["to_m"], 9500);
}

TEST(ScencDump, StretchOnARecordFileListsItsStationsAndBoards) {
    Model model = dump_model();
    model.records[1].position = 8700;  // inside
    model.records[2] = model.records[1];
    model.records[2].text = "TESSALTO";
    model.records[2].position = 9600;  // past the stretch's end
    model.records[79].text = "(Km 341+000)";
    // The boards stand where their cells put them: 80 on the stretch's last metre, 79 before.
    model.cells = testing::model_with_cells(200).cells;
    model.cells[191] = {cell_kind::sign_board, 80, 0, 0, 0, 0, 0, 0, 31, 100, 100};
    model.cells[160] = {cell_kind::sign_board, 79, 0, 0, 0, 0, 0, 0, 31, 100, 100};
    EXPECT_EQ(board_positions(model.cells), (std::map<int, std::int64_t>{{79, 7950}, {80, 9500}}));

    RecordSelection selection{units::Stretch{8000, 9500}, board_positions(model.cells)};
    std::string table = records_table(model.records, selection);
    EXPECT_NE(table.find("stations and sign boards from 8000 m (8+000) to 9500 m (9+500)\n"),
              std::string::npos)
        << table;
    EXPECT_NE(table.find("S. BENEDETTO"), std::string::npos) << table;
    EXPECT_NE(table.find("(Km 341+500)"), std::string::npos) << table;
    for (const char* left_out : {"TESSALTO", "(Km 341+000)", "train identity", "cleared"}) {
        EXPECT_EQ(table.find(left_out), std::string::npos) << left_out << "\n" << table;
    }
    nlohmann::json json = records_json(model.records, selection);
    ASSERT_EQ(json["records"].size(), 2u);
    EXPECT_EQ(json["records"][0]["slot"], 1);
    EXPECT_EQ(json["records"][1]["slot"], 80);
    EXPECT_EQ(json["stretch"]["from_m"], 8000);

    // Without the cells the boards cannot be placed, and the listing says so.
    selection.board_positions.reset();
    table = records_table(model.records, selection);
    EXPECT_NE(table.find("(sign boards not placed: no cell file)"), std::string::npos) << table;
    EXPECT_EQ(table.find("(Km 341+500)"), std::string::npos) << table;
    EXPECT_NE(table.find("S. BENEDETTO"), std::string::npos) << table;
}

}  // namespace
}  // namespace scenario::scenc
