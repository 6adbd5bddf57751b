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
work=$(mktemp -d)
kept=$PWD/game_e2e-failed
rm -rf "$kept"
# The screenshots and program logs of a failed run stay in the test's working folder.
finish() {
  local status=$?
  if [ "$status" -ne 0 ] && compgen -G "$work/*.png" >/dev/null; then
    mkdir -p "$kept" && cp "$work"/*.png "$work"/*.log "$kept"/ 2>/dev/null || true
    echo "game e2e: screenshots and logs kept in $kept" >&2
  fi
  rm -rf "$work"
  exit "$status"
}
trap finish EXIT
fail() { echo "game e2e: $*" >&2; exit 1; }
# A copy started elsewhere holds the single-instance lock; this run has its own.
mkdir -m 700 "$work/run"
export XDG_RUNTIME_DIR="$work/run"

# Master level: the game picks the ball, and the first failed throw adds no drops, so the
# outcome does not depend on the random seed. Row 16 holds every colour twice with no three
# alike together; the game picks the ball in cell 16,1 and the aim sends it onto row 16's balls.
level=2
{
  for _ in $(seq 15); do echo 0000000000000000; done
  echo 1234567123456712
} > "$work/board.txt"

# The court's geometry for the 34 x 33 ball pictures (rules/CourtGeometry.cpp).
ball_w=34 ball_h=33 court_left=6 court_top=$((33 + 10))
centre_x() { echo $(( ($2 - 1) * ball_w + court_left + ($1 % 2 ? ball_w / 2 : 0) + ball_w / 2 )); }
centre_y() { echo $(( ($1 - 1) * ball_h + court_top + ball_h / 2 )); }
from_row=16 from_col=1
click1="$(centre_x $from_row $from_col) $(centre_y $from_row)"
click2="200 300"

# The simulator's outcome of the same clicks on the same board.
printf 'click %s\nclick %s\n' "$click1" "$click2" |
  "$sim" play --board "$work/board.txt" --level "$level" > "$work/sim.json" ||
  fail "hoopstack-sim play failed"
[ "$(wc -l < "$work/sim.json")" -eq 2 ] || fail "hoopstack-sim printed $(wc -l < "$work/sim.json") lines, expected 2"
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

cat > "$work/session.sh" <<'SESSION'
#!/usr/bin/env bash
set -euo pipefail
work=$1 wm=$2 store=$3 from_row=$4 from_col=$5 land_row=$6 land_col=$7 colour=$8 level=$9
click1=${10} click2=${11}
folder=$work/game-$wm
fail() { echo "game e2e ($wm): $*" >&2; exit 1; }
pid=
cleanup() { if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill -KILL "$pid"; fi; }
trap cleanup EXIT
if [ "$wm" = openbox ]; then
  openbox >/dev/null 2>&1 &
  sleep 0.5
fi
geometry() { xdotool getwindowgeometry "$1" | awk '/Position/ { split($2, p, ","); print p[1], p[2] }'; }
# X places the game window's outer corner; its client area lies inside the 4-pixel frame the
# program draws around it (platform/WindowFrame.hpp). The intro has no frame.
frame=4
ball_w=34 ball_h=33 court_left=6 court_top=43
centre_x() { echo $(( x + ($2 - 1) * ball_w + court_left + ($1 % 2 ? ball_w / 2 : 0) + ball_w / 2 )); }
centre_y() { echo $(( y + ($1 - 1) * ball_h + court_top + ball_h / 2 )); }
shot=0
snap() { shot=$((shot + 1)); import -window root "$work/shot-$wm-$shot.png"; }
# The mean colour of the 22 x 22 square at a cell's centre, which lies inside the ball
# whatever frame of its spin it shows, as "R G B" from 0 to 255.
mean() {
  convert "$work/shot-$wm-$shot.png" -crop "22x22+$(( $(centre_x "$1" "$2") - 11 ))+$(( $(centre_y "$1") - 11 ))" \
    +repage -scale '1x1!' -format '%[fx:round(255*r)] %[fx:round(255*g)] %[fx:round(255*b)]' info:
}
# The colours in that square, "R,G,B" one a line.
colours_at() {
  convert "$work/shot-$wm-$shot.png" -crop "22x22+$(( $(centre_x "$1" "$2") - 11 ))+$(( $(centre_y "$1") - 11 ))" \
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
click_at() {
  xdotool mousemove $((x + $1)) $((y + $2))
  sleep 0.2
  xdotool click 1
  sleep 0.3
}

# Only the simulator's board may come out of this run, so the folder is prepared afresh.
"$folder/hoopstack" > "$work/game-$wm.log" 2>&1 &
pid=$!
# The intro comes first; a click on it ends it at once.
intro=$(timeout 10 xdotool search --sync --name '^Main window$' | head -n 1) || fail "no intro window appeared"
sleep 0.5
read -r x y < <(geometry "$intro") || fail "no position for the intro window $intro"
xdotool mousemove $((x + 200)) $((y + 200)) click 1
window=$(timeout 10 xdotool search --sync --name '^Hoopstack$' | head -n 1) ||
  fail "no game window appeared after a click on the intro"
sleep 1
read -r x y < <(geometry "$window") || fail "no position for window $window"
x=$((x + frame)) y=$((y + frame))

# Before the throw: row 16, columns 8-14, holds colours 1-7; cell 8,8 is empty.
snap
background=$(colours_at 8 8)
[ "$(wc -l <<< "$background")" -eq 1 ] || fail "shot $shot: cell 8,8 is not one plain colour"
reference=()
for k in 1 2 3 4 5 6 7; do reference+=("$k $(mean 16 $((k + 7)))"); done
for k in 1 2 3 4 5 6 7; do
  [ "$(nearest 16 $((k + 7)))" = "$k" ] || fail "shot $shot: the colour references are not distinct"
  ! is_empty 16 $((k + 7)) || fail "shot $shot: no ball in cell 16,$((k + 7))"
done
[ "$(nearest "$from_row" "$from_col")" = "$colour" ] ||
  fail "shot $shot: cell $from_row,$from_col does not show colour $colour before the throw"
is_empty "$land_row" "$land_col" || fail "shot $shot: cell $land_row,$land_col is not empty before the throw"

# The first click is on the ball the game picked; the second is the aim.
read -r cx cy <<< "$click1"
click_at "$cx" "$cy"
read -r cx cy <<< "$click2"
click_at "$cx" "$cy"

# A flight takes well under 3 s at the default speed; the deadline only bounds a failure.
landed=
for _ in $(seq 40); do
  snap
  if [ "$(nearest "$land_row" "$land_col")" = "$colour" ] && ! is_empty "$land_row" "$land_col" &&
    is_empty "$from_row" "$from_col"; then
    landed=yes
    break
  fi
  sleep 0.25
done
[ -n "$landed" ] || fail "shot $shot: no ball of colour $colour at $land_row,$land_col with $from_row,$from_col empty"
sleep 0.5
snap
[ "$(nearest "$land_row" "$land_col")" = "$colour" ] && ! is_empty "$land_row" "$land_col" ||
  fail "shot $shot: cell $land_row,$land_col does not show colour $colour once at rest"
is_empty "$from_row" "$from_col" || fail "shot $shot: cell $from_row,$from_col is not empty once at rest"

# Close through the desktop: Alt+F4 to openbox, which asks the window to close; without a
# window manager, SIGTERM.
if [ "$wm" = openbox ]; then
  xdotool windowactivate --sync "$window"
  xdotool key alt+F4
else
  kill -TERM "$pid"
fi
for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$pid" 2>/dev/null; then fail "the program did not end within 10 s of the close"; fi
status=0
wait "$pid" || status=$?
pid=

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
echo "game e2e ($wm): ok"
SESSION
chmod +x "$work/session.sh"

program_folder=$(dirname "$game")
for wm in none openbox; do
  folder=$work/game-$wm
  mkdir "$folder" "$work/home-$wm"
  cp "$game" "$folder/hoopstack"
  for data in CLP SKINS WAV icons; do
    [ -d "$program_folder/$data" ] || fail "no $data folder beside $game"
    cp -r "$program_folder/$data" "$folder/"
  done
  "$write_state" "$work/board.txt" "$level" "$folder/state.dat" || fail "cannot write the prepared state.dat"
  # The game's own folder is writable, so it keeps state.dat there; HOME keeps the rest apart.
  HOME=$work/home-$wm XDG_DATA_HOME= xvfb-run -a -s "-screen 0 1024x768x24" \
    "$work/session.sh" "$work" "$wm" "$store" "$from_row" "$from_col" "$land_row" "$land_col" "$colour" "$level" \
    "$click1" "$click2"
done
