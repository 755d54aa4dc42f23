#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Korvel on a Debian 12 machine (installing the build packages it needs first) and starts the desktop
# program; arguments go to it (a wallet to open).
# Usage: tools/run-korvel.sh [WALLET]   (build folder: build)
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh
cmake -S . -B build -G Ninja
cmake --build build --parallel "$(nproc)" --target korvel korvel-cli korvelres
exec build/bin/korvel "$@"
