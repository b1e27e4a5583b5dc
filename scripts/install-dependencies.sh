#!/usr/bin/env bash
# Installs the Debian 12 packages of one use of the project; installs nothing when all are
# present. Run as root; as another user it names in one line what root should install.
#
# Usage: scripts/install-dependencies.sh [build|tests|deb|bench]
#   build  (the default) configure and build both programs, and scenc's manual pages
#   tests  the build set and what the test command needs (test-all.sh), the deb set included
#   deb    the build set and what building scenc's .deb and checking it installed needs
#   bench  the build set and what the benchmark scripts need
set -euo pipefail
use=${1:-build}

# fluid: the project uses no FLUID designs, but FLTK's CMake package file names the program
# as one of its targets and stops the configure step when it is missing.
build=(
    g++ cmake ninja-build pkg-config
    libfltk1.3-dev fluid libx11-dev libcli11-dev nlohmann-json3-dev libcairo2-dev
    libcpp-httplib-dev  # scenc serve's HTTP server
    scdoc  # scenc's manual pages
    libdtl-dev  # scenc fmt --diff
)
tests=(
    libgtest-dev libgmock-dev libssl-dev  # libssl-dev: SHA-256 in the tests
    clang libclang-rt-14-dev clang-format  # the sanitizer and fuzz builds
    llvm  # llvm-symbolizer: the sanitizers name the frames of a report and match suppressions
    xvfb xauth xdotool util-linux  # xdotool: the window tests close a message box
    vim  # the test of the Vim syntax
    neovim  # scenc lsp tested in Neovim (0.7 in Debian 12)
    python3 python3-jsonschema  # checks scenc dump --json against its schema in the tests
    time libxml2-utils  # peak memory of the hostile-input cases; the plot SVG is well-formed XML
    chromium chromium-driver python3-selenium fonts-dejavu-core  # scenc view's browser test
)
deb=(
    dpkg-dev file lintian  # scenc's .deb: dpkg-shlibdeps (file finds the programs), lintian
    man-db bash-completion neovim  # the installed .deb's pages, completion and language server
)
bench=(
    libbenchmark-dev time python3 valgrind linux-perf  # the benchmarks and profiling
)

case $use in
build) packages=("${build[@]}") ;;
tests)
    packages=("${build[@]}" "${tests[@]}" "${deb[@]}")
    # The test of the VS Code grammars runs on Node. A machine may carry a Node of its own, whose
    # npm comes with it and whose package conflicts with Debian's npm: Debian's Node and npm are
    # installed only where there is no npm at all.
    command -v npm >/dev/null || packages+=(nodejs npm)
    ;;
deb) packages=("${build[@]}" "${deb[@]}") ;;
bench) packages=("${build[@]}" "${bench[@]}") ;;
*)
    echo "usage: $0 [build|tests|deb|bench]" >&2
    exit 2
    ;;
esac

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
        missing+=("$package")
done
((${#missing[@]})) || exit 0

if ((EUID != 0)); then
    echo "install-dependencies: as root, run: apt-get install --no-install-recommends ${missing[*]}" >&2
    exit 1
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
