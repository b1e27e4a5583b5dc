#include "scenc/review/plot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "compiler/identity.h"
#include "compiler/test_models.h"
#include "scenc/common/input_files.h"
#include "scenc/review/diff.h"
#include "scenc/review/dump.h"
#include "scenc/review/view.h"
#include "sources/line_table.h"
#include "sources/route_text.h"
#include "sources/train_text.h"

namespace scenario::scenc {
namespace {

// A 20 km line: a left curve, three stations, signals, one slowdown with its codes.
Model drawn_model() {
    Model model = testing::model_with_cells(540);
    for (std::size_t i = 0; i + 3 < model.cells.size(); ++i) {
        model.cells[i].speed_limit = i < 200 ? 30 : 24;
        model.cells[i].gradient = i < 100 ? 100 : i < 300 ? 108 : 94;
    }
    for (std::size_t i = 20; i < 500; i += 37) model.cells[i].kind = cell_kind::signal;
    model.cells[210] = {cell_kind::slowdown_advance, 60};
    model.cells[234] = {cell_kind::slowdown_start, 60};
    model.cells[250] = {cell_kind::slowdown_end, 60};
    model.cells[242] = {cell_kind::code_change, 180};
    model.cells[9] = {cell_kind::station_stop, 1};
    model.cells[311] = {cell_kind::station_stop, 2};
    model.records[84].zone_end = 20000;
    model.records[85].text = "Prova";
    model.records[86].text = "5";
    const std::pair<std::int32_t, const char*> stations[] = {
        {0, "ALFA"}, {15500, "BETA"}, {19500, "GAMMA \xC8"}};
    for (int slot = 1; slot <= 3; ++slot) {
        ScenarioRecord& r = model.records[slot];
        r.position = stations[slot - 1].first;
        r.zone_start = r.position - 300;
        r.zone_end = r.position + 300;
        r.kind = slot == 3 ? 28 : 12;
        r.text = stations[slot - 1].second;
    }
    return model;
}

// Its ground plan, with the left curve.
Plan drawn_plan() {
    Plan plan;
    std::size_t points = 27001;
    plan.x.assign(points, 0);
    plan.y.assign(points, 0);
    plan.y[1] = 1;
    plan.origin_set = true;
    plan.computed_end = static_cast<std::int32_t>(points - 2);
    double heading = 0;
    for (std::size_t j = 2; j < points - 2; ++j) {
        if (j > 5000 && j < 9000) heading -= 0.0004;
        plan.x[j] = plan.x[j - 1] + std::sin(heading);
        plan.y[j] = plan.y[j - 1] + std::cos(heading);
    }
    return plan;
}

TEST(ScencPlot, DrawsPngSvgAndPdf) {
    Model model = drawn_model();
    const Plan plan = drawn_plan();
    std::string png = scenario_picture(model, plan, PictureFormat::png);
    EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");
    std::string svg = scenario_picture(model, plan, PictureFormat::svg);
    EXPECT_NE(svg.find("<svg"), std::string::npos);
    EXPECT_EQ(scenario_picture(model, plan, PictureFormat::pdf).substr(0, 5), "%PDF-");

    // Compiled without a plan: the profile alone.
    EXPECT_GT(scenario_picture(model, Plan{}, PictureFormat::png).size(), 1000u);
}

bool has_text(const DrawnPicture& picture, const std::string& text) {
    return std::find(picture.texts.begin(), picture.texts.end(), text) != picture.texts.end();
}

TEST(ScencPlot, ATwoKilometreWindowDrawsItsFeaturesApart) {
    Model model = drawn_model();
    model.cells[230].kind = cell_kind::signal;  // 11500 m
    model.cells[240] = {cell_kind::sign_board, 80};
    model.records[80].text = "(Km 341+500)";
    model.cells[244] = {cell_kind::speed_boards, 2828};
    DrawnPicture picture = drawn_picture(model, drawn_plan(), units::Stretch{11000, 13000});

    std::vector<std::pair<std::string, double>> marks;
    for (const DrawnMark& mark : picture.marks) marks.emplace_back(mark.what, mark.metre);
    const std::vector<std::pair<std::string, double>> expected = {{"signal", 11500},
                                                                  {"slowdown", 11700},
                                                                  {"code change", 12100},
                                                                  {"sign board", 12000},
                                                                  {"speed boards", 12200}};
    EXPECT_EQ(marks, expected);

    const char* const texts[] = {
        "0 stations, 1 signal, 1 slowdown, 1 code-change point",  // ends the title's facts
        "11+000",
        "11+100",
        "12+500",
        "13+000",  // ticks every 100 m
        "11+450",  // each feature at the position its row wrote, 50 m before its cell
        "11+950 (Km 341+500)",
        "12+150",
        "12+100",  // a code change starts its cell
        "KM+M",
        "60 km/h"};
    for (const char* text : texts) {
        bool found = std::any_of(picture.texts.begin(), picture.texts.end(),
                                 [&](const auto& t) { return t.find(text) != std::string::npos; });
        EXPECT_TRUE(found) << text;
    }
    EXPECT_TRUE(has_text(picture,
                         "11+000 to 13+000 (2.0 km), 0 stations, 1 signal, 1 slowdown, "
                         "1 code-change point"));
    EXPECT_EQ(picture.legends, 5u);  // plan, speed, gradient, stations, feature rows
    // The plan is drawn from the window's own 2001 points, thinned to the page's resolution.
    EXPECT_GT(picture.plan_line_points, 100u);
    EXPECT_LT(picture.plan_line_points, 2001u);
}

TEST(ScencPlot, WholeRouteCountsAxesAndLines) {
    Model model = drawn_model();
    DrawnPicture whole = drawn_picture(model, drawn_plan());
    EXPECT_EQ(whole.speed_line_end, 20000);  // the route's end, not the cells' 27000 m
    std::set<std::string> distinct(whole.speed_axis_labels.begin(), whole.speed_axis_labels.end());
    EXPECT_EQ(distinct.size(), whole.speed_axis_labels.size());
    EXPECT_EQ(whole.speed_axis_labels.front(), "0");
    EXPECT_EQ(whole.speed_axis_labels.back(), "150");
    EXPECT_TRUE(has_text(whole,
                         "20.0 km, 3 stations, 12 signals, 1 slowdown, "
                         "1 code-change point"));
    EXPECT_EQ(whole.legends, 5u);
    // 27,000 plan points become no more than the page can show.
    EXPECT_LT(whole.plan_line_points, 1500u);

    DrawnPicture one_station = drawn_picture(model, drawn_plan(), units::Stretch{15000, 16000});
    EXPECT_TRUE(has_text(one_station,
                         "15+000 to 16+000 (1.0 km), 1 station, 1 signal, "
                         "0 slowdowns, 0 code-change points"));
    EXPECT_TRUE(has_text(one_station, "BETA"));
    EXPECT_EQ(one_station.speed_axis_labels,
              (std::vector<std::string>{"0", "50", "100", "150"}));  // 120 km/h here

    // A window past the end of the cells cannot be drawn.
    EXPECT_THROW(drawn_picture(model, drawn_plan(), units::Stretch{30000, 31000}), UsageProblem);
}

TEST(ScencPlot, FormatFollowsTheExtension) {
    EXPECT_EQ(picture_format_for("a/b.PNG"), PictureFormat::png);
    EXPECT_EQ(picture_format_for("b.svg"), PictureFormat::svg);
    EXPECT_EQ(picture_format_for("b.pdf"), PictureFormat::pdf);
    EXPECT_EQ(picture_format_for("b.jpg"), std::nullopt);
    EXPECT_EQ(picture_format_for("png"), std::nullopt);
}

// Each feature written at P in a text is shown at P by every review tool: the dump's row,
// the diff's line when it appears, the view's tooltip data and the plot's label.
TEST(ReviewTools, EveryFeatureShowsAtThePositionItsRowWrote) {
    const std::string& route = testing::every_kind_route;
    const std::string& train = testing::every_kind_train;
    const Model model = testing::compile(route, train).model;
    struct Case {
        std::uint8_t kind;
        std::int64_t written;
        bool labelled;  // the plot writes its position beside it
    };
    const Case cases[] = {
        {cell_kind::signal, 8700, true},      {cell_kind::speed_boards, 3000, true},
        {cell_kind::sign_board, 4000, true},  {cell_kind::slowdown_start, 5000, false},
        {cell_kind::code_change, 6000, true},
    };
    const std::string cells = cells_table(model.cells, {});
    const nlohmann::json features = view_data(model, Plan{}, nullptr)["features"];
    for (const Case& c : cases) {
        SCOPED_TRACE(c.written);
        // The cell of that kind the row made (the compile adds code changes of its own).
        std::size_t cell = 0;
        while (cell < model.cells.size() && (model.cells[cell].kind != c.kind ||
                                             units::written_position(c.kind, cell) != c.written)) {
            ++cell;
        }
        ASSERT_LT(cell, model.cells.size());
        const std::string km = units::km_and_metres(c.written);
        const std::string number = std::to_string(cell);

        const std::string row =
            std::string(10 - km.size(), ' ') + km + std::string(7 - number.size(), ' ') + number;
        EXPECT_NE(cells.find("\n" + row + " "), std::string::npos) << row << "\n" << cells;

        // The feature added to a cell that held nothing: the diff names it where it was written.
        std::vector<TrackCell> without = model.cells;
        const TrackCell& held = model.cells[cell];
        without[cell] = TrackCell{};
        without[cell].approach = held.approach;
        without[cell].mountain = held.mountain;
        without[cell].speed_limit = held.speed_limit;
        without[cell].gradient = held.gradient;
        without[cell].adhesion = held.adhesion;
        ScenarioDiff diff;
        diff_cells(without, model.cells, diff);
        ASSERT_FALSE(diff.differences.empty());
        EXPECT_EQ(diff.differences[0].where,
                  cell_name(cell, held) + " added at " + km + " (cell " + number + ")");

        auto feature = std::find_if(features.begin(), features.end(),
                                    [&](const nlohmann::json& f) { return f["c"] == cell; });
        ASSERT_NE(feature, features.end());
        EXPECT_EQ((*feature)["w"], km);

        if (!c.labelled) continue;
        // Ticks stand every 100 m in this window, so the cell's own first metre, 50 m on,
        // would appear only in a label that showed it.
        DrawnPicture picture =
            drawn_picture(model, Plan{},
                          units::Stretch{static_cast<std::int32_t>(c.written - 1000),
                                         static_cast<std::int32_t>(c.written + 1000)});
        auto shows = [&](const std::string& text) {
            return std::any_of(picture.texts.begin(), picture.texts.end(),
                               [&](const std::string& t) { return t.rfind(text, 0) == 0; });
        };
        EXPECT_TRUE(shows(km));
        const std::string cell_start = units::km_and_metres(static_cast<std::int64_t>(cell) * 50);
        EXPECT_TRUE(cell_start == km || !shows(cell_start)) << cell_start;
    }
}

}  // namespace
}  // namespace scenario::scenc

