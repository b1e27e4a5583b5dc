#include "scenc/review/compiled_files.h"

#include <gtest/gtest.h>

#include "compiler/identity.h"
#include "compiler/test_models.h"
#include "compiler/writer.h"
#include "io/test_support.h"

namespace scenario::scenc {
namespace {

TEST(ScencReader, TellsTheKindFromTheName) {
    EXPECT_EQ(compiled_file_kind("out/Brenzola_Tessalto_linea.dat"), CompiledFileKind::plan);
    EXPECT_EQ(compiled_file_kind("Brenzola_Tessalto_917.sim"), CompiledFileKind::records);
    EXPECT_EQ(compiled_file_kind("Brenzola_Tessalto_917.dat"), CompiledFileKind::cells);
    EXPECT_EQ(compiled_file_kind("Brenzola_Tessalto_linea.txt"), std::nullopt);
}

TEST(ScencReader, TellsTheKindFromTheContentAndRefusesAMisleadingName) {
    Model model = testing::small_compiled_model();
    // A record file whose size is a whole number of cells, like the carried 3,465 = 231 x 15.
    model.records[80].text += std::string(15 - record_file_bytes(model).size() % 15, 'x');
    const std::pair<CompiledFileKind, std::string> files[] = {
        {CompiledFileKind::cells, cell_file_bytes(model)},
        {CompiledFileKind::records, record_file_bytes(model)},
        {CompiledFileKind::plan, plan_file_bytes(testing::small_compiled_plan())},
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
    Model unmarked = testing::small_compiled_model();
    unmarked.cells[1].val1 = 0;
    unmarked.records[85].par_a = 0;
    EXPECT_EQ(compiled_kind_from_content(cell_file_bytes(unmarked)), std::nullopt);
    EXPECT_EQ(compiled_kind_from_content(record_file_bytes(unmarked)), std::nullopt);
    EXPECT_EQ(compiled_kind_from_content(std::string("\x05\0", 2) + "12345678"), std::nullopt);
    EXPECT_THROW(checked_compiled_kind("S_1.dat", cell_file_bytes(unmarked)), UsageProblem);
}

TEST(ScencReader, LoadsAScenarioFromItsFolderOrItsFiles) {
    testing::TemporaryFolder folder("scenc-load");
    Model model = testing::small_compiled_model();
    Identity id{"Stem", "12"};
    testing::write_bytes(folder / file_name::records(id), record_file_bytes(model));
    testing::write_bytes(folder / file_name::cells(id), cell_file_bytes(model));

    CompiledScenario without_plan = load_compiled_scenario({folder.path()});
    EXPECT_EQ(without_plan.model.cells, model.cells);
    EXPECT_EQ(without_plan.model.cell_upper, 5);
    EXPECT_FALSE(without_plan.plan_file.has_value());

    testing::write_bytes(folder / file_name::plan(id),
                         plan_file_bytes(testing::small_compiled_plan()));
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
