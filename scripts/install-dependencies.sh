#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the programs and the tests need; installs
# nothing when all are present. Run as root.
set -euo pipefail

# fluid: the project uses no FLUID designs, but FLTK's CMake package file names the program
# as one of its targets and stops the configure step when it is missing.
packages=(
    g++ cmake ninja-build pkg-config git
    libgtest-dev libgmock-dev libbenchmark-dev libssl-dev  # libssl-dev: SHA-256 in the tests
    libfltk1.3-dev fluid libx11-dev libcli11-dev nlohmann-json3-dev libcairo2-dev
    libcpp-httplib-dev  # scenc serve's HTTP server
    clang libclang-rt-14-dev clang-format
    xvfb xauth xdotool util-linux  # xdotool: the window tests close a message box
    time valgrind linux-perf  # the whole-run benchmark and profiling
    vim  # the test of the Vim syntax
    neovim  # scenc lsp tested in Neovim (0.7 in Debian 12)
    python3 python3-jsonschema  # checks scenc dump --json against its schema in the tests
    chromium chromium-driver python3-selenium fonts-dejavu-core  # scenc view's browser test
)
# The test of the VS Code grammars runs on Node. A machine may carry a Node of its own, whose
# npm comes with it and whose package conflicts with Debian's npm: Debian's Node and npm are
# installed only where there is no npm at all.
if ! command -v npm >/dev/null; then
    packages+=(nodejs npm)
fi

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
