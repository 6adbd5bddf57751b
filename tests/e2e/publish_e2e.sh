#!/usr/bin/env bash
# Publishing from the game end to end: the real game under Xvfb with a prepared table.dat, its
# Top 10 window (F2) and "Publish" clicked with xdotool; the desktop's URL opener is a small
# script that fetches the address from a local hoopstack-leaderboard. The level's best record
# must be stored there with its replay and verified by the server's replay of it, and headless
# Chromium must show it on the level page, marked verified.
# Usage: publish_e2e.sh HOOPSTACK HOOPSTACK-STORE HOOPSTACK-LEADERBOARD HOOPSTACK-SIM
set -euo pipefail
usage="usage: publish_e2e.sh HOOPSTACK HOOPSTACK-STORE HOOPSTACK-LEADERBOARD HOOPSTACK-SIM"
game=${1:?$usage} store=${2:?$usage} server_bin=${3:?$usage} sim=${4:?$usage}
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/lib.sh"
label="publish e2e"
e2e_begin publish_e2e
# With PUBLISH_E2E_SHOTS set to a folder, the screenshots go there as well.
e2e_at_exit() {
  [ -n "${PUBLISH_E2E_SHOTS:-}" ] || return 0
  mkdir -p "$PUBLISH_E2E_SHOTS" && cp "$work"/*.png "$PUBLISH_E2E_SHOTS"/ 2>/dev/null
}

start_leaderboard "$server_bin"
fetching_url_opener

# The game in a folder of its own, with a table of three records: the Novice best is the one
# "Publish" sends from the Novice Top 10, where a new game starts.
folder=$work/game
mkdir "$work/home" "$work/run"
chmod 700 "$work/run"
install_game "$game" "$folder"
# The Novice best is a whole game the simulator's random player recorded (a short one, which the
# sanitizer build plays quickly too), kept with its replay as the Top 10 keeps one; the other
# records have none.
"$sim" record --level 0 --seed 8 --bot random --out "$work/champion.hoopstack-replay" >"$work/recorded.json" ||
  fail "hoopstack-sim record failed"
score=$(sed -n 's/.*"score":\([0-9]*\).*/\1/p' "$work/recorded.json")
[ "${score:-0}" -gt 50 ] || fail "the recorded game scored '$score', not above the second record's 50"
printf '2026-1-2\tSecond Best\t1\t50\n2026-1-3\tNovice Champion\t1\t%s\n2026-1-4\tExpert Player\t2\t9999\n' "$score" |
  "$store" encode "$folder/table.dat" || fail "cannot write table.dat"
printf 'hoopstack-replays 1\n%s\t1\t2026-1-3\t%s\tNovice Champion\n' "$score" "$(cat "$work/champion.hoopstack-replay")" \
  >"$folder/replays.dat"

export HOME=$work/home XDG_RUNTIME_DIR=$work/run XDG_DATA_HOME='' PATH=$work/bin:$PATH
start_x 1024x768

snap() { snap_screen "$work/shot-$1.png"; }

launch "$work/game.log" "$folder/hoopstack"
# The intro comes first; a key press or a click ends it.
deadline=$(( $(now_ms) + 60000 ))
until window=$(window_of_size "$pid" 758x608); do
  kill -0 "$pid" 2>/dev/null || fail "the game ended before its window appeared: $(head -c 300 "$work/game.log")"
  [ "$(now_ms)" -lt "$deadline" ] || { snap no-game-window; fail "no game window within 60 s"; }
  if intro=$(window_of_size "$pid" 400x400); then
    timeout 5 xdotool windowfocus --sync "$intro" 2>/dev/null || true
    xdotool key space
    if ! wait_gone "$intro" 0.5; then
      read -r ix iy < <(position_of "$intro") && click_at $((ix + 200)) $((iy + 200))
    fi
  fi
  sleep 0.1
done
read -r gx gy < <(client_of "$window")
say "game window at $gx,$gy"

# F2 opens the Top 10 of the current level; the pointer rests on the court first.
xdotool mousemove $((gx + 100)) $((gy + 300))
sleep 0.1
xdotool mousemove $((gx + 102)) $((gy + 301))
timeout 5 xdotool windowfocus --sync "$window" 2>/dev/null || true
xdotool key F2
dialog_open() { dialog=$(window_of_size "$pid" 358x538); }
wait_for 5 dialog_open || { snap no-top10; fail "no Top 10 window within 5 s of F2"; }
read -r dx dy < <(client_of "$dialog")
# The Top 10 is drawn, its buttons and records, before "Publish" is clicked.
top10_drawn() {
  snap top10
  convert "$work/shot-top10.png" -crop "350x530+$dx+$dy" +repage "$work/top10.png"
  [ "$(colour_count "$work/top10.png")" -gt 100 ]
}
wait_for 5 top10_drawn || fail "the Top 10 window is not drawn within 5 s"

# "Publish" is the middle button of the bottom row, 40 high, 10 above the bottom edge.
click_at $((dx + 175)) $((dy + 530 - 10 - 20))
fetched() { grep -q '</html>' "$work/fetched.txt" 2>/dev/null; }
wait_for 10 fetched || { snap publish; fail "the URL opener fetched nothing within 10 s of \"Publish\""; }
dialog_gone() { ! window_of_size "$pid" 358x538 >/dev/null; }
wait_for 5 dialog_gone || fail "the Top 10 window stayed after \"Publish\""
[ "$(wc -l <"$work/opened.txt")" -eq 1 ] || fail "the game opened $(wc -l <"$work/opened.txt") addresses"
opened=$(cat "$work/opened.txt")
say "the game opened ${opened:0:70}..."
grep -Eq '^https?://[^/]+/cgi-bin/gameres\.pl\?e=[0-9]+&r=[A-Za-z0-9_-]+$' "$work/opened.txt" || fail "the game opened $opened"
[ "${opened#*&r=}" = "$(cat "$work/champion.hoopstack-replay")" ] || fail "the address carries another replay than the record's"
# The store tool builds the same query from the same record and replay.
query=$("$store" report --encode "$score" 1 "Novice Champion" --replay "$work/champion.hoopstack-replay")
[ "$query" = "${opened#*\?}" ] || fail "hoopstack-store report --encode --replay gives another query than the game's"
head -n 1 "$work/fetched.txt" | grep -q '^HTTP/1.1 200' || fail "the publish was answered $(head -n 1 "$work/fetched.txt")"
grep -q "Novice Champion scored <strong>$score</strong> on Novice and ranks <strong>1st</strong>" "$work/fetched.txt" ||
  fail "the publish page does not show the Novice best: $(grep -o '<main>.*' "$work/fetched.txt" | head -c 300)"
code=${opened#*e=}
"$store" report "${code%%&*}" >"$work/report.txt"
[ "$(paste -sd ' ' "$work/report.txt")" = "$score 1 Novice Champion hoopstack" ] ||
  fail "the report holds $(paste -sd '|' "$work/report.txt")"

# Only that record is on the server, verified by replaying its game.
exec 3<>"/dev/tcp/127.0.0.1/$port"
printf 'GET /api/top?level=1 HTTP/1.0\r\n\r\n' >&3
json=$(cat <&3 | tail -n 1)
exec 3<&-
[ "$json" = '{"level":1,"levelName":"Novice","records":[{"rank":1,"name":"Novice Champion","score":'"$score"',"date":"'"$(date -u +%F)"'","verified":true}]}' ] ||
  fail "the server's Novice table is $json"

# A browser shows it on the level page.
browser=$(command -v chromium || true)
if [ -n "$browser" ]; then
  chrome 800,600 --dump-dom "http://127.0.0.1:$port/level/1" >"$work/level.txt"
  chrome 800,600 --screenshot="$work/level-1.png" "http://127.0.0.1:$port/level/1" >/dev/null
  grep -qF '<td class="rank">1</td><td class="name">Novice Champion</td><td class="score">'"$score"'</td>' "$work/level.txt" ||
    fail "the browser's level page has no row 1 for the published record"
  grep -q 'href="/replay/[0-9]*\.hoopstack-replay"' "$work/level.txt" ||
    fail "the browser's level page does not mark the record verified with a link to its replay"
  say "the browser shows Novice Champion, $score, verified, in row 1 of the Novice page"
  # The link gives back the very replay the game sent.
  link=$(grep -o 'href="/replay/[0-9]*\.hoopstack-replay"' "$work/level.txt" | head -n 1 | cut -d'"' -f2)
  exec 3<>"/dev/tcp/127.0.0.1/$port"
  printf 'GET %s HTTP/1.0\r\n\r\n' "$link" >&3
  sed '1,/^\r$/d' <&3 >"$work/downloaded.hoopstack-replay"
  exec 3<&-
  cmp -s <(tr -d '\n' <"$work/downloaded.hoopstack-replay") <(tr -d '\n' <"$work/champion.hoopstack-replay") ||
    fail "$link is not the replay the game published"
  "$sim" verify "$work/downloaded.hoopstack-replay" | grep -q '^{"verified":true,"level":0,"score":'"$score"',' ||
    fail "the downloaded replay does not verify to $score"
else
  say "no chromium: the browser step is left out"
fi

kill -TERM "$pid"
wait "$pid" || fail "the game ended with code $? on SIGTERM"
say "ok"
