#!/usr/bin/env bash
# Builds TarnovelMon and starts it. Usage: bash tools/run.sh
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/deps.sh
tn_install_packages "${TN_BUILD_PACKAGES[@]}"
cmake -S . -B build-run -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-run --target TarnovelMon  # and the echo helper beside it
exec ./build-run/TarnovelMon "$@"
