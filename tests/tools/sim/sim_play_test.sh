#!/usr/bin/env bash
# Replays clicks on a prepared board: one JSON line per click with the contract's fields in
# order, the same output on every run, and exit 2 with one stderr line on bad input.
set -euo pipefail
sim=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
{ for _ in $(seq 12); do echo 0000000000000000; done
  printf '%s\n' 1122334455667711 2233445566771122 1212121212121212 3434343434343434; } > "$dir/board"
printf 'click 60 400\n\nclick 300 150\nclick 700 500\n' > "$dir/clicks"

"$sim" play --board "$dir/board" --seed 3 < "$dir/clicks" > "$dir/one"
"$sim" play --board "$dir/board" --seed 3 < "$dir/clicks" > "$dir/two"
cmp "$dir/one" "$dir/two"
[ "$(wc -l < "$dir/one")" -eq 3 ] || { echo "expected 3 lines"; exit 1; }
fields='^\{"click":\[-?[0-9]+,-?[0-9]+\],"selected":(\[[0-9]+,[0-9]+\]|null),"launched":(true|false),"landed":(\[[0-9]+,[0-9]+\]|null),"void":(true|false),"group":[0-9]+,"effort":[0-9.e+]+,"points_per_ball":[0-9]+,"removed":[0-9]+,"fell":[0-9]+,"drops":[0-9]+,"score":[0-9]+,"game_over":(true|false),"board":\[("[0-7]{16}",){15}"[0-7]{16}"\],"dialog":("[a-z]+"|null)\}$'
grep -Evq "$fields" "$dir/one" && { echo "a line breaks the format:"; grep -Ev "$fields" "$dir/one"; exit 1; }
head -n 1 "$dir/one" | grep -q '"launched":true' || { echo "the first click should launch"; exit 1; }

expect_bad() {
    local rc=0
    "$@" < "$dir/input" > /dev/null 2> "$dir/err" || rc=$?
    [ "$rc" -eq 2 ] || { echo "expected exit 2 from: $*"; exit 1; }
    [ "$(wc -l < "$dir/err")" -eq 1 ] || { echo "expected one stderr line from: $*"; exit 1; }
}
echo 'jump 1 2' > "$dir/input"
expect_bad "$sim" play --board "$dir/board"
echo 'click x 2' > "$dir/input"
expect_bad "$sim" play --board "$dir/board"
: > "$dir/input"
head -n 5 "$dir/board" > "$dir/short"
expect_bad "$sim" play --board "$dir/short"
expect_bad "$sim" play --board "$dir/missing"
expect_bad "$sim" play --board "$dir/board" --level 9
echo "sim play: ok"
