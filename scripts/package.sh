#!/usr/bin/env bash
# Builds a Release quellox with Debian's hardening flags and packs it as a
# Debian package:
#   scripts/package.sh            -> build-package/quellox_<version>_amd64.deb
#   QX_PACKAGE_DIR=dir scripts/package.sh   another build directory
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh package
dir="${QX_PACKAGE_DIR:-build-package}"
# Debian's hardening flags: fortified calls, stack protector, read-only
# relocations bound at start. Fortify level 3 (glibc 2.36, g++ 12) rather
# than 2: it also checks sizes known only at run time, and at level 2 the
# compiler finds no call of this program to check. -g is left out since
# the packaged program is stripped anyway.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
cxxflags=$(sed -E 's/-D_FORTIFY_SOURCE=2/-D_FORTIFY_SOURCE=3/; s/(^| )-g( |$)/ /' <<<"$cxxflags")
ldflags=$(dpkg-buildflags --get LDFLAGS)
# The tests and the benchmark are not packaged: building the program alone
# (and not everything before cpack installs) keeps this quick.
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DQX_BUILD_TESTS=OFF \
  -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" >/dev/null
cmake --build "$dir" -j"$(nproc)" --target quellox
(cd "$dir" && cpack -G DEB)
ls "$dir"/quellox_*.deb
