#!/usr/bin/env bash
# Builds qxpaint in Release and measures the record view's frames (scroll,
# read, lay out and paint) on a 100 GiB sparse file in a temporary
# directory, offscreen. Arguments: the window's width and height (default
# 1280 1000).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DQX_BUILD_TESTS=OFF >/dev/null
cmake --build build-release -j2 --target qxpaint >/dev/null
echo "$(uname -r), $(nproc) cores, $(date -u '+%Y-%m-%d %H:%M UTC'), load $(cut -d' ' -f1-3 /proc/loadavg)"
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} TMPDIR=${QX_BENCH_DIR:-${TMPDIR:-/tmp}} \
  build-release/qxpaint "${1:-1280}" "${2:-1000}" 2>/dev/null
