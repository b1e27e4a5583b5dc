#!/usr/bin/env bash
# Starts two writers together into one folder, PAIRS times (default 50) for scenc compile (two
# scenarios under the same names whose compiled files all differ) and as often for the package
# program, and counts how often the folder held one run's whole set and how often a run failed.
#
# Usage: scripts/two-writers-check.sh [PAIRS]   (after a build in build/)
set -euo pipefail
cd "$(dirname "$0")/.."
pairs=${1:-50}
scenc=$PWD/build/scenc
package=$PWD/build/brenzola_tessalto_917
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

"$scenc" example a >/dev/null
"$scenc" example b >/dev/null
sed -i 's/243000/242000/' b/Brenzola_Tessalto_linea.txt
compile() { "$scenc" compile "$1/Brenzola_Tessalto_linea.txt" "$1/Brenzola_Tessalto_917-.txt" -o "$2"; }
compile a set_a >/dev/null || true
compile b set_b >/dev/null || true

whole=0 mixed=0 failed=0
for _ in $(seq "$pairs"); do
    compile a out >/dev/null 2>&1 & first=$!
    compile b out >/dev/null 2>&1 & second=$!
    status=0; wait $first || status=$?; ((status <= 1)) || ((++failed))
    status=0; wait $second || status=$?; ((status <= 1)) || ((++failed))
    if diff -rq out set_a >/dev/null || diff -rq out set_b >/dev/null; then ((++whole)); else ((++mixed)); fi
done
echo "scenc compile, $pairs pairs: $whole left one whole set, $mixed a mixed one; $failed runs failed"

mkdir package && cp "$package" package/program
clean=0 failed=0
for _ in $(seq "$pairs"); do
    (cd package && env -u DISPLAY ./program >/dev/null 2>&1) & first=$!
    (cd package && env -u DISPLAY ./program >/dev/null 2>&1) & second=$!
    both=1
    wait $first || { ((++failed)); both=0; }
    wait $second || { ((++failed)); both=0; }
    ((both)) && ((++clean))
done
echo "package program, $pairs pairs: $clean with both runs clean, $failed runs failed;" \
     "left beside it: $(ls -A package | grep -v '^program$' | tr '\n' ' ')"
