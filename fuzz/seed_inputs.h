// The fuzzers' starting inputs: the carried route and train texts, and every scenario text
// that the test files hold as a string literal. Read from the sources at each use rather than
// kept in the tree, so the seeds follow the texts and the tests as they change.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace scenario::fuzzing {

// The carried text comes first in each list.
struct Seeds {
    std::vector<std::string> routes;
    std::vector<std::string> trains;
};

// SOURCE_FOLDER is the repository root; fixtures are read from its *_test.cpp files.
Seeds collect_seeds(const std::filesystem::path& source_folder);

// Inputs of the whole-compile target (layout: split_compile_input): the carried pair with and
// without the plan, then every fixture paired with the carried text of the other half.
std::vector<std::string> compile_pairs(const Seeds& seeds);

// Small pairs in the compile's input layout, cut from the carried pair: the first few
// kilometres of the route with the rows of every kind that fall inside them, and the train's
// rows there. Checking one costs a small part of what the carried pair costs, so the check and
// language-server targets start from these beside the carried pairs.
std::vector<std::string> small_pairs(const Seeds& seeds);

// The fixtures of compile_pairs paired with a small cut of the other half instead of the
// carried text: a route fixture with the train's first 3 km, a train fixture with the route's
// first 20 km (the fixtures place their rows there). Each costs the check a fraction of its
// carried pair, and reaches the same rows of the fixture.
std::vector<std::string> small_fixture_pairs(const Seeds& seeds);

// Inputs of the compiled-reader target (a kind byte, then a file): the compiled files of the
// compile inputs that compile, leaving out the large ones, which would only slow the fuzzer.
std::vector<std::string> compiled_file_inputs(const std::vector<std::string>& compile_inputs);

// Inputs of the language server target (layout: lsp_fuzzer.cpp): an editor's session in
// framed messages over the carried texts, then each compile pair as two texts to edit, their
// first bytes taking the target's choices of request in turn.
std::vector<std::string> lsp_inputs(const std::vector<std::string>& compile_inputs);

}  // namespace scenario::fuzzing
