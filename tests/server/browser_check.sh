#!/usr/bin/env bash
# A real browser against the leaderboard: headless Chromium publishes a score through the
# game's address, then loads the level page at a phone's width. The page must show the name
# in its row, take its colours from our style sheet (the content policy lets it in) and give
# no console complaint about that policy. With SERVER-REPLAY-GAME it then publishes a real
# game with its replay: the row is marked verified and links the replay, which downloads with
# its type and file name, and the level page draws the game's final court in the ball colours.
# Screenshots stay in BROWSER_SHOTS when it is set.
# Usage: browser_check.sh HOOPSTACK-LEADERBOARD HOOPSTACK-STORE [SERVER-REPLAY-GAME]
set -euo pipefail
usage="usage: browser_check.sh HOOPSTACK-LEADERBOARD HOOPSTACK-STORE [SERVER-REPLAY-GAME]"
server_bin=${1:?$usage} store_bin=${2:?$usage} game_bin=${3:-}
browser=$(command -v chromium || command -v chromium-browser || true)
if [ -z "$browser" ]; then
  echo "browser check: no chromium; skipped"
  exit 77
fi
work=$(mktemp -d)
server_pid=
finish() {
  local status=$?
  if [ -n "$server_pid" ]; then kill "$server_pid" 2>/dev/null || true; wait "$server_pid" 2>/dev/null || true; fi
  if [ -n "${BROWSER_SHOTS:-}" ]; then { mkdir -p "$BROWSER_SHOTS" && cp "$work"/*.png "$BROWSER_SHOTS"/ 2>/dev/null; } || true; fi
  [ "$status" -eq 0 ] || cat "$work"/*.log >&2 2>/dev/null || true
  rm -rf "$work"
  exit "$status"
}
trap finish EXIT
fail() { echo "browser check: $*" >&2; exit 1; }

"$server_bin" --port 0 --database "sqlite://$work/board.db" >"$work/server.out" 2>"$work/server.log" &
server_pid=$!
port=
for _ in $(seq 100); do
  port=$(sed -n 's/.*:\([0-9]*\)\/ with .*/\1/p' "$work/server.out")
  [ -n "$port" ] && break
  kill -0 "$server_pid" 2>/dev/null || fail "the server did not start"
  sleep 0.1
done
[ -n "$port" ] || fail "the server did not start"
base=http://127.0.0.1:$port

# The sandbox needs an unprivileged user; as root (in a container) it is switched off.
sandbox=()
[ "$(id -u)" -ne 0 ] || sandbox=(--no-sandbox)
chrome() {
  "$browser" --headless=new "${sandbox[@]}" --disable-gpu --no-first-run --hide-scrollbars \
    --user-data-dir="$work/profile" --enable-logging=stderr --v=0 --window-size=412,900 "$@"
}

# The game's bytes are code page 1252: "ë" is the one byte 0xEB.
name=$(printf 'Zo\xeb <b>& Co')
code=$("$store_bin" report --encode 4321 2 "$name")
chrome --screenshot="$work/publish.png" "$base/cgi-bin/gameres.pl?e=$code" >/dev/null 2>"$work/publish.log"
chrome --dump-dom "$base/level/2" >"$work/level.html" 2>"$work/level.log"
chrome --screenshot="$work/level-2.png" "$base/level/2" >/dev/null 2>>"$work/level.log"

# The DOM as the browser built it: the escaped name as text in the first row.
grep -qF '<td class="rank">1</td><td class="name">Zoë &lt;b&gt;&amp; Co</td><td class="score">4321</td>' "$work/level.html" ||
  fail "the level page has no row 1 with the name and score: $(grep -o '<tbody>.*' "$work/level.html" | head -c 400)"
grep -q '<b>' "$work/level.html" && fail "the name became markup"
if grep -i "content security policy\|content-security-policy" "$work"/*.log; then fail "the browser reported the content policy"; fi

# The page background is the style sheet's paper colour, and the published row its mark colour.
for shot in publish level-2; do
  [ -s "$work/$shot.png" ] || fail "no screenshot of the $shot page"
  corner=$(convert "$work/$shot.png" -format '%[hex:p{3,3}]' info:)
  [ "${corner:0:6}" = "FFFAF3" ] || fail "the $shot page's background is #$corner, not the style sheet's #FFFAF3"
done
marked=$(convert "$work/publish.png" -fill black +opaque '#FFE8A3' -fill white -opaque '#FFE8A3' -format '%[fx:mean*w*h]' info:)
[ "${marked%.*}" -gt 1000 ] || fail "the publish page shows no marked row ($marked pixels of the mark colour)"
echo "browser check: ok (the name in row 1, styles applied, $marked pixels of the marked row)"

[ -n "$game_bin" ] || exit 0
IFS=$'\t' read -r score ticks replay < <("$game_bin" 3 4)
[ -n "$replay" ] || fail "no game to publish"
code=$("$store_bin" report --encode "$score" 3 "Vera")
chrome --screenshot="$work/publish-verified.png" "$base/cgi-bin/gameres.pl?e=$code&r=$replay" >/dev/null 2>"$work/verified.log"
chrome --dump-dom "$base/level/3" >"$work/level3.html" 2>>"$work/verified.log"
chrome --screenshot="$work/level-3.png" "$base/level/3" >/dev/null 2>>"$work/verified.log"
grep -q '<svg class="court"' "$work/level3.html" || fail "the level page shows no final court"
link=$(grep -o 'href="/replay/[0-9]*\.hoopstack-replay"' "$work/level3.html" | head -n 1 | sed 's/href="\(.*\)"/\1/')
[ -n "$link" ] || fail "the verified row links no replay: $(grep -o '<tbody>.*' "$work/level3.html" | head -c 400)"
if grep -i "content security policy\|content-security-policy" "$work"/verified.log; then fail "the browser reported the content policy"; fi
curl -s -D "$work/replay.head" -o "$work/replay.file" "$base$link"
grep -qi '^content-type: application/x-hoopstack-replay' "$work/replay.head" || fail "the replay's type: $(cat "$work/replay.head")"
grep -qi '^content-disposition: attachment; filename="hoopstack-master-[0-9]*-[0-9]*\.hoopstack-replay"' "$work/replay.head" ||
  fail "the replay's file name: $(cat "$work/replay.head")"
[ "$(cat "$work/replay.file")" = "$replay" ] || fail "the downloaded replay is not the published one"
# The court's balls in the game's colours (orange, blue, green, red, purple, yellow, black).
coloured=0
for colour in '#F07A1A' '#2F6FE0' '#35A94A' '#D8283A' '#8C4CCC' '#F7CC2C' '#34343E'; do
  n=$(convert "$work/level-3.png" -fill black +opaque "$colour" -fill white -opaque "$colour" -format '%[fx:mean*w*h]' info:)
  coloured=$((coloured + ${n%.*}))
done
[ "$coloured" -gt 50 ] || fail "the final court shows no balls ($coloured pixels in the ball colours)"
echo "browser check: ok (a verified game of $ticks frames, its replay downloaded, $coloured pixels of balls on its court)"

# A game of today's court enters the day's table: /daily shows its row with the replay, the
# day's court before its first throw and its final court, and says what a row proves.
IFS=$'\t' read -r score ticks replay < <("$game_bin" daily 1)
[ -n "$replay" ] || fail "no game of the day to publish"
level=$(( $(date -u +%s) / 86400 % 3 + 1 ))
code=$("$store_bin" report --encode "$score" "$level" "Dora")
chrome --screenshot="$work/publish-daily.png" "$base/cgi-bin/gameres.pl?e=$code&r=$replay" >/dev/null 2>"$work/daily.log"
chrome --dump-dom "$base/daily" >"$work/daily.html" 2>>"$work/daily.log"
chrome --window-size=800,1100 --screenshot="$work/daily.png" "$base/daily" >/dev/null 2>>"$work/daily.log"
grep -qF '<td class="name">Dora</td>' "$work/daily.html" || fail "the day's page has no row of Dora: $(grep -o '<main>.*' "$work/daily.html" | head -c 600)"
grep -qF 'before its first throw' "$work/daily.html" || fail "the day's page draws no court of the day"
[ "$(grep -o '<svg class="court"' "$work/daily.html" | wc -l)" -eq 2 ] || fail "the day's page shows not two courts"
grep -qF 'a bot can play it' "$work/daily.html" || fail "the day's page does not say what a row proves"
grep -q 'href="/replay/[0-9]*\.hoopstack-replay"' "$work/daily.html" || fail "the day's row links no replay"
if grep -i "content security policy\|content-security-policy" "$work"/daily.log; then fail "the browser reported the content policy"; fi
echo "browser check: ok (a game of the day on /daily with its replay and the day's court)"
