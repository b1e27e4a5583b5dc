#include "scenc/dump.h"

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
    model.plan.x = {0, 0, 0, 3, 3, 0};
    model.plan.y = {0, 1, 2, 6, 2, 0};
    model.plan.origin_set = true;
    model.plan.computed_end = 5;
    return model;
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
    std::string some = cells_table(model.cells, false);
    std::string all = cells_table(model.cells, true);
    EXPECT_NE(some.find("6 cells (0..5), 2 holding a feature"), std::string::npos) << some;
    EXPECT_NE(some.find("signal"), std::string::npos);
    EXPECT_NE(some.find("5121"), std::string::npos);
    auto rows = [](const std::string& table) {
        return std::count(table.begin(), table.end(), '\n') - 2;
    };
    EXPECT_EQ(rows(some), 2);
    EXPECT_EQ(rows(all), 6);

    nlohmann::json json = cells_json(model.cells, false);
    ASSERT_EQ(json["cells"].size(), 2u);
    EXPECT_EQ(json["cells"][1]["cell"], 4);
    EXPECT_EQ(json["cells"][1]["metre"], 200);
    EXPECT_EQ(json["cells"][1]["kind_name"], "signal");
    EXPECT_EQ(json["cells"][1]["val3"], -1);
}

TEST(ScencDump, PlanSummaryMeasuresTheComputedPoints) {
    Model model = dump_model();
    PlanSummary summary = summarize_plan(model.plan);
    EXPECT_EQ(summary.points, 6);
    EXPECT_EQ(summary.computed_points, 3);
    EXPECT_DOUBLE_EQ(summary.length, 1 + 1 + 5 + 4);  // (0,0) (0,1) (0,2) (3,6) (3,2)
    EXPECT_EQ(summary.x_max, 3);
    EXPECT_EQ(summary.y_max, 6);
    EXPECT_EQ(summary.end_y, 2);
    EXPECT_NE(plan_summary_text(model.plan).find("computed points: 3 (2..4)"), std::string::npos);

    nlohmann::json json = plan_json(model.plan);
    EXPECT_EQ(json["computed_points"], 3);
    EXPECT_EQ(json["length"], 11.0);

    model.plan.origin_set = false;
    model.plan.computed_end = 2;
    EXPECT_EQ(plan_json(model.plan)["computed_points"], 0);
}

TEST(ScencDump, RecordJsonHoldsTheFilledRecords) {
    nlohmann::json json = records_json(dump_model().records);
    ASSERT_EQ(json["records"].size(), 3u);
    EXPECT_EQ(json["records"][0]["slot"], 1);
    EXPECT_EQ(json["records"][0]["text"], "S. BENEDETTO \xC3\x88");
    EXPECT_EQ(json["records"][2]["role"], "train identity");
}

}  // namespace
}  // namespace scenario::scenc
