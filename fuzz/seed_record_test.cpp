// What every seed input leaves behind, pinned: the last error and its position, which of the
// two texts are gone, the compiled files' hashes, every diagnostic of the check without an
// error limit, and the language server's outline of the train text. Any change to how the
// compile, the check or the outline reads, refuses or deletes shows up here, input by input.
//
// After a deliberate change, rewrite the record with
//   SCENARIO_WRITE_SEED_RECORD=1 build/scenario_tests --gtest_filter='SeedRecord.*'
// and review its diff.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "compiler/check.h"
#include "compiler/driver.h"
#include "compiler/source_files.h"
#include "fuzz/fuzz_invariants.h"
#include "fuzz/seed_inputs.h"
#include "io/test_support.h"
#include "scenc/lsp/lsp_features.h"
#include "scenc/lsp/lsp_text.h"

namespace scenario {
namespace {

using testing::sha256_hex;

const std::filesystem::path record_path =
    std::filesystem::path(SOURCE_FOLDER) / "fuzz" / "seed_record.txt";

std::string short_hash(const std::string& bytes) {
    return sha256_hex(bytes).substr(0, 16);
}

std::string status_word(const CompileOutcome& outcome) {
    switch (outcome.status) {
        case CompileOutcome::Status::ready:
            return "ready";
        case CompileOutcome::Status::no_cell_table:
            return "no-cells";
        case CompileOutcome::Status::stopped_by_error:
            return "errore-" + outcome.errore_text;
    }
    return "?";
}

// Every diagnostic of the check without an error limit, one line each.
std::string check_diagnostics(const std::string& route, const std::string& train) {
    const CheckResult result = check_scenario({"S_linea.txt", route}, {"S_917-.txt", train},
                                              carried_identity(), {.max_errors = 0});
    std::ostringstream out;
    for (const Diagnostic& d : result.diagnostics) {
        out << (d.name.empty() ? std::to_string(d.number) : d.name) << '|' << d.location.file << '|'
            << d.location.line << '|' << d.location.column << '|' << d.location.span << '|'
            << d.message << '\n';
    }
    return out.str();
}

std::string train_outline(const std::string& train) {
    using namespace scenc::lsp;
    return document_symbols(EditorText::from_disk(train), TextRole::train).dump();
}

// One line of the record, without the input's own hash.
std::string outcome_of(const std::string& input) {
    fuzzing::CompileInput split = fuzzing::split_compile_input(input);
    const std::string train = split.train.value_or("");
    const std::string checked = short_hash(check_diagnostics(split.route, train));
    const std::string outline = short_hash(train_outline(train));
    Model model = fuzzing::model_for_carried_identity();
    MemorySourceFiles sources(std::move(split.route), std::move(split.train));
    const CompileOutcome outcome = memorizza_percorso(model, sources, split.plan_option);
    std::ostringstream line;
    line << "code=" << model.error_code << " position=" << model.error_position
         << " route=" << (sources.route_exists() ? "kept" : "gone")
         << " train=" << (sources.train_exists() ? "kept" : "gone") << " " << status_word(outcome);
    if (outcome.status == CompileOutcome::Status::ready) {
        line << " plan=" << (outcome.files.with_plan ? short_hash(plan_file_bytes(model)) : "-")
             << " records=" << short_hash(outcome.files.records)
             << " cells=" << short_hash(outcome.files.cells);
    }
    line << " check=" << checked << " symbols=" << outline;
    return line.str();
}

std::map<std::string, std::string> read_record() {
    std::map<std::string, std::string> record;
    std::ifstream in(record_path);
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t blank = line.find(' ');
        if (line.empty() || line[0] == '#' || blank == std::string::npos) continue;
        record[line.substr(0, blank)] = line.substr(blank + 1);
    }
    return record;
}

void write_record(const std::map<std::string, std::string>& record) {
    std::ofstream out(record_path);
    out << "# input hash, then what the compile, the check and the train outline of that seed "
           "input leave (seed_record_test)\n";
    for (const auto& [input, outcome] : record) out << input << ' ' << outcome << '\n';
}

TEST(SeedRecord, EverySeedInputLeavesWhatTheRecordSays) {
    std::map<std::string, std::string> now;
    for (const std::string& input : fuzzing::compile_pairs(fuzzing::collect_seeds(SOURCE_FOLDER))) {
        now[short_hash(input)] = outcome_of(input);
    }
    if (std::getenv("SCENARIO_WRITE_SEED_RECORD") != nullptr) write_record(now);

    const std::map<std::string, std::string> record = read_record();
    ASSERT_FALSE(record.empty()) << record_path;
    for (const auto& [input, outcome] : now) {
        const auto found = record.find(input);
        if (found == record.end()) {
            ADD_FAILURE() << "input " << input << " is not in the record: " << outcome;
        } else {
            EXPECT_EQ(outcome, found->second) << "input " << input;
        }
    }
    for (const auto& [input, outcome] : record) {
        EXPECT_TRUE(now.count(input)) << "recorded input " << input << " is no longer a seed";
    }
}

}  // namespace
}  // namespace scenario
