// The cost of compiling a scenario in memory: the carried one, and generated routes of
// growing length, to show that the compile grows linearly with the route.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "compiler/driver.h"
#include "compiler/identity.h"
#include "compiler/source_files.h"
#include "sources/line_table.h"
#include "sources/route_text.h"
#include "sources/train_text.h"

namespace scenario {
namespace {

// A route and a train over it, built from one 20 km pattern repeated along the line: curves of
// every class, a gradient change every 500 m, a mountain stretch, maximum-speed boards and a
// route sign board; a station, speed changes and twenty signals every 20 km, and a slowdown
// every 100 km. The offsets keep every feature on its own cell.
constexpr std::int32_t block_length = 20000;
constexpr std::int32_t blocks_with_sign_boards = 25;  // boards and stations share 78 records

std::string row(const std::string& keyword, const std::vector<std::int64_t>& values) {
    std::string line = keyword;
    for (std::int64_t value : values) line += ", " + std::to_string(value);
    return line;
}

std::vector<std::string> generated_route(std::int32_t length) {
    std::vector<std::string> lines{"[generale]",
                                   row("lunghezza percorso", {length}),
                                   row("progressiva chilometrica tre", {0, 0, 0}),
                                   row("progressiva chilometrica due", {0, 0, 0}),
                                   row("progressiva chilometrica uno", {0, 350000, 1}),
                                   row("sfondo uno", {1}),
                                   row("sfondo due", {0}),
                                   row("sfondo tre", {0}),
                                   row("ripetizione segnali 4 codici", {0, length - 2000}),
                                   "[curve]"};
    const std::int32_t blocks = length / block_length;
    for (std::int32_t curve = 0; curve < length / 2000; ++curve) {
        std::string keyword =
            std::string("curva") + (curve % 2 ? "s" : "d") + std::to_string(1 + curve % 6);
        lines.push_back(row(keyword, {2000 * curve + 700, 600}));
    }
    lines.push_back("[pendenze]");
    for (std::int32_t at = 0; at < length; at += 500) {
        lines.push_back(row("pendenza", {at, (at / 500) % 25 - 12}));
    }
    lines.push_back("[montagne]");
    for (std::int32_t b = 0; b < blocks; ++b) {
        lines.push_back(row("montagna", {b * block_length + 15000, b * block_length + 17000, 11}));
    }
    lines.push_back("[cartelli]");
    for (std::int32_t at = 300; at < length; at += 5000) {
        lines.push_back(row("indicatori_vmax", {at, 140, 150, 160, 0, 140, 150, 160, 0}));
    }
    lines.push_back("[indicazioni]");
    for (std::int32_t b = 0; b < blocks && b < blocks_with_sign_boards; ++b) {
        lines.push_back(row("cartello_indicatore", {b * block_length + 2500}) + ", (Km " +
                        std::to_string(350 - b * 20) + "+000)");
    }
    lines.push_back("[fine]");
    return lines;
}

std::vector<std::string> generated_train(std::int32_t length) {
    std::vector<std::string> lines{"[generale]",
                                   row("numero vetture", {14}),
                                   row("percentuale massa frenata", {130}),
                                   row("sabbia", {200}),
                                   "orologio, 10 49 40",
                                   "[aderenze]",
                                   row("aderenza", {0, 100}),
                                   "[vel_limite]"};
    for (std::int32_t at = 0; at < length; at += 10000) {
        lines.push_back(row("velocita", {at, 100 + (at / 10000) % 7 * 10}));
    }
    const std::int32_t blocks = length / block_length;
    lines.push_back("[stazioni]");
    for (std::int32_t b = 0; b < blocks; ++b) {
        lines.push_back(row("stazione", {b * block_length + 10000, 12, 400, 0, 0, 0, 1, 1, 0, 4, 1,
                                         1, 0, 0, 0, 0}) +
                        ", STAZIONE " + std::to_string(b + 1));
    }
    lines.push_back("[rallentamenti]");
    for (std::int32_t b = 0; b < blocks; b += 5) {
        lines.push_back(row("rallentamento", {b * block_length + 5000, 60, 600, 0, 1, 60}));
    }
    lines.push_back("[segnali]");
    for (std::int32_t at = 850; at < length; at += 1000) {
        lines.push_back(row("segnale", {at, 2, 4, 0, 0, 0, 2, 1, 0, 0, 0}));
    }
    lines.push_back("[fine]");
    return lines;
}

struct Texts {
    std::string route;
    std::string train;
};

// One compile per iteration; the texts are copied outside the timing.
void run_compiles(benchmark::State& state, const Texts& texts) {
    const Identity id = carried_identity();
    std::size_t output_bytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Model model;
        model.route_stem = id.route_stem;
        model.train_number = id.train_number;
        MemorySourceFiles sources(texts.route, texts.train);
        state.ResumeTiming();
        CompileOutcome outcome = memorizza_percorso(model, sources, 1);
        if (outcome.status != CompileOutcome::Status::ready || model.error_code != 0) {
            state.SkipWithError(
                ("compile ended with error " + std::to_string(model.error_code)).c_str());
            return;
        }
        // The plan file is integrated as it is written; here it goes to a sink that only counts.
        std::size_t plan_bytes = 0;
        write_plan_file(model,
                        [&plan_bytes](std::string_view piece) { plan_bytes += piece.size(); });
        output_bytes = plan_bytes + outcome.files.records.size() + outcome.files.cells.size();
        benchmark::DoNotOptimize(outcome);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * output_bytes));
    state.counters["output_bytes"] = static_cast<double>(output_bytes);
}

void BM_compile_carried(benchmark::State& state) {
    const Identity id = carried_identity();
    run_compiles(state,
                 {line_table_bytes(dati_linea(id).lines), line_table_bytes(dati_treno(id).lines)});
}
BENCHMARK(BM_compile_carried)->Unit(benchmark::kMillisecond);

void BM_compile_generated(benchmark::State& state) {
    const auto length = static_cast<std::int32_t>(state.range(0));
    run_compiles(state, {line_table_bytes(generated_route(length)),
                         line_table_bytes(generated_train(length))});
    state.SetComplexityN(length);
}
BENCHMARK(BM_compile_generated)
    ->Arg(250000)
    ->Arg(500000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace
}  // namespace scenario
