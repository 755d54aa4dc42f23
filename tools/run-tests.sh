#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Korvel and runs every test on a Debian 12 machine, installing the build packages it needs first.
# Usage: tools/run-tests.sh [--sanitize]   (build folder: build, or build-asan with --sanitize)
# With --sanitize the tests run under AddressSanitizer and UBSan, and the exerciser of the desktop program also runs
# a long run of random steps (TestGuiExerciserLong).
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh

build=build
flags=()
if [ "${1:-}" = "--sanitize" ]; then
    build=build-asan
    flags=(-DKORVEL_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug)
fi

cmake -S . -B "$build" -G Ninja "${flags[@]}"
cmake --build "$build" --parallel "$(nproc)"
if [ "${1:-}" != "--sanitize" ]; then
    tools/fuzz-smoke.sh 15
fi
QT_QPA_PLATFORM=offscreen ctest --test-dir "$build" --output-on-failure --parallel "$(nproc)"
