#!/usr/bin/env bash
# Whole-run benchmark: the package program, headless, in a fresh folder each time, against a
# floor that only copies the six files a run leaves from a reference folder into a fresh one.
# Prints both timings, their ratio (target: at most 1.5) and the program's peak resident
# memory (target: under 16 MB); exits 1 when a target is missed.
#
# Usage: scripts/bench-run.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-30}
build=build-bench

bash scripts/install-dependencies.sh >/dev/null
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
bytes=$(cat "${sources[@]}" | wc -c)

hyperfine --shell=none --warmup 3 --runs "$runs" --style basic \
    --export-csv "$work/times.csv" \
    --command-name "package program" \
    --prepare "bash -c 'rm -rf $work/run && mkdir $work/run && cp $program $work/run/'" \
    "$work/run/$program_name" \
    --command-name "floor (copy the six files)" \
    --prepare "bash -c 'rm -rf $work/floor && mkdir $work/floor'" \
    "cp ${sources[*]} $work/floor/" \
    --command-name "least work (integrate and write the plan only)" \
    --prepare "bash -c 'rm -rf $work/least && mkdir $work/least'" \
    "$(pwd)/$build/bench/least_work $work/least/plan.dat"

# Peak resident memory of the program, the largest of a few runs.
peak_kib=0
for _ in 1 2 3 4 5; do
    rm -rf "$work/run" && mkdir "$work/run" && cp "$program" "$work/run/"
    /usr/bin/time -f %M -o "$work/rss" "$work/run/$program_name" 2>/dev/null
    kib=$(cat "$work/rss")
    ((kib > peak_kib)) && peak_kib=$kib
done

# Columns of hyperfine's CSV: command, mean, stddev, median, user, system, min, max (seconds).
awk -F, -v peak="$peak_kib" -v bytes="$bytes" '
    NR == 2 { run = $2; run_median = $4 }
    NR == 3 { floor = $2; floor_median = $4 }
    NR == 4 { least = $2 }
    END {
        ratio = run / floor
        printf "Bytes written by a run: %d\n", bytes
        printf "Package program: %.2f ms   floor: %.2f ms   ratio: %.2f (target <= 1.5)\n",
               run * 1000, floor * 1000, ratio
        printf "Medians: %.2f ms and %.2f ms, ratio %.2f\n",
               run_median * 1000, floor_median * 1000, run_median / floor_median
        printf "Least work (plan only): %.2f ms   ratio to the floor: %.2f\n",
               least * 1000, least / floor
        printf "Peak resident memory: %.1f MB (%d KiB; target < 16 MB)\n", peak * 1024 / 1e6, peak
        exit !(ratio <= 1.5 && peak * 1024 < 16e6)
    }' "$work/times.csv"
