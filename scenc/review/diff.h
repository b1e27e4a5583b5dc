// scenc diff: what changed between two compiled scenarios, in the author's terms.
#pragma once

#include <array>
#include <filesystem>
#include <iosfwd>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "compiler/identity.h"
#include "compiler/model.h"

namespace scenario::scenc {

// One stored field that differs: where (a cell by position, a record by its role), the
// field, and both values raw and in the author's units.
struct Difference {
    std::string file;   // "cells", "records", "plan"
    std::string where;  // `cell 174 at 8650 m (8+650)`, `station "BRENZOLA CENTRALE"`
    nlohmann::json location;
    std::string field;  // the stored field: "time_s"
    std::string label;  // the author's word for it: "departure"
    nlohmann::json old_raw, new_raw;
    std::string old_shown, new_shown;  // with units
    std::string line;  // a whole line of its own (a feature moved, added or removed), or empty
};

// How two ground plans differ: the first point whose stored bits differ, and how far apart
// the two lines get over the points both computed.
struct PlanComparison {
    std::optional<std::int64_t> first_differing_point;
    double largest_distance = 0;  // metres
    std::int64_t largest_at_point = 0;
    bool same() const { return !first_differing_point; }
};

struct ScenarioDiff {
    std::vector<Difference> differences;
    std::optional<PlanComparison> plan;  // when both sides have a plan
    std::vector<std::string> notes;      // differences of shape: sizes, a file on one side only
    bool same() const { return differences.empty() && notes.empty() && (!plan || plan->same()); }
};

// Cells are compared by feature: features of one kind are paired at the same cell, else with
// the nearest within 1000 m, so a moved feature is one line, an added or removed one a line,
// and a changed value one line naming the row's field. A profile change over a run of cells
// is one line; approach marks that follow from the features on each side are not listed.
void diff_cells(const std::vector<TrackCell>& old_cells, const std::vector<TrackCell>& new_cells,
                ScenarioDiff& diff);
// Stations are matched by their slot and named by their (new, else old) name.
void diff_records(const std::array<ScenarioRecord, record_count>& old_records,
                  const std::array<ScenarioRecord, record_count>& new_records, ScenarioDiff& diff);
PlanComparison compare_plans(const Plan& old_plan, const Plan& new_plan);

// "same" or one line per difference.
std::string diff_text(const ScenarioDiff& diff);
nlohmann::json diff_json(const ScenarioDiff& diff);

struct DiffRequest {
    std::filesystem::path old_input;  // two compiled files of one kind, or two folders
    std::filesystem::path new_input;
    bool json = false;
    std::optional<Identity> identity;  // names the set in both folders
};

// 0 the same, 1 different, 2 trouble (a missing or unusable input, inputs of two kinds).
int run_diff(const DiffRequest& request, std::ostream& out, std::ostream& err);

}  // namespace scenario::scenc
