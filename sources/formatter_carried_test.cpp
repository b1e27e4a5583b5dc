// fmt of the carried texts: their layout is the one fmt writes, but for three gradient rows of
// the route text, which carry one blank more than the others of their kind.
#include <gtest/gtest.h>

#include <string>

#include "compiler/formatter.h"
#include "compiler/identity.h"
#include "sources/line_table.h"
#include "sources/route_text.h"
#include "sources/train_text.h"

namespace scenario {
namespace {

TEST(FormatterCarried, TrainTextIsAlreadyFormatted) {
    const std::string train = line_table_bytes(dati_treno(carried_identity()).lines);
    EXPECT_EQ(formatted_scenario_text(train, "train"), train);
}

TEST(FormatterCarried, RouteTextChangesOnlyInItsFirstThreeGradients) {
    const std::string route = line_table_bytes(dati_linea(carried_identity()).lines);
    std::string expected = route;
    for (const std::string row :
         {"pendenza,  0,   0", "pendenza,  5000,   -8", "pendenza,  7000,   0"}) {
        const std::size_t at = expected.find(row + "\r\n");
        ASSERT_NE(at, std::string::npos) << row;
        expected.erase(at + row.rfind(",") + 1, 1);
    }
    const std::string formatted = formatted_scenario_text(route, "route");
    EXPECT_EQ(formatted, expected);
    EXPECT_EQ(formatted_scenario_text(formatted, "route"), formatted);
}

}  // namespace
}  // namespace scenario
