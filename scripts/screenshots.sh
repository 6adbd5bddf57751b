#!/usr/bin/env bash
# Takes the AppStream screenshots from the real program under Xvfb: a game in play with a ball
# picked and its flight path shown, the Top 10 over the game window, and the options. Each is
# cropped to the game window, its frame included, and written as a PNG into OUT_DIR.
#
#     scripts/screenshots.sh BIN_DIR OUT_DIR
#
# BIN_DIR is a build's bin folder (hoopstack, hoopstack-store, e2e_write_state and the data
# folders). SHOT_DELAY (default 0.3 s) is the time from the throw to the picture of the ball in
# flight. Needs Xvfb, xdotool and ImageMagick.
set -euo pipefail
usage="usage: screenshots.sh BIN_DIR OUT_DIR"
bin=$(cd "${1:?$usage}" && pwd) out=${2:?$usage}
for tool in hoopstack hoopstack-store e2e_write_state; do
  [ -x "$bin/$tool" ] || { echo "screenshots: no $tool in $bin" >&2; exit 1; }
done
mkdir -p "$out"
out=$(cd "$out" && pwd)
work=$(mktemp -d)
pid= xvfb_pid=
finish() {
  local status=$?
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill -KILL "$pid" 2>/dev/null || true; fi
  if [ -n "$xvfb_pid" ] && kill -0 "$xvfb_pid" 2>/dev/null; then kill -TERM "$xvfb_pid" 2>/dev/null || true; fi
  if [ "$status" -ne 0 ] && [ -f "$work/game.log" ]; then
    echo "screenshots: the program said: $(head -c 400 "$work/game.log")" >&2
  fi
  rm -rf "$work"
  exit "$status"
}
trap finish EXIT
fail() { echo "screenshots: $*" >&2; exit 1; }
now_ms() { date +%s%3N; }

# A court half full at the Novice level, where the player picks the ball.
level=0
cat > "$work/board.txt" <<'BOARD'
0000000000000000
0000000000000000
0000000000000000
0000000000000000
0000000000000000
0000000000000000
0000000000000000
0007434634260000
3123613470356216
2145614723347173
3664714354522773
7415445672511466
7663146657652613
4561357431534313
2753342147556612
3625422626251213
BOARD

# A copy of the program with its data, so that its saves stay in this scratch folder.
folder=$work/game
mkdir "$folder" "$work/home" "$work/run"
chmod 700 "$work/run"
cp "$bin/hoopstack" "$folder/"
cp -r "$bin/CLP" "$bin/SKINS" "$bin/WAV" "$folder/"
"$bin/e2e_write_state" "$work/board.txt" "$level" "$folder/state.dat" || fail "cannot write the prepared state.dat"
# Novice records are level 1 in the table.
printf '%s\t%s\t1\t%s\n' \
  2026-12-1 Anna 2310  2026-12-3 Ben 1875  2026-12-4 Chiara 1520  2026-12-5 Dmitri 1190 \
  2026-12-6 Emeka 960  2026-12-7 Fumiko 640  2026-12-8 Gustav 415 |
  "$bin/hoopstack-store" encode "$folder/table.dat" || fail "cannot write the prepared table.dat"

export HOME=$work/home XDG_RUNTIME_DIR=$work/run XDG_DATA_HOME=
# Made first, so that the wait below never reads a file Xvfb has not opened yet.
: > "$work/display.txt"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3> "$work/display.txt" > "$work/xvfb.log" 2>&1 &
xvfb_pid=$!
deadline=$(( $(now_ms) + 10000 ))
until [ -n "$(tr -d '\n' < "$work/display.txt")" ]; do
  kill -0 "$xvfb_pid" 2>/dev/null || fail "Xvfb did not start: $(head -c 300 "$work/xvfb.log")"
  [ "$(now_ms)" -lt "$deadline" ] || fail "Xvfb named no display within 10 s"
  sleep 0.1
done
export DISPLAY=:$(tr -d '\n' < "$work/display.txt")

