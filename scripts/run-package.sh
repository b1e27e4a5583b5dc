#!/usr/bin/env bash
# Builds the package program and runs it; it leaves the scenario's files beside itself in
# build/. Headless when there is no display. Installs only what the build needs; the tests'
# packages come with scripts/test-all.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-dependencies.sh build
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF
cmake --build build --target brenzola_tessalto_917
status=0
./build/brenzola_tessalto_917 || status=$?
echo "Exit status $status; files in $(pwd)/build:"
ls -l build/Brenzola_Tessalto_917* build/Brenzola_Tessalto_linea* 2>/dev/null || true
exit "$status"
