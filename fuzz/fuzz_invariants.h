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

// Choices made for an input by a hash of its bytes, so that a replayed input takes the same
// path again.
inline std::uint32_t input_hash(std::string_view input) {
    std::uint32_t hash = 2166136261u;  // FNV-1a
    for (unsigned char c : input) hash = (hash ^ c) * 16777619u;
    return hash;
}
// Whether the compiled files of an input are built (the plan file into a sink that checks it).
// Reading with the plan costs no more than without, since the parser keeps only the plan's
// runs; but writing the plan integrates every point of the route twice, up to two million
// steps on the longest route, and the cell file has up to twenty thousand cells: many times the
// parsing that the fuzzer explores, and the same code for every input that reaches it. So one
// input in files_share builds them.
constexpr std::uint32_t files_share = 8;
inline bool writes_files(std::string_view input) {
    return input_hash(input) % files_share == 0;
}
// Whether the whole compile also writes the plan file of an input whose files it builds: one in
// four of those. Integrating the plan is the dearest part of the files (up to two million steps
// for the two columns), the route parser's target writes it for one input in files_share
// already, and what the plan holds comes from the route half alone; so the compile target
// spends its time on the compile's other paths.
constexpr std::uint32_t plan_file_share = 4;
inline bool writes_plan_file(std::string_view input) {
    return writes_files(input) && (input_hash(input) >> 8) % plan_file_share == 0;
}
// For the route parser alone, which has no flag byte: whether the route is read with the plan
// option, for half of the inputs (and for every input whose plan file is written), since
// without it curve rows are read as keywords, another path worth exploring.
inline bool reads_with_plan(std::string_view input) {
    return writes_files(input) || (input_hash(input) >> 16) % 2 == 0;
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
// identity, but keeps the storage of its cell table (300 KB on the longest route): filling
// pages the process already has costs less than fresh ones, above all under the sanitizers.
// The targets call it before and after each input: what an input allocates is then freed
// within the same input, and libFuzzer, which runs an input again under the leak checker
// whenever its allocations outnumber its frees, has no cause to.
inline void reset_keeping_storage(Model& model) {
    std::vector<TrackCell> cells = std::move(model.cells);
    cells.clear();
    model = model_for_carried_identity();
    model.cells = std::move(cells);
}

// The compile input: one flag byte whose lowest bit asks for the plan (the plan option), then
// the route text, one NUL byte, and the train text. Without the separator the whole rest is
// the route and the train text is missing.
struct CompileInput {
    std::int32_t plan_option = 0;
    std::string route;
    std::optional<std::string> train;
};

inline CompileInput split_compile_input(std::string_view input) {
    CompileInput split;
    if (input.empty()) return split;
    split.plan_option = input.front() & 1;
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
    const PlanSteps& plan = model.plan;
    if (!plan.exists) {
        require(plan.runs.empty(), "no plan runs without a plan");
        return;
    }
    require(model.plan_option != 0, "a plan only when it was asked for");
    require(plan.computed_end >= 2 && plan.computed_end <= model.plan_upper + 1,
            "computed plan points lie inside the plan");
    require(plan.origin_set || plan.runs.empty(), "no plan point computed before the origin");
    // Each run ends past the one before it, and the last where the computed points end.
    std::int64_t last_point = 1;
    for (const PlanRun& run : plan.runs) {
        require(run.last > last_point, "each plan run computes at least one point");
        last_point = run.last;
    }
    require(last_point + 1 == plan.computed_end, "the plan runs end where the computed points end");
}

// Writes the plan file as the package run does, into a sink that keeps no byte: the pieces
// come from the writer's fixed buffer, and the length is what the model's points make.
inline void check_plan_file(const Model& model) {
    std::size_t written = 0;
    write_plan_file(model, [&written](std::string_view piece) {
        require(!piece.empty() && piece.size() <= 64 * 1024, "plan file pieces of the buffer");
        written += piece.size();
    });
    require(written == plan_file_size(model), "plan file as long as its points make it");
    // Every point is a 2-byte empty tag at least and a 10-byte double at most.
    const std::size_t points = 2 * (static_cast<std::size_t>(model.plan_upper) + 1);
    require(written >= 2 * points && written <= 10 * points,
            "plan file length within its point count");
}

// The compiled files are exact images of the tables: their lengths follow from the model.
// The plan file is written and checked only when write_plan is set.
inline void check_compiled_files(const Model& model, const CompiledFiles& files, bool plan_asked,
                                 bool write_plan) {
    std::size_t texts = 0;
    for (const ScenarioRecord& record : model.records) texts += record.text.size();
    require(files.records.size() == record_count * 34 + texts, "record file is 87 x 34 + texts");
    require(files.cells.size() == 15 * model.cells.size(), "cell file is 15 bytes per cell");
    require(files.with_plan == (plan_asked && model.plan.exists),
            "plan file only when the plan was asked for");
    if (files.with_plan && write_plan) check_plan_file(model);
}

// files_built: whether the compile built the compiled files (memorizza_percorso) or stopped
// before them (compile_model); write_plan: whether the plan file is written too.
inline void check_outcome(const Model& model, const CompileOutcome& outcome, bool plan_asked,
                          bool files_built, bool write_plan) {
    check_model_tables(model);
    switch (outcome.status) {
        case CompileOutcome::Status::ready:
            require(model.has_cells(), "files only with a cell table");
            if (files_built) check_compiled_files(model, outcome.files, plan_asked, write_plan);
            break;
        case CompileOutcome::Status::no_cell_table:
            require(!model.has_cells() && model.error_code != 0,
                    "a compile without cell table names its error");
            break;
        case CompileOutcome::Status::stopped_by_error:
            require(outcome.errore_text == "1250" || outcome.errore_text == "1251",
                    "errore stops only for the marker slots");
            break;
    }
}

}  // namespace scenario::fuzzing
