#!/usr/bin/env bash
# Builds qxbench in Release and measures Count (with Match case on and off)
# and Replace All beside grep,
# cp and cp + sync, Copy, Cut and Paste beside cp and cp + sync, and Fill
# beside dd over the file in place, Record Fill beside dd reading and
# rewriting the file in place (qxbench runs the tools), on a scratch
# file with 300 hits, of SIZE/4 and SIZE MiB
# (default 1024; the two sizes show that memory does not grow with the file),
# once on the disk and once on /dev/shm (in memory: the sync costs nothing,
# which shows the rewrite itself apart from the disk's write speed).
# Then Check Records beside cat and Export Records beside cp + sync on SIZE
# MiB of 120-byte EBCDIC records with 8 numeric fields, on each medium.
# Each figure is the best of 3. Set QX_BENCH_DIR for another disk directory.
set -euo pipefail
cd "$(dirname "$0")/.."
size=${1:-1024}
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DQX_BUILD_TESTS=OFF >/dev/null
cmake --build build-release -j2 --target qxbench >/dev/null
bench=build-release/qxbench

dirs=()
cleanup() { rm -rf "${dirs[@]}"; }
trap cleanup EXIT
dirs+=("$(mktemp -d "${QX_BENCH_DIR:-$PWD/build-release}/qxbench.XXXXXX")")
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  dirs+=("$(mktemp -d /dev/shm/qxbench.XXXXXX)")
fi

rows=()
blocks=()
records=()
fields=()
for dir in "${dirs[@]}"; do
  for mib in $((size / 4)) "$size"; do
    "$bench" --make "$dir/bench.bin" "$mib" 300
    out=$("$bench" "$dir/bench.bin")
    echo "$out" | grep -v -E '^[BR]?\|'
    echo
    rows+=("$(echo "$out" | grep '^|')")
    blocks+=("$(echo "$out" | grep '^B|' | cut -c2-)")
    records+=("$(echo "$out" | grep '^R|' | cut -c2-)")
    rm -f "$dir/bench.bin"
  done
  out=$("$bench" --fields "$dir" "$size")
  echo "$out" | grep -v '^F|'
  echo
  fields+=("$(echo "$out" | grep '^F|' | cut -c2-)")
done

echo "$(uname -r), $(nproc) cores, $(date -u '+%Y-%m-%d %H:%M UTC'), load $(cut -d' ' -f1-3 /proc/loadavg)"
"$bench" --table-header
printf '%s\n' "${rows[@]}"
echo
"$bench" --block-header
printf '%s\n' "${blocks[@]}"
echo
"$bench" --record-header
printf '%s\n' "${records[@]}"
echo
"$bench" --fields-header
printf '%s\n' "${fields[@]}"
