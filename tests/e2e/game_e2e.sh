#!/usr/bin/env bash
# End-to-end check of the game: a click ends the intro, a prepared saved game is restored in
# the game window that follows, two mouse clicks throw a ball, the screen shows it where the
# simulator says it lands and its old cell empty, and an orderly close saves exactly the
# simulator's board. Runs once without a window manager (closed by SIGTERM, as no tool at
# hand sends WM_DELETE_WINDOW) and once under openbox (closed by Alt+F4). Needs Xvfb,
# xdotool, ImageMagick and openbox.
set -euo pipefail
usage="usage: game_e2e.sh HOOPSTACK HOOPSTACK-SIM HOOPSTACK-STORE E2E_WRITE_STATE"
game=${1:?$usage} sim=${2:?$usage} store=${3:?$usage} write_state=${4:?$usage}
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/lib.sh"
label="game e2e"
e2e_begin game_e2e
# A copy started elsewhere holds the single-instance lock; this run has its own.
mkdir -m 700 "$work/run"
export XDG_RUNTIME_DIR="$work/run"

# Master level: the game picks the ball, and the first failed throw adds no drops, so the
# outcome does not depend on the random seed. Row 16 holds every colour twice with no three
# alike together; the game picks the ball in cell 16,1 and the aim sends it onto row 16's balls.
level=2
board_file "$work/board.txt" 1234567123456712
from_row=16 from_col=1
click1="$(cell_x $from_row $from_col) $(cell_y $from_row)"
click2="200 300"

# The simulator's outcome of the same clicks on the same board.
simulate "$sim" "$level" "$click1" "$click2"
report=$(sed -n 2p "$work/sim.json")
field() { sed -n "s/.*\"$1\":\([^,]*\).*/\1/p" <<< "$report"; }
cell() { sed -n "s/.*\"$1\":\[\([0-9]*\),\([0-9]*\)\].*/\1 \2/p" <<< "$report"; }
[ "$(cell selected)" = "$from_row $from_col" ] || fail "the simulator threw from $(cell selected), expected $from_row $from_col"
[ "$(field launched)" = true ] || fail "the simulator did not launch the ball: $report"
[ "$(field void)" = false ] || fail "the simulator's throw came back to its own cell: $report"
for name in removed fell drops score; do
  [ "$(field $name)" = 0 ] || fail "the simulator's throw has $name $(field $name), expected 0: $report"
done
read -r land_row land_col < <(cell landed) || fail "the simulator reports no landing: $report"
sed -n 's/.*"board":\[\([^]]*\)\].*/\1/p' <<< "$report" | tr -d '"' | tr , '\n' > "$work/sim-board.txt"
[ "$(wc -l < "$work/sim-board.txt")" -eq 16 ] || fail "the simulator's board does not have 16 rows: $report"
digit() { sed -n "${2}p" "$1" | cut -c"$3"; }
colour=$(digit "$work/board.txt" $from_row $from_col)
[ "$(digit "$work/sim-board.txt" $from_row $from_col)" = 0 ] || fail "the simulator's board keeps the thrown ball's cell"
[ "$(digit "$work/sim-board.txt" "$land_row" "$land_col")" = "$colour" ] ||
  fail "the simulator's board does not hold colour $colour at $land_row,$land_col"
[ "$(digit "$work/board.txt" "$land_row" "$land_col")" = 0 ] || fail "the landing cell $land_row,$land_col was not empty"
echo "game e2e: the simulator lands colour $colour from $from_row,$from_col at $land_row,$land_col"

# The screen position of a cell's centre, from the game window's client corner x, y.
screen_x() { echo $(( x + $(cell_x "$1" "$2") )); }
screen_y() { echo $(( y + $(cell_y "$1") )); }
shot=0
snap() { shot=$((shot + 1)); snap_screen "$work/shot-$wm-$shot.png"; }
# The mean colour of the 22 x 22 square at a cell's centre, which lies inside the ball
# whatever frame of its spin it shows, as "R G B" from 0 to 255.
mean() {
  convert "$work/shot-$wm-$shot.png" -crop "22x22+$(( $(screen_x "$1" "$2") - 11 ))+$(( $(screen_y "$1") - 11 ))" \
    +repage -scale '1x1!' -format '%[fx:round(255*r)] %[fx:round(255*g)] %[fx:round(255*b)]' info:
}
# The colours in that square, "R,G,B" one a line.
colours_at() {
  convert "$work/shot-$wm-$shot.png" -crop "22x22+$(( $(screen_x "$1" "$2") - 11 ))+$(( $(screen_y "$1") - 11 ))" \
    +repage -unique-colors -depth 8 txt:- | awk 'NR > 1 { gsub(/[()]/, "", $2); print $2 }'
}
# The colour (1-7) whose reference mean is nearest to the cell's mean.
nearest() {
  local rgb
  rgb=$(mean "$1" "$2")
  printf '%s\n' "${reference[@]}" | awk -v rgb="$rgb" '
    BEGIN { split(rgb, m, " ") }
    { d = ($2 - m[1]) ^ 2 + ($3 - m[2]) ^ 2 + ($4 - m[3]) ^ 2; if (NR == 1 || d < best) { best = d; k = $1 } }
    END { print k }'
}
# The cell shows nothing but the court's background.
is_empty() { [ "$(colours_at "$1" "$2")" = "$background" ]; }
# Which file is there now: each save replaces it by renaming a new file over it.
stamp() { stat -c '%i %y' "$1" 2>/dev/null || echo none; }
replaced() { [ "$(stamp "$1")" != "$2" ]; }
# The court shows the prepared board: cell 8,8 one plain colour, balls in row 16, columns 8-14.
board_shown() {
  snap
  background=$(colours_at 8 8)
  [ "$(wc -l <<< "$background")" -eq 1 ] || return 1
  local k
  for k in 1 2 3 4 5 6 7; do ! is_empty 16 $((k + 7)) || return 1; done
}
# The thrown ball shows in its landing cell, and its old cell is empty.
landed() {
  snap
  [ "$(nearest "$land_row" "$land_col")" = "$colour" ] && ! is_empty "$land_row" "$land_col" &&
    is_empty "$from_row" "$from_col"
}

