#!/usr/bin/env bash
# Builds Quellox and starts it with the files given.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh run
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target quellox
exec build/quellox "$@"
