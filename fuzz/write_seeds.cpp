// Writes the fuzzers' starting corpora (see seed_inputs.h).
//
// Usage: write_seeds SOURCE_FOLDER CORPUS_FOLDER
// Writes CORPUS_FOLDER/route_parser, train_parser, compile (plan flag, route, NUL, train) and
// compiled_reader (kind byte, compiled file), check (the compile's pairs again, in a folder of
// its own, since libFuzzer adds the inputs it finds to the first folder it is given) and lsp
// (see lsp_fuzzer.cpp), and round_trip (the compile's pairs once more).
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fuzz/seed_inputs.h"

namespace fs = std::filesystem;

namespace {

void write_file(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

void write_corpus(const fs::path& folder, const std::vector<std::string>& inputs) {
    fs::create_directories(folder);
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        write_file(folder / ("seed_" + std::to_string(i)), inputs[i]);
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
    // The check and language-server targets check a whole scenario for each input: small
    // pairs beside the carried ones keep them fast.
    const std::vector<std::string> small = scenario::fuzzing::small_pairs(seeds);
    std::vector<std::string> check_inputs = pairs;
    check_inputs.insert(check_inputs.end(), small.begin(), small.end());
    write_corpus(corpus / "check", check_inputs);
    const std::vector<std::string> compiled = scenario::fuzzing::compiled_file_inputs(pairs);
    write_corpus(corpus / "compiled_reader", compiled);
    std::vector<std::string> lsp = scenario::fuzzing::lsp_inputs(pairs);
    for (const std::string& input : scenario::fuzzing::lsp_inputs(small)) lsp.push_back(input);
    write_corpus(corpus / "lsp", lsp);
    std::printf("seeds: %zu routes, %zu trains, %zu pairs, %zu compiled files\n",
                seeds.routes.size(), seeds.trains.size(), pairs.size(), compiled.size());
    return 0;
}
