#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "compiler/driver.h"
#include "compiler/errors.h"
#include "compiler/test_models.h"

namespace scenario {
namespace {

constexpr std::int32_t earlier_position = 1234;

struct DatiRun {
    Model model;
    MemorySourceFiles sources;
};

DatiRun compile(std::optional<std::string> route, std::optional<std::string> train) {
    DatiRun run{Model{}, MemorySourceFiles(std::move(route), std::move(train))};
    run.model.route_stem = "Brenzola_Tessalto";
    run.model.train_number = "917";
    run.model.plan_option = 1;
    run.model.error_position = earlier_position;
    memorizza_dati(run.model, run.sources);
    return run;
}

const std::string clean_train = "[generale]\r\n[fine]\r\n";
const std::string short_route = "[generale]\r\nlunghezza percorso, 10000\r\n[x]\r\n[fine]\r\n";

std::string short_route_with(const std::string& feature_row) {
    return "[generale]\r\nlunghezza percorso, 10000\r\n[x]\r\n" + feature_row + "\r\n[fine]\r\n";
}

TEST(MemorizzaDati, CopiesTheIdentityWhateverFollows) {
    for (const std::optional<std::string>& route :
         {std::optional<std::string>(short_route), std::optional<std::string>()}) {
        DatiRun run = compile(route, clean_train);
        EXPECT_EQ(run.model.records[85].text, "Brenzola_Tessalto");
        EXPECT_EQ(run.model.records[86].text, "917");
    }
}

// Which texts are left behind: the train text is read only after a clean route or error 15.
TEST(MemorizzaDati, RouteOutcomesAndTheTextsLeft) {
    struct Case {
        const char* what;
        std::optional<std::string> route;
        std::int32_t code;
        std::int32_t position;
        bool train_left;
    };
    const Case cases[] = {
        {"clean", short_route, 0, earlier_position, false},
        {"no route text", std::nullopt, 101, earlier_position, true},
        {"no general block", "[fine]\r\n", 102, earlier_position, true},
        {"no route length", "[generale]\r\n[x]\r\n[fine]\r\n", 104, earlier_position, true},
        {"curve without class", short_route_with("curvad, 100, 50"), 103, earlier_position, true},
        {"position beyond the track", short_route_with("pendenza, 16950, 1"), 15, 16950, false},
    };
    for (const Case& c : cases) {
        DatiRun run = compile(c.route, clean_train);
        EXPECT_EQ(run.model.error_code, c.code) << c.what;
        EXPECT_EQ(run.model.error_position, c.position) << c.what;
        EXPECT_FALSE(run.sources.route_exists()) << c.what;
        EXPECT_EQ(run.sources.train_exists(), c.train_left) << c.what;
    }
}

// However the train half ends, its text is gone, and the route text before it.
TEST(MemorizzaDati, EveryEndOfTheTrainHalfDeletesBothTexts) {
    struct Case {
        const char* what;
        std::string train;
        std::int32_t code;
    };
    const Case cases[] = {
        {"clean", clean_train, 0},
        {"row beyond the track", "[generale]\r\nvelocita, 99999, 100\r\n[fine]\r\n", 15},
        {"code drop refused",
         "[generale]\r\nabbattimento, 1000, 0\r\nabbattimento, 1000, 0\r\n[fine]\r\n", 7},
        {"station refused",
         "[generale]\r\nstazione, 1025, 28, 200, 0,0,0, 0,0,0, 0,0,0, 0, 1, 0, 0, X\r\n[fine]\r\n",
         8},
        {"read fault", "[generale]\r\nsabbia, x\r\n[fine]\r\n", 25},
    };
    for (const Case& c : cases) {
        DatiRun run = compile(short_route, c.train);
        EXPECT_EQ(run.model.error_code, c.code) << c.what;
        EXPECT_FALSE(run.sources.route_exists()) << c.what;
        EXPECT_FALSE(run.sources.train_exists()) << c.what;
    }
}

// A read fault in either half: error 25, both texts gone, the earlier position kept, and the
// site of the fault (or of the last field read when the fault itself has none).
TEST(MemorizzaDati, ReadFaultsBecomeError25) {
    struct Case {
        const char* what;
        std::optional<std::string> route;
        std::optional<std::string> train;
        std::int32_t position;
        const char* site_file;
        int site_line;
    };
    const Case cases[] = {
        {"general block ends with two comments",
         "[generale]\r\nlunghezza percorso, 10000\r\n-a\r\n-b\r\n", clean_train, earlier_position,
         "linea.txt", 5},
        {"text where the route length is due", "[generale]\r\nlunghezza percorso, molti\r\n",
         clean_train, earlier_position, "linea.txt", 2},
        {"speed board value beyond 16 bits",
         short_route_with("indicatori_vmax, 1950, 2000, 0, 0, 0, 0, 0, 0, 0"), clean_train,
         earlier_position, "linea.txt", 4},
        {"no train text", short_route, std::nullopt, earlier_position, "treno.txt", 0},
        {"text where a train number is due", short_route,
         "[generale]\r\nvetture, molte\r\n[fine]\r\n", earlier_position, "treno.txt", 2},
        {"train fault after a route error 15", short_route_with("pendenza, 16950, 1"),
         "[generale]\r\nvetture, molte\r\n[fine]\r\n", 16950, "treno.txt", 2},
    };
    for (const Case& c : cases) {
        DatiRun run = compile(c.route, c.train);
        EXPECT_EQ(run.model.error_code, 25) << c.what;
        EXPECT_EQ(run.model.error_position, c.position) << c.what;
        EXPECT_FALSE(run.sources.route_exists()) << c.what;
        EXPECT_FALSE(run.sources.train_exists()) << c.what;
        EXPECT_EQ(testing::last_error_site(run.model).file, c.site_file) << c.what;
        EXPECT_EQ(testing::last_error_site(run.model).line, c.site_line) << c.what;
    }
}

}  // namespace
}  // namespace scenario
