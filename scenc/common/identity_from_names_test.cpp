#include "scenc/common/identity_from_names.h"

#include <gtest/gtest.h>

#include "scenc/common/input_files.h"

namespace scenario::scenc {
namespace {

TEST(ScencIdentity, FromNamesOrOptions) {
    struct Case {
        const char* route;
        const char* train;
        std::optional<std::string> stem;
        std::optional<std::string> number;
        const char* expected;  // "stem/number", or a piece of the refusal
    };
    const Case cases[] = {
        {"dir/Brenzola_Tessalto_linea.txt",
         "dir/Brenzola_Tessalto_917-.txt",
         {},
         {},
         "Brenzola_Tessalto/917"},
        {"a_b_linea.txt", "a_b_12_x-.txt", {}, {}, "a_b/12_x"},
        {"linea.txt", "treno.txt", "Mia", "5", "Mia/5"},
        {"Mia_linea.txt", "treno.txt", {}, "5", "Mia/5"},
        {"linea.txt", "Mia_5-.txt", "Mia", {}, "Mia/5"},
        {"linea.txt", "Mia_5-.txt", {}, {}, "give --stem"},
        {"_linea.txt", "_5-.txt", {}, {}, "give --stem"},
        {"Mia_linea.txt", "treno.txt", {}, {}, "give --train-number"},
        {"Mia_linea.txt", "Tua_5-.txt", {}, {}, "is not named Mia_N-.txt"},
        {"Mia_linea.txt", "Mia_-.txt", {}, {}, "is not named Mia_N-.txt"},
        {"x.txt", "y.txt", "a/b", "1", "route stem \"a/b\" cannot be part of a file name"},
        {"x.txt", "y.txt", "a", "..", "train number \"..\" cannot be part"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.route) + " " + c.train);
        std::string outcome;
        try {
            Identity id = identity_from_names(c.route, c.train, c.stem, c.number);
            outcome = id.route_stem + "/" + id.train_number;
        } catch (const UsageProblem& problem) {
            outcome = problem.what();
        }
        EXPECT_NE(outcome.find(c.expected), std::string::npos) << outcome;
    }
}

}  // namespace
}  // namespace scenario::scenc
