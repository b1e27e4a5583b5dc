// What every fuzz target checks after a compile step, whatever the input was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "compiler/driver.h"
#include "compiler/identity.h"
#include "compiler/model.h"

namespace scenario::fuzzing {

// A broken invariant is a finding: stop at once so that libFuzzer keeps the input.
inline void require(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

inline std::string_view as_text(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// Whether an input runs with the plan. On a long route, sizing and integrating the plan's
// columns costs many times the parsing that the fuzzer explores, and the plan's code is the
// same for every input that reaches it; so one input in plan_share runs with the plan,
// picked by a hash of its bytes so that a replayed input takes the same path again.
inline std::uint32_t input_hash(std::string_view input) {
    std::uint32_t hash = 2166136261u;  // FNV-1a
    for (unsigned char c : input) hash = (hash ^ c) * 16777619u;
    return hash;
}
constexpr std::uint32_t plan_share = 8;
inline bool runs_with_plan(std::string_view input) {
    return input_hash(input) % plan_share == 0;
}

// A fresh model for the carried scenario's identity.
inline Model model_for_carried_identity() {
    Model model;
    Identity id = carried_identity();
    model.route_stem = id.route_stem;
    model.train_number = id.train_number;
    return model;
}

// Makes a model kept from one input to the next as good as a fresh one for the carried
// identity, but keeps the storage of its cell table and plan columns (up to 16 MB on the
// longest route): filling pages the process already has costs far less than fresh ones,
// above all under the sanitizers.
inline void reset_keeping_storage(Model& model) {
    std::vector<TrackCell> cells = std::move(model.cells);
    std::vector<double> x = std::move(model.plan.x);
    std::vector<double> y = std::move(model.plan.y);
    cells.clear();
    x.clear();
    y.clear();
    model = model_for_carried_identity();
    model.cells = std::move(cells);
    model.plan.x = std::move(x);
    model.plan.y = std::move(y);
}

// The compile input: one flag byte whose lowest bit asks for the plan (the argument j), then
// the route text, one NUL byte, and the train text. Without the separator the whole rest is
// the route and the train text is missing. Most of the plan's cost is in sizing its columns
// and building its file, so the fuzz target grants the plan to a share of the inputs that
// ask for it (runs_with_plan).
struct CompileInput {
    std::int32_t j = 0;
    std::string route;
    std::optional<std::string> train;
};

inline CompileInput split_compile_input(std::string_view input) {
    CompileInput split;
    if (input.empty()) return split;
    split.j = input.front() & 1;
    input.remove_prefix(1);
    std::size_t separator = input.find('\0');
    if (separator == std::string_view::npos) {
        split.route = std::string(input);
    } else {
        split.route = std::string(input.substr(0, separator));
        split.train = std::string(input.substr(separator + 1));
    }
    return split;
}

// The tables are sized from the route length, and nothing may move them out of step.
inline void check_model_tables(const Model& model) {
    require(model.error_code >= 0, "error_code is never negative");
    const Diagnostic* last = last_error(model.diagnostics);
    require(model.error_code == (last != nullptr ? last->number : 0),
            "error_code is the number of the last error diagnostic");
    if (model.has_cells()) {
        require(model.cells.size() == static_cast<std::size_t>(model.cell_upper) + 1,
                "cells hold exactly 0..cell_upper");
    }
    if (model.plan.exists()) {
        require(model.plan.x.size() == model.plan.y.size(), "plan columns of one length");
        require(model.plan.upper() == model.plan_upper, "plan holds exactly 0..plan_upper");
        require(model.plan.computed_end >= 2 && model.plan.computed_end <= model.plan_upper + 1,
                "computed plan points lie inside the plan");
    }
}

// The compiled files are exact images of the tables: their lengths follow from the model.
inline void check_compiled_files(const Model& model, const CompiledFiles& files, bool plan_asked) {
    std::size_t texts = 0;
    for (const ScenarioRecord& record : model.records) texts += record.text.size();
    require(files.records.size() == record_count * 34 + texts, "record file is 87 x 34 + texts");
    require(files.cells.size() == 15 * model.cells.size(), "cell file is 15 bytes per cell");
    require(files.plan.has_value() == (plan_asked && model.plan.exists()),
            "plan file only when the plan was asked for");
    if (files.plan) {
        // Every point is a 2-byte empty tag at least and a 10-byte double at most.
        std::size_t points = 2 * (static_cast<std::size_t>(model.plan_upper) + 1);
        require(files.plan->size() >= 2 * points && files.plan->size() <= 10 * points,
                "plan file length within its point count");
    }
}

inline void check_outcome(const Model& model, const CompileOutcome& outcome, bool plan_asked) {
    check_model_tables(model);
    switch (outcome.status) {
        case CompileOutcome::Status::ready:
            require(model.has_cells(), "files only with a cell table");
            check_compiled_files(model, outcome.files, plan_asked);
            break;
        case CompileOutcome::Status::no_cell_table:
            require(!model.has_cells() && model.error_code != 0,
                    "a compile without cell table names its error");
            break;
        case CompileOutcome::Status::stopped_by_errore:
            require(outcome.errore_text == "1250" || outcome.errore_text == "1251",
                    "errore stops only for the marker slots");
            break;
    }
}

}  // namespace scenario::fuzzing
