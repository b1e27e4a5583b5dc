#include "compiler/diagnostic.h"

#include <gtest/gtest.h>

#include "compiler/driver.h"
#include "compiler/errors.h"
#include "compiler/source_files.h"

namespace scenario {
namespace {

// The model's error state follows the diagnostics: the last error gives the number, and its
// position where it has one; a warning changes neither.
TEST(Diagnostics, TheLastErrorSetsTheModelsErrorState) {
    Model model;
    raise_diagnostic(model, error_diagnostic(15, {"linea.txt", 4, 1, 5}, 16950));
    raise_diagnostic(model, error_diagnostic(2, {}));
    Diagnostic warning;
    warning.number = 900;
    warning.severity = Severity::warning;
    warning.position = 5;
    raise_diagnostic(model, warning);

    EXPECT_EQ(model.error_code, 2);
    EXPECT_EQ(model.error_position, 16950);
    ASSERT_EQ(model.diagnostics.size(), 3u);
    EXPECT_EQ(last_error(model.diagnostics), &model.diagnostics[1]);
    EXPECT_EQ(model.diagnostics[0].message, error_meaning(15));
}

// A compile keeps every error in the order raised: a route error 15 lets the train half run,
// whose reference check adds error 2; the next compile starts from an empty list.
TEST(Diagnostics, ACompileCollectsItsErrorsInOrder) {
    Model model;
    model.route_stem = "Brenzola_Tessalto";
    model.train_number = "917";
    const std::string route =
        "[generale]\r\nlunghezza percorso, 10000\r\nprogressiva chilometrica uno, 0, 25, 0\r\n"
        "[x]\r\npendenza, 16950, 1\r\n[fine]\r\n";
    MemorySourceFiles sources(route, "[generale]\r\n[fine]\r\n");
    memorizza_percorso(model, sources, 0);

    ASSERT_EQ(model.diagnostics.size(), 2u);
    EXPECT_EQ(model.diagnostics[0].number, 15);
    EXPECT_EQ(model.diagnostics[0].position, 16950);
    EXPECT_EQ(model.diagnostics[0].location, (SourceLocation{"linea.txt", 5, 11, 5}));
    EXPECT_EQ(model.diagnostics[1].number, 2);
    EXPECT_EQ(model.diagnostics[1].position, std::nullopt);
    EXPECT_EQ(model.error_code, 2);
    EXPECT_EQ(model.error_position, 16950);

    MemorySourceFiles clean("[generale]\r\nlunghezza percorso, 10000\r\n[x]\r\n[fine]\r\n",
                            "[generale]\r\n[fine]\r\n");
    memorizza_percorso(model, clean, 0);
    EXPECT_TRUE(model.diagnostics.empty());
    EXPECT_EQ(model.error_code, 0);
}

}  // namespace
}  // namespace scenario