namespace scenario::scenc {
namespace {

std::vector<double> marked(const DrawnPicture& picture, const std::string& what) {
    std::vector<double> metres;
    for (const DrawnMark& mark : picture.marks) {
        if (mark.what == what) metres.push_back(mark.metre);
    }
    return metres;
}

// ALFA 10:00:00, BETA 10:06:00, GAMMA 10:10:00: the 15.5 km to BETA take at least 6 min 45 s
// at 150 then 120 km/h, so that run is too tight; the 4 km on to GAMMA take 2 min.
TEST(PlotTimetable, DrawsOnePointPerTimedStationAndMarksTheTightRun) {
    Model model = drawn_model();
    model.records[1].time_s = 36000;
    model.records[2].time_s = 36360;
    model.records[3].time_s = 36600;
    const DrawnPicture picture = drawn_timetable(model);
    EXPECT_EQ(marked(picture, "timed station"), (std::vector<double>{0, 15500, 19500}));
    EXPECT_EQ(marked(picture, "too tight"), (std::vector<double>{15500}));
    EXPECT_EQ(timetable_picture(model, PictureFormat::png).rfind("\x89PNG", 0), 0u);

    model.records[2].time_s = 0;  // passed: ALFA to GAMMA has time enough
    const DrawnPicture passed = drawn_timetable(model);
    EXPECT_EQ(marked(passed, "timed station"), (std::vector<double>{0, 19500}));
    EXPECT_TRUE(marked(passed, "too tight").empty());
}

TEST(PlotTimetable, SaysSoWithoutTwoTimedStations) {
    const DrawnPicture picture = drawn_timetable(drawn_model());
    EXPECT_TRUE(marked(picture, "timed station").empty());
    EXPECT_NE(std::find(picture.texts.begin(), picture.texts.end(),
                        "fewer than two timed stations: no timetable to draw"),
              picture.texts.end());
}

}  // namespace
}  // namespace scenario::scenc

