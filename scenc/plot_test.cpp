#include "scenc/plot.h"

#include <gtest/gtest.h>

#include <cmath>

#include "compiler/test_models.h"

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
    std::size_t points = 27001;
    model.plan.x.assign(points, 0);
    model.plan.y.assign(points, 0);
    model.plan.y[1] = 1;
    model.plan.origin_set = true;
    model.plan.computed_end = static_cast<std::int32_t>(points - 2);
    double heading = 0;
    for (std::size_t j = 2; j < points - 2; ++j) {
        if (j > 5000 && j < 9000) heading -= 0.0004;
        model.plan.x[j] = model.plan.x[j - 1] + std::sin(heading);
        model.plan.y[j] = model.plan.y[j - 1] + std::cos(heading);
    }
    return model;
}

TEST(ScencPlot, DrawsPngSvgAndPdf) {
    Model model = drawn_model();
    std::string png = scenario_picture(model, PictureFormat::png);
    EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");
    std::string svg = scenario_picture(model, PictureFormat::svg);
    EXPECT_NE(svg.find("<svg"), std::string::npos);
    EXPECT_EQ(scenario_picture(model, PictureFormat::pdf).substr(0, 5), "%PDF-");

    model.plan = {};  // compiled without a plan: the profile alone
    EXPECT_GT(scenario_picture(model, PictureFormat::png).size(), 1000u);
}

TEST(ScencPlot, FormatFollowsTheExtension) {
    EXPECT_EQ(picture_format_for("a/b.PNG"), PictureFormat::png);
    EXPECT_EQ(picture_format_for("b.svg"), PictureFormat::svg);
    EXPECT_EQ(picture_format_for("b.pdf"), PictureFormat::pdf);
    EXPECT_EQ(picture_format_for("b.jpg"), std::nullopt);
    EXPECT_EQ(picture_format_for("png"), std::nullopt);
}

}  // namespace
}  // namespace scenario::scenc
