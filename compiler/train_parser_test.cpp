#include "compiler/train_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "compiler/driver.h"
#include "compiler/errors.h"
#include "compiler/test_models.h"

namespace scenario {
namespace {

using testing::last_error_site;

constexpr std::int32_t upper = 300;
constexpr std::uint8_t untouched = 0xEE;

// A model as the route half leaves it: cells 0..upper, the profile bytes marked so that the
// cells the train text writes can be told from those it leaves alone.
Model route_model(std::int32_t cell_upper = upper) {
    Model model = testing::model_with_cells(cell_upper);
    for (TrackCell& cell : model.cells) {
        cell.speed_limit = untouched;
        cell.adhesion = untouched;
    }
    return model;
}

struct Outcome {
    Model model;
};

Outcome parse_text(const std::string& train, Model model = route_model(), std::int32_t limit = 80) {
    parse_train(model, train, "treno.txt", limit);
    return {std::move(model)};
}

// Rows between the general header and the closing "[fine]" line.
Outcome parse_rows(const std::string& rows, Model model = route_model(), std::int32_t limit = 80) {
    return parse_text("[generale]\r\n" + rows + "[fine]\r\n", std::move(model), limit);
}

std::string station_row(std::int32_t position, int kind, std::int32_t length, int opt_d = 0,
                        int opt_e = 1, const std::string& name = "STAZIONE") {
    return "stazione, " + std::to_string(position) + ", " + std::to_string(kind) + ", " +
           std::to_string(length) + ", 0, " + std::to_string(opt_e) + ", " + std::to_string(opt_d) +
           ", 1,1,0, 4,1,1, 60, 11, 6, 0, " + name + "\r\n";
}

std::string signal_row(std::int32_t position) {
    return "segnale, " + std::to_string(position) + ", 2, 4, 0, 0, 0, 2, 1, 0, 0, 0\r\n";
}

// A byte profile as its runs: the first cell of each run and the run's value.
using Runs = std::vector<std::pair<std::size_t, int>>;
Runs runs_of(const Model& model, std::uint8_t TrackCell::*field) {
    Runs runs;
    for (std::size_t c = 0; c < model.cells.size(); ++c) {
        const int value = model.cells[c].*field;
        if (runs.empty() || runs.back().second != value) runs.emplace_back(c, value);
    }
    return runs;
}

// Cells with a non-zero byte or kind, as (cell, value).
Runs marked_cells(const Model& model, std::uint8_t TrackCell::*field) {
    Runs marked;
    for (std::size_t c = 0; c < model.cells.size(); ++c) {
        if (model.cells[c].*field != 0) marked.emplace_back(c, model.cells[c].*field);
    }
    return marked;
}

TEST(TrainParser, ReadsTheTrainValuesWhateverTheCaseAndComments) {
    Outcome out = parse_rows(
        "NUMERO VETTURE,    14\r\n"
        "percentuale massa frenata,    130\r\n"
        "-- nota, -- altra nota --, sabbia,    200\r\n"
        "orologio,    10              49            40 \r\n"
        "[vel_limite]\r\n");
    EXPECT_EQ(out.model.error_code, 0);
    EXPECT_EQ(out.model.records[84].zone_start, 130);
    EXPECT_EQ(out.model.records[84].position, 14);
    const ScenarioRecord& train = out.model.records[86];
    EXPECT_EQ(train.par_a, 200);
    EXPECT_EQ((std::vector<int>{train.par_c, train.par_d, train.par_e}),
              (std::vector<int>{10, 49, 40}));
    EXPECT_EQ(train.par_b, 0);
}

TEST(TrainParser, SkipsToTheGeneralBlockAndNeverInterpretsTheLastField) {
    struct Case {
        const char* name;
        std::string text;
        int sand;
    };
    const std::vector<Case> cases{
        {"values after the keyword on the last line", "[generale]\r\nsabbia, 200", 200},
        {"keyword alone on the last line", "[generale]\r\nsabbia", 0},
        {"keyword alone on the last line, with its line end", "[generale]\r\nsabbia\r\n", 0},
        {"third field used as it stands", "[generale]\r\n-a,-b,-c sabbia, 7\r\n[fine]\r\n", 7},
        {"header in capitals inside a line", "x, [GENERALE], sabbia, 5\r\n[fine]\r\n", 5},
        {"rows before the header", "sabbia, 9\r\n[generale]\r\n[fine]\r\n", 0},
    };
    for (const Case& c : cases) {
        Outcome out = parse_text(c.text);
        EXPECT_EQ(out.model.records[86].par_a, c.sand) << c.name;
        EXPECT_EQ(out.model.error_code, 0) << c.name;
    }
}

TEST(TrainParser, SpeedAndAdhesionAreStepProfilesCompletedToTheThirdLastCell) {
    struct Case {
        const char* name;
        bool with_header;
        std::string rows;
        Runs speed;
        Runs adhesion;
    };
    const std::vector<Case> cases{
        {"carried start",
         true,
         "aderenza, 0, 100\r\nvelocita, 0, 155\r\nvelocita, 1950, 160\r\nvelocita, 4450, 150\r\n",
         {{0, 31}, {39, 32}, {89, 30}, {298, untouched}},
         {{0, 100}, {298, untouched}}},
        // 77 km/h is 15.4 steps and 2 km/h 0.4; the row at 510 shares cell 10 with the one
        // at 500 and still writes that cell; adhesion keeps its low eight bits.
        {"late start, rounding and two rows in one cell",
         true,
         "velocita, 500, 120\r\nvelocita, 510, 77\r\nvelocita, 1000, 2\r\n"
         "aderenza, 500, 100\r\naderenza, 1000, 300\r\n",
         {{0, 0}, {10, 24}, {11, 15}, {20, 0}, {298, untouched}},
         {{0, 0}, {10, 100}, {20, 44}, {298, untouched}}},
        {"file without the general header",
         false,
         "velocita, 1000, 100\r\naderenza, 1000, 100\r\n",
         {{0, 0}, {298, untouched}},
         {{0, 0}, {298, untouched}}},
    };
    for (const Case& c : cases) {
        Outcome out = c.with_header ? parse_rows(c.rows) : parse_text(c.rows + "[fine]\r\n");
        EXPECT_EQ(runs_of(out.model, &TrackCell::speed_limit), c.speed) << c.name;
        EXPECT_EQ(runs_of(out.model, &TrackCell::adhesion), c.adhesion) << c.name;
        EXPECT_EQ(out.model.error_code, 0) << c.name;
    }
}

TEST(TrainParser, StationRowFillsEveryFieldOfItsRecord) {
    Outcome out = parse_rows(station_row(0, 28, 200) +
                                 "stazione,   61500,  2,  600,  3, 1, 1,  7,8,9, 10,11,12,   60,  "
                                 "11, 6, 5, CIVITANOVA MARCHE-MONTEGRANARO\r\n",
                             route_model(2000));
    ASSERT_EQ(out.model.error_code, 0);
    ScenarioRecord expected;
    expected.kind = 2;
    expected.zone_start = 61200;
    expected.zone_end = 61850;
    expected.position = 61500;
    expected.opt_a = 3;
    expected.text = "CIVITANOVA MARCHE-MONTEGRANARO";
    expected.par_a = 7;
    expected.par_b = 8;
    expected.opt_b = 9;
    expected.par_c = 10;
    expected.par_d = 11;
    expected.par_e = 12;
    expected.opt_c = 60;
    expected.opt_d = 1;
    expected.opt_e = 1;
    expected.time_s = (11 * 60 + 6) * 60 + 5;
    EXPECT_EQ(out.model.records[2], expected);
    EXPECT_EQ(out.model.records[3], ScenarioRecord{});
}

TEST(TrainParser, StationsMarkTheirStretchStopCellAndApproachCellsByKind) {
    const std::string halt_first = station_row(0, 28, 200);
    const Runs approach_before_9{{5, 84}, {6, 83}, {7, 82}, {8, 81}};
    struct Case {
        const char* name;
        std::string rows;
        std::size_t slot;
        std::int32_t zone_start, zone_end;
        int opt_d, opt_e;
        Runs stop_cells;  // (cell, station number)
        Runs approach;
    };
    const std::vector<Case> cases{
        {"carried first station",
         station_row(0, 8, 500),
         1,
         -500,
         500,
         0,
         0,
         {{9, 1}},
         approach_before_9},
        {"first station with end extension",
         station_row(1000, 12, 400, 1),
         1,
         800,
         1250,
         0,
         0,
         {{24, 1}},
         {{20, 84}, {21, 83}, {22, 82}, {23, 81}}},
        {"later station keeps its end extension",
         halt_first + station_row(12850, 12, 400, 1),
         2,
         12650,
         13100,
         1,
         0,
         {{261, 2}},
         {{257, 84}, {258, 83}, {259, 82}, {260, 81}}},
        {"general kind without extension",
         halt_first + station_row(12850, 12, 400),
         2,
         12650,
         13050,
         0,
         0,
         {{260, 2}},
         {{256, 84}, {257, 83}, {258, 82}, {259, 81}}},
        {"long station keeps option e",
         halt_first + station_row(10000, 4, 600),
         2,
         9700,
         10300,
         0,
         1,
         {{205, 2}},
         {{201, 84}, {202, 83}, {203, 82}, {204, 81}}},
        {"kind 5: no approach cells",
         halt_first + station_row(10000, 5, 300, 1),
         2,
         9700,
         10150,
         0,
         0,
         {{202, 2}},
         {}},
        {"kind 8 later on",
         halt_first + station_row(10000, 8, 500, 1),
         2,
         9500,
         10500,
         0,
         0,
         {{209, 2}},
         {{205, 84}, {206, 83}, {207, 82}, {208, 81}}},
        {"kind 28 marks nothing",
         halt_first + station_row(10000, 28, 200),
         2,
         9900,
         10100,
         0,
         0,
         {},
         {}},
    };
    for (const Case& c : cases) {
        Outcome out = parse_rows(c.rows);
        ASSERT_EQ(out.model.error_code, 0) << c.name;
        const ScenarioRecord& station = out.model.records[c.slot];
        EXPECT_EQ(station.zone_start, c.zone_start) << c.name;
        EXPECT_EQ(station.zone_end, c.zone_end) << c.name;
        EXPECT_EQ(station.opt_d, c.opt_d) << c.name;
        EXPECT_EQ(station.opt_e, c.opt_e) << c.name;
        Runs stops;
        for (std::size_t cell = 0; cell < out.model.cells.size(); ++cell) {
            if (out.model.cells[cell].kind == cell_kind::station_stop) {
                stops.emplace_back(cell, out.model.cells[cell].val1);
            }
        }
        EXPECT_EQ(stops, c.stop_cells) << c.name;
        EXPECT_EQ(marked_cells(out.model, &TrackCell::approach), c.approach) << c.name;
    }
}

TEST(TrainParser, StationsKeepAGapOf350Metres) {
    // The first station ends at 13050; the next one starts 200 m before its position.
    const std::string first = station_row(12850, 12, 400);
    Outcome accepted = parse_rows(first + station_row(13600, 12, 400));
    EXPECT_EQ(accepted.model.error_code, 0);
    EXPECT_EQ(accepted.model.records[2].zone_start, 13400);

    Outcome refused = parse_rows(first + station_row(13550, 12, 400) + "sabbia, 5\r\n");
    EXPECT_EQ(refused.model.error_code, 22);
    EXPECT_EQ(refused.model.error_position, 13550);
    EXPECT_EQ(refused.model.records[86].par_a, 0);  // nothing read after it
    // The diagnostic points at the refused station and at the one it comes too close to.
    ASSERT_EQ(refused.model.diagnostics.size(), 1u);
    const Diagnostic& too_close = refused.model.diagnostics.front();
    EXPECT_EQ(too_close.position, 13550);
    EXPECT_EQ(too_close.location, (SourceLocation{"treno.txt", 3, 11, 5}));
    EXPECT_EQ(too_close.related, (SourceLocation{"treno.txt", 2, 11, 5}));
    EXPECT_EQ(too_close.message.rfind(error_meaning(22) + ": its stretch starts at 13350 m", 0), 0u)
        << too_close.message;
}

TEST(TrainParser, StationsStayBelowTheRouteSignBoards) {
    struct Case {
        std::int32_t boards;
        int stations;
        std::int32_t error;
        int last_station_slot;  // highest record holding a station
    };
    const std::vector<Case> cases{
        {0, 78, 0, 78}, {0, 79, 10, 79},  // stored, then refused: record 79 is still free of boards
        {3, 75, 0, 75}, {3, 76, 10, 76},
        {79, 1, 10, 1},  // record 1 is still free: stored, then refused
        {80, 1, 10, 0},  // record 1 holds a board: refused before anything is stored
    };
    for (const Case& c : cases) {
        Model model = route_model(2000);
        const std::int32_t limit = 80 - c.boards;
        for (std::int32_t slot = 80; slot > limit; --slot) {
            model.records[static_cast<std::size_t>(slot)].text = "CARTELLO";
        }
        std::string rows;
        for (int n = 0; n < c.stations; ++n) rows += station_row(1000 * (n + 1), 28, 200);
        Outcome out = parse_rows(rows, std::move(model), limit);
        const std::string name =
            std::to_string(c.boards) + " boards, " + std::to_string(c.stations) + " stations";
        EXPECT_EQ(out.model.error_code, c.error) << name;
        for (int slot = 1; slot <= 80; ++slot) {
            const ScenarioRecord& record = out.model.records[static_cast<std::size_t>(slot)];
            if (slot <= c.last_station_slot) {
                EXPECT_EQ(record.position, 1000 * slot) << name << ", record " << slot;
            } else {
                EXPECT_EQ(record.position, 0) << name << ", record " << slot;
                EXPECT_EQ(record.text, slot > limit ? "CARTELLO" : "") << name << ", " << slot;
            }
        }
    }
}

TEST(TrainParser, CodeDropsMarkTheirCellWithOrWithoutAValue) {
    struct Case {
        const char* name;
        std::string rows;
        std::uint8_t kind_before;
        std::uint8_t kind;
        std::int16_t val1;
        std::int32_t error;
    };
    // The drop at 5000 goes to cell 100, which holds val1 7 beforehand.
    const std::vector<Case> cases{
        {"value 180", "abbattimento, 5000, 180\r\n", 0, 12, 180, 0},
        {"value 0", "abbattimento, 5000, 0\r\n", 0, 13, 7, 0},
        {"negative value", "abbattimento, 5000, -5\r\n", 0, 13, 7, 0},
        {"value beyond 16 bits", "abbattimento, 5000, 70000\r\n", 0, 12, 4464, 0},
        {"on a mountain marker", "abbattimento, 5000, 180\r\n", 11, 12, 180, 0},
        {"on a signal's cell", signal_row(4950) + "abbattimento, 5000, 180\r\n", 0, 1, 41, 7},
    };
    for (const Case& c : cases) {
        Model model = route_model();
        model.cells[100].kind = c.kind_before;
        model.cells[100].val1 = 7;
        Outcome out = parse_rows(c.rows, std::move(model));
        EXPECT_EQ(out.model.cells[100].kind, c.kind) << c.name;
        EXPECT_EQ(out.model.cells[100].val1, c.val1) << c.name;
        EXPECT_EQ(out.model.error_code, c.error) << c.name;
    }
}

TEST(TrainParser, EveryTrainErrorWithItsPositionSiteAndWhatFollows) {
    // Line 2 sets the speed to 100 km/h: cell 0 shows 20 when the profiles were completed.
    const std::string speed_first = "velocita, 0, 100\r\n";
    constexpr std::int32_t earlier_position = 4242;
    struct Case {
        const char* name;
        std::string rows;  // from line 3 on
        std::int32_t error;
        std::int32_t position;
        int site_line;
        bool completed;
        std::size_t marked;  // cells with a kind afterwards
    };
    const std::vector<Case> cases{
        {"last position inside the track", "velocita, 14900, 120\r\n", 0, earlier_position, 0, true,
         0},
        {"speed row past the track", "velocita, 14950, 120\r\nsabbia, 1\r\n", 15, 14950, 3, true,
         0},
        {"negative code drop", "abbattimento, -50, 180\r\n", 15, -50, 3, true, 0},
        {"station past the track", station_row(14250, 28, 200), 15, 14250, 3, true, 0},
        {"station whose stop cell lies past the last cell", station_row(14000, 8, 2000), 15, 14000,
         3, true, 0},
        {"slowdown whose end lies past the last cell",
         "rallentamento, 14000, 60, 2000, 0, 1, 60\r\n", 15, 14000, 3, true, 0},
        {"code drop on a signal", signal_row(4950) + "abbattimento, 5000, 180\r\n", 7, 5000, 4,
         false, 1},
        {"signal on a signal", signal_row(4950) + "\r\n" + signal_row(4950), 16, 4950, 5, false, 1},
        {"slowdown advance point on a signal",
         signal_row(3750) + "rallentamento, 4950, 60, "
                            "500, 0, 1, 60\r\n",
         17, 4950, 4, false, 1},
        {"slowdown start on a signal",
         signal_row(4950) + "rallentamento, 4950, 60, 500, 0, 1, 60\r\n", 18, 4950, 4, false, 1},
        {"slowdown end on a signal",
         signal_row(5450) + "rallentamento, 4950, 60, 500, 0, 1, 60\r\n", 19, 4950, 4, false, 1},
        {"warning boards on a signal",
         signal_row(3650) + "rallentamento, 4950, 60, 500, 0, 1, 60\r\n", 20, 4950, 4, false, 4},
        {"station off the 50 m grid", station_row(1025, 12, 400), 8, 1025, 3, false, 0},
        {"station length off the 100 m grid", station_row(1000, 12, 450), 9, 1000, 3, false, 0},
        {"stop cell at index 0", station_row(0, 12, 100), 24, earlier_position, 3, false, 0},
        {"station too close", station_row(1000, 28, 200) + station_row(1300, 28, 200), 22, 1300, 4,
         false, 0},
    };
    for (const Case& c : cases) {
        Model model = route_model();
        model.error_position = earlier_position;
        Outcome out = parse_rows(speed_first + c.rows, std::move(model));
        EXPECT_EQ(out.model.error_code, c.error) << c.name;
        EXPECT_EQ(out.model.error_position, c.position) << c.name;
        EXPECT_EQ(last_error_site(out.model).line, c.site_line) << c.name;
        EXPECT_EQ(last_error_site(out.model).file, c.site_line != 0 ? "treno.txt" : "") << c.name;
        EXPECT_EQ(out.model.cells[0].speed_limit == 20, c.completed) << c.name;
        EXPECT_EQ(out.model.records[86].par_a, 0) << c.name;
        std::size_t marked = 0;
        for (const TrackCell& cell : out.model.cells) marked += cell.kind != 0 ? 1 : 0;
        EXPECT_EQ(marked, c.marked) << c.name;
    }
}

TEST(TrainParser, RefusedStationBeyondTheLastCellStoresNothing) {
    Outcome out = parse_rows(station_row(14000, 8, 2000));
    EXPECT_EQ(out.model.error_code, 15);
    EXPECT_EQ(out.model.records[1], ScenarioRecord{});
}

TEST(TrainParser, AStationRefusedForItsPositionOrLengthKeepsWhatWasReadOfIt) {
    struct Case {
        std::string row;
        std::int32_t error;
        std::int32_t position;
        std::uint8_t kind;
    };
    const Case cases[] = {
        {station_row(14250, 28, 200), 15, 14250, 0},
        {station_row(1025, 12, 400), 8, 1025, 0},
        {station_row(1000, 12, 450), 9, 1000, 12},
    };
    for (const Case& c : cases) {
        Outcome out = parse_rows(c.row);
        EXPECT_EQ(out.model.error_code, c.error) << c.row;
        ScenarioRecord expected;
        expected.position = c.position;
        expected.kind = c.kind;
        EXPECT_EQ(out.model.records[1], expected) << c.row;
    }
}

// A station row is read straight into its record: a read fault in the middle of it leaves
// every field read before the fault there. The time is stored only once all three clock
// values are read.
TEST(TrainParser, AStationRowCutByAReadFaultKeepsWhatWasReadOfIt) {
    ScenarioRecord up_to_par_a;
    up_to_par_a.position = 1000;
    up_to_par_a.kind = 12;
    up_to_par_a.opt_a = 3;
    up_to_par_a.opt_e = 1;
    up_to_par_a.opt_d = 1;
    up_to_par_a.par_a = 7;
    ScenarioRecord up_to_opt_c = up_to_par_a;
    up_to_opt_c.par_b = 8;
    up_to_opt_c.opt_b = 9;
    up_to_opt_c.par_c = 10;
    up_to_opt_c.par_d = 11;
    up_to_opt_c.par_e = 12;
    up_to_opt_c.opt_c = 60;
    ScenarioRecord up_to_time = up_to_opt_c;
    up_to_time.time_s = (11 * 60 + 6) * 60 + 5;
    const std::vector<std::pair<std::string, ScenarioRecord>> cases{
        {"[generale]\r\nstazione, 1000, 12, 400, 3, 1, 1, 7, x, 9, 10, 11, 12, 60, 11, 6, 5, "
         "NOME\r\n[fine]\r\n",
         up_to_par_a},
        {"[generale]\r\nstazione, 1000, 12, 400, 3, 1, 1, 7, 8, 9, 10, 11, 12, 60, 11, x, 5, "
         "NOME\r\n[fine]\r\n",
         up_to_opt_c},
        {"[generale]\r\nstazione, 1000, 12, 400, 3, 1, 1, 7, 8, 9, 10, 11, 12, 60, 11, 6, 5",
         up_to_time},
    };
    for (const auto& [text, kept] : cases) {
        Model model = route_model();
        EXPECT_THROW(parse_train(model, text, "treno.txt", 80), RunTimeFault) << text;
        EXPECT_EQ(model.records[1], kept) << text;
    }
}

TEST(TrainParser, TooManyStationsReportsNoPosition) {
    Model model = route_model();
    model.error_position = 4242;
    Outcome out =
        parse_rows(station_row(1000, 28, 200) + station_row(2000, 28, 200), std::move(model), 2);
    EXPECT_EQ(out.model.error_code, 10);
    EXPECT_EQ(out.model.error_position, 4242);
    EXPECT_EQ(last_error_site(out.model).line, 2);
}

TEST(TrainParser, ReferenceCheckAfterTheTrainReplacesARangeError) {
    struct Case {
        const char* name;
        std::string rows;
        std::int32_t reference_start, reference_value;
        std::int32_t error, position;
    };
    const std::vector<Case> cases{
        {"clean text, start off the grid", "sabbia, 1\r\n", 25, 350100, 2, 4242},
        {"clean text, value off the grid", "sabbia, 1\r\n", 0, 350125, 2, 4242},
        {"range error, then off the grid", "velocita, 99999, 100\r\n", 0, 350125, 2, 99999},
        {"range error, references on the grid", "velocita, 99999, 100\r\n", 0, 350100, 15, 99999},
    };
    for (const Case& c : cases) {
        Model model = route_model();
        model.error_position = 4242;
        model.records[81].zone_start = c.reference_start;
        model.records[81].zone_end = c.reference_value;
        Outcome out = parse_rows(c.rows, std::move(model));
        EXPECT_EQ(out.model.error_code, c.error) << c.name;
        EXPECT_EQ(out.model.error_position, c.position) << c.name;
    }
}

TEST(TrainParser, ARouteRangeErrorIsNoRefusalOfTheTrainRows) {
    Model model = route_model();
    model.error_code = 15;
    model.error_position = 250000;
    Outcome out = parse_rows(signal_row(8650) + "rallentamento, 3000, 60, 500, 0, 1, 60\r\n" +
                                 station_row(12850, 12, 400) + "sabbia, 200\r\n",
                             std::move(model));
    EXPECT_EQ(out.model.error_code, 15);
    EXPECT_EQ(out.model.error_position, 250000);
    EXPECT_EQ(out.model.cells[174].kind, cell_kind::signal);
    EXPECT_EQ(out.model.cells[174].val1, 41);
    EXPECT_EQ(out.model.cells[174].val4, 8);
    EXPECT_EQ(marked_cells(out.model, &TrackCell::approach), (Runs{{166, 84},
                                                                   {168, 83},
                                                                   {170, 82},
                                                                   {172, 81},
                                                                   {256, 84},
                                                                   {257, 83},
                                                                   {258, 82},
                                                                   {259, 81}}));
    EXPECT_EQ(out.model.cells[61].kind, cell_kind::slowdown_start);
    EXPECT_EQ(out.model.records[1].position, 12850);
    EXPECT_EQ(out.model.records[86].par_a, 200);
}

TEST(TrainParser, ReadFaultsReachTheFaultHandler) {
    const std::vector<std::pair<const char*, std::string>> cases{
        {"row cut by the end of the file", "[generale]\r\nsegnale, 100, 2\r\n"},
        {"text where a number is due", "[generale]\r\nvelocita, 12abc, 5\r\n[fine]\r\n"},
        {"station kind beyond a byte", "[generale]\r\n" + station_row(1000, 300, 200)},
        {"sand beyond 16 bits", "[generale]\r\nsabbia, 40000\r\n[fine]\r\n"},
    };
    for (const auto& [name, text] : cases) {
        EXPECT_THROW(parse_text(text), RunTimeFault) << name;
    }
}

// The clock values are range-checked as they are read; the time made of them wraps like
// every stored value.
TEST(TrainParser, StationTimeBeyond32BitsWraps) {
    Outcome out = parse_text(
        "[generale]\r\nstazione, 1000, 28, 200, 0,0,0, 0,0,0, 0,0,0, 0, 1000000, 0, 0, X\r\n");
    EXPECT_EQ(out.model.error_code, 0);
    EXPECT_EQ(out.model.records[1].time_s, static_cast<std::int32_t>(3600000000 - 4294967296));
    EXPECT_EQ(out.model.records[1].text, "X");
    EXPECT_THROW(parse_text("[generale]\r\nstazione, 1000, 28, 200, 0,0,0, 0,0,0, 0,0,0, 0, "
                            "2147483648, 0, 0, X\r\n"),
                 RunTimeFault);
}

TEST(TrainParser, FaultSiteNamesTheFieldThatFailed) {
    Model model = route_model();
    try {
        parse_train(model, "[generale]\r\nvelocita, 0, 100\r\nsabbia, x\r\n", "treno.txt", 80);
        FAIL() << "no fault";
    } catch (const RunTimeFault& fault) {
        EXPECT_EQ(fault.site, (SourceLocation{"treno.txt", 3, 9, 1}));
    }
    EXPECT_EQ(model.cells[0].speed_limit, untouched);
}

}  // namespace
}  // namespace scenario
