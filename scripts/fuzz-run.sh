#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer)
# in build-fuzz, writes fresh seeds from the carried texts and the tests' fixtures, replays
# them and the inputs that once found faults (fuzz/regressions/), and runs each target for SECONDS
# (default 30), as many side by side as there are cores, then prints each target's inputs, rate
# and coverage. Any sanitizer report, crash, broken invariant, leak or slow input fails the
# script; the input that caused it is left in build-fuzz/findings/TARGET/.
#
# Usage: scripts/fuzz-run.sh [SECONDS [TARGET...]]   (every target unless some are named)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
shift $(($# > 0))
# Every target unless some are named.
targets=("$@")
((${#targets[@]})) || targets=(route_parser train_parser compile compiled_reader check lsp fmt round_trip)
build=build-fuzz

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DSCENARIO_SANITIZE=ON -DSCENARIO_FUZZ=ON -DBUILD_TESTING=OFF
cmake --build "$build" --target fuzz_targets write_seeds
# The fuzz tests write the seeds into $build/corpus and replay them, with the inputs that once
# found faults, through every target.
rm -rf "$build/corpus"
ctest --test-dir "$build/fuzz" --output-on-failure

# One line from a finished libFuzzer log: inputs run, inputs a second, and the coverage
# (edges reached, then features) that its last line reports.
fuzz_summary() {
    awk -v target="$1" '
        /^stat::number_of_executed_units:/ { runs = $2 }
        /^stat::average_exec_per_sec:/ { rate = $2 }
        / cov: / { for (i = 1; i < NF; ++i) { if ($i == "cov:") cov = $(i + 1); if ($i == "ft:") ft = $(i + 1) } }
        END { printf "%-16s %10d inputs %6d a second  cov %s ft %s\n", target, runs, rate, cov, ft }
    ' "$2"
}

# One target's run; its log, and the input that broke it if any, stay in its findings folder.
fuzz_target() {
    local target=$1 findings="$build/findings/$1"
    # The dictionary holds the texts' keywords; the compiled files are binary.
    local dictionary=(-dict=fuzz/scenario.dict)
    [[ $target == compiled_reader ]] && dictionary=()
    # The check, the language server and fmt check a whole scenario for each input, at a cost
    # that grows with its length. A few rows of every kind fit in 1 KB (the small seeds are
    # mostly about 1 KB; longer ones are cut when loaded); fmt, which runs the check twice
    # over, keeps 4 KB.
    local length=()
    [[ $target == check || $target == lsp ]] && length=(-max_len=1024)
    [[ $target == fmt ]] && length=(-max_len=4096)
    # The entropic schedule weighs every feature of every input against the rarest ones seen:
    # for the check and the language server, which reach tens of thousands of features an
    # input, that bookkeeping took over a third of check's time; without it they run about 1.4
    # times as many inputs at the same coverage. Their many small allocations spent about an
    # eighth of the time recording 30 frames of stack for each: 3 are kept, which changes what
    # a report says of where memory was allocated or freed, not what is found (replay the
    # input, as the fuzz tests do, for the whole stacks). Then their allocator's time went
    # mostly to reading the headers of blocks that had waited in ASan's 256 MB quarantine and
    # were cold: a 64 MB quarantine (ClusterFuzz's) still holds many inputs' worth of freed
    # memory, so a use after free within an input is found as before, and runs them about a
    # tenth faster.
    local schedule=() asan_options=${ASAN_OPTIONS:-}
    if [[ $target == check || $target == lsp ]]; then
        schedule=(-entropic=0)
        asan_options="${asan_options:+$asan_options:}malloc_context_size=3:quarantine_size_mb=64"
    fi
    # -timeout: a route of the largest length compiles in well under a second even with the
    # sanitizers, so an input that takes 10 s is a hang.
    ASAN_OPTIONS=$asan_options "$build/fuzz/${target}_fuzzer" -max_total_time="$seconds" -timeout=10 \
        "${dictionary[@]}" "${length[@]}" "${schedule[@]}" -artifact_prefix="$findings/" -print_final_stats=1 \
        "$build/corpus/$target" >"$findings/log.txt" 2>&1
}

# Each target is one process on one core, so as many run side by side as there are cores.
jobs=$(nproc)
for target in "${targets[@]}"; do
    rm -rf "$build/findings/$target" "$build/findings/$target.status"
    mkdir -p "$build/findings/$target"
done
for target in "${targets[@]}"; do
    while (($(jobs -rp | wc -l) >= jobs)); do wait -n || true; done
    echo "Fuzzing $target for $seconds s"
    # The status goes to a file: a job that wait -n has reaped can no longer be waited for.
    { fuzz_target "$target" && echo 0 || echo 1; } >"$build/findings/$target.status" &
done
wait

failed=()
summary=()
for target in "${targets[@]}"; do
    if [[ $(cat "$build/findings/$target.status") == 0 ]]; then
        summary+=("$(fuzz_summary "$target" "$build/findings/$target/log.txt")")
    else
        echo "FAILED: $target; log and input in $build/findings/$target:"
        tail -n 60 "$build/findings/$target/log.txt"
        failed+=("$target")
    fi
done

printf '%s\n' "${summary[@]}"
if ((${#failed[@]})); then
    echo "Fuzzing found faults in: ${failed[*]}"
    exit 1
fi
echo "Fuzzing: no finding."
