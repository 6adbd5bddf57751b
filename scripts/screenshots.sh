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
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/../tests/e2e/lib.sh"
label=screenshots
e2e_begin screenshots
e2e_at_exit() {
  [ "$1" -ne 0 ] && [ -f "$work/game.log" ] || return 0
  echo "screenshots: the program said: $(head -c 400 "$work/game.log")" >&2
}

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

export HOME=$work/home XDG_RUNTIME_DIR=$work/run XDG_DATA_HOME=''
start_x 1024x768

# Cuts the game window's outer rectangle, its frame included, out of a picture of the whole
# screen.
crop_game() { convert "$work/screen.png" -crop "$(framed 750x600)+$((gx - frame))+$((gy - frame))" +repage -strip "$1"; }
# The picture once the screen has settled: two looks in a row that agree.
settled() {
  snap_screen "$work/screen.png"
  crop_game "$work/now.png"
  if [ -f "$work/last.png" ] && [ "$(compare -metric AE "$work/last.png" "$work/now.png" null: 2>&1 || true)" = 0 ]; then
    return 0
  fi
  mv "$work/now.png" "$work/last.png"
  return 1
}
shoot_settled() {
  rm -f "$work/last.png"
  wait_for 5 settled || fail "the screen does not settle for the $1 picture"
  mv "$work/now.png" "$out/$1.png"
  echo "screenshots: $out/$1.png"
}
shoot() {
  snap_screen "$work/screen.png"
  crop_game "$out/$1.png"
  echo "screenshots: $out/$1.png"
}
# True when no window of the program of outer SIZE is on the screen.
no_window_of_size() { ! window_of_size "$pid" "$1" >/dev/null; }

# One scale, so that the pictures have the game's own pixels.
launch "$work/game.log" "$folder/hoopstack" --scale 1
intro=$(wait_window "$pid" 400x400 20) || fail "no intro window"
read -r ix iy < <(position_of "$intro")
xdotool mousemove $((ix + 200)) $((iy + 200)) click 1
window=$(wait_window "$pid" "$(framed 750x600)" 20 '^Hoopstack$') || fail "no game window after the intro"
read -r gx gy < <(client_of "$window")
# The game window takes the keyboard focus once it is ready for the player.
wait_focus "$window" 10 || fail "the game window never took the focus"

# The Top 10 and the options over the game window, with F2 and F3; Enter closes the Top 10,
# and "Ok" the options.
xdotool mousemove $((gx + 100)) $((gy + 300)) && sleep 0.2
xdotool key F2
wait_window "$pid" "$(framed 350x530)" 20 > /dev/null || fail "no Top 10 window after F2"
shoot_settled top10
xdotool key Return
wait_for 2 no_window_of_size "$(framed 350x530)" || fail "the Top 10 window stayed after Enter"
xdotool key F3
dialog=$(wait_window "$pid" "$(framed 260x450)" 20) || fail "no options window after F3"
read -r dx dy < <(client_of "$dialog")
shoot_settled options
# "Slow", so that the throw below can be caught in flight, then "Ok"; the pointer comes to it
# in two motions, as a hand moves it, so that the button has seen the pointer before it is
# pressed. The pauses pace the input; SHOT_DELAY below is the moment of the flight pictured.
xdotool mousemove $((dx + 33)) $((dy + 342)) && sleep 0.1
xdotool mousemove $((dx + 35)) $((dy + 343)) && sleep 0.15
xdotool click 1 && sleep 0.3
for attempt in 1 2 3; do
  xdotool mousemove $((dx + 63)) $((dy + 419)) && sleep 0.1
  xdotool mousemove $((dx + 65)) $((dy + 420)) && sleep 0.15
  xdotool click 1
  if wait_for 2 no_window_of_size "$(framed 260x450)"; then echo "screenshots: options closed at click $attempt"; break; fi
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
ends_within "$pid" 10
[ "$status" -eq 0 ] || fail "the program ended with code $status"
