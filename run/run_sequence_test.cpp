#include "run/run_sequence.h"

#include <gtest/gtest.h>

#include <vector>

#include "io/test_support.h"

namespace scenario {
namespace {

using testing::TemporaryFolder;

class RecordingUi : public Ui {
  public:
    void show_message(const std::string& text) override { messages.push_back(text); }
    std::vector<std::string> messages;
};

bool folder_is_empty(const TemporaryFolder& folder) {
    return std::filesystem::is_empty(folder.path());
}

CompileOutcome ready_outcome() {
    CompileOutcome outcome;
    outcome.files.with_plan = true;
    outcome.files.records = "records";
    outcome.files.cells = "cells";
    return outcome;
}

TEST(RunSequence, ErroreShowsTheNumberAfterTheFixedText) {
    RecordingUi ui;
    errore(ui, "1251");
    EXPECT_EQ(ui.messages, std::vector<std::string>{" Errore n. 1251"});
}

TEST(RunSequence, ScenarioErrorReportGivesPositionOnlyWhereTheErrorHasOne) {
    Model model;
    model.error_code = 15;
    model.error_position = 249950;
    EXPECT_EQ(scenario_error_report(model),
              " Errore n. 15\nPosizione: 249950 m\nposizione oltre la fine del tracciato");
    model.error_code = 2;  // keeps a stale position, which must not be shown
    EXPECT_EQ(scenario_error_report(model),
              " Errore n. 2\nprogressiva chilometrica con inizio o valore non multiplo di 50");
}

TEST(RunSequence, StoppedOrCellLessCompilesWriteNothing) {
    const Identity id = carried_identity();
    struct Case {
        CompileOutcome::Status status;
        std::string errore_text;
        std::int32_t error_code;
        std::string message;
    };
    const Case cases[] = {
        {CompileOutcome::Status::stopped_by_error, "1250", 0, " Errore n. 1250"},
        {CompileOutcome::Status::stopped_by_error, "1251", 0, " Errore n. 1251"},
        {CompileOutcome::Status::no_cell_table, "", 104,
         " Errore n. 104\nmanca la riga della lunghezza del percorso"},
    };
    for (const Case& c : cases) {
        TemporaryFolder folder;
        Model model;
        model.error_code = c.error_code;
        CompileOutcome outcome = ready_outcome();
        outcome.status = c.status;
        outcome.errore_text = c.errore_text;
        RecordingUi ui;
        EXPECT_EQ(finish_compile(folder.path(), id, model, outcome, ui), exit_status::stopped);
        EXPECT_EQ(ui.messages, std::vector<std::string>{c.message});
        EXPECT_TRUE(folder_is_empty(folder));
    }
}

TEST(RunSequence, AScenarioErrorIsReportedAfterTheFilesAreWritten) {
    const Identity id = carried_identity();
    TemporaryFolder folder;
    Model model;
    model.plan.exists = true;  // points 0..7000, none computed
    model.plan_upper = 7000;
    model.error_code = 12;
    model.error_position = 214450;
    RecordingUi ui;
    EXPECT_EQ(finish_compile(folder.path(), id, model, ready_outcome(), ui),
              exit_status::scenario_error);
    EXPECT_EQ(testing::read_bytes(folder / "Brenzola_Tessalto_917.sim"), "records");
    EXPECT_EQ(testing::read_bytes(folder / "Brenzola_Tessalto_917.dat"), "cells");
    EXPECT_EQ(testing::read_bytes(folder / "Brenzola_Tessalto_linea.dat"), plan_file_bytes(model));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].rfind(" Errore n. 12\nPosizione: 214450 m\n", 0), 0u);
}

TEST(RunSequence, WithoutAPlanNoPlanFileIsWrittenAndAnOldOneStays) {
    const Identity id = carried_identity();
    TemporaryFolder folder;
    testing::write_bytes(folder / "Brenzola_Tessalto_linea.dat", "old plan");
    Model model;
    CompileOutcome outcome = ready_outcome();
    outcome.files.with_plan = false;
    RecordingUi ui;
    EXPECT_EQ(finish_compile(folder.path(), id, model, outcome, ui), exit_status::clean);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(testing::read_bytes(folder / "Brenzola_Tessalto_linea.dat"), "old plan");
}

}  // namespace
}  // namespace scenario
