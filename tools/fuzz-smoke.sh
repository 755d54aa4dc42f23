#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the fuzz targets with clang and runs each for a short while: a smoke run that catches readers of outside
# input crashing on their first thousands of hostile inputs. Usage: tools/fuzz-smoke.sh [seconds per target]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-20}"
build=build-fuzz
targets=(FuzzCompoundFile FuzzWalletStream FuzzTemplateFile FuzzXmlDocument FuzzKeePassXml FuzzKeePassBinaries
    FuzzBitwardenJson FuzzCsvImport FuzzSealedFile)
# The import readers run with their limits set low (16 MiB a file, 64 MiB an import): their memory must stay a small
# multiple of that, so they get a tighter limit than the rest.
readers=" FuzzKeePassXml FuzzKeePassBinaries FuzzBitwardenJson FuzzCsvImport "

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DKORVEL_BUILD_FUZZ=ON -DKORVEL_BUILD_TESTS=OFF \
    -DKORVEL_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" --parallel "$(nproc)" --target "${targets[@]}"
for target in "${targets[@]}"; do
    corpus=$(mktemp -d)
    echo "Fuzzing $target for $seconds s"
    # Inputs are a few kilobytes, so one allocation of 256 MB means a reader believed a count it was given.
    limits=(-rss_limit_mb=2048 -malloc_limit_mb=256)
    if [[ "$readers" == *" $target "* ]]; then
        limits=(-rss_limit_mb=768 -malloc_limit_mb=64)
    fi
    "$build/bin/$target" -max_total_time="$seconds" "${limits[@]}" -print_final_stats=1 "$corpus" 2>&1 | tail -n 3
    rm -rf "$corpus"
done
