// fmt over every seed input (the carried texts and every test fixture): the formatted pair
// compiles to the same files with the same diagnostics, and a second fmt changes nothing.
#include <gtest/gtest.h>

#include <string>

#include "fuzz/formatted_compile.h"
#include "fuzz/seed_inputs.h"

namespace scenario {
namespace {

TEST(FormatterSeeds, EverySeedCompilesAlikeFormattedAndFormatsOnce) {
    const std::vector<std::string> inputs =
        fuzzing::compile_pairs(fuzzing::collect_seeds(SOURCE_FOLDER));
    ASSERT_FALSE(inputs.empty());
    int changed = 0;
    for (const std::string& input : inputs) {
        const fuzzing::CompileInput split = fuzzing::split_compile_input(input);
        EXPECT_EQ(fuzzing::formatting_fault(split), "") << input.substr(0, 400);
        const fuzzing::CompileInput formatted = fuzzing::formatted_input(split);
        if (formatted.route != split.route || formatted.train != split.train) ++changed;
    }
    // The fixtures are written by hand: fmt must have had something to do on some of them, or
    // the comparison above proves nothing.
    EXPECT_GT(changed, 0);
}

}  // namespace
}  // namespace scenario
