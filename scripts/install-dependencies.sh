#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the programs and the tests need; installs
# nothing when all are present. Run as root.
set -euo pipefail

packages=(
    g++ cmake ninja-build pkg-config git
    libgtest-dev libgmock-dev libbenchmark-dev libssl-dev  # libssl-dev: SHA-256 in the tests
    libfltk1.3-dev libx11-dev libcli11-dev nlohmann-json3-dev libcairo2-dev
    clang libclang-rt-14-dev clang-format
    xvfb xauth util-linux hyperfine
    time valgrind linux-perf  # the whole-run benchmark and profiling
)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
        missing+=("$package")
done

if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
