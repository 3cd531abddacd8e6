#!/usr/bin/env bash
# Sets up a CUPS printer that prints to PDF files (~/PDF of the job's
# owner), for the end-to-end printing test: installs CUPS and cups-pdf,
# starts the scheduler when none runs, adds the queue QXPDF and makes it the
# default. Needs root (or sudo).
set -euo pipefail
packages=(cups cups-client printer-driver-cups-pdf)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
if ! lpstat -r 2>/dev/null | grep -q "is running"; then
  $sudo cupsd
  for _ in $(seq 50); do lpstat -r 2>/dev/null | grep -q "is running" && break; sleep 0.1; done
fi
ppd=$(ls /usr/share/ppd/cups-pdf/CUPS-PDF_noopt.ppd 2>/dev/null || true)
$sudo lpadmin -p QXPDF -E -v cups-pdf:/ ${ppd:+-P "$ppd"} 2>/dev/null
$sudo lpadmin -d QXPDF
lpstat -p QXPDF
