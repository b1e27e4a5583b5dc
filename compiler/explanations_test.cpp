#include "compiler/explanations.h"

#include <gtest/gtest.h>

#include <string>

#include "compiler/errors.h"
#include "compiler/row_grammar.h"
#include "compiler/warnings.h"

namespace scenario {
namespace {

// Every number of the error table and every warning name has its explanation, and the text
// says what it means, why, and a wrong and a right row or that no single row shows it.
TEST(Explanations, CoverEveryErrorNumberAndWarningName) {
    std::vector<std::string> names;
    for (std::int32_t number : all_error_numbers()) names.push_back(std::to_string(number));
    for (std::string_view name : all_warning_names()) names.emplace_back(name);
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const std::optional<Explanation> explanation = explanation_of(name);
        ASSERT_TRUE(explanation.has_value());
        EXPECT_FALSE(explanation->why.empty());
        const std::optional<std::string> text = explanation_text(name);
        ASSERT_TRUE(text.has_value());
        EXPECT_NE(text->find("Why: "), std::string::npos);
        const bool has_rows = text->find("Wrong: ") != std::string::npos &&
                              text->find("Right: ") != std::string::npos;
        EXPECT_TRUE(has_rows || text->find("No single row shows it.") != std::string::npos);
    }
}

TEST(Explanations, TextsForAnErrorAWarningAndAKeyword) {
    EXPECT_EQ(*explanation_text("16"),
              "error 16: signal on a cell already taken\n\n"
              "Why: A signal marks cell posizione / 50 + 1, which must be free; a second feature "
              "in the same cell would overwrite it (here a signal at 8650 holds cell 174).\n\n"
              "Wrong: segnale,  8660, 2, 4, 0, 0, 0, 2, 1, 0, 0, 0\n"
              "Right: segnale,  8700, 2, 4, 0, 0, 0, 2, 1, 0, 0, 0\n");
    EXPECT_EQ(explanation_text("out-of-order")->rfind("warning out-of-order\n", 0), 0u);
    EXPECT_NE(explanation_text("104")->find("Wrong: (the row is missing)\n"
                                            "Right: lunghezza percorso,    243000\n"),
              std::string::npos);
    // A keyword lists its fields from the row grammar, each with type, unit and range.
    for (const char* keyword : {"segnale", "SEGNALE", "lunghezza percorso"}) {
        SCOPED_TRACE(keyword);
        const std::optional<std::string> text = explanation_text(keyword);
        ASSERT_TRUE(text.has_value());
        EXPECT_NE(text->find("Fields after the keyword:\n"), std::string::npos);
    }
    EXPECT_NE(explanation_text("segnale")->find(
                  "  posizione (Long, m, 0 to 50 x last cell - 100): where the signal stands"),
              std::string::npos);
    for (const char* unknown : {"14", "23", "0", "segnal", "", "-Wout-of-order", "16 "}) {
        SCOPED_TRACE(unknown);
        EXPECT_FALSE(explanation_text(unknown).has_value());
    }
}

TEST(Explanations, DiagnosticsNameTheirCommand) {
    Diagnostic error = error_diagnostic(error_number::signal_taken, {"t.txt", 3, 10});
    EXPECT_EQ(explain_command(error), "scenc explain 16");
    const Diagnostic warning =
        warning_diagnostic(warning_name::out_of_order, {"t.txt", 4, 1}, "out of order");
    EXPECT_EQ(explain_command(warning), "scenc explain out-of-order");
}

}  // namespace
}  // namespace scenario
