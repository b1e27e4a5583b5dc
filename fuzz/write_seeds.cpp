// Writes the fuzzers' starting corpora (see seed_inputs.h).
//
// Usage: write_seeds SOURCE_FOLDER CORPUS_FOLDER
// Writes CORPUS_FOLDER/route_parser, train_parser, compile (plan flag, route, NUL, train) and
// compiled_reader (kind byte, compiled file), check (the carried pair and small pairs in the
// compile's layout, in a folder of its own, since libFuzzer adds the inputs it finds to the
// first folder it is given), lsp (see lsp_fuzzer.cpp), fmt (the check's inputs) and
// round_trip (the compile's pairs once more).
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "fuzz/seed_inputs.h"

namespace fs = std::filesystem;

namespace {

void write_file(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Each input once: the lists overlap.
void write_corpus(const fs::path& folder, const std::vector<std::string>& inputs) {
    fs::create_directories(folder);
    std::set<std::string> written;
    for (const std::string& input : inputs) {
        if (!written.insert(input).second) continue;
        write_file(folder / ("seed_" + std::to_string(written.size() - 1)), input);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: write_seeds SOURCE_FOLDER CORPUS_FOLDER\n");
        return 2;
    }
    const fs::path corpus = argv[2];
    const scenario::fuzzing::Seeds seeds = scenario::fuzzing::collect_seeds(argv[1]);
    const std::vector<std::string> pairs = scenario::fuzzing::compile_pairs(seeds);
    write_corpus(corpus / "route_parser", seeds.routes);
    write_corpus(corpus / "train_parser", seeds.trains);
    write_corpus(corpus / "compile", pairs);
    write_corpus(corpus / "round_trip", pairs);
    // The check and language-server targets check a whole scenario for each input: beside the
    // carried pair they start from small pairs, the fixtures among them, which keeps them fast.
    const std::vector<std::string> small = scenario::fuzzing::small_pairs(seeds);
    std::vector<std::string> check_inputs(pairs.begin(), pairs.begin() + 2);
    check_inputs.insert(check_inputs.end(), small.begin(), small.end());
    for (std::string& input : scenario::fuzzing::small_fixture_pairs(seeds)) {
        check_inputs.push_back(std::move(input));
    }
    // The check target renders each input in the format that bits 3 to 5 of its first byte
    // choose: the seeds take each choice in turn, so that every format starts with inputs.
    std::vector<std::string> check_seeds = check_inputs;
    for (std::size_t i = 0; i < check_seeds.size(); ++i) {
        check_seeds[i][0] = static_cast<char>(check_seeds[i][0] | (i % 8) << 3);
    }
    write_corpus(corpus / "check", check_seeds);
    write_corpus(corpus / "fmt", check_inputs);
    const std::vector<std::string> compiled = scenario::fuzzing::compiled_file_inputs(pairs);
    write_corpus(corpus / "compiled_reader", compiled);
    // The carried session first: its texts are the ones an editor opens.
    std::vector<std::string> lsp = scenario::fuzzing::lsp_inputs(check_inputs);
    write_corpus(corpus / "lsp", lsp);
    std::printf("seeds: %zu routes, %zu trains, %zu pairs, %zu compiled files\n",
                seeds.routes.size(), seeds.trains.size(), pairs.size(), compiled.size());
    return 0;
}