size_of() { xdotool getwindowgeometry "$1" 2>/dev/null | awk '/Geometry/ { print $2 }'; }
position_of() { xdotool getwindowgeometry "$1" 2>/dev/null | awk '/Position/ { split($2, p, ","); print p[1], p[2] }'; }
# X knows the outer windows. The game window and its dialogs have a frame of 4 pixels drawn by
# the program around their client areas (platform/WindowFrame.hpp); the intro has none.
frame=4
framed() { echo "$(( ${1%x*} + 2 * frame ))x$(( ${1#*x} + 2 * frame ))"; }
client_of() { local x y; read -r x y < <(position_of "$1") && echo $((x + frame)) $((y + frame)); }
# Waits up to 20 s for a visible window of the program of outer SIZE whose name matches NAME.
wait_window() {
  local deadline w
  deadline=$(( $(now_ms) + 20000 ))
  while [ "$(now_ms)" -lt "$deadline" ]; do
    for w in $(xdotool search --onlyvisible --pid "$pid" --name "$2" 2>/dev/null || true); do
      if [ "$(size_of "$w")" = "$1" ]; then echo "$w"; return 0; fi
    done
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}
# Waits up to 2 s until no window of the program of outer SIZE is on the screen.
wait_gone() {
  local deadline w found
  deadline=$(( $(now_ms) + 2000 ))
  while [ "$(now_ms)" -lt "$deadline" ]; do
    found=
    for w in $(xdotool search --onlyvisible --pid "$pid" --name '' 2>/dev/null || true); do
      [ "$(size_of "$w")" != "$1" ] || found=yes
    done
    [ -n "$found" ] || return 0
    sleep 0.1
  done
  return 1
}
# Cuts the game window's outer rectangle, its frame included, out of a picture of the whole screen.
shoot() {
  import -window root "$work/screen.png"
  convert "$work/screen.png" -crop "$(framed 750x600)+$((gx - frame))+$((gy - frame))" +repage -strip "$out/$1.png"
  echo "screenshots: $out/$1.png"
}

# One scale, so that the pictures have the game's own pixels.
"$folder/hoopstack" --scale 1 > "$work/game.log" 2>&1 &
pid=$!
intro=$(wait_window 400x400 '') || fail "no intro window"
read -r ix iy < <(position_of "$intro")
xdotool mousemove $((ix + 200)) $((iy + 200)) click 1
window=$(wait_window "$(framed 750x600)" '^Hoopstack$') || fail "no game window after the intro"
read -r gx gy < <(client_of "$window")
sleep 1

# The Top 10 and the options over the game window, with F2 and F3; Enter closes the Top 10,
# and "Ok" the options.
xdotool mousemove $((gx + 100)) $((gy + 300)) && sleep 0.2
xdotool key F2
wait_window "$(framed 350x530)" '' > /dev/null || fail "no Top 10 window after F2"
sleep 0.8
shoot top10
xdotool key Return
wait_gone "$(framed 350x530)" || fail "the Top 10 window stayed after Enter"
xdotool key F3
dialog=$(wait_window "$(framed 260x450)" '') || fail "no options window after F3"
read -r dx dy < <(client_of "$dialog")
sleep 0.8
shoot options
# "Slow", so that the throw below can be caught in flight, then "Ok"; the pointer comes to it in two motions, as a hand moves it, so that the button has
# seen the pointer before it is pressed.
xdotool mousemove $((dx + 33)) $((dy + 342)) && sleep 0.1
xdotool mousemove $((dx + 35)) $((dy + 343)) && sleep 0.15
xdotool click 1 && sleep 0.3
for attempt in 1 2 3; do
  xdotool mousemove $((dx + 63)) $((dy + 419)) && sleep 0.1
  xdotool mousemove $((dx + 65)) $((dy + 420)) && sleep 0.15
  xdotool click 1
  if wait_gone "$(framed 260x450)"; then echo "screenshots: options closed at click $attempt"; break; fi
  [ "$attempt" -lt 3 ] || fail "the options window stayed after three clicks on \"Ok\""
done

# A ball picked at the top of the pile and thrown, caught in flight with the dotted path it
# has left behind.
xdotool mousemove $((gx + 6 + 8 * 34 + 17)) $((gy + 43 + 7 * 33 + 16)) && sleep 0.2
xdotool click 1 && sleep 0.3
xdotool mousemove $((gx + 130)) $((gy + 110)) && sleep 0.2
xdotool mousemove $((gx + 132)) $((gy + 111)) && sleep 0.2
xdotool click 1 && sleep "${SHOT_DELAY:-0.3}"
shoot game

kill -TERM "$pid"
status=0
wait "$pid" || status=$?
pid=
[ "$status" -eq 0 ] || fail "the program ended with code $status"
