#!/usr/bin/env bash
# Builds everything and runs every test: first the normal build and its tests (a plain
# failure shows fast), then the whole test suite again built with clang under
# AddressSanitizer and UndefinedBehaviorSanitizer, then the fuzz targets: the inputs that
# once found faults, and about 30 seconds of fuzzing for each target.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-dependencies.sh tests

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON
cmake --build build
ctest --test-dir build --output-on-failure

# Any sanitizer report ends the process that made it, which fails its test; leaks that system
# libraries keep on purpose are listed in the suppressions file.
export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1
export LSAN_OPTIONS="suppressions=$(pwd)/scripts/lsan-suppressions.txt:print_suppressions=0"
CC=clang CXX=clang++ cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DSCENARIO_SANITIZE=ON -DBUILD_TESTING=ON
cmake --build build-asan
ctest --test-dir build-asan --output-on-failure

bash scripts/fuzz-run.sh 30
