#include "compiler/route_parser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <string>
#include <string_view>

#include "compiler/driver.h"
#include "compiler/errors.h"
#include "compiler/identity.h"
#include "compiler/source_files.h"
#include "compiler/test_models.h"

namespace scenario {
namespace {

using testing::last_error_site;

std::string joined(std::initializer_list<std::string_view> rows) {
    std::string text;
    for (std::string_view row : rows) {
        text += row;
        text += "\r\n";
    }
    return text;
}

// A 10000 m route (cells 0..340, plan points 0..17000) with the given feature rows.
std::string route_with(std::initializer_list<std::string_view> features) {
    return joined({"[generale]", "lunghezza percorso,    10000", "[curve]"}) + joined(features) +
           "[fine]\r\n";
}

struct RouteRun {
    Model model;
    RouteHalfResult result;
};

constexpr std::int32_t untouched_position = -777;

// A missing text never reaches the parser: the compile above it refuses it.
RouteRun parse(std::optional<std::string> text, std::int32_t plan_option = 1) {
    RouteRun run;
    run.model.plan_option = plan_option;
    run.model.error_position = untouched_position;
    if (text) {
        run.result = parse_route(run.model, *text, "linea.txt");
    } else {
        MemorySourceFiles none(std::nullopt, std::nullopt);
        memorizza_dati(run.model, none);
    }
    return run;
}

// Which of the two texts a compile leaves (route, train) when its route half reads this text.
std::pair<bool, bool> texts_left(std::optional<std::string> text) {
    MemorySourceFiles sources(std::move(text), "[generale]\r\n[fine]\r\n");
    Model model;
    model.plan_option = 1;
    memorizza_dati(model, sources);
    return {sources.route_exists(), sources.train_exists()};
}

std::uint8_t gradient_of(const RouteRun& run, int cell) {
    return run.model.cells.at(static_cast<std::size_t>(cell)).gradient;
}

TEST(RouteParser, GeneralBlockSizesTheTrackAndStoresItsValues) {
    RouteRun run = parse(joined({
        "; preambolo ignorato, lunghezza percorso, 5",
        "[generale]",
        "lunghezza percorso,    243000",
        "progressiva chilometrica tre,    0,    0,    0",
        "progressiva chilometrica due,    0,    0,    0",
        "progressiva chilometrica uno,    0,    350000,    1",
        "sfondo uno,    1",
        "sfondo due,    0",
        "sfondo tre,    0",
        "ripetizione segnali 4 codici,    0,    241000",
        "[curve]",
        "[fine]",
    }));
    const Model& m = run.model;
    EXPECT_EQ(m.error_code, 0);
    EXPECT_TRUE(run.result.go_on_to_train);
    EXPECT_EQ(run.result.sign_board_limit, 80);
    EXPECT_EQ(m.plan_upper, 250000);
    EXPECT_EQ(m.cell_upper, 5000);
    EXPECT_EQ(m.cells.size(), 5001u);
    EXPECT_TRUE(m.plan.exists);
    EXPECT_EQ(plan_file_size(m), 4999964u);
    EXPECT_EQ(m.records[84].zone_end, 243000);
    EXPECT_EQ(m.records[85].zone_start, 1);
    EXPECT_EQ(m.records[85].position, 0);
    EXPECT_EQ(m.records[85].zone_end, 0);
    EXPECT_EQ(m.records[86].zone_start, 0);
    EXPECT_EQ(m.records[86].zone_end, 241000);
    EXPECT_EQ(m.records[86].position, 4);
    EXPECT_EQ(m.records[81].zone_end, 350100);
    EXPECT_EQ(m.current_field, "[fine]");
}

TEST(RouteParser, CabSignallingCodes) {
    struct Case {
        const char* row;
        std::int32_t codes;
    };
    for (const Case& c : {Case{"ripetizione segnali 9 codici, 0, 5000", 9},
                          Case{"ripetizione segnali 4/9 codici, 0, 5000", 4},
                          Case{"ripetizione segnali 9 codici, 0, 0", 0}}) {
        RouteRun run = parse(joined({"[generale]", "lunghezza percorso, 10000", c.row, "[x]"}));
        EXPECT_EQ(run.model.error_code, 0) << c.row;
        EXPECT_EQ(run.model.records[86].position, c.codes) << c.row;
    }
}

// How the parser sees the field stream: comments, letter case and the unread last field.
TEST(RouteParser, ReaderQuirks) {
    struct Case {
        const char* what;
        std::string text;
        std::int32_t cell_upper;  // 340 when the length row was read
        int gradient_cell_20;     // gradient byte of cell 20
        std::string board;        // record 80 text
    };
    const std::string general = "[generale]\r\nlunghezza percorso, 10000\r\n[curve]\r\n";
    const Case cases[] = {
        {"comments in the general block",
         "[generale]\r\n- nota -, -- altra\r\nlunghezza percorso, 10000\r\n[x]\r\n[fine]\r\n", 340,
         100, ""},
        {"length keyword in any case",
         "[GENERALE]\r\nLUNGHEZZA PERCORSO, 10000\r\n[x]\r\n[fine]\r\n", 340, 100, ""},
        {"a feature comment hands over to the next field",
         general + "pendenza - vecchia\r\npendenza, 1000, 5\r\n[fine]\r\n", 340, 105, ""},
        {"a third comment in a row is examined as a keyword",
         general + "-a, -b, pendenza-c, 1000, 5\r\n[fine]\r\n", 340, 105, ""},
        {"feature keywords in any case", general + "PENDENZA, 1000, 5\r\n[fine]\r\n", 340, 105, ""},
        {"a keyword alone on the last line is never examined",
         general + "pendenza, 1000, 5\r\ncartello_indicatore\r\n", 340, 105, ""},
        {"values on the last line are read", general + "cartello_indicatore, 8500, (km 1)", 340,
         100, "(km 1)"},
        {"a quoted board text may hold a comma",
         general + "cartello_indicatore, 8500, \"(a, b)\"\r\n[fine]\r\n", 340, 100, "(a, b)"},
    };
    for (const Case& c : cases) {
        RouteRun run = parse(c.text);
        EXPECT_EQ(run.model.error_code, 0) << c.what;
        EXPECT_EQ(run.model.cell_upper, c.cell_upper) << c.what;
        EXPECT_EQ(gradient_of(run, 20), c.gradient_cell_20) << c.what;
        EXPECT_EQ(run.model.records[80].text, c.board) << c.what;
    }
}

TEST(RouteParser, KilometricReferencesAreMatchedInExactCase) {
    RouteRun capital = parse(joined({"[generale]", "lunghezza percorso, 10000",
                                     "Progressiva chilometrica uno, 0, 350000, 1", "[x]"}));
    EXPECT_EQ(capital.model.records[81].zone_end, 0);
    RouteRun lower = parse(joined({"[generale]", "lunghezza percorso, 10000",
                                   "progressiva chilometrica uno, 0, 350000, 1", "[x]"}));
    EXPECT_EQ(lower.model.records[81].zone_end, 350100);
}

TEST(RouteParser, GradientCells) {
    struct Range {
        int first;
        int last;
        std::uint8_t gradient;
    };
    struct Case {
        std::string text;
        std::vector<Range> ranges;
    };
    const Case cases[] = {
        {route_with({"pendenza, 0, 0", "pendenza, 5000, -8", "pendenza, 7000, 0"}),
         {{0, 99, 100}, {100, 139, 92}, {140, 337, 100}, {338, 340, 0}}},
        // A row at 0 writes no cell: its gradient starts at the origin.
        {route_with({"pendenza, 0, 10", "pendenza, 1000, 0"}), {{0, 19, 110}, {20, 337, 100}}},
        // The track before the first row is level.
        {route_with({"pendenza, 1000, 155"}), {{0, 19, 100}, {20, 337, 255}}},
        {route_with({}), {{0, 337, 100}, {338, 340, 0}}},
        // A row out of order still writes the cell at the cursor.
        {route_with({"pendenza, 1000, 5", "pendenza, 500, 7"}),
         {{0, 19, 100}, {20, 20, 105}, {21, 337, 107}}},
    };
    for (const Case& c : cases) {
        RouteRun run = parse(c.text);
        ASSERT_EQ(run.model.error_code, 0) << c.text;
        for (const Range& r : c.ranges) {
            for (int cell = r.first; cell <= r.last; ++cell) {
                ASSERT_EQ(gradient_of(run, cell), r.gradient) << c.text << " cell " << cell;
            }
        }
    }
}

TEST(RouteParser, GradientRowsOutOfOrderFaultOnlyPastTheLastCell) {
    // The row at 16800 leaves the cursor at cell 336; each later row writes one more cell.
    RouteRun four = parse(route_with({"pendenza, 16800, 1", "pendenza, 50, 1", "pendenza, 50, 1",
                                      "pendenza, 50, 1", "pendenza, 50, 1"}));
    EXPECT_EQ(four.model.error_code, 0);
    EXPECT_EQ(gradient_of(four, 340), 101);
    EXPECT_THROW(parse(route_with({"pendenza, 16800, 1", "pendenza, 50, 1", "pendenza, 50, 1",
                                   "pendenza, 50, 1", "pendenza, 50, 1", "pendenza, 50, 1"})),
                 RunTimeFault);
}

TEST(RouteParser, StraightRouteRunsAlongY) {
    RouteRun run = parse(joined({"[generale]", "lunghezza percorso, 243000", "[x]", "[fine]"}));
    const Plan plan = testing::plan_points(run.model);
    ASSERT_TRUE(plan.origin_set);
    EXPECT_EQ(plan.computed_end, 249999);
    for (std::size_t j = 0; j <= 249998; ++j) {
        ASSERT_EQ(plan.x[j], 0.0) << j;
        ASSERT_EQ(plan.y[j], static_cast<double>(j)) << j;
    }
}

double heading(const Plan& plan, std::size_t j) {
    return std::atan2(plan.x[j] - plan.x[j - 1], plan.y[j] - plan.y[j - 1]);
}

TEST(RouteParser, ClassSixCurveTurnsAQuarterAndMirrorsToTheLeft) {
    RouteRun right = parse(route_with({"curvad6, 0, 524"}));
    RouteRun left = parse(route_with({"curvaS6, 0, 524"}));
    const Plan r = testing::plan_points(right.model);
    const Plan l = testing::plan_points(left.model);
    // The first curve steps, written out.
    EXPECT_DOUBLE_EQ(r.x[2], 0.003);
    EXPECT_DOUBLE_EQ(r.y[2], 2.0);
    EXPECT_DOUBLE_EQ(r.x[3], 0.009);
    EXPECT_DOUBLE_EQ(r.y[3], 2.999991);
    // The plan file carries these bits: another order of the same operations changes them.
    EXPECT_EQ(r.x[524], 0x1.4dbbe2c7a31eep+8);
    EXPECT_EQ(r.y[524], 0x1.4e1eb9702ce5bp+8);
    EXPECT_NEAR(heading(r, 524), 1.57, 0.01);
    EXPECT_NEAR(heading(l, 524), -1.57, 0.01);
    // Past the curve the plan runs straight on in the new heading.
    EXPECT_NEAR(heading(r, 16998), heading(r, 525), 1e-9);
    for (std::size_t j = 0; j <= 16998; ++j) {
        ASSERT_EQ(l.x[j], -r.x[j]) << j;
        ASSERT_EQ(l.y[j], r.y[j]) << j;
    }
}

TEST(RouteParser, CurvesFollowOnFromWhereThePlanStands) {
    RouteRun run = parse(route_with({"curvad6, 100, 50", "curvas3, 120, 80"}));
    const Plan p = testing::plan_points(run.model);
    EXPECT_EQ(p.x[100], 0.0);
    EXPECT_EQ(p.y[100], 100.0);
    EXPECT_DOUBLE_EQ(p.x[101], 0.003);
    // The second curve starts before the plan's end: no straight run, it turns left at once.
    EXPECT_NEAR(heading(p, 150) - heading(p, 151), 0.0004, 1e-6);
    EXPECT_NEAR(heading(p, 200) - heading(p, 201), 0.0, 1e-12);
}

TEST(RouteParser, CurvesAreIgnoredWithoutThePlanOption) {
    RouteRun run = parse(route_with({"curvad, 100, 50", "pendenza, 1000, 5"}), 0);
    EXPECT_EQ(run.model.error_code, 0);
    EXPECT_FALSE(run.model.plan.exists);
    EXPECT_EQ(gradient_of(run, 20), 105);
}

TEST(RouteParser, CurveMustEndWithinThePlan) {
    RouteRun fits = parse(route_with({"curvad3, 16000, 1000"}));
    EXPECT_EQ(fits.model.error_code, 0);
    EXPECT_EQ(fits.model.plan.computed_end, 17001);

    RouteRun too_long = parse(route_with({"curvad3, 16000, 1001"}));
    EXPECT_EQ(too_long.model.error_code, 103);
    EXPECT_EQ(too_long.model.plan.computed_end, 2);
    EXPECT_EQ(last_error_site(too_long.model).line, 4);
    EXPECT_EQ(last_error_site(too_long.model).column, 17);

    // Point 1000000 is the last the plan may ever hold.
    RouteRun guard = parse(joined(
        {"[generale]", "lunghezza percorso, 1000000", "[x]", "curvad1, 999000, 2000", "[fine]"}));
    EXPECT_EQ(guard.model.error_code, 103);
    EXPECT_EQ(guard.model.plan.computed_end, 1000001);
    EXPECT_FALSE(guard.result.go_on_to_train);
}

TEST(RouteParser, SignBoards) {
    RouteRun run = parse(route_with({
        "montagna, 8000, 9000, 11",  // mountain markers on cells 163, 167, 171, ...
        "cartello_indicatore, 8500, (km 341+500)",
        "cartello_indicatore, 9500, (km 340+500)",
        "indicatori_vmax, 1950, 140, 150, 160, 0, 140, 150, 160, 0",
    }));
    const Model& m = run.model;
    ASSERT_EQ(m.error_code, 0);
    EXPECT_EQ(m.cells[171].kind, cell_kind::sign_board);
    EXPECT_EQ(m.cells[171].val1, 80);
    EXPECT_EQ(m.cells[171].mountain, 1);
    EXPECT_EQ(m.records[80].text, "(km 341+500)");
    EXPECT_EQ(m.cells[191].kind, cell_kind::sign_board);
    EXPECT_EQ(m.cells[191].val1, 79);
    EXPECT_EQ(m.records[79].text, "(km 340+500)");
    EXPECT_EQ(m.cells[40].kind, cell_kind::speed_boards);
    EXPECT_EQ(m.cells[40].val1, 2828);
    EXPECT_EQ(m.mountain_count, 1);
    EXPECT_EQ(run.result.sign_board_limit, 78);
}

TEST(RouteParser, EightyBoardsFitTheEightyFirstIsRefused) {
    std::string eighty = joined({"[generale]", "lunghezza percorso, 10000", "[x]"});
    for (int i = 1; i <= 80; ++i) {
        eighty +=
            "cartello_indicatore, " + std::to_string(i * 100) + ", (" + std::to_string(i) + ")\r\n";
    }
    RouteRun full = parse(eighty + "[fine]\r\n");
    EXPECT_EQ(full.model.error_code, 0);
    EXPECT_EQ(full.model.records[1].text, "(80)");
    EXPECT_EQ(full.result.sign_board_limit, 0);

    // The 81st is refused before its cell is looked at, even on an occupied cell.
    RouteRun over = parse(eighty + "cartello_indicatore, 100, (81)\r\n[fine]\r\n");
    EXPECT_EQ(over.model.error_code, 106);
    EXPECT_EQ(over.model.error_position, untouched_position);
    EXPECT_EQ(last_error_site(over.model).line, 84);
    EXPECT_FALSE(over.result.go_on_to_train);
    EXPECT_EQ(texts_left(eighty + "cartello_indicatore, 100, (81)\r\n[fine]\r\n"),
              std::make_pair(false, true));
}

TEST(RouteParser, ErrorsTheirPositionsAndWhatFollows) {
    struct Case {
        const char* what;
        std::optional<std::string> text;
        std::int32_t code;
        std::int32_t position;
        bool go_on;     // the train half runs next
        int site_line;  // where the author is sent
    };
    const std::string speed_board = "indicatori_vmax, 8450, 140, 150, 160, 0, 0, 0, 0, 0";
    const Case cases[] = {
        {"no route text", std::nullopt, 101, untouched_position, false, 0},
        {"empty route text", "", 102, untouched_position, false, 0},
        {"blank route text", "  \r\n\t", 102, untouched_position, false, 0},
        {"no general block", "lunghezza percorso, 1000\r\n[fine]\r\n", 102, untouched_position,
         false, 0},
        {"general header as last field", "x\r\n[Generale]\r\n", 102, untouched_position, false, 2},
        {"route too long", joined({"[generale]", "lunghezza percorso, 1000001", "[x]"}), 1,
         untouched_position, false, 2},
        {"negative route length", joined({"[generale]", "lunghezza percorso, -1", "[x]"}), 1,
         untouched_position, false, 2},
        {"cab start off the grid",
         joined({"[generale]", "ripetizione segnali 4 codici, 10, 5000", "[x]"}), 3,
         untouched_position, false, 2},
        {"cab end off the grid",
         joined({"[generale]", "ripetizione segnali 4 codici, 0, 5010", "[x]"}), 4,
         untouched_position, false, 2},
        {"cab codes missing", joined({"[generale]", "ripetizione segnali codici, 0, 5000", "[x]"}),
         5, untouched_position, false, 2},
        {"no route length", joined({"[generale]", "sfondo uno, 1", "[x]", "[fine]"}), 104,
         untouched_position, false, 3},
        {"curve without class", route_with({"curvad, 100, 50"}), 103, untouched_position, false, 4},
        {"position beyond the track", route_with({"pendenza, 16950, 1"}), 15, 16950, true, 4},
        {"last position on the track", route_with({"indicatori_v, 16900, 1,1,1,0,0,0,0,0"}), 0,
         untouched_position, true, 0},
        {"negative position", route_with({"montagna, -50, 100, 1"}), 15, -50, true, 4},
        {"curve beyond the track", route_with({"curvad3, 16950, 10"}), 15, 16950, true, 4},
        {"board beyond the track", route_with({"cartello_indicatore, 16901, (x)"}), 15, 16901, true,
         4},
        {"sign board on a speed board", route_with({speed_board, "cartello_indicatore, 8450, (x)"}),
         6, 8450, false, 5},
        {"speed board on a speed board", route_with({speed_board, speed_board}), 21, 8450, false,
         5},
    };
    for (const Case& c : cases) {
        RouteRun run = parse(c.text);
        const Model& m = run.model;
        EXPECT_EQ(m.error_code, c.code) << c.what;
        EXPECT_EQ(m.error_position, c.position) << c.what;
        EXPECT_EQ(run.result.go_on_to_train, c.go_on) << c.what;
        // The route text is gone whatever happened; the train text goes once it is read.
        EXPECT_EQ(texts_left(c.text), std::make_pair(false, !c.go_on)) << c.what;
        if (c.code != 0) {
            EXPECT_EQ(last_error_site(m).file, "linea.txt") << c.what;
            EXPECT_EQ(last_error_site(m).line, c.site_line) << c.what;
        }
    }
}

TEST(RouteParser, RangeErrorStopsReadingButCompletesTheTrack) {
    RouteRun run = parse(
        route_with({"pendenza, 1000, 5", "pendenza, 16950, 1", "cartello_indicatore, 8500, (x)"}));
    EXPECT_EQ(run.model.error_code, 15);
    EXPECT_EQ(run.model.cells[171].kind, 0);
    EXPECT_EQ(gradient_of(run, 337), 105);
    EXPECT_EQ(run.model.plan.computed_end, 16999);
}

TEST(RouteParser, ProgressiveOrdina) {
    struct Triple {
        std::int32_t start, value, flag;
    };
    struct Case {
        Triple three, two, one;  // records 81, 82, 83 as read
        Triple r81, r82, r83;
    };
    const Case cases[] = {
        // Sorted by start, largest first.
        {{10000, 1, 0}, {0, 2, 0}, {5000, 3, 0}, {10000, 1, 0}, {5000, 3, 0}, {0, 2, 0}},
        {{0, 1, 0}, {10000, 2, 0}, {5000, 3, 1}, {10000, 2, 0}, {5000, 103, 1}, {0, 1, 0}},
        {{100, 1, 0}, {50, 2, 0}, {150, 3, 0}, {150, 3, 0}, {100, 1, 0}, {50, 2, 0}},
        // Two equal largest starts drop all three.
        {{100, 1, 1}, {100, 2, 1}, {50, 3, 1}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}},
        // All starts at 0: the references with a value decide.
        {{0, 0, 0}, {0, 0, 0}, {0, 350000, 1}, {0, 350100, 1}, {0, 0, 0}, {0, 0, 0}},
        {{0, 7, 0}, {0, 5, 0}, {0, 0, 1}, {0, 5, 0}, {0, 7, 0}, {0, 100, 1}},
        {{0, 7, 1}, {0, 0, 0}, {0, 0, 0}, {0, 107, 1}, {0, 0, 0}, {0, 0, 0}},
        // Only flag 1 raises the value.
        {{0, 7, 2}, {0, 0, 0}, {0, 0, 0}, {0, 7, 2}, {0, 0, 0}, {0, 0, 0}},
        {{0, 0, 1}, {0, -5, 1}, {0, 0, 1}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        Model m;
        auto put = [&m](int slot, Triple t) {
            m.records[static_cast<std::size_t>(slot)].zone_start = t.start;
            m.records[static_cast<std::size_t>(slot)].zone_end = t.value;
            m.records[static_cast<std::size_t>(slot)].position = t.flag;
        };
        put(81, c.three);
        put(82, c.two);
        put(83, c.one);
        progressive_ordina(m);
        int slot = 81;
        for (Triple expected : {c.r81, c.r82, c.r83}) {
            const ScenarioRecord& r = m.records[static_cast<std::size_t>(slot)];
            EXPECT_EQ(r.zone_start, expected.start) << "record " << slot;
            EXPECT_EQ(r.zone_end, expected.value) << "record " << slot;
            EXPECT_EQ(r.position, expected.flag) << "record " << slot;
            ++slot;
        }
    }
}

}  // namespace
}  // namespace scenario
