#!/usr/bin/env bash
# End-to-end check that a click ending the intro costs no later click: several times over, the
# program starts on a prepared board, an `xdotool click` (a press and its release moments apart)
# ends the intro, and the very next click on the game window must pick the ball under it, which
# the click after that throws onto its colour. A lost pick throws the ball the game chose
# itself instead. Checked on the screen and in the saved game. Needs Xvfb, xdotool and
# ImageMagick.
set -euo pipefail
usage="usage: intro_click_e2e.sh HOOPSTACK HOOPSTACK-STORE E2E_WRITE_STATE [TRIALS]"
game=${1:?$usage} store=${2:?$usage} write_state=${3:?$usage} trials=${4:-6}
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/lib.sh"
e2e_begin intro_click_e2e
trial=0
fail() { echo "intro click e2e (trial $trial): $*" >&2; exit 1; }

# Novice, where the player picks the ball; a restored game starts with the ball in cell 16,1
# picked. Picking the one in 16,16 and throwing it onto the pair of its colour clears three.
board_file "$work/board.txt" 1111112200000002
cleared=1111110000000000

folder=$work/game
mkdir "$work/home" "$work/run"
chmod 700 "$work/run"
install_game "$game" "$folder"
# The game keeps state.dat in its own writable folder; HOME and the runtime folder (the
# one-copy lock) are this run's own.
export HOME=$work/home XDG_RUNTIME_DIR=$work/run XDG_DATA_HOME=
start_x 1024x768

shot=
snap() { shot=$work/shot-$trial.png; import -window "$game_window" "$shot"; }
cell_colours() {
  convert "$shot" -crop "22x22+$(( $(cell_x "$1" "$2") - 11 ))+$(( $(cell_y "$1") - 11 ))" \
    +repage -unique-colors -depth 8 txt:- | awk 'NR > 1 { print $2 }'
}
cell_empty() { [ "$(cell_colours "$1" "$2")" = "$court" ]; }
# The court is drawn once cell 8,8 shows one plain colour and cell 16,16 its ball.
board_shown() {
  snap
  court=$(cell_colours 8 8)
  [ "$(wc -l <<< "$court")" -eq 1 ] && ! cell_empty 16 16
}
# The ball in 16,16 was thrown onto its pair and cleared them.
cleared_shown() { snap && cell_empty 16 16 && cell_empty 16 7 && cell_empty 16 8 && ! cell_empty 16 1; }

for trial in $(seq "$trials"); do
  "$write_state" "$work/board.txt" 0 "$folder/state.dat" || fail "cannot write the prepared state.dat"
  "$folder/hoopstack" > "$work/game-$trial.log" 2>&1 &
  pid=$!
  started=("$pid")
  intro=$(find_window '^Main window$') || fail "no intro window"
  wait_size "$intro" 400x400 5 || fail "the intro window is $(size_of "$intro"), expected 400x400"
  read -r ix iy < <(position_of "$intro") || fail "no position for the intro window"
  xdotool mousemove $((ix + 200)) $((iy + 200)) click 1
  game_window=$(find_window '^Hoopstack$') || fail "no game window after a click on the intro"
  read -r gx gy < <(position_of "$game_window") || fail "no position for the game window"
  wait_for 10 board_shown || fail "the court does not show the prepared board within 10 s"

  click_at $((gx + $(cell_x 16 16))) $((gy + $(cell_y 16)))
  click_at $((gx + 405)) $((gy + 400))
  # The flight and the match take a few seconds at most; the deadline only bounds a failure.
  wait_for 15 cleared_shown || fail "the click after the intro was lost: the ball in 16,16 was not thrown onto its pair"
  kill -TERM "$pid"
  ends_within "$pid" 10
  [ "$status" -eq 0 ] || fail "exit code $status after SIGTERM: $(head -c 300 "$work/game-$trial.log")"
  row=$("$store" decode "$folder/state.dat" | tr '\t' '\n' | tail -n +8 | paste -sd '\0' | fold -w 16 | sed -n 16p)
  [ "$row" = "$cleared" ] || fail "the saved row 16 is $row, expected $cleared"
  echo "intro click e2e: trial $trial: the first click on the game window picked its ball"
done
echo "intro click e2e: ok, $trials of $trials"
