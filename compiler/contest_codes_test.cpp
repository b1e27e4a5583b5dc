#include "compiler/contest_codes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace scenario {
namespace {

Model model_with_identity(const std::string& train, const std::string& stem) {
    Model model;
    model.records[record_slot::train_identity].text = train;
    model.records[record_slot::route_identity].text = stem;
    return model;
}

TEST(ContestCodes, CodesOfKnownIdentities) {
    struct Case {
        std::string train, stem;
        std::int16_t plain;
        std::int32_t weighted;
    };
    for (const Case& c : std::vector<Case>{
             {"917", "Brenzola_Tessalto", 2485, 33676},
             {"917", "BRENZOLA_TESSALTO", 2485, 33676},
             {"917", "brenzola_tessalto", 2485, 33676},
             {"", "", 2583, 34355},
             // Train number first: swapping the texts keeps the plain sum only.
             {"12", "ab", 2437, 33416},
             {"ab", "12", 2437, 33224},
             // Only the first 25 characters count.
             {"XXXXXXXXXXXXXXXXXXXX", "XXXXXXXXXXXXX", 3000, 39000},
             {"xxxxxxxxxxxxxxxxxxxxxxxxx", "anything", 3000, 39000},
             // A byte above 127 is neither lowered nor taken as negative.
             {"\xC9", "", 2673, 34253},
         }) {
        Model model = model_with_identity(c.train, c.stem);
        EXPECT_EQ(codice_gara_og(model), c.plain) << c.train << c.stem;
        EXPECT_EQ(codice_gara_st(model), c.weighted) << c.train << c.stem;
    }
}

TEST(ContestCodes, RepeatedCallsAgreeAndLeaveTheContestText) {
    Model model = model_with_identity("917", "Brenzola_Tessalto");
    model.current_field = "pendenza";
    EXPECT_EQ(codice_gara_st(model), codice_gara_st(model));
    EXPECT_EQ(model.current_field, "917brenzola_tessaltoaabbccddeeffgghhiillmmnnoo");
    EXPECT_EQ(codice_gara_og(model), codice_gara_og(model));
    EXPECT_EQ(model.current_field, "917brenzola_tessaltoaabbccddeeffgghhiillmmnnoo");
}

}  // namespace
}  // namespace scenario
