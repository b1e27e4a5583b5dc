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
         "station \"TESSALTO\": position 400 m (0+400) → 450 m (0+450) (position 400 → 450)\n"},
        {"station renamed", [](Model& m, Plan&) { m.records[2].text = "TESSALTO \xC8"; },
         "station \"TESSALTO È\": text \"TESSALTO\" → \"TESSALTO È\"\n"},
        {"sign board text", [](Model& m, Plan&) { m.records[80].text = "(Km 341+600)"; },
         "sign board \"(Km 341+600)\": text \"(Km 341+500)\" → \"(Km 341+600)\"\n"},
        {"speed", [](Model& m, Plan&) { m.cells[7].speed_limit = 30; },
         "cell 7 at 350 m (0+350): speed limit 155 km/h → 150 km/h (speed_limit 31 → 30)\n"},
        {"gradient", [](Model& m, Plan&) { m.cells[8].gradient = 92; },
         "cell 8 at 400 m (0+400): gradient 0 ‰ → -8 ‰ (gradient 100 → 92)\n"},
        {"signal value", [](Model& m, Plan&) { m.cells[4].val1 = 42; },
         "signal at 0+150 (cell 4): val1 41 → 42\n"},
        // A speed change starts at the cell's first metre, whatever the cell holds.
        {"speed at a signal", [](Model& m, Plan&) { m.cells[4].speed_limit = 30; },
         "cell 4 at 200 m (0+200): speed limit 155 km/h → 150 km/h (speed_limit 31 → 30)\n"},
        // A removed feature is still named by what the old side held there.
        {"signal removed",
         [](Model& m, Plan&) { m.cells[4] = {0, 0, 0, 0, 0, 0, 0, 0, 31, 100, 100}; },
         "signal at 0+150 (cell 4): kind 1 → 0\nsignal at 0+150 (cell 4): val1 41 → 0\n"
         "signal at 0+150 (cell 4): val4 8 → 0\n"},
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
