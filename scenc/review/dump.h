// scenc dump: the compiled files as tables a person can read, or as JSON.
#pragma once

#include <array>
#include <filesystem>
#include <iosfwd>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "compiler/model.h"
#include "scenc/common/units.h"
#include "scenc/review/scenario_view.h"

namespace scenario::scenc {

struct DumpRequest {
    std::vector<std::filesystem::path> files;
    bool json = false;
    bool all_cells = false;                 // every cell, not only those holding a feature
    bool raw = false;                       // the cells' stored values in columns of their own
    std::optional<units::Stretch> stretch;  // only the cells of this stretch
};

// Prints every file, in the order given. 0, or 2 when a file is missing or not what its
// name says (nothing is printed then).
int run_dump(const DumpRequest& request, std::ostream& out, std::ostream& err);

// The figures that describe a plan.
struct PlanSummary {
    std::int32_t points = 0;           // plan_upper + 1
    std::int32_t computed_points = 0;  // points 2 upward that hold coordinates
    double x_min = 0, x_max = 0, y_min = 0, y_max = 0;
    double end_x = 0, end_y = 0;  // the last point with coordinates
    double length = 0;            // along the points, in metres
};
PlanSummary summarize_plan(const Plan& plan);

// The meanings of a list of fields as JSON: each stored field's name with its label,
// value in its unit, unit and text.
nlohmann::json meanings_json(const std::vector<FieldMeaning>& meanings);

// The 87 records, runs of cleared ones folded into one line, each filled one followed by
// what its fields mean.
// Which records a listing shows: all, or with a stretch only the stations and sign boards
// placed in it. A board's record holds only its text: where it stands comes from the cell
// that shows it (board_positions, by the record's slot), so without the cells no board is
// placed.
struct RecordSelection {
    std::optional<units::Stretch> stretch;
    std::optional<std::map<int, std::int64_t>> board_positions;
    bool shows(int slot, const ScenarioRecord& record) const;
};

// Each sign board's written position, by the slot of its text record.
std::map<int, std::int64_t> board_positions(const std::vector<TrackCell>& cells);

std::string records_table(const std::array<ScenarioRecord, record_count>& records,
                          const RecordSelection& selection = {});
// Which cells a listing shows: those holding a feature or all, within a stretch or not; and
// whether the table gives their stored values too.
struct CellSelection {
    bool all = false;
    std::optional<units::Stretch> stretch;
    bool raw = false;
    bool shows(std::size_t index, const TrackCell& cell) const;
};

// The cells holding a feature, or all of them, with what their values mean: the row fields
// decoded from them, the approach mark's owner, the profile; with raw, the stored values too.
std::string cells_table(const std::vector<TrackCell>& cells, const CellSelection& selection);
std::string plan_summary_text(const Plan& plan);

nlohmann::json records_json(const std::array<ScenarioRecord, record_count>& records,
                            const RecordSelection& selection = {});
nlohmann::json cells_json(const std::vector<TrackCell>& cells, const CellSelection& selection);
nlohmann::json plan_json(const Plan& plan);

}  // namespace scenario::scenc
