// The decompiler on the carried scenario's files, edited by hand: what no text can give is
// named at its first place, the texts of everything else still come out, and texts that need
// quoting come back through their quotes.
#include "compiler/decompiler.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "compiler/compiled_layout.h"
#include "compiler/driver.h"
#include "compiler/identity.h"
#include "compiler/source_files.h"
#include "compiler/test_models.h"
#include "compiler/writer.h"
#include "sources/line_table.h"
#include "sources/route_text.h"
#include "sources/train_text.h"

namespace scenario {
namespace {

// The carried scenario compiled, after `edit` has changed its model's tables.
CompiledSet carried_set(const std::function<void(Model&)>& edit = {}) {
    Model model;
    const Identity id = carried_identity();
    model.route_stem = id.route_stem;
    model.train_number = id.train_number;
    MemorySourceFiles sources(line_table_bytes(dati_linea(id).lines),
                              line_table_bytes(dati_treno(id).lines));
    CompileOutcome outcome = memorizza_percorso(model, sources, 1);
    EXPECT_EQ(outcome.status, CompileOutcome::Status::ready);
    if (edit) {
        edit(model);
        outcome.files = build_compiled_files(model);
    }
    return {plan_file_bytes(model), outcome.files.records, outcome.files.cells};
}

TEST(Decompiler, FilesNoTextGivesAreNamedAtTheirFirstPlace) {
    struct Case {
        const char* what;
        std::function<void(Model&)> edit;
        const char* place;
    };
    const Case cases[] = {
        {"a cell kind no row writes", [](Model& m) { m.cells[100].kind = 7; }, "cell 100 "},
        {"approach bytes no signal explains", [](Model& m) { m.cells[300].approach = 55; },
         "cell 300 "},
        {"a station stretch no length gives", [](Model& m) { m.records[2].zone_end += 7; },
         "record 2, zone_end"},
        {"a slowdown speed changed in its start cell only",
         [](Model& m) { m.cells[4296].val1 = 81; }, ".dat: cell "},
    };
    for (const Case& c : cases) {
        const DecompiledScenario texts = decompile(carried_set(c.edit));
        EXPECT_NE(texts.problem.find(c.place), std::string::npos)
            << c.what << ": " << texts.problem;
        // Files that differ from those of the texts written do not prove that no text gives them.
        EXPECT_FALSE(texts.no_text_gives) << c.what;
        // Everything else is still written.
        EXPECT_NE(texts.route_text.find("lunghezza percorso, 243000"), std::string::npos) << c.what;
        EXPECT_NE(texts.train_text.find("SAN BENEDETTO"), std::string::npos) << c.what;
    }
}

TEST(Decompiler, TextsThatNeedQuotesComeBackThroughThem) {
    const CompiledSet set = carried_set([](Model& m) {
        m.records[80].text = "(Km 345, 557)";
        m.records[1].text = " BRENZOLA ";
        m.records[2].text = "SAN \"B\"";
    });
    const DecompiledScenario texts = decompile(set);
    EXPECT_EQ(texts.problem, "");
    EXPECT_NE(texts.route_text.find("\"(Km 345, 557)\""), std::string::npos);
    EXPECT_NE(texts.train_text.find("\" BRENZOLA \""), std::string::npos);
    // A quote after the first byte is read as any other byte of a bare field.
    EXPECT_NE(texts.train_text.find(", SAN \"B\"\r\n"), std::string::npos);
}

TEST(Decompiler, ATextHoldingAQuoteIsNamed) {
    const DecompiledScenario texts =
        decompile(carried_set([](Model& m) { m.records[80].text = "say \"Km\", 1"; }));
    EXPECT_NE(texts.problem.find("quote"), std::string::npos) << texts.problem;
    EXPECT_TRUE(texts.no_text_gives);
}

TEST(Decompiler, WithoutAPlanFileTheTextsCompileWithoutThePlan) {
    CompiledSet set = carried_set();
    set.plan.reset();
    const DecompiledScenario texts = decompile(set);
    EXPECT_EQ(texts.problem, "");
    EXPECT_EQ(texts.plan_option, 0);
    EXPECT_EQ(texts.route_text.find("curva"), std::string::npos);
}

// A short route and a train with the given rows, and nothing else on their cells.
testing::Compile short_compile(const std::string& route_rows,
                               const std::string& train_rows = "velocita, 0, 100\r\n") {
    return testing::compile("[generale]\r\nlunghezza percorso, 10000\r\n" + route_rows,
                            "[generale]\r\n" + train_rows, 0);
}

// The texts decompiled from the files of a short route and a train of the given rows.
DecompiledScenario decompiled_train(const std::string& rows) {
    const testing::Compile run = short_compile("[pendenze]\r\n", "velocita, 0, 100\r\n" + rows);
    EXPECT_EQ(run.model.error_code, 0) << rows;
    return decompile({std::nullopt, run.outcome.files.records, run.outcome.files.cells});
}

testing::Compile mountain_compile(const std::string& rows) {
    return short_compile("[montagne]\r\n" + rows);
}

TEST(Decompiler, MountainStretchesThatOverlapComeBackWithEveryMarkerAndType) {
    const std::int32_t upper = mountain_compile("").model.cell_upper;
    const std::string to_last_but_one = std::to_string(upper * 50);
    struct Case {
        const char* what;
        std::string rows;
    };
    const std::vector<Case> cases = {
        {"a marked stretch inside a longer marked one: markers of two phases in one run",
         "montagna, 1000, 8000, 11\r\nmontagna, 3050, 4050, 11\r\n"},
        {"markers left on cells that a later stretch gave another type",
         "montagna, 1000, 3000, 12\r\nmontagna, 2100, 5000, 3\r\n"},
        {"stretches side by side that keep their own types",
         "montagna, 1000, 2000, 1\r\nmontagna, 0, -1000, 0\r\nmontagna, 2000, 3000, 2\r\n"},
        {"an unmarked type above 10 and a marked type 0",
         "montagna, 1000, 2000, -50\r\nmontagna, 5000, 6000, 266\r\n"},
        {"a stretch to the track's end, then one over all of it but its last cell",
         "montagna, 9000, 99999, 1\r\nmontagna, 0, -1000, 0\r\nmontagna, 9000, " + to_last_but_one +
             ", 2\r\n"},
    };
    for (const Case& c : cases) {
        const testing::Compile run = mountain_compile(c.rows);
        ASSERT_EQ(run.model.error_code, 0) << c.what;
        const DecompiledScenario texts =
            decompile({std::nullopt, run.outcome.files.records, run.outcome.files.cells});
        // The decompiler compiles its texts again and names the first byte that differs.
        EXPECT_EQ(texts.problem, "") << c.what << "\n" << texts.route_text;
        EXPECT_NE(texts.route_text.find("montagna"), std::string::npos) << c.what;
    }
}

TEST(Decompiler, SeparateMountainStretchesComeBackAsTheirOwnRows) {
    const std::string rows =
        "montagna, 1000, 3000, 11\r\nmontagna, 3200, 4000, 13\r\nmontagna, 6000, 7000, 2\r\n";
    const testing::Compile run = mountain_compile(rows);
    const DecompiledScenario texts =
        decompile({std::nullopt, run.outcome.files.records, run.outcome.files.cells});
    EXPECT_EQ(texts.problem, "");
    EXPECT_NE(texts.route_text.find("[montagne]\r\n" + rows + "[indicazioni]"), std::string::npos)
        << texts.route_text;
}

TEST(Decompiler, ProfilesThatChangeInTheLastCellsComeBack) {
    // Rows at the last position a row may take fill the last cells one by one.
    const std::int32_t upper = short_compile("").model.cell_upper;
    const std::string last = std::to_string((upper - 2) * 50);
    struct Case {
        const char* what;
        std::string route_rows, train_rows;
    };
    const std::vector<Case> cases = {
        {"a gradient from the last position", "pendenza, 0, 5\r\npendenza, " + last + ", 7\r\n",
         "velocita, 0, 100\r\n"},
        {"three gradients there",
         "pendenza, 0, 5\r\npendenza, " + last + ", 7\r\npendenza, " + last + ", -3\r\npendenza, " +
             last + ", 9\r\n",
         "velocita, 0, 100\r\n"},
        {"two speeds there", "",
         "velocita, 0, 100\r\nvelocita, " + last + ", 60\r\nvelocita, " + last + ", 30\r\n"},
        {"three adhesions there, the middle one 0", "",
         "velocita, 0, 100\r\naderenza, 0, 100\r\naderenza, " + last + ", 50\r\naderenza, " + last +
             ", 0\r\naderenza, " + last + ", 20\r\n"},
    };
    for (const Case& c : cases) {
        const testing::Compile run = short_compile("[pendenze]\r\n" + c.route_rows, c.train_rows);
        ASSERT_EQ(run.model.error_code, 0) << c.what;
        const DecompiledScenario texts =
            decompile({std::nullopt, run.outcome.files.records, run.outcome.files.cells});
        EXPECT_EQ(texts.problem, "") << c.what << "\n" << texts.route_text << texts.train_text;
        EXPECT_NE((texts.route_text + texts.train_text).find(", " + last + ", "), std::string::npos)
            << c.what;
    }
}

TEST(Decompiler, SlowdownsThatOverlapComeBackWithAllTheirEnds) {
    // The cells do not tell which end belongs to which start of the same speed.
    const std::vector<std::string> cases = {
        "rallentamento, 3000, 60, 1000, 0, 0, 0\r\nrallentamento, 3500, 60, 1000, 0, 0, 0\r\n",
        "rallentamento, 6000, 30, 1000, 0, 1, 0\r\nrallentamento, 6200, 30, 300, 0, 0, 0\r\n",
    };
    for (const std::string& rows : cases) {
        const DecompiledScenario texts = decompiled_train(rows);
        EXPECT_EQ(texts.problem, "") << rows << texts.train_text;
    }
}

TEST(Decompiler, SignalsWrittenOutOfOrderKeepTheApproachBytesThatStayed) {
    // Approach cells of signals 2 to 6 cells apart meet; the signal written last keeps them.
    const std::vector<std::string> cases = {
        "segnale, 2200, 2, 4, 0, 0, 0, 2, 1, 0, 0, 0\r\n"
        "segnale, 2000, 1, 4, 0, 0, 0, 1, 1, 0, 0, 0\r\n",
        "segnale, 2000, 1, 4, 0, 0, 0, 1, 1, 0, 0, 0\r\n"
        "segnale, 2300, 2, 4, 0, 0, 0, 2, 1, 0, 0, 0\r\n"
        "segnale, 2100, 0, 4, 0, 0, 0, 2, 1, 0, 0, 0\r\n",
    };
    for (const std::string& rows : cases) {
        const DecompiledScenario texts = decompiled_train(rows);
        EXPECT_EQ(texts.problem, "") << rows << texts.train_text;
    }
}

TEST(Decompiler, StationsWrittenAfterSignalsKeepTheApproachBytesThatStayed) {
    // A station of kind 12 at 1000 m, 400 m long, marks approach cells 22 to 19 before its stop
    // cell 23; a signal at 1150 m marks 22, 20, 18, 16 and one at 1300 m marks 25 to 19.
    const std::string station = "stazione, 1000, 12, 400, 0,0,0,0,0,0,0,0,0,0, 0,0,0, ALFA\r\n";
    const std::string low_signal = "segnale, 1150, 2, 4, 0, 0, 0, 2, 1, 0, 0, 0\r\n";
    const std::string high_signal = "segnale, 1300, 1, 4, 0, 0, 0, 1, 1, 0, 0, 0\r\n";
    struct Case {
        const char* what;
        std::string rows;
        std::string written;  // the rows as they must come back, in this order
    };
    const std::vector<Case> cases = {
        {"a station after a signal", low_signal + station,
         "[segnali]\r\nsegnale, 1150, 2, 4, 0, 0, 0, 2, 1, 0, 0, 0\r\nstazione, 1000, 12, 400"},
        {"a station between two signals", low_signal + station + high_signal,
         "[segnali]\r\nsegnale, 1150, 2, 4, 0, 0, 0, 2, 1, 0, 0, 0\r\nstazione, 1000, 12, "
         "400, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, ALFA\r\nsegnale, 1300, 1, 4"},
        {"the second of two stations after a signal, the first before it",
         station + "segnale, 3150, 2, 4, 0, 0, 0, 2, 1, 0, 0, 0\r\n" +
             "stazione, 3000, 12, 400, 0,0,0,0,0,0,0,0,0,0, 0,0,0, BETA\r\n",
         "[stazioni]\r\nstazione, 1000, 12, 400, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "
         "ALFA\r\n[rallentamenti]\r\n[segnali]\r\nsegnale, 3150, 2, 4, 0, 0, 0, 2, 1, 0, 0, "
         "0\r\nstazione, 3000, 12, 400"},
        {"a station before the signals, where the bytes allow it", station + high_signal,
         "[stazioni]\r\nstazione, 1000, 12, 400, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "
         "ALFA\r\n[rallentamenti]\r\n[segnali]\r\nsegnale, 1300, 1, 4"},
    };
    for (const Case& c : cases) {
        const DecompiledScenario texts = decompiled_train(c.rows);
        EXPECT_EQ(texts.problem, "") << c.what << "\n" << texts.train_text;
        EXPECT_NE(texts.train_text.find(c.written), std::string::npos) << c.what << "\n"
                                                                       << texts.train_text;
    }
}

}  // namespace
}  // namespace scenario
