#!/usr/bin/env bash
# Builds qxbench in Release and measures it on a scratch file of SIZE MiB
# (default 1024) with a few hundred hits, twice the size to show that memory
# does not grow with the file.
set -euo pipefail
cd "$(dirname "$0")/.."
size=${1:-1024}
dir=${QX_BENCH_DIR:-$(mktemp -d "${TMPDIR:-/tmp}/qxbench.XXXXXX")}
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DQX_BUILD_TESTS=OFF >/dev/null
cmake --build build-release -j2 --target qxbench >/dev/null
for mib in $((size / 4)) "$size"; do
  build-release/qxbench --make "$dir/bench.bin" "$mib" 300
  build-release/qxbench "$dir/bench.bin"
  echo
done
rm -rf "$dir"
