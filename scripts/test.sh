#!/usr/bin/env bash
# Builds Quellox and runs every test headless. Extra arguments go to CMake.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test
builddir="${QX_BUILD_DIR:-build}"
cmake -S . -B "$builddir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$builddir" -j"$(nproc)"
QT_QPA_PLATFORM=offscreen ctest --test-dir "$builddir" --output-on-failure --no-tests=error -j"$(nproc)"