namespace scenario::scenc {
namespace {

struct CarriedSet {
    Model model;
    Plan plan;
};

const CarriedSet& carried_set() {
    static const CarriedSet set = [] {
        testing::Compile run =
            testing::compile(line_table_bytes(dati_linea(carried_identity()).lines),
                             line_table_bytes(dati_treno(carried_identity()).lines));
        Plan plan = testing::plan_points(run.model);
        return CarriedSet{std::move(run.model), std::move(plan)};
    }();
    return set;
}

bool labelled(const DrawnPicture& picture, const std::string& name) {
    return std::any_of(picture.labels.begin(), picture.labels.end(),
                       [&](const DrawnLabel& l) { return l.text == name; });
}

// Station names in the line pictures and the timetable: no two boxes meet, every box lies
// inside the picture; the whole line keeps the timed stations' names, a stretch every name.
TEST(PlotLabels, StationNamesNeverOverlapNorLeaveThePicture) {
    const CarriedSet& set = carried_set();
    struct Case {
        const char* what;
        DrawnPicture picture;
        std::optional<units::Stretch> stretch;
    };
    const units::Stretch near_the_end{225000, 243000}, curvy{140000, 150000};
    const Case cases[] = {
        {"whole line", drawn_picture(set.model, set.plan), std::nullopt},
        {"last 18 km", drawn_picture(set.model, set.plan, near_the_end), near_the_end},
        {"km 140 to 150", drawn_picture(set.model, set.plan, curvy), curvy},
        {"timetable", drawn_timetable(set.model), std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<DrawnLabel>& labels = c.picture.labels;
        ASSERT_FALSE(labels.empty());
        EXPECT_GT(c.picture.height, 0);
        for (std::size_t i = 0; i < labels.size(); ++i) {
            const DrawnLabel& a = labels[i];
            EXPECT_TRUE(a.left >= 0 && a.top >= 0 && a.right <= c.picture.width &&
                        a.bottom <= c.picture.height)
                << a.text << " at " << a.left << "," << a.top << " to " << a.right << ","
                << a.bottom;
            for (std::size_t j = i + 1; j < labels.size(); ++j) {
                const DrawnLabel& b = labels[j];
                EXPECT_FALSE(a.left < b.right && b.left < a.right && a.top < b.bottom &&
                             b.top < a.bottom)
                    << a.text << " covers " << b.text;
            }
        }
        for (int slot : station_slots(set.model)) {
            const ScenarioRecord& r = set.model.records[slot];
            const bool in_window =
                !c.stretch || (r.position >= c.stretch->from && r.position <= c.stretch->to);
            const bool must = c.stretch ? in_window : r.time_s != 0;
            if (must) {
                EXPECT_TRUE(labelled(c.picture, single_byte_to_utf8(r.text))) << r.text;
            }
        }
    }
    EXPECT_TRUE(labelled(cases[0].picture, "TESSALTO MIRAMARE"));
}

// The mountain lane draws the mountain runs the view's data holds, and a straight line's
// plan takes a strip, not the height a winding one does.
TEST(PlotLayout, MountainLaneAndAPlanSizedToItsLine) {
    const CarriedSet& set = carried_set();
    const DrawnPicture whole = drawn_picture(set.model, set.plan);
    std::vector<double> from_view;
    const nlohmann::json data = view_data(set.model, Plan{}, nullptr);
    for (const nlohmann::json& run : data["profiles"]["mountain"]) {
        if (run[2] != 0) from_view.push_back(run[0].get<double>() * 50);
    }
    ASSERT_FALSE(from_view.empty());
    EXPECT_EQ(marked(whole, "mountain"), from_view);

    // drawn_plan() runs north with one gentle curve; a plan running due east is a thin line.
    Plan east = drawn_plan();
    for (std::size_t j = 2; j < east.x.size(); ++j) east.x[j] = double(j), east.y[j] = 1;
    const Model model = drawn_model();
    EXPECT_LT(drawn_picture(model, east).height, drawn_picture(model, drawn_plan()).height - 100);
    EXPECT_GE(drawn_picture(model, drawn_plan()).height, whole.height);
}

}  // namespace
}  // namespace scenario::scenc
