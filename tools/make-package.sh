#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package of Korvel on a Debian 12 machine (installing the build packages it needs first): the
# programs alone, without tests or benchmarks, in the folder build-package, then cpack. Prints the package's path.
# Install it with: sudo apt install ./build-package/korvel_VERSION_ARCH.deb
# Usage: tools/make-package.sh
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh
cmake -S . -B build-package -G Ninja -DKORVEL_BUILD_TESTS=OFF -DKORVEL_BUILD_BENCH=OFF
cmake --build build-package --parallel "$(nproc)"
(cd build-package && cpack)
ls "$PWD"/build-package/korvel_*.deb
