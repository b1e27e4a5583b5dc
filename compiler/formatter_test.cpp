#include "compiler/formatter.h"

#include <gtest/gtest.h>

#include <string>

namespace scenario {
namespace {

struct Case {
    const char* what;
    RowPlace place;
    std::string text;
    std::string formatted;
};

const std::string route_start = "[generale]\r\nlunghezza percorso,    243000\r\n[curve]\r\n";
const std::string train_start = "[generale]\r\n";

TEST(Formatter, LaysOutRowsAndKeepsEverythingElse) {
    const Case cases[] = {
        {"route rows get the carried spacing and lower-case keywords", RowPlace::route_general,
         "[generale]\r\nLunghezza Percorso,243000\r\nsfondo uno, 1\r\n[curve]\r\n"
         "CURVAS3 ,1900,    600\r\n  pendenza,5000,-8\r\nmontagna,1,2,11\r\n"
         "cartello_indicatore,8500,(km 341+500)\r\nindicatori_vmax,143500,60,70,75,2,,,,0\r\n"
         "[fine]\r\n",
         "[generale]\r\nlunghezza percorso,    243000\r\nsfondo uno,    1\r\n[curve]\r\n"
         "curvas3,  1900,  600\r\npendenza,  5000,  -8\r\nmontagna,   1,  2,  11\r\n"
         "cartello_indicatore,  8500,   (km 341+500)\r\n"
         "indicatori_vmax,  143500,  60,  70,  75,  2,  ,  ,  ,  0\r\n[fine]\r\n"},
        {"train rows are right-aligned in their columns", RowPlace::train,
         train_start + "Velocita,0,155\r\nsegnale,8650,2,4,0,0,0,2,1,0,0,0\r\n"
                       "STAZIONE,12850,12,400,0,0,0,1,1,0,4,1,1,0,0,0,0,  SILVI\r\n[fine]\r\n",
         train_start + "velocita,       0,   155\r\n"
                       "segnale,    8650,   2, 4, 0,  0, 0,    2,  1,0,0, 0\r\n"
                       "stazione,   12850, 12,  400,  0, 0, 0,  1,1,0,  4,1,1,    0,   0, 0, 0, "
                       "SILVI\r\n[fine]\r\n"},
        {"a value wider than its column follows one blank; an empty one stays empty",
         RowPlace::train,
         train_start + "velocita,123456789,5\r\naderenza,,100\r\nsabbia,\r\n[fine]",
         train_start + "velocita, 123456789,     5\r\naderenza,    ,    100\r\nsabbia,\r\n[fine]"},
        {"numbers apart by blanks stay apart by blanks; blanks after the row stay", RowPlace::train,
         train_start + "orologio,10 49   40 \r\nsabbia,200  \r\n[fine]\r\n",
         train_start + "orologio,    10              49            40 \r\nsabbia,    200  \r\n"
                       "[fine]\r\n"},
        {"what is no single row alone on its line stays as written", RowPlace::route_general,
         "pendenza,1,2\r\n[generale]\r\nlunghezza percorso,243000\r\n[ curve ]\r\n\r\n"
         "- commento -,pendenza,1,2\r\n-solo un commento\r\nfoo,1,2\r\n"
         "pendenza,1,2,pendenza,3,4\r\npendenza, 1\r\n 2\r\n"
         "cartello_indicatore,8500,\"(km, 341)\"\r\npendenza montagna,1,2,3,4,5\r\n[fine]\r\n",
         "pendenza,1,2\r\n[generale]\r\nlunghezza percorso,    243000\r\n[ curve ]\r\n\r\n"
         "- commento -,pendenza,1,2\r\n-solo un commento\r\nfoo,1,2\r\n"
         "pendenza,1,2,pendenza,3,4\r\npendenza, 1\r\n 2\r\n"
         "cartello_indicatore,8500,\"(km, 341)\"\r\npendenza montagna,1,2,3,4,5\r\n[fine]\r\n"},
        {"a keyword keeps its case where lowering it would name another kind too",
         RowPlace::route_general,
         "[generale]\r\nLUNGHEZZA PERCORSO UNO PROGRESSIVA,243000\r\n[curve]\r\n[fine]\r\n",
         "[generale]\r\nLUNGHEZZA PERCORSO UNO PROGRESSIVA,    243000\r\n[curve]\r\n[fine]\r\n"},
        {"line ends and Windows-1252 bytes are kept", RowPlace::train,
         train_start + "sabbia,1\nsabbia,2\rstazione,0,2,500,0,0,0,1,1,0,4,1,1,0,0,0,0,CITT\xC0\n"
                       "[fine]",
         train_start + "sabbia,    1\nsabbia,    2\r"
                       "stazione,       0,  2,  500,  0, 0, 0,  1,1,0,  4,1,1,    0,   0, 0, 0, "
                       "CITT\xC0\n[fine]"},
        {"nothing after a field that does not read changes", RowPlace::train,
         train_start + "sabbia,1\r\nvelocita,abc,5\r\nvelocita,1,2\r\n[fine]\r\n",
         train_start + "sabbia,    1\r\nvelocita,abc,5\r\nvelocita,1,2\r\n[fine]\r\n"},
        {"a text without [generale] stays as written", RowPlace::train,
         "velocita,1,2\r\nsabbia,1\r\n", "velocita,1,2\r\nsabbia,1\r\n"},
    };
    for (const Case& c : cases) {
        const std::string once = formatted_scenario_text(c.text, "t.txt", c.place);
        EXPECT_EQ(once, c.formatted) << c.what;
        EXPECT_EQ(formatted_scenario_text(once, "t.txt", c.place), once) << c.what;
    }
}

TEST(Formatter, TellsARouteTextByItsLengthRow) {
    EXPECT_EQ(formatted_scenario_text(route_start + "pendenza,1,2\r\n[fine]\r\n", "a"),
              route_start + "pendenza,  1,  2\r\n[fine]\r\n");
    // Without the route length's words it is a train text, where "pendenza" names no row.
    EXPECT_EQ(formatted_scenario_text(train_start + "pendenza,1,2\r\nsabbia,1\r\n[fine]\r\n", "b"),
              train_start + "pendenza,1,2\r\nsabbia,    1\r\n[fine]\r\n");
}

}  // namespace
}  // namespace scenario
