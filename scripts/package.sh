#!/usr/bin/env bash
# Builds a Release quellox and packs it as a Debian package:
#   scripts/package.sh            -> build-package/quellox_<version>_amd64.deb
#   QX_PACKAGE_DIR=dir scripts/package.sh   another build directory
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
dir="${QX_PACKAGE_DIR:-build-package}"
# The tests are not packaged: leaving them out keeps this quick.
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DQX_BUILD_TESTS=OFF \
  -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
cmake --build "$dir" -j"$(nproc)"
(cd "$dir" && cpack -G DEB)
ls "$dir"/quellox_*.deb
