#!/usr/bin/env bash
# Installs the Debian 12 packages that a task needs, those that are missing:
#   scripts/deps.sh [GROUP ...]
#     run       build and run the program (the default)
#     test      and build and run the tests
#     package   and build the Debian package and check it
set -euo pipefail
run=(cmake make g++ qt6-base-dev libgl-dev fonts-dejavu-core)
test=(libgtest-dev poppler-utils)
package=(dpkg-dev file lintian desktop-file-utils appstream)
packages=("${run[@]}")
for group in "${@:-run}"; do
  case "$group" in
    run) ;;
    test) packages+=("${test[@]}") ;;
    package) packages+=("${package[@]}") ;;
    *)
      echo "deps.sh: no group \"$group\"; the groups are run, test and package" >&2
      exit 2
      ;;
  esac
done
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
