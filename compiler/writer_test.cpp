#include "compiler/writer.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <string>
#include <vector>

#include "compiler/recorders.h"
#include "compiler/test_models.h"

namespace scenario {
namespace {

std::string bytes(std::initializer_list<unsigned> values) {
    std::string out;
    for (unsigned v : values) out.push_back(static_cast<char>(v));
    return out;
}

// A plan of points 0..upper with the origin set and points 2..computed_end-1 computed.
Plan plan_of(std::int32_t upper, std::int32_t computed_end, bool origin_set = true) {
    Plan plan;
    plan.x.assign(static_cast<std::size_t>(upper) + 1, 0.0);
    plan.y.assign(static_cast<std::size_t>(upper) + 1, 0.0);
    for (std::size_t p = 2; p < static_cast<std::size_t>(computed_end); ++p) {
        plan.x[p] = 0.25 * static_cast<double>(p);
        plan.y[p] = static_cast<double>(p);
    }
    plan.computed_end = computed_end;
    plan.origin_set = origin_set;
    return plan;
}

std::string double_bytes(double value) {
    std::uint64_t raw = std::bit_cast<std::uint64_t>(value);
    std::string out;
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>(raw >> (8 * i)));
    return out;
}

TEST(Writer, PlanFileHasOriginComputedRunAndEmptyTail) {
    // N = 10: points 2..8 computed, 9 and 10 empty
    const std::string file = plan_file_bytes(plan_of(10, 9));
    ASSERT_EQ(file.size(), 20u * 10 - 36);
    const std::size_t column = file.size() / 2;
    EXPECT_EQ(file.substr(0, 8), bytes({2, 0, 0, 0, 2, 0, 0, 0}));
    EXPECT_EQ(file.substr(8, 10), bytes({5, 0}) + double_bytes(0.5));
    EXPECT_EQ(file.substr(column - 4, 4), bytes({0, 0, 0, 0}));
    EXPECT_EQ(file.substr(column, 8), bytes({2, 0, 0, 0, 2, 0, 1, 0}));
    EXPECT_EQ(file.substr(column + 8 + 6 * 10, 10), bytes({5, 0}) + double_bytes(8.0));
    EXPECT_EQ(file.substr(file.size() - 4), bytes({0, 0, 0, 0}));
}

TEST(Writer, PlanPointsNeverComputedAreEmpty) {
    EXPECT_EQ(plan_file_bytes(plan_of(10, 2, false)), std::string(2 * 11 * 2, '\0'));
    EXPECT_EQ(plan_file_bytes(plan_of(10, 2, true)).size(), 2u * (8 + 9 * 2));
    // The same from a model whose route stopped before its feature part, and one just begun.
    Model model;
    model.plan_upper = 10;
    model.plan.exists = true;
    EXPECT_EQ(plan_file_bytes(model), std::string(2 * 11 * 2, '\0'));
    model.plan.origin_set = true;
    EXPECT_EQ(plan_file_bytes(model), plan_file_bytes(plan_of(10, 2, true)));
}

// The points one after the other, as the route was once integrated into two columns.
Plan integrated_point_by_point(const Model& model) {
    Plan plan = plan_of(model.plan_upper, model.plan.computed_end);
    plan.x[1] = 0.0;
    plan.y[1] = 1.0;
    std::size_t j = 2;
    for (const PlanRun& run : model.plan.runs) {
        for (; static_cast<std::int32_t>(j) <= run.last; ++j) {
            const double dx = plan.x[j - 1] - plan.x[j - 2];
            const double dy = plan.y[j - 1] - plan.y[j - 2];
            plan.x[j] = plan.x[j - 1] + dx + run.curvature * dy;
            plan.y[j] = plan.y[j - 1] + dy - run.curvature * dx;
        }
    }
    return plan;
}

TEST(Writer, PlanFromItsRunsComesInPiecesAndMatchesThePointsOneByOne) {
    Model model;
    model.plan_upper = 250000;
    model.plan.exists = true;
    model.plan.origin_set = true;
    model.plan.runs = {{1000, 0.0}, {1524, 0.003}, {3000, -0.0004}, {249998, 0.0}};
    model.plan.computed_end = 249999;
    std::string streamed;
    std::size_t largest_piece = 0;
    write_plan_file(model, [&](std::string_view piece) {
        largest_piece = std::max(largest_piece, piece.size());
        streamed.append(piece);
    });
    EXPECT_LE(largest_piece, 64u * 1024);
    ASSERT_EQ(streamed.size(), 4999964u);
    EXPECT_EQ(plan_file_size(model), streamed.size());
    EXPECT_TRUE(streamed == plan_file_bytes(integrated_point_by_point(model)));

    // A route that stopped half-way leaves the rest of both columns empty.
    model.plan.runs = {{1000, 0.0}, {1200, 0.001}};
    model.plan.computed_end = 1201;
    EXPECT_TRUE(plan_file_bytes(model) == plan_file_bytes(integrated_point_by_point(model)));
}

TEST(Writer, RecordFileWritesEachFieldAtItsWidth) {
    Model model;
    ScenarioRecord& train = model.records[record_slot::train_identity];
    train.zone_end = 241000;
    train.position = 4;
    train.text = "917";
    train.par_a = 200;
    train.par_c = 10;
    train.par_d = 49;
    train.par_e = 40;
    const std::string file = record_file_bytes(model);
    ASSERT_EQ(file.size(), 87u * 34 + 3);
    EXPECT_EQ(file.substr(86 * 34),
              bytes({0x00, 0x00, 0x00, 0x00, 0x00, 0x68, 0xAD, 0x03, 0x00, 0x04, 0x00, 0x00, 0x00,
                     0x00, 0x03, 0x00, 0x39, 0x31, 0x37, 0xC8, 0x00, 0x00, 0x00, 0x0A, 0x00, 0x31,
                     0x00, 0x28, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}));
    EXPECT_EQ(file.substr(14, 2), bytes({0, 0}));  // empty text of record 0

    ScenarioRecord& station = model.records[1];
    station.kind = 8;
    station.zone_start = -500;
    station.time_s = 37800;
    station.opt_e = 0xFE;
    const std::string with_station = record_file_bytes(model);
    EXPECT_EQ(with_station.substr(34, 5), bytes({8, 0x0C, 0xFE, 0xFF, 0xFF}));
    EXPECT_EQ(with_station.substr(34 + 29, 5), bytes({0xFE, 0xA8, 0x93, 0x00, 0x00}));
}

TEST(Writer, OverlongTextIsCutToWhatItsLengthCanCount) {
    Model model;
    model.records[5].text = std::string(70000, 'a');
    const std::string file = record_file_bytes(model);
    EXPECT_EQ(file.size(), 87u * 34 + 65535);
    EXPECT_EQ(file.substr(5 * 34 + 14, 2), bytes({0xFF, 0xFF}));
}

TEST(Writer, CellFileHas15BytesPerCell) {
    Model model = testing::model_with_cells(5000);
    std::int32_t sx = 2, s1 = 4, s2 = 0, s3 = 0, rapp = 0, dx = 2, d1 = 1, d2 = 0, d3 = 0;
    std::int32_t tempo = 0;
    memo_segnale(model, 8650, sx, s1, s2, s3, rapp, dx, d1, d2, d3, tempo);
    model.cells[3].val1 = -1;
    model.cells[3].adhesion = 0x80;

    const std::string file = cell_file_bytes(model);
    ASSERT_EQ(file.size(), 75015u);
    EXPECT_EQ(file.substr(2610, 15),
              bytes({0x01, 0x29, 0x00, 0x00, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0, 0, 0, 0, 0}));
    EXPECT_EQ(file.substr(2580 + 10, 1), bytes({81}));  // approach byte of cell 172
    EXPECT_EQ(file.substr(45, 15), bytes({0, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x80}));
}

TEST(Writer, PlanFileOnlyWhenAskedForAndBuilt) {
    struct Case {
        std::int32_t plan_option;
        bool plan_built;
        bool has_plan_file;
    };
    for (Case c : std::vector<Case>{{1, true, true}, {0, true, false}, {1, false, false}}) {
        Model model = testing::model_with_cells(2);
        model.plan_option = c.plan_option;
        model.plan_upper = 10;
        model.plan.exists = c.plan_built;
        const CompiledFiles files = build_compiled_files(model);
        EXPECT_EQ(files.with_plan, c.has_plan_file) << c.plan_option << c.plan_built;
        EXPECT_EQ(files.records.size(), 87u * 34);
        EXPECT_EQ(files.cells.size(), 45u);
    }
}

}  // namespace
}  // namespace scenario
