#!/usr/bin/env bash
# Whole-run benchmark: the package program, headless, in a fresh folder each time, against a
# floor that only copies the six files a run leaves from a reference folder into a fresh one,
# and against bench/least_work, which only integrates the plan and writes its file. The three
# run in interleaved rounds (scripts/bench-run-paired.py); it prints their medians, the medians
# of the paired ratios run/least_work (target: at most 1.5) and run/floor, and the program's
# peak resident memory over the same runs (target: under 8 MB); exits 1 when a target is missed.
#
# Usage: scripts/bench-run.sh [ROUNDS]   (default 60, at least 30 for the medians to hold)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-60}
build=build-bench

bash scripts/install-dependencies.sh bench >/dev/null
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSCENARIO_BENCH=ON \
    -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" --target brenzola_tessalto_917 compile_benchmark least_work >/dev/null
program_name=brenzola_tessalto_917
program="$(pwd)/$build/$program_name"
unset DISPLAY

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The reference folder: one run leaves the six files the floor copies.
mkdir "$work/reference"
cp "$program" "$work/reference/"
"$work/reference/$program_name" 2>/dev/null
files=(Brenzola_Tessalto_917_note.txt Brenzola_Tessalto_917_rallentamenti.txt
    Brenzola_Tessalto_917_scheda_treno.txt Brenzola_Tessalto_linea.dat
    Brenzola_Tessalto_917.sim Brenzola_Tessalto_917.dat)
sources=()
for name in "${files[@]}"; do
    test -f "$work/reference/$name" || { echo "the reference run left no $name"; exit 1; }
    sources+=("$work/reference/$name")
done
echo "Bytes written by a run: $(cat "${sources[@]}" | wc -c)"

# Interleaved triples: the three commands see the same load, so their ratios hold even on a
# busy machine.
python3 scripts/bench-run-paired.py "$program" "$(pwd)/$build/bench/least_work" \
    "$work/reference" "$work" "$runs"
