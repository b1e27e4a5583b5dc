// Decompiling compiled files and compiling the texts again gives the same files: for the
// carried scenario (pinned by the golden hashes) and for every seed input that compiles without
// an error.
#include "fuzz/round_trip.h"

#include <gtest/gtest.h>

#include "compiler/decompiler.h"
#include "compiler/driver.h"
#include "compiler/identity.h"
#include "compiler/source_files.h"
#include "fuzz/fuzz_invariants.h"
#include "fuzz/seed_inputs.h"
#include "io/test_support.h"

namespace scenario {
namespace {

using testing::sha256_hex;

// The compiled set of a compile input, when it compiles without an error.
std::optional<CompiledSet> clean_compile(const std::string& input) {
    fuzzing::CompileInput split = fuzzing::split_compile_input(input);
    Model model = fuzzing::model_for_carried_identity();
    MemorySourceFiles sources(std::move(split.route), std::move(split.train));
    const CompileOutcome outcome = memorizza_percorso(model, sources, split.plan_option);
    if (outcome.status != CompileOutcome::Status::ready || model.error_code != 0) {
        return std::nullopt;
    }
    return fuzzing::compiled_set(model, outcome.files);
}

TEST(RoundTrip, CarriedScenarioGivesTheGoldenFilesAgain) {
    const std::vector<std::string> pairs =
        fuzzing::compile_pairs(fuzzing::collect_seeds(SOURCE_FOLDER));
    ASSERT_FALSE(pairs.empty());
    const std::optional<CompiledSet> given = clean_compile(pairs.front());
    ASSERT_TRUE(given.has_value());
    ASSERT_TRUE(given->plan.has_value());

    const DecompiledScenario texts = decompile(*given);
    EXPECT_EQ(texts.problem, "");
    EXPECT_EQ(texts.identity.route_stem, carried_identity().route_stem);
    EXPECT_EQ(texts.identity.train_number, carried_identity().train_number);
    EXPECT_EQ(texts.plan_option, 1);

    Model model = fuzzing::model_for_carried_identity();
    MemorySourceFiles sources(texts.route_text, texts.train_text);
    const CompileOutcome outcome = memorizza_percorso(model, sources, texts.plan_option);
    ASSERT_EQ(outcome.status, CompileOutcome::Status::ready);
    EXPECT_EQ(model.error_code, 0);
    EXPECT_EQ(sha256_hex(plan_file_bytes(model)),
              "ba22aa1ff7bae77b46debf26a019ba5097745ceccec387fdeea481cecec7b0ac");
    EXPECT_EQ(sha256_hex(outcome.files.records),
              "cd760e6ed709cd09cfba40300b756b454b0ff01181bee4af905e99359a2532db");
    EXPECT_EQ(sha256_hex(outcome.files.cells),
              "e1353732fb32de7a7dd8fad1147791267a30a55482042d6eda55825a5396f9bb");
}

TEST(RoundTrip, EverySeedThatCompilesCleanlyComesBackByteForByte) {
    int clean = 0;
    for (const std::string& input : fuzzing::compile_pairs(fuzzing::collect_seeds(SOURCE_FOLDER))) {
        const std::optional<CompiledSet> given = clean_compile(input);
        if (!given) continue;
        ++clean;
        EXPECT_EQ(fuzzing::round_trip_failure(*given), "") << "seed " << sha256_hex(input);
    }
    EXPECT_GT(clean, 2);  // the carried pair with and without the plan, and more
}

}  // namespace
}  // namespace scenario
