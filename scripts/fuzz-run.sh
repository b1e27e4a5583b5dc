#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer)
# in build-fuzz, writes fresh seeds from the carried texts and the tests' fixtures, replays
# them and the inputs that once found faults (fuzz/regressions/), and runs each target for SECONDS
# (default 30). Any sanitizer report, crash, broken invariant, leak or slow input fails the
# script; the input that caused it is left in build-fuzz/findings/TARGET/.
#
# Usage: scripts/fuzz-run.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
build=build-fuzz

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DSCENARIO_SANITIZE=ON -DSCENARIO_FUZZ=ON -DBUILD_TESTING=OFF
cmake --build "$build" --target fuzz_targets write_seeds
# The fuzz tests write the seeds into $build/corpus and replay them, with the inputs that once
# found faults, through every target.
rm -rf "$build/corpus"
ctest --test-dir "$build/fuzz" --output-on-failure

failed=()
for target in route_parser train_parser compile; do
    findings="$build/findings/$target"
    rm -rf "$findings"
    mkdir -p "$findings"
    echo "Fuzzing $target for $seconds s"
    # -timeout: a route of the largest length compiles in well under a second even with the
    # sanitizers, so an input that takes 10 s is a hang.
    if "$build/fuzz/${target}_fuzzer" -max_total_time="$seconds" -timeout=10 \
        -dict=fuzz/scenario.dict -artifact_prefix="$findings/" -print_final_stats=1 \
        "$build/corpus/$target" >"$findings/log.txt" 2>&1; then
        grep -E '^(stat::number_of_executed_units|stat::new_units_added)' "$findings/log.txt" || true
    else
        echo "FAILED: $target; log and input in $findings:"
        tail -n 60 "$findings/log.txt"
        failed+=("$target")
    fi
done

if ((${#failed[@]})); then
    echo "Fuzzing found faults in: ${failed[*]}"
    exit 1
fi
echo "Fuzzing: no finding."
