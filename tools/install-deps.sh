#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian 12 packages that building and testing Korvel need, only those that are missing.
# Usage: tools/install-deps.sh   (uses sudo when not run as root)
set -euo pipefail

# Build tools and Qt; Debian's olefile reads our wallet files in tests as an independent reader; clang builds the
# fuzz targets; Node.js runs the npm tools of the build and of the interoperability tests; rsvg-convert renders the
# resource library's icons; xxHash fingerprints wallet files; libxml2, zlib and RapidJSON read the exports of other
# password managers; libsodium and zxcvbn seal wallets, and python3-nacl reads sealed files in tests as an
# independent reader; diceware installs the EFF's list of words that passphrases are made of; dbus-daemon runs the
# private session bus on which the tests send the desktop's screen-lock signals; syncthing carries a wallet between
# two folders in the end-to-end test of merging. The Debian package: CPack needs dpkg-dev (dpkg-shlibdeps computes
# its dependencies) and file; its test checks it with lintian, the manual pages with groff, the software centre's
# entry with appstream, the desktop entry with desktop-file-utils, and runs the completion under bash-completion.
packages=(cmake ninja-build g++ qt6-base-dev python3-olefile clang libclang-rt-14-dev librsvg2-bin libxxhash-dev
    pkg-config zlib1g-dev libxml2-dev rapidjson-dev libsodium-dev libzxcvbn-dev python3-nacl diceware dbus-daemon
    syncthing dpkg-dev file lintian groff-base appstream desktop-file-utils bash-completion)
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
