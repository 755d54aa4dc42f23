#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Korvel on a Debian 12 machine (installing the build packages it needs first) and shows korvel-cli at work on
# a new wallet in a temporary folder, which is removed afterwards.
# Usage: tools/run-korvel.sh   (build folder: build)
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh
cmake -S . -B build -G Ninja
cmake --build build --parallel "$(nproc)" --target korvel-cli

cli="$PWD/build/bin/korvel-cli"
demo=$(mktemp -d)
trap 'rm -rf "$demo"' EXIT
wallet="$demo/demo.kvx"

say() {
    printf '$ korvel-cli'
    printf ' %q' "$@"
    printf '\n'
}

run() {
    say "$@"
    "$cli" "$@"
    echo
}

run create "$wallet"
say add-category "$wallet" "Banking" --template 9 --no-password
category=$("$cli" add-category "$wallet" "Banking" --template 9 --no-password)
echo "$category"
echo
run add-card "$wallet" "$category" 9 "Visa" --value "0=4111 1111 1111 1111" --value "3=123" --notes "Card for travel"
run add-card "$wallet" "$category" 9 "Mastercard" --value "0=5500 0000 0000 0004"
run ls "$wallet"
run ls "$wallet" "$category"
card=$("$cli" search "$wallet" visa --json | sed -n 's/.*"id": \([0-9]*\).*/\1/p' | head -n 1)
run show "$wallet" "$card"
run search "$wallet" visa
run export "$wallet" "$demo/demo.txt"
cat "$demo/demo.txt"
echo
run info "$wallet" --json
