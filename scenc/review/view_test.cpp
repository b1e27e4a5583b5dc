#include "scenc/review/view.h"

#include <gtest/gtest.h>

#include <cmath>

#include "compiler/test_models.h"
#include "scenc/common/input_files.h"

namespace scenario::scenc {
namespace {

// A plan of 2000 m: 600 m straight, a 500 m arc of radius 400 m, then straight again.
Plan bent_plan() {
    Plan plan;
    const std::size_t points = 2001;
    plan.x.assign(points, 0);
    plan.y.assign(points, 0);
    plan.y[1] = 1;
    plan.origin_set = true;
    plan.computed_end = static_cast<std::int32_t>(points);
    double heading = 0;
    for (std::size_t p = 2; p < points; ++p) {
        if (p > 600 && p <= 1100) heading += 1.0 / 400;
        plan.x[p] = plan.x[p - 1] + std::sin(heading);
        plan.y[p] = plan.y[p - 1] + std::cos(heading);
    }
    return plan;
}

double distance_to_segment(const Plan& plan, std::int32_t a, std::int32_t b, std::int32_t p) {
    double dx = plan.x[b] - plan.x[a], dy = plan.y[b] - plan.y[a];
    double t = ((plan.x[p] - plan.x[a]) * dx + (plan.y[p] - plan.y[a]) * dy) / (dx * dx + dy * dy);
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(plan.x[a] + t * dx - plan.x[p], plan.y[a] + t * dy - plan.y[p]);
}

TEST(ScencView, ThinnedPlanStaysWithinItsToleranceAndKeepsTheEnds) {
    Plan plan = bent_plan();
    std::size_t previous_count = 0;
    for (double tolerance : {8.0, 1.0, 0.1}) {
        SCOPED_TRACE(tolerance);
        std::vector<std::int32_t> kept = thinned_plan(plan, tolerance);
        ASSERT_GE(kept.size(), 2u);
        EXPECT_EQ(kept.front(), 0);
        EXPECT_EQ(kept.back(), 2000);
        EXPECT_GT(kept.size(), previous_count);  // a finer tolerance keeps more
        EXPECT_LT(kept.size(), 200u);            // the straights fold to their ends
        previous_count = kept.size();
        for (std::size_t k = 1; k < kept.size(); ++k) {
            for (std::int32_t p = kept[k - 1] + 1; p < kept[k]; ++p) {
                ASSERT_LE(distance_to_segment(plan, kept[k - 1], kept[k], p), tolerance) << p;
            }
        }
    }
    EXPECT_TRUE(thinned_plan(Plan{}, 1.0).empty());
}

const char* const route_text =
    "preamble, pendenza, 1\r\n"
    "[generale]\r\n"
    "lunghezza percorso,    10000\r\n"
    "[pendenze]\r\n"
    "pendenza,  2000,   -8\r\n"
    "- pendenza commented out, 3000, 5\r\n"
    "indicatori_vmax,  1950,  140,  150,  160,  0,  ,  ,  ,  0\r\n"
    "cartello_indicatore,  4400,   (Km 345+557)\r\n"
    "montagna,   5000,  6500,  11\r\n"
    "[fine]\r\n";

const char* const train_text =
    "[generale]\r\n"
    "orologio,    10              49            40\r\n"
    "velocita,       0,   155\r\n"
    "stazione,       0,  8,  500,  0, 0, 0,  1,1,0,  4,1,1,    1,  10,50, 0, SEGNALE ALTO\r\n"
    "segnale,    8650,   2, 4, 0,  0, 0,    2,  1,0,0, 0\r\n"
    "rallentamento,  5000, 60, 800, 0, 1, 60\r\n"
    "abbattimento,  3000, 180\r\n"
    "[fine]\r\n";

TEST(ScencView, SourceRowsNameTheLineOfEachFeatureRow) {
    SourceRows rows(route_text, "r.txt", train_text, "t.txt");
    struct Case {
        RowKind kind;
        std::int64_t metre;
        std::string place;  // empty: no row
    };
    const Case cases[] = {
        {RowKind::gradient, 2000, "r.txt:5"},     // not the preamble's nor the comment's
        {RowKind::gradient, 3000, ""},            // the commented row is no row
        {RowKind::speed_board, 2000, "r.txt:7"},  // the board's cell starts 50 m on
        {RowKind::sign_board, 4450, "r.txt:8"},
        {RowKind::mountain, 6000, "r.txt:9"},  // inside the stretch
        {RowKind::speed_limit, 0, "t.txt:3"},
        {RowKind::signal, 8700, "t.txt:5"},    // the station's name is not a signal row
        {RowKind::signal, 8900, ""},           // beyond reach
        {RowKind::slowdown, 3700, "t.txt:6"},  // a warning board 1300 m ahead of it
        {RowKind::slowdown, 5850, "t.txt:6"},  // its end
        {RowKind::code_drop, 3000, "t.txt:7"},
        {RowKind::code_drop, 3050, ""},  // a code-change point the compiler placed beside it
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.metre);
        const SourceRow* row = rows.nearest(c.kind, c.metre);
        EXPECT_EQ(row ? row->place() : "", c.place);
    }
    ASSERT_NE(rows.station_at(0), nullptr);
    EXPECT_EQ(rows.station_at(0)->place(), "t.txt:4");
    EXPECT_EQ(rows.station_at(50), nullptr);
}

TEST(ScencView, TextsThatCannotBeScannedAreRefusedWithTheirPlace) {
    EXPECT_THROW(SourceRows("lunghezza percorso, 10\r\n", "r.txt", train_text, "t.txt"),
                 UsageProblem);
    try {
        SourceRows(
            "[generale]\r\nlunghezza percorso, 9000\r\n[pendenze]\r\npendenza, 2000, -8\r\n"
            "pendenza, due, 3\r\n[fine]\r\n",
            "r.txt", train_text, "t.txt");
        FAIL() << "a text where a number is due was taken";
    } catch (const UsageProblem& problem) {
        EXPECT_EQ(std::string(problem.what()).rfind("r.txt:5:", 0), 0u) << problem.what();
    }
    // A keyword as the file's very last field is never read, as the parsers have it.
    EXPECT_NO_THROW(SourceRows("[generale]\r\npendenza", "r.txt", train_text, "t.txt"));
}

// A 3 km line with one station whose name could end the page's script.
Model small_model() {
    Model model = testing::model_with_cells(60);
    for (TrackCell& cell : model.cells) {
        cell.speed_limit = 31;
        cell.gradient = 92;
        cell.adhesion = 100;
    }
    model.cells[9].kind = cell_kind::station_stop;
    model.cells[9].val1 = 1;
    model.cells[20].kind = cell_kind::signal;
    model.cells[20].val1 = 41;
    model.records[1].text = "A</script><script>alert(1)</script>\xC8";
    model.records[1].kind = 8;
    model.records[1].time_s = 39000;
    model.records[1].position = 0;
    model.records[84].zone_end = 2000;
    model.records[85].text = "Prova";
    model.records[86].text = "5";
    return model;
}

TEST(ScencView, DataCarriesValuesInTheAuthorsUnits) {
    nlohmann::json data = view_data(small_model(), Plan{}, nullptr);
    EXPECT_EQ(data["title"], "Prova 5");
    EXPECT_EQ(data["cellPositions"][20], "1+000");
    EXPECT_EQ(data["profiles"]["speed"][0], nlohmann::json::array({0, 60, 155, "155 km/h"}));
    EXPECT_EQ(data["profiles"]["gradient"][0][2], -8);
    const nlohmann::json& station = data["stations"][0];
    EXPECT_EQ(station["n"], "A</script><script>alert(1)</script>\u00c8");
    EXPECT_EQ(station["stop"], 9);
    EXPECT_NE(station["l"].dump().find("\"10:50:00\""), std::string::npos);
    ASSERT_EQ(data["features"].size(), 2u);
    EXPECT_EQ(data["features"][1]["k"], "signal");
    EXPECT_EQ(data["features"][1]["w"], "0+950");     // written 50 m before its cell at 1+000
    EXPECT_FALSE(data["features"][0].contains("w"));  // a stop cell has no position of its own
    EXPECT_FALSE(data["features"][1].contains("s"));  // no texts, no sources
    EXPECT_TRUE(data["plan"].empty());                // compiled without a plan
}

TEST(ScencView, PageIsSelfContainedAndItsDataCannotEndTheScript) {
    std::string page = view_page(small_model(), Plan{}, nullptr);
    EXPECT_EQ(page.find("/*@SCENARIO_DATA@*/"), std::string::npos);
    EXPECT_NE(page.find("\"title\":\"Prova 5\""), std::string::npos);
    // Only the page's own three script elements close; the station name's do not.
    std::size_t closings = 0;
    for (std::size_t at = page.find("</script>"); at != std::string::npos;
         at = page.find("</script>", at + 1)) {
        ++closings;
    }
    EXPECT_EQ(closings, 3u);
    for (const char* outside : {"http:", "https:", " src=", "@import", "url("}) {
        EXPECT_EQ(page.find(outside), std::string::npos) << outside;
    }
}

}  // namespace
}  // namespace scenario::scenc