session() {
  local wm=$1 folder=$work/game-$1 pid intro window
  label="game e2e ($wm)"
  begin_session "$wm"

  # Only the simulator's board may come out of this run, so the folder is prepared afresh.
  launch "$work/game-$wm.log" "$folder/hoopstack"
  # The intro comes first; a click on it ends it at once.
  intro=$(find_window '^Main window$' 10) || fail "no intro window appeared"
  read -r x y < <(position_of "$intro") || fail "no position for the intro window $intro"
  click_at $((x + 200)) $((y + 200))
  window=$(find_window '^Hoopstack$' 10) || fail "no game window appeared after a click on the intro"
  wait_size "$window" "$(framed 750x600)" 5 || fail "the game window is $(size_of "$window"), expected $(framed 750x600)"
  wait_settled "$window" 5 >/dev/null || fail "the game window does not stand still"
  read -r x y < <(client_of "$window") || fail "no position for window $window"

  # Before the throw: row 16, columns 8-14, holds colours 1-7; cell 8,8 is empty.
  wait_for 10 board_shown || fail "shot $shot: the court does not show the prepared board within 10 s"
  reference=()
  local k
  for k in 1 2 3 4 5 6 7; do reference+=("$k $(mean 16 $((k + 7)))"); done
  for k in 1 2 3 4 5 6 7; do
    [ "$(nearest 16 $((k + 7)))" = "$k" ] || fail "shot $shot: the colour references are not distinct"
  done
  [ "$(nearest "$from_row" "$from_col")" = "$colour" ] ||
    fail "shot $shot: cell $from_row,$from_col does not show colour $colour before the throw"
  is_empty "$land_row" "$land_col" || fail "shot $shot: cell $land_row,$land_col is not empty before the throw"

  # The first click is on the ball the game picked; the second is the aim.
  local before
  before=$(stamp "$folder/state.dat")
  read -r cx cy <<< "$click1"
  click_at $((x + cx)) $((y + cy))
  read -r cx cy <<< "$click2"
  click_at $((x + cx)) $((y + cy))

  # A flight takes well under 3 s at the default speed; the deadline only bounds a failure.
  wait_for 10 landed || fail "shot $shot: no ball of colour $colour at $land_row,$land_col with $from_row,$from_col empty"
  # The game saves when the court comes to rest; the ball is still there then.
  wait_for 10 replaced "$folder/state.dat" "$before" || fail "the rest after the throw was not saved within 10 s"
  landed || fail "shot $shot: cell $land_row,$land_col does not show colour $colour once at rest"

  # Close through the desktop: Alt+F4 to openbox, which asks the window to close; without a
  # window manager, SIGTERM.
  if [ "$wm" = openbox ]; then
    xdotool windowactivate --sync "$window"
    xdotool key alt+F4
  else
    kill -TERM "$pid"
  fi
  ends_within "$pid" 10
  [ "$status" != 124 ] || fail "the program did not end within 10 s of the close"
  end_session

  # The saved game: the settings as prepared and the simulator's board.
  "$store" decode "$folder/state.dat" > "$work/saved-$wm.txt" || fail "state.dat cannot be decoded"
  tr '\t' '\n' < "$work/saved-$wm.txt" > "$work/fields-$wm.txt"
  [ "$(wc -l < "$work/fields-$wm.txt")" -eq 263 ] || fail "state.dat holds $(wc -l < "$work/fields-$wm.txt") fields, expected 263"
  [ "$(head -n 7 "$work/fields-$wm.txt" | paste -sd ' ')" = "$level 1 1 1 1 0 0" ] ||
    fail "state.dat settings are '$(head -n 7 "$work/fields-$wm.txt" | paste -sd ' ')', expected '$level 1 1 1 1 0 0'"
  tail -n +8 "$work/fields-$wm.txt" | paste -sd '\0' | fold -w 16 > "$work/saved-board-$wm.txt"
  cmp -s "$work/saved-board-$wm.txt" "$work/sim-board.txt" ||
    fail "state.dat holds another board than the simulator's: $(diff "$work/sim-board.txt" "$work/saved-board-$wm.txt" | tr '\n' ' ')"
  # Checked after the saved game, so that a failure here still shows whether the save worked.
  [ "$status" -eq 0 ] ||
    fail "exit code $status after the close; the program said: $(head -n 3 "$work/game-$wm.log" | paste -sd ' ')"
  say "ok"
}

for wm in none openbox; do
  install_game "$game" "$work/game-$wm"
  mkdir "$work/home-$wm"
  "$write_state" "$work/board.txt" "$level" "$work/game-$wm/state.dat" || fail "cannot write the prepared state.dat"
  # The game's own folder is writable, so it keeps state.dat there; HOME keeps the rest apart.
  export HOME=$work/home-$wm XDG_DATA_HOME=
  session "$wm"
done
