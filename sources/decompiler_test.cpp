// The decompiler on the carried scenario's files, edited by hand: what no text can give is
// named at its first place, the texts of everything else still come out, and texts that need
// quoting come back through their quotes.
#include "compiler/decompiler.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "compiler/compiled_layout.h"
#include "compiler/driver.h"
#include "compiler/identity.h"
#include "compiler/source_files.h"
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
}

TEST(Decompiler, WithoutAPlanFileTheTextsCompileWithoutThePlan) {
    CompiledSet set = carried_set();
    set.plan.reset();
    const DecompiledScenario texts = decompile(set);
    EXPECT_EQ(texts.problem, "");
    EXPECT_EQ(texts.plan_option, 0);
    EXPECT_EQ(texts.route_text.find("curva"), std::string::npos);
}

}  // namespace
}  // namespace scenario
