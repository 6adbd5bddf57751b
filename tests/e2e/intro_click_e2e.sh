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
work=$(mktemp -d)
kept=$PWD/intro_click_e2e-failed
rm -rf "$kept"
pid= xvfb_pid=
stop() {
  local p
  for p in $pid $xvfb_pid; do
    kill -TERM "$p" 2>/dev/null || continue
    for _ in $(seq 30); do kill -0 "$p" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$p" 2>/dev/null || true
  done
}
# The screenshots and program logs of a failed run stay in the test's working folder.
finish() {
  local status=$?
  stop
  if [ "$status" -ne 0 ]; then
    mkdir -p "$kept" && cp "$work"/*.png "$work"/*.log "$kept"/ 2>/dev/null || true
    echo "intro click e2e: screenshots and logs kept in $kept" >&2
  fi
  rm -rf "$work"
  exit "$status"
}
trap finish EXIT
trap 'exit 143' TERM INT
trial=0
fail() { echo "intro click e2e (trial $trial): $*" >&2; exit 1; }
now_ms() { date +%s%3N; }

# Novice, where the player picks the ball; a restored game starts with the ball in cell 16,1
# picked. Picking the one in 16,16 and throwing it onto the pair of its colour clears three.
{
  for _ in $(seq 15); do echo 0000000000000000; done
  echo 1111112200000002
} > "$work/board.txt"
cleared=1111110000000000
ball_w=34 ball_h=33 court_left=6 court_top=$((33 + 10))
cell_x() { echo $(( ($2 - 1) * ball_w + court_left + ($1 % 2 ? ball_w / 2 : 0) + ball_w / 2 )); }
cell_y() { echo $(( ($1 - 1) * ball_h + court_top + ball_h / 2 )); }

folder=$work/game
mkdir "$folder" "$work/home" "$work/run"
chmod 700 "$work/run"
cp "$game" "$folder/hoopstack"
for data in CLP SKINS WAV icons; do
  [ -d "$(dirname "$game")/$data" ] || fail "no $data folder beside $game"
  cp -r "$(dirname "$game")/$data" "$folder/"
done
# The game keeps state.dat in its own writable folder; HOME and the runtime folder (the
# one-copy lock) are this run's own.
export HOME=$work/home XDG_RUNTIME_DIR=$work/run XDG_DATA_HOME=

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3> "$work/display.txt" > "$work/xvfb.log" 2>&1 &
xvfb_pid=$!
deadline=$(( $(now_ms) + 10000 ))
until [ -n "$(tr -d '\n' < "$work/display.txt")" ]; do
  kill -0 "$xvfb_pid" 2>/dev/null || fail "Xvfb did not start: $(head -c 300 "$work/xvfb.log")"
  [ "$(now_ms)" -lt "$deadline" ] || fail "Xvfb named no display within 10 s"
  sleep 0.1
done
export DISPLAY=:$(tr -d '\n' < "$work/display.txt")

position() { xdotool getwindowgeometry "$1" | awk '/Position/ { split($2, p, ","); print p[1], p[2] }'; }
shot=
snap() { shot=$work/shot-$trial.png; import -window "$game_window" "$shot"; }
cell_colours() {
  convert "$shot" -crop "22x22+$(( $(cell_x "$1" "$2") - 11 ))+$(( $(cell_y "$1") - 11 ))" \
    +repage -unique-colors -depth 8 txt:- | awk 'NR > 1 { print $2 }'
}
cell_empty() { [ "$(cell_colours "$1" "$2")" = "$court" ]; }
click_at() {
  xdotool mousemove $((gx + $1)) $((gy + $2))
  sleep 0.15
  xdotool click 1
  sleep 0.2
}

for trial in $(seq "$trials"); do
  "$write_state" "$work/board.txt" 0 "$folder/state.dat" || fail "cannot write the prepared state.dat"
  "$folder/hoopstack" > "$work/game-$trial.log" 2>&1 &
  pid=$!
  intro=$(timeout 20 xdotool search --sync --name '^Main window$' | head -n 1) || fail "no intro window"
  sleep 0.3
  read -r ix iy < <(position "$intro") || fail "no position for the intro window"
  xdotool mousemove $((ix + 200)) $((iy + 200)) click 1
  game_window=$(timeout 20 xdotool search --sync --name '^Hoopstack$' | head -n 1) ||
    fail "no game window after a click on the intro"
  read -r gx gy < <(position "$game_window") || fail "no position for the game window"
  # The court is drawn once cell 8,8 shows one plain colour and cell 16,16 its ball.
  deadline=$(( $(now_ms) + 10000 ))
  while :; do
    snap
    court=$(cell_colours 8 8)
    [ "$(wc -l <<< "$court")" -eq 1 ] && ! cell_empty 16 16 && break
    [ "$(now_ms)" -lt "$deadline" ] || fail "the court does not show the prepared board within 10 s"
    sleep 0.2
  done

  click_at "$(cell_x 16 16)" "$(cell_y 16)"
  click_at 405 400
  # The flight and the match take a few seconds at most; the deadline only bounds a failure.
  deadline=$(( $(now_ms) + 15000 ))
  while :; do
    snap
    cell_empty 16 16 && cell_empty 16 7 && cell_empty 16 8 && ! cell_empty 16 1 && break
    [ "$(now_ms)" -lt "$deadline" ] ||
      fail "the click after the intro was lost: the ball in 16,16 was not thrown onto its pair"
    sleep 0.2
  done
  kill -TERM "$pid"
  status=0
  wait "$pid" || status=$?
  pid=
  [ "$status" -eq 0 ] || fail "exit code $status after SIGTERM: $(head -c 300 "$work/game-$trial.log")"
  row=$("$store" decode "$folder/state.dat" | tr '\t' '\n' | tail -n +8 | paste -sd '\0' | fold -w 16 | sed -n 16p)
  [ "$row" = "$cleared" ] || fail "the saved row 16 is $row, expected $cleared"
  echo "intro click e2e: trial $trial: the first click on the game window picked its ball"
done
echo "intro click e2e: ok, $trials of $trials"
