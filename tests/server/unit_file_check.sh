#!/usr/bin/env bash
# Checks the systemd unit with systemd-analyze, pointed at the built program.
# Usage: unit_file_check.sh UNIT-FILE HOOPSTACK-LEADERBOARD
set -euo pipefail
unit=${1:?usage: unit_file_check.sh UNIT-FILE HOOPSTACK-LEADERBOARD} program=${2:?usage: unit_file_check.sh UNIT-FILE HOOPSTACK-LEADERBOARD}
command -v systemd-analyze >/dev/null || { echo "unit file check: no systemd-analyze; skipped"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sed "s#/usr/local/bin/hoopstack-leaderboard#$program#" "$unit" >"$work/$(basename "$unit")"
out=$(systemd-analyze verify "$work/$(basename "$unit")" 2>&1) || { echo "$out" >&2; exit 1; }
[ -z "$out" ] || { echo "unit file check: systemd-analyze complains:" >&2; echo "$out" >&2; exit 1; }
echo "unit file check: ok"
