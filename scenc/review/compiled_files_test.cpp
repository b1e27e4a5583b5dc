#include "scenc/compiled_reader.h"

#include <gtest/gtest.h>

#include "compiler/identity.h"
#include "compiler/test_models.h"
#include "compiler/writer.h"
#include "io/test_support.h"

namespace scenario::scenc {
namespace {

// A small compiled scenario with the awkward values: negative and wrapped numbers, a text
// with a byte above 127, an empty text; and a plan that stops before its last points.
Model small_model() {
    Model model = testing::model_with_cells(5);
    model.cells[1] = {0, 5121, -2, 0, 0, 0, 0, 0, 31, 100, 100};
    model.cells[4] = {1, 41, 0, -1, 8, 101, 81, 3, 32, 92, 255};
    model.records[1].kind = 8;
    model.records[1].zone_start = -500;
    model.records[1].text = "S. BENEDETTO \xC8";
    model.records[1].time_s = 39000;
    model.records[80].text = "(Km 341+500)";
    model.records[85].text = "Stem";
    model.records[85].par_a = 610;
    model.records[86].text = "12";
    model.records[86].par_e = -40;
    model.plan_option = 1;
    return model;
}

Plan small_plan() {
    Plan plan;
    plan.x = {0, 0, 0.25, -1.5, 0, 0};
    plan.y = {0, 1, 2, 3.125, 0, 0};
    plan.origin_set = true;
    plan.computed_end = 4;
    return plan;
}

TEST(ScencReader, ReadsBackWhatTheWriterWrites) {
    Model model = small_model();
    EXPECT_EQ(decode_cell_file(cell_file_bytes(model)), model.cells);
    EXPECT_EQ(decode_record_file(record_file_bytes(model)), model.records);
    Plan plan = decode_plan_file(plan_file_bytes(small_plan()));
    EXPECT_TRUE(plan.origin_set);
    EXPECT_EQ(plan.computed_end, 4);
    EXPECT_EQ(plan.x.size(), 6u);
    EXPECT_EQ(plan.x[3], -1.5);
    EXPECT_EQ(plan.y[3], 3.125);
    EXPECT_EQ(plan.y[1], 1.0);

    Plan stopped = small_plan();  // a route that stopped before its feature part
    stopped.origin_set = false;
    stopped.computed_end = 2;
    Plan empty = decode_plan_file(plan_file_bytes(stopped));
    EXPECT_FALSE(empty.origin_set);
    EXPECT_EQ(empty.upper(), 5);
}

TEST(ScencReader, RefusesFilesOfTheWrongLayoutWithOneLine) {
    std::string records = record_file_bytes(small_model());
    std::string plan = plan_file_bytes(small_plan());
    // Point 3 empty and point 4 computed, in both columns (each column is 32 bytes).
    std::string computed_after_gap = plan;
    for (std::size_t column : {0, 32}) {
        std::size_t point3 = column + 4 + 4 + 10;
        computed_after_gap.replace(point3, 12, std::string("\0\0", 2) + plan.substr(point3, 10));
    }
    struct Case {
        std::string bytes;
        CompiledFileKind kind;
        const char* message;
    };
    const Case cases[] = {
        {"", CompiledFileKind::cells, "0 bytes are not a whole number of 15-byte cells"},
        {std::string(31, '\0'), CompiledFileKind::cells, "31 bytes"},
        {records.substr(0, 34 + 48 + 6), CompiledFileKind::records,
         "record 2 is cut short at byte 87 (the file has 88 bytes)"},
        {records.substr(0, 34 + 10), CompiledFileKind::records, "record 1 is cut short"},
        {records + "x", CompiledFileKind::records, "1 bytes are left over after the 87 records"},
        {"", CompiledFileKind::records, "record 0 is cut short at byte 0 (the file has 0 bytes)"},
        {plan.substr(0, plan.size() - 1), CompiledFileKind::plan, "cut short"},
        {plan.substr(0, 8), CompiledFileKind::plan, "values do not make two columns"},
        {std::string("\x07\0", 2) + plan, CompiledFileKind::plan, "unknown value tag 7 at byte 0"},
        {computed_after_gap, CompiledFileKind::plan, "does not follow the points before it"},
        {records, CompiledFileKind::plan, "not a plan file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        try {
            if (c.kind == CompiledFileKind::cells) decode_cell_file(c.bytes);
            if (c.kind == CompiledFileKind::records) decode_record_file(c.bytes);
            if (c.kind == CompiledFileKind::plan) decode_plan_file(c.bytes);
            ADD_FAILURE() << "accepted";
        } catch (const CompiledFileError& error) {
            std::string message = error.what();
            EXPECT_NE(message.find(c.message), std::string::npos) << message;
            EXPECT_EQ(message.find('\n'), std::string::npos);
        }
    }
}

TEST(ScencReader, TellsTheKindFromTheName) {
    EXPECT_EQ(compiled_file_kind("out/Brenzola_Tessalto_linea.dat"), CompiledFileKind::plan);
    EXPECT_EQ(compiled_file_kind("Brenzola_Tessalto_917.sim"), CompiledFileKind::records);
    EXPECT_EQ(compiled_file_kind("Brenzola_Tessalto_917.dat"), CompiledFileKind::cells);
    EXPECT_EQ(compiled_file_kind("Brenzola_Tessalto_linea.txt"), std::nullopt);
}

TEST(ScencReader, TellsTheKindFromTheContentAndRefusesAMisleadingName) {
    Model model = small_model();
    // A record file whose size is a whole number of cells, like the carried 3,465 = 231 x 15.
    model.records[80].text += std::string(15 - record_file_bytes(model).size() % 15, 'x');
    const std::pair<CompiledFileKind, std::string> files[] = {
        {CompiledFileKind::cells, cell_file_bytes(model)},
        {CompiledFileKind::records, record_file_bytes(model)},
        {CompiledFileKind::plan, plan_file_bytes(small_plan())},
    };
    ASSERT_EQ(files[1].second.size() % 15, 0u);
    const std::pair<CompiledFileKind, const char*> names[] = {
        {CompiledFileKind::cells, "S_1.dat"},
        {CompiledFileKind::records, "S_1.sim"},
        {CompiledFileKind::plan, "S_linea.dat"},
    };
    for (const auto& [kind, bytes] : files) {
        SCOPED_TRACE(kind_description(kind));
        EXPECT_EQ(compiled_kind_from_content(bytes), kind);
        EXPECT_EQ(checked_compiled_kind("unnamed.bin", bytes), kind);
        for (const auto& [named, name] : names) {
            if (named == kind) {
                EXPECT_EQ(checked_compiled_kind(name, bytes), kind);
                continue;
            }
            try {
                checked_compiled_kind(name, bytes);
                ADD_FAILURE() << name << " accepted";
            } catch (const UsageProblem& problem) {
                EXPECT_EQ(std::string(problem.what()),
                          std::string(name) + ": named as a " + kind_description(named) +
                              ", but it looks like a " + kind_description(kind) + " (" +
                              std::to_string(bytes.size()) + " bytes)");
            }
        }
    }

    // Without its marker a file is no compiled file, whatever its size says.
    Model unmarked = small_model();
    unmarked.cells[1].val1 = 0;
    unmarked.records[85].par_a = 0;
    EXPECT_EQ(compiled_kind_from_content(cell_file_bytes(unmarked)), std::nullopt);
    EXPECT_EQ(compiled_kind_from_content(record_file_bytes(unmarked)), std::nullopt);
    EXPECT_EQ(compiled_kind_from_content(std::string("\x05\0", 2) + "12345678"), std::nullopt);
    EXPECT_THROW(checked_compiled_kind("S_1.dat", cell_file_bytes(unmarked)), UsageProblem);
}

TEST(ScencReader, LoadsAScenarioFromItsFolderOrItsFiles) {
    testing::TemporaryFolder folder("scenc-load");
    Model model = small_model();
    Identity id{"Stem", "12"};
    testing::write_bytes(folder / file_name::records(id), record_file_bytes(model));
    testing::write_bytes(folder / file_name::cells(id), cell_file_bytes(model));

    CompiledScenario without_plan = load_compiled_scenario({folder.path()});
    EXPECT_EQ(without_plan.model.cells, model.cells);
    EXPECT_EQ(without_plan.model.cell_upper, 5);
    EXPECT_FALSE(without_plan.plan_file.has_value());

    testing::write_bytes(folder / file_name::plan(id), plan_file_bytes(small_plan()));
    CompiledScenario with_plan = load_compiled_scenario({folder.path()});
    EXPECT_EQ(with_plan.model.plan_upper, 5);
    EXPECT_EQ(with_plan.model.route_stem, "Stem");
    EXPECT_EQ(with_plan.model.train_number, "12");

    CompiledScenario named =
        load_compiled_scenario({folder / file_name::cells(id), folder / file_name::records(id)});
    EXPECT_EQ(named.model.records, model.records);

    auto problem = [](const std::vector<std::filesystem::path>& inputs) {
        try {
            load_compiled_scenario(inputs);
        } catch (const UsageProblem& error) {
            return std::string(error.what());
        }
        return std::string("accepted");
    };
    EXPECT_NE(problem({folder / file_name::cells(id)}).find("record file"), std::string::npos);
    EXPECT_NE(problem({folder / "x.txt"}).find("not a compiled file name"), std::string::npos);
    EXPECT_NE(problem({folder / "gone.sim", folder / "gone.dat"}).find("gone.sim: no such file"),
              std::string::npos);
    testing::write_bytes(folder / "Other_1.sim", record_file_bytes(model));
    EXPECT_NE(problem({folder.path()}).find("several record files"), std::string::npos);
}

}  // namespace
}  // namespace scenario::scenc
