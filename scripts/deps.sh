#!/usr/bin/env bash
# Installs what Quellox needs to build, test and run on Debian 12.
set -euo pipefail
packages=(cmake make g++ qt6-base-dev libgl-dev libgtest-dev fonts-dejavu-core poppler-utils
  dpkg-dev file desktop-file-utils appstream)
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
