#!/usr/bin/env bash
# Runs every libFuzzer executable (*_fuzzer) in DIR for SECONDS each, keeping a corpus per target.
# A target with a folder of seed inputs in fuzz/seeds/NAME reads them too (they stay unchanged).
set -uo pipefail
seeds_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/fuzz/seeds"
dir=${1:?usage: run-fuzzers.sh DIR SECONDS}
seconds=${2:-30}
found=0
for f in "$dir"/*_fuzzer; do
  [ -x "$f" ] || continue
  found=1
  name=$(basename "$f")
  corpus="fuzz-corpus/$name"
  mkdir -p "$corpus"
  inputs=("$corpus")
  [ -d "$seeds_root/$name" ] && inputs+=("$seeds_root/$name")
  echo "fuzz: $name for ${seconds}s"
  log=$(mktemp)
  "$f" -max_total_time="$seconds" -print_final_stats=1 -rss_limit_mb=2048 "${inputs[@]}" >"$log" 2>&1
  status=$?
  tail -n 8 "$log"
  if [ "$status" -ne 0 ]; then
    echo "fuzz: $name failed with status $status; its log:" >&2
    tail -n 60 "$log" >&2
    rm -f "$log"
    exit "$status"
  fi
  rm -f "$log"
done
[ "$found" -eq 1 ] || { echo "fuzz: no fuzz targets in $dir" >&2; exit 1; }
