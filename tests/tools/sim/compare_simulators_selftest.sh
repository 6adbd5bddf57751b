#!/usr/bin/env bash
# Runs scripts/compare-simulators.sh on made-up simulators: it must pass two that print the same
# (their elapsed times aside), fail with the difference named when one click's line, one replay
# or one verify line differs, and fail apart from that when a simulator breaks (a replay that does
# not verify included) or is missing.
# Usage: compare_simulators_selftest.sh PATH/TO/compare-simulators.sh
set -uo pipefail
compare=${1:?usage: compare_simulators_selftest.sh PATH/TO/compare-simulators.sh}
# A few replays per level keep the fakes quick.
export COMPARE_REPLAY_GAMES=9

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# Writes a fake simulator that answers the commands the comparison uses. TWIST names the board
# file (by its last character) whose last click it reports differently, or is "replay" (a
# recorded replay differs) or "verify" (a verify line differs); BREAK is "soak" (the soak fails)
# or "verify" (no replay verifies).
fake() {
    local path=$dir/$1 twist=$2 broken=$3
    cat >"$path" <<FAKE
#!/usr/bin/env bash
command=\$1; shift
case \$command in
soak)
    [ "$broken" = soak ] && { echo "fake: broken" >&2; exit 1; }
    echo "game 1: score 10, throws 3, args \$*"
    echo "soak: 1 games, 3 throws, 0 violations, 0.\$RANDOM s" ;;
play)
    board=\$2
    while read -r word x y; do last="{\"click\":[\$x,\$y],\"board\":\"\${board: -1}\"}"; echo "\$last"; done
    if [ "\${board: -1}" = "$twist" ]; then echo '{"twisted":true}'; fi ;;
record)
    out=\${*: -1}
    replay="replay of \${*:1:\$#-2}"
    [ "$twist" = replay ] && [ "\$4" = 1002 ] && replay="twisted \$replay"
    echo "\$replay" >"\$out"
    echo '{"recorded":true}' ;;
verify)
    [ "$broken" = verify ] && { echo '{"verified":false}'; echo "fake: not verified" >&2; exit 1; }
    line="{\"verified\":true,\"of\":\"\$(cat "\$1")\"}"
    [ "$twist" = verify ] && [ "\${1: -22}" = "-2003.hoopstack-replay" ] && line="\$line twisted"
    echo "\$line" ;;
*) exit 2 ;;
esac
FAKE
    chmod +x "$path"
}

fake same1 none no
fake same2 none no
fake other none no
fake twisted 4 no
fake broken none soak
fake twisted_replay replay no
fake twisted_verify verify no
fake unverified none verify

output=$(bash "$compare" "$dir/same1" "$dir/same2" 2>&1)
status=$?
[ "$status" -eq 0 ] || fail "two simulators with the same output were refused (status $status): $output"

output=$(bash "$compare" "$dir/other" "$dir/twisted" 2>&1)
status=$?
[ "$status" -eq 1 ] || fail "a differing simulator passed (status $status): $output"
grep -qF '> {"twisted":true}' <<<"$output" || fail "the difference was not shown: $output"

output=$(bash "$compare" "$dir/same1" "$dir/broken" 2>&1)
status=$?
[ "$status" -eq 2 ] || fail "a failing simulator did not stop the comparison with 2 (status $status): $output"
grep -qF "fake: broken" <<<"$output" || fail "the failing simulator's message was not shown: $output"

output=$(bash "$compare" "$dir/same1" "$dir/twisted_replay" 2>&1)
status=$?
[ "$status" -eq 1 ] || fail "a differing replay passed (status $status): $output"
grep -qF '> twisted replay of' <<<"$output" || fail "the differing replay was not shown: $output"

output=$(bash "$compare" "$dir/same1" "$dir/twisted_verify" 2>&1)
status=$?
[ "$status" -eq 1 ] || fail "a differing verify line passed (status $status): $output"
grep -qF 'twisted' <<<"$output" || fail "the differing verify line was not shown: $output"

output=$(bash "$compare" "$dir/same1" "$dir/unverified" 2>&1)
status=$?
[ "$status" -eq 2 ] || fail "a replay that did not verify did not stop the comparison with 2 (status $status): $output"
grep -qF "fake: not verified" <<<"$output" || fail "the verify failure was not shown: $output"

output=$(bash "$compare" "$dir/same1" "$dir/missing" 2>&1)
status=$?
[ "$status" -eq 2 ] || fail "a missing simulator did not give 2 (status $status): $output"
output=$(bash "$compare" "$dir/same1" 2>&1)
status=$?
[ "$status" -eq 2 ] || fail "a single argument did not give 2 (status $status): $output"

if [ "$failures" -gt 0 ]; then
    echo "compare-simulators self-test: $failures failure(s)"
    exit 1
fi
echo "compare-simulators self-test: ok"
