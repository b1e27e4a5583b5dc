// The check against the compile, over every seed input (the fuzzers' seeds: the carried texts
// and every test fixture): up to the first error that ends a row the two are one run, and the
// check fails exactly when the compile ends with an error, marking that error as its final one.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "compiler/check.h"
#include "fuzz/fuzz_invariants.h"
#include "fuzz/seed_inputs.h"

namespace scenario {
namespace {

// What a run has built and said, as far as it has got.
struct Snapshot {
    std::vector<TrackCell> cells;
    std::array<ScenarioRecord, record_count> records;
    PlanSteps plan;
    std::vector<std::int32_t> mountain_start, mountain_end;
    Diagnostics diagnostics;
    std::int32_t error_code = 0, error_position = 0;

    explicit Snapshot(const Model& m)
        : cells(m.cells),
          records(m.records),
          plan(m.plan),
          mountain_start(m.mountain_start),
          mountain_end(m.mountain_end),
          diagnostics(m.diagnostics),
          error_code(m.error_code),
          error_position(m.error_position) {}
    bool operator==(const Snapshot&) const = default;
};

struct Side {
    Model model;
    std::optional<Snapshot> at_first_row_end;
};

Side run(const SourceText& route, const SourceText& train, bool keep_going) {
    Side result;
    result.model = compile_texts(route, train, carried_identity(), keep_going,
                                 [&result](const Model& m) { result.at_first_row_end.emplace(m); });
    return result;
}

TEST(CheckInvariants, HoldForEverySeedInput) {
    const fuzzing::Seeds seeds = fuzzing::collect_seeds(SOURCE_FOLDER);
    std::vector<std::string> inputs = fuzzing::compile_pairs(seeds);
    ASSERT_FALSE(inputs.empty());
    for (const std::string& small : fuzzing::small_pairs(seeds)) inputs.push_back(small);
    for (std::string& small : fuzzing::small_fixture_pairs(seeds))
        inputs.push_back(std::move(small));
    int with_errors = 0;
    for (const std::string& input : inputs) {
        const fuzzing::CompileInput split = fuzzing::split_compile_input(input);
        if (!split.train) continue;  // a check is always given two texts
        const SourceText route{"linea.txt", split.route};
        const SourceText train{"treno.txt", *split.train};
        SCOPED_TRACE(split.route.substr(0, 200) + "\n---\n" + split.train->substr(0, 200));

        const Side compile = run(route, train, false);
        const Side check = run(route, train, true);
        ASSERT_EQ(compile.at_first_row_end.has_value(), check.at_first_row_end.has_value());
        if (compile.at_first_row_end) {
            EXPECT_TRUE(*compile.at_first_row_end == *check.at_first_row_end);
        } else {
            EXPECT_TRUE(Snapshot(compile.model) == Snapshot(check.model));
        }

        // The check fails exactly when the compile ends with an error (or stops at a marker
        // slot), and marks that error as the one the package program reports.
        const Diagnostic* last = last_error(compile.model.diagnostics);
        const bool marker_stop = last != nullptr && last->number >= 1250;
        const CheckResult result = check_scenario(route, train, carried_identity());
        ASSERT_EQ(result.final_error.has_value(), compile.model.error_code != 0 || marker_stop);
        if (!result.final_error) continue;
        ++with_errors;
        const Diagnostic& marked = result.diagnostics.at(*result.final_error);
        EXPECT_EQ(marked.number, last->number);
        EXPECT_EQ(marked.location, last->location);
        EXPECT_EQ(marked.position, last->position);
    }
    EXPECT_GT(with_errors, 0);  // the seeds hold faulty texts, so both sides of the rule run
}

}  // namespace
}  // namespace scenario
