#include "scenc/review/diff.h"

#include <gtest/gtest.h>

#include <sstream>

#include "compiler/test_models.h"
#include "compiler/writer.h"
#include "io/test_support.h"

namespace scenario::scenc {
namespace {

// Two stations, a sign board, the identity records, markers and a short plan.
Model base_model() {
    Model model = testing::model_with_cells(9);
    for (TrackCell& cell : model.cells) {
        cell.speed_limit = 31;
        cell.gradient = 100;
    }
    model.cells[1].val1 = marker::first_cell;
    model.cells[4] = {cell_kind::signal, 41, 0, 0, 8, 0, 0, 0, 31, 100, 100};
    model.records[1].text = "BRENZOLA CENTRALE";
    model.records[1].kind = 8;
    model.records[1].time_s = 39000;
    model.records[2].text = "TESSALTO";
    model.records[2].kind = 8;
    model.records[2].position = 400;
    model.records[2].time_s = 40000;
    model.records[80].text = "(Km 341+500)";
    model.records[85].text = "Stem";
    model.records[85].par_a = marker::route_record;
    model.records[86].text = "5";
    model.plan_option = 1;
    return model;
}

Plan base_plan() {
    Plan plan;
    plan.x = {0, 0, 0, 0, 0, 0, 0};
    plan.y = {0, 1, 2, 3, 4, 0, 0};
    plan.origin_set = true;
    plan.computed_end = 5;
    return plan;
}

ScenarioDiff diff_of(const Model& old_model, const Model& new_model,
                     const Plan& old_plan = base_plan(), const Plan& new_plan = base_plan()) {
    ScenarioDiff diff;
    diff_records(old_model.records, new_model.records, diff);
    diff_cells(old_model.cells, new_model.cells, diff);
    diff.plan = compare_plans(old_plan, new_plan);
    return diff;
}

TEST(ScencDiff, IdenticalScenariosAreTheSame) {
    ScenarioDiff diff = diff_of(base_model(), base_model());
    EXPECT_TRUE(diff.same());
    EXPECT_EQ(diff_text(diff), "same\n");
    EXPECT_EQ(diff_json(diff)["same"], true);
}

TEST(ScencDiff, EachKindOfChangeIsToldInTheAuthorsTerms) {
    struct Case {
        const char* change;
        void (*edit)(Model&, Plan&);
        const char* expected;
    };
    const Case cases[] = {
        {"departure", [](Model& m, Plan&) { m.records[1].time_s = 39120; },
         "station \"BRENZOLA CENTRALE\": departure 10:50:00 → 10:52:00 (time_s 39000 → 39120)\n"},
        {"arrival at the last station", [](Model& m, Plan&) { m.records[2].time_s = 40060; },
         "station \"TESSALTO\": arrival 11:06:40 → 11:07:40 (time_s 40000 → 40060)\n"},
        {"station moved", [](Model& m, Plan&) { m.records[2].position = 450; },
         "station \"TESSALTO\" moved 0+400 → 0+450\n"},
        {"station renamed", [](Model& m, Plan&) { m.records[2].text = "TESSALTO \xC8"; },
         "station \"TESSALTO È\": text \"TESSALTO\" → \"TESSALTO È\"\n"},
        {"sign board text", [](Model& m, Plan&) { m.records[80].text = "(Km 341+600)"; },
         "sign board \"(Km 341+600)\": text \"(Km 341+500)\" → \"(Km 341+600)\"\n"},
        {"speed", [](Model& m, Plan&) { m.cells[7].speed_limit = 30; },
         "cell 7 at 350 m (0+350): speed limit 155 km/h → 150 km/h (speed_limit 31 → 30)\n"},
        {"gradient", [](Model& m, Plan&) { m.cells[8].gradient = 92; },
         "cell 8 at 400 m (0+400): gradient 0 ‰ → -8 ‰ (gradient 100 → 92)\n"},
        {"signal value", [](Model& m, Plan&) { m.cells[4].val1 = 42; },
         "signal at 0+150 (cell 4): d1 1 → 2 (val1 41 → 42)\n"},
        // A speed change starts at the cell's first metre, whatever the cell holds.
        {"speed at a signal", [](Model& m, Plan&) { m.cells[4].speed_limit = 30; },
         "cell 4 at 200 m (0+200): speed limit 155 km/h → 150 km/h (speed_limit 31 → 30)\n"},
        // A removed feature is still named by what the old side held there.
        {"signal removed",
         [](Model& m, Plan&) { m.cells[4] = {0, 0, 0, 0, 0, 0, 0, 0, 31, 100, 100}; },
         "signal removed at 0+150 (cell 4)\n"},
        {"contest code", [](Model& m, Plan&) { m.cells[1].val2 = 7; },
         "cell 1 at 50 m (0+050): plain contest code 0 → 7 (val2 0 → 7)\n"},
        {"cells added", [](Model& m, Plan&) { m.cells.resize(12); },
         "cells: 10 → 12 (only the cells on both sides are compared)\n"},
        {"plan bent",
         [](Model&, Plan& p) {
             p.x[3] = 3;
             p.x[4] = 4;
         },
         "plan: first point that differs: 3 m (0+003); largest distance between the two plans: "
         "4.000 m at 4 m (0+004)\n"},
        {"plan shortened", [](Model&, Plan& p) { p.computed_end = 4; },
         "plan: first point that differs: 4 m (0+004); largest distance between the two plans: "
         "0.000 m at 0 m (0+000)\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.change);
        Model changed = base_model();
        Plan changed_plan = base_plan();
        c.edit(changed, changed_plan);
        ScenarioDiff diff = diff_of(base_model(), changed, base_plan(), changed_plan);
        EXPECT_FALSE(diff.same());
        EXPECT_EQ(diff_text(diff), c.expected);
    }
}

// A diff by feature: a move is one line, and what follows from it (the approach marks, a
// station's stretch) is not listed; a profile change over a stretch is one line.
TEST(ScencDiff, FeaturesArePairedByKindAndNearness) {
    auto with_features = [] {
        Model m = testing::model_with_cells(60);
        for (TrackCell& cell : m.cells) cell.speed_limit = 30;
        m.cells[20] = {cell_kind::signal, 41, 0, 0, 8, 0, 0, 0, 30, 0, 0};
        for (std::uint8_t j = 1; j <= 4; ++j) m.cells[20 - 2 * j].approach = 80 + j;
        m.cells[40] = {cell_kind::speed_boards, 2828, 0, 0, 0, 0, 0, 0, 30, 0, 0};
        m.records[1].kind = 8;
        m.records[1].zone_start = 900;
        m.records[1].zone_end = 1300;
        m.records[1].position = 1100;
        m.records[1].text = "ALFA";
        return m;
    };
    struct Case {
        const char* change;
        void (*edit)(Model&);
        const char* text;
        const char* json_label;
    };
    const Case cases[] = {
        {"signal moved 50 m",
         [](Model& m) {
             m.cells[21] = m.cells[20];
             m.cells[20] = {};
             m.cells[20].speed_limit = 30;
             for (std::uint8_t j = 1; j <= 4; ++j) {
                 m.cells[20 - 2 * j].approach = 0;
                 m.cells[21 - 2 * j].approach = 80 + j;
             }
         },
         "signal moved 0+950 → 1+000 (cell 20 → 21)\n", "position"},
        {"board removed", [](Model& m) { m.cells[40] = {0, 0, 0, 0, 0, 0, 0, 0, 30, 0, 0}; },
         "speed boards removed at 1+950 (cell 40)\n", "kind"},
        {"speed limit over a stretch",
         [](Model& m) {
             for (std::size_t i = 30; i < 50; ++i) m.cells[i].speed_limit = 24;
         },
         "cells 30..49 from 1500 m (1+500) to 2500 m (2+500): speed limit 150 km/h → 120 km/h "
         "(speed_limit 30 → 24)\n",
         "speed limit"},
        {"station moved",
         [](Model& m) {
             m.records[1].position += 200;
             m.records[1].zone_start += 200;
             m.records[1].zone_end += 200;
         },
         "station \"ALFA\" moved 1+100 → 1+300\n", "position"},
        {"board speed changed", [](Model& m) { m.cells[40].val1 = 2428; },
         "speed boards at 1+950 (cell 40): vas 140 km/h → 120 km/h (val1 2828 → 2428)\n", "vas"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.change);
        Model changed = with_features();
        c.edit(changed);
        ScenarioDiff diff;
        diff_records(with_features().records, changed.records, diff);
        diff_cells(with_features().cells, changed.cells, diff);
        EXPECT_EQ(diff_text(diff), c.text);
        const nlohmann::json json = diff_json(diff)["differences"];
        ASSERT_EQ(json.size(), 1u) << json;
        EXPECT_EQ(json[0]["label"], c.json_label);
    }
}

TEST(ScencDiff, JsonNamesTheFieldTheValuesAndThePlace) {
    Model changed = base_model();
    changed.records[1].time_s = 39120;
    Plan changed_plan = base_plan();
    changed_plan.x[4] = 3;
    nlohmann::json json = diff_json(diff_of(base_model(), changed, base_plan(), changed_plan));
    EXPECT_EQ(json["same"], false);
    ASSERT_EQ(json["differences"].size(), 1u);
    const nlohmann::json& d = json["differences"][0];
    EXPECT_EQ(d["file"], "records");
    EXPECT_EQ(d["location"]["name"], "BRENZOLA CENTRALE");
    EXPECT_EQ(d["location"]["slot"], 1);
    EXPECT_EQ(d["field"], "time_s");
    EXPECT_EQ(d["label"], "departure");
    EXPECT_EQ(d["old"], 39000);
    EXPECT_EQ(d["new_text"], "10:52:00");
    EXPECT_EQ(json["plan"]["first_differing_point_m"], 4);
    EXPECT_EQ(json["plan"]["largest_distance_m"], 3.0);
}

struct WrittenSet {
    testing::TemporaryFolder folder{"scenc-diff"};
    Identity id{"Stem", "5"};

    std::filesystem::path write(const std::string& name, const Model& model) {
        std::filesystem::path set = folder / name;
        std::filesystem::create_directories(set);
        testing::write_bytes(set / file_name::plan(id), plan_file_bytes(base_plan()));
        testing::write_bytes(set / file_name::records(id), record_file_bytes(model));
        testing::write_bytes(set / file_name::cells(id), cell_file_bytes(model));
        return set;
    }
};

DiffRequest between(const std::filesystem::path& old_input, const std::filesystem::path& new_input,
                    std::optional<Identity> identity = std::nullopt) {
    return {old_input, new_input, false, std::move(identity)};
}

int diff_status(const DiffRequest& request, std::string& output) {
    std::ostringstream out, err;
    int status = run_diff(request, out, err);
    output = out.str() + err.str();
    return status;
}

TEST(ScencDiff, ExitStatusSameDifferentTrouble) {
    WrittenSet sets;
    Model changed = base_model();
    changed.records[1].time_s = 39120;
    std::filesystem::path old_set = sets.write("old", base_model());
    std::filesystem::path same_set = sets.write("same", base_model());
    std::filesystem::path new_set = sets.write("new", changed);
    std::string output;

    EXPECT_EQ(diff_status(between(old_set, same_set), output), 0);
    EXPECT_EQ(output, "same\n");
    EXPECT_EQ(diff_status(between(old_set, new_set), output), 1);
    EXPECT_EQ(
        output,
        "station \"BRENZOLA CENTRALE\": departure 10:50:00 → 10:52:00 (time_s 39000 → 39120)\n");
    EXPECT_EQ(diff_status(between(old_set / "Stem_5.sim", new_set / "Stem_5.sim"), output), 1);
    EXPECT_EQ(diff_status(between(old_set, new_set, Identity{"Stem", "5"}), output), 1);

    const std::pair<DiffRequest, const char*> troubles[] = {
        {between(old_set / "Stem_5.sim", new_set / "Stem_5.dat"), "compare files of one kind"},
        {between(old_set, new_set / "Stem_5.sim"), "is not: compare two folders or two files"},
        {between(old_set, sets.folder / "gone"), "gone"},
        {between(old_set, new_set, Identity{"Other", "5"}), "Other_5.sim: no such file"},
    };
    for (const auto& [request, message] : troubles) {
        SCOPED_TRACE(message);
        EXPECT_EQ(diff_status(request, output), 2);
        EXPECT_NE(output.find(message), std::string::npos) << output;
    }
    std::filesystem::rename(new_set / "Stem_5.sim", new_set / "Stem_5.dat.tmp");
    std::filesystem::rename(new_set / "Stem_5.dat", new_set / "Stem_5.sim");
    EXPECT_EQ(diff_status(between(old_set, new_set, Identity{"Stem", "5"}), output), 2);
    EXPECT_NE(output.find("looks like a cell file"), std::string::npos) << output;
}

}  // namespace
}  // namespace scenario::scenc
