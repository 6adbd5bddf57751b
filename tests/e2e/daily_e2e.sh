#!/usr/bin/env bash
# The day's court end to end: the real game under Xvfb, D for the day's court, throws by the mouse
# until the court is full, the daily result window's "Publish" clicked; the desktop's URL opener
# fetches the address from a local hoopstack-leaderboard. The game must be stored there verified, on the level's Top 10 and on the day's table, and headless Chromium
# must show it on /daily. The regular game's state.dat stays byte for byte as it was, and the
# statistics window (S) opens afterwards.
# Usage: daily_e2e.sh HOOPSTACK HOOPSTACK-LEADERBOARD HOOPSTACK-SIM
set -euo pipefail
usage="usage: daily_e2e.sh HOOPSTACK HOOPSTACK-LEADERBOARD HOOPSTACK-SIM"
game=${1:?$usage} server_bin=${2:?$usage} sim=${3:?$usage}
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/lib.sh"
label="daily e2e"
e2e_begin daily_e2e
# With DAILY_E2E_SHOTS set to a folder, the screenshots go there as well.
e2e_at_exit() {
  [ -n "${DAILY_E2E_SHOTS:-}" ] || return 0
  mkdir -p "$DAILY_E2E_SHOTS" && cp "$work"/*.png "$DAILY_E2E_SHOTS"/ 2>/dev/null
}

start_leaderboard "$server_bin"
http_get() {
  exec 3<>"/dev/tcp/127.0.0.1/$port"
  printf 'GET %s HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n' "$1" >&3
  cat <&3
  exec 3<&-
}
fetching_url_opener

folder=$work/game
mkdir "$work/home" "$work/run"
chmod 700 "$work/run"
install_game "$game" "$folder"
export HOME=$work/home XDG_RUNTIME_DIR=$work/run XDG_DATA_HOME='' PATH=$work/bin:$PATH
start_x 1024x768
snap() { snap_screen "$work/$1.png"; }

today=$(date -u +%F)
"$sim" daily --date "$today" >"$work/daily.json" || fail "hoopstack-sim daily failed"
level=$(sed -n 's/.*"level":\([0-9]\).*/\1/p' "$work/daily.json")
start=$(sed -n 's/.*"start":\([0-9]*\).*/\1/p' "$work/daily.json")
say "the court of $today: level $level, start $start"

"$folder/hoopstack" >"$work/game.log" 2>&1 &
pid=$!
started+=("$pid")
deadline=$(( $(now_ms) + 60000 ))
until window=$(window_of_size "$pid" 758x608); do
  kill -0 "$pid" 2>/dev/null || fail "the game ended before its window appeared: $(head -c 300 "$work/game.log")"
  [ "$(now_ms)" -lt "$deadline" ] || { snap no-game-window; fail "no game window within 60 s"; }
  if intro=$(window_of_size "$pid" 400x400); then
    timeout 5 xdotool windowfocus --sync "$intro" 2>/dev/null || true
    xdotool key space
  fi
  sleep 0.1
done
read -r gx gy < <(client_of "$window")
timeout 5 xdotool windowfocus --sync "$window" 2>/dev/null || true
sleep 0.5
# The regular game is saved when it starts; it must stay as it is while the day's court plays.
wait_for 10 file_ready "$folder/state.dat" || fail "the regular game was not saved"
cp "$folder/state.dat" "$work/regular-state.dat"

xdotool key d
wait_for 10 file_ready "$folder/daily/replay.dat" || { snap no-daily; fail "D did not start the day's court"; }
sleep 0.5
snap daily-panel

# Throws until the court is full: the picked ball goes to a high point of the court each time.
result_open() { dialog=$(window_of_size "$pid" 468x338); }
deadline=$(( $(now_ms) + 240000 ))
until result_open; do
  kill -0 "$pid" 2>/dev/null || fail "the game ended while playing: $(head -c 300 "$work/game.log")"
  [ "$(now_ms)" -lt "$deadline" ] || { snap no-result; fail "no daily result window within 240 s"; }
  click_at $((gx + 280)) $((gy + 110))
  sleep 0.4
done
cmp -s "$folder/state.dat" "$work/regular-state.dat" || fail "playing the day's court changed state.dat"
read -r dx dy < <(client_of "$dialog")
sleep 0.5
snap daily-result

# "Publish" is the first of the four buttons along the bottom.
click_at $((dx + 70)) $((dy + 330 - 10 - 20))
fetched() { grep -q '</html>' "$work/fetched.txt" 2>/dev/null; }
wait_for 10 fetched || { snap publish; fail "the URL opener fetched nothing within 10 s of \"Publish\""; }
head -n 1 "$work/fetched.txt" | grep -q '^HTTP/1.1 200' || fail "the publish was answered $(head -n 1 "$work/fetched.txt")"
opened=$(cat "$work/opened.txt")
grep -Eq '^https?://[^/]+/cgi-bin/gameres\.pl\?e=[0-9]+&r=[A-Za-z0-9_-]+$' "$work/opened.txt" ||
  fail "the game opened $opened"
printf '%s' "${opened#*&r=}" >"$work/published.hoopstack-replay"
"$sim" verify "$work/published.hoopstack-replay" >"$work/verify.json"
grep -q '"verified":true,"level":'"$level"',' "$work/verify.json" || fail "the published replay does not verify: $(cat "$work/verify.json")"
score=$(sed -n 's/.*"score":\([0-9]*\).*/\1/p' "$work/verify.json")
say "published a verified game of $score points"
grep -q 'ranked <strong>1st</strong> of the day' "$work/fetched.txt" ||
  fail "the publish page gives no rank of the day: $(grep -o '<main>.*' "$work/fetched.txt" | head -c 300)"

top=$(http_get "/api/top?level=$((level + 1))" | tail -n 1)
grep -q '"score":'"$score"',"date":"[0-9-]*","verified":true' <<<"$top" || fail "the level's table is $top"
daily=$(http_get "/api/daily?date=$today" | tail -n 1)
grep -q '"date":"'"$today"'"' <<<"$daily" || fail "/api/daily answers $daily"
grep -q '"score":'"$score"',' <<<"$daily" || fail "the day's table is $daily"
say "the day's table holds the game"

browser=$(command -v chromium || true)
if [ -n "$browser" ]; then
  chrome 900,900 --dump-dom "http://127.0.0.1:$port/daily" >"$work/daily.txt"
  chrome 900,900 --screenshot="$work/daily-page.png" "http://127.0.0.1:$port/daily" >/dev/null
  grep -q "<td class=\"score\">$score</td>" "$work/daily.txt" || fail "the browser's /daily page has no row of $score"
  grep -q 'href="/replay/[0-9]*\.hoopstack-replay"' "$work/daily.txt" || fail "the /daily row links no replay"
  say "the browser shows the game on /daily"
else
  say "no chromium: the browser step is left out"
fi

# The statistics window counts the attempt.
timeout 5 xdotool windowfocus --sync "$window" 2>/dev/null || true
xdotool mousemove $((gx + 100)) $((gy + 300))
xdotool key s
stats_open() { window_of_size "$pid" 428x488 >/dev/null; }
wait_for 5 stats_open || { snap no-statistics; fail "S opened no statistics window"; }
sleep 0.5
snap statistics
xdotool key Escape

kill -TERM "$pid"
wait "$pid" || fail "the game ended with code $? on SIGTERM"
cmp -s "$folder/state.dat" "$work/regular-state.dat" || fail "ending in the day's court changed state.dat"
say "ok"
