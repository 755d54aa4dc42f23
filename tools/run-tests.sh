#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Korvel and runs every test on a Debian 12 machine, installing the build packages it needs first.
# Usage: tools/run-tests.sh [--sanitize]   (build folder: build, or build-asan with --sanitize)
set -euo pipefail
cd "$(dirname "$0")/.."

# Build tools and Qt; Debian's olefile reads our wallet files in tests as an independent reader; clang builds the
# fuzz targets; Node.js runs the npm tools of the build and of the interoperability tests; rsvg-convert renders the
# resource library's icons.
packages=(cmake ninja-build g++ qt6-base-dev python3-olefile clang libclang-rt-14-dev librsvg2-bin)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
command -v node >/dev/null && command -v npm >/dev/null || missing+=(nodejs npm)
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${missing[@]}"
fi

build=build
flags=()
if [ "${1:-}" = "--sanitize" ]; then
    build=build-asan
    flags=(-DKORVEL_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug)
fi

cmake -S . -B "$build" -G Ninja "${flags[@]}"
cmake --build "$build" --parallel "$(nproc)"
QT_QPA_PLATFORM=offscreen ctest --test-dir "$build" --output-on-failure --parallel "$(nproc)"
