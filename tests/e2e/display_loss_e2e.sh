#!/usr/bin/env bash
# End-to-end check of the ends that cannot be orderly: the X server killed during play (the
# program saves the last rest and ends with code 1), the X server killed while the "Could
# not read clip" message box is up (code 1, no spinning on the dead connection), and
# SIGTERM, SIGINT and SIGHUP while a message box holds the program (code 1, where they used
# to be ignored until the box was dismissed). Each end is timed from the kill, and the CPU
# the program uses after it is measured. Needs Xvfb, xdotool and x11-utils.
set -euo pipefail
usage="usage: display_loss_e2e.sh HOOPSTACK HOOPSTACK-STORE"
game=${1:?$usage} store=${2:?$usage}
work=$(mktemp -d)
kept=$PWD/display_loss_e2e-failed
rm -rf "$kept"
xpid= pid=
finish() {
  local status=$?
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill -KILL "$pid"; fi
  if [ -n "$xpid" ] && kill -0 "$xpid" 2>/dev/null; then kill -KILL "$xpid"; fi
  if [ "$status" -ne 0 ]; then
    mkdir -p "$kept" && cp "$work"/*.log "$work"/*.txt "$kept"/ 2>/dev/null || true
    echo "display loss e2e: logs kept in $kept" >&2
  fi
  rm -rf "$work"
  exit "$status"
}
trap finish EXIT
fail() { echo "display loss e2e: $*" >&2; exit 1; }
mkdir -m 700 "$work/run" "$work/home"
export XDG_RUNTIME_DIR="$work/run" HOME="$work/home" XDG_DATA_HOME=

program_folder=$(cd "$(dirname "$game")" && pwd)
# A copy of the program with its data, and one whose intro picture is missing.
for copy in game nologo; do
  mkdir "$work/$copy"
  cp "$game" "$work/$copy/hoopstack"
  for data in SKINS WAV icons; do ln -s "$program_folder/$data" "$work/$copy/$data"; done
done
ln -s "$program_folder/CLP" "$work/game/CLP"
mkdir "$work/nologo/CLP"
for f in "$program_folder"/CLP/*; do
  [ "$(basename "$f")" = Logo1.clp ] || ln -s "$f" "$work/nologo/CLP/"
done

start_x() {
  rm -f "$work/display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>>"$work/xvfb.log" &
  xpid=$!
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  [ -s "$work/display" ] || fail "Xvfb did not start"
  export DISPLAY=":$(head -n 1 "$work/display")"
}
stop_x() {
  kill -KILL "$xpid" 2>/dev/null || true
  wait "$xpid" 2>/dev/null || true
  xpid=
}
now() { date +%s%3N; }
# The program's CPU time so far in clock ticks (user + system).
ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null; }
hz=$(getconf CLK_TCK)
# After `event` (a kill), waits up to 10 s for the program to end, sampling its CPU time.
# Sets `status` (124 when it still ran), `elapsed` (ms) and `cpu` (ms used after the event).
measure_end() {
  local start_ticks last t0
  start_ticks=$1 t0=$2
  last=$start_ticks
  status=124
  for _ in $(seq 500); do
    if t=$(ticks "$pid") && [ -n "$t" ]; then last=$t; fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.02
  done
  elapsed=$(( $(now) - t0 ))
  cpu=$(( (last - start_ticks) * 1000 / hz ))
  kill -0 "$pid" 2>/dev/null && return
  status=0
  wait "$pid" || status=$?
  pid=
}
# The top-level windows that are dialogs: message boxes, as the program opens no other
# dialog here. (xdotool does not find a box whose name is not a plain STRING.)
dialogs() {
  local w
  for w in $(xwininfo -root -children 2>/dev/null | awk '/^ +0x/ { print $1 }'); do
    if xprop -id "$w" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q _NET_WM_WINDOW_TYPE_DIALOG; then echo "$w"; fi
  done
}
# Waits for a message box of the program's.
wait_for_box() {
  for _ in $(seq 150); do
    [ -n "$(dialogs)" ] && return 0
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}
# The box goes with the program (SDL shows it from a child process); true when it is gone
# within 2 s.
box_gone() {
  for _ in $(seq 20); do
    [ -z "$(dialogs)" ] && return 0
    sleep 0.1
  done
  return 1
}
geometry() { xdotool getwindowgeometry "$1" | awk '/Position/ { split($2, p, ","); print p[1], p[2] }'; }
# The first window of the name (a regular expression) within 20 s. Searched again and again:
# a search fails as a whole when a window vanishes under it, as the intro does.
find_window() {
  local found
  for _ in $(seq 200); do
    found=$(xdotool search --name "$1" 2>/dev/null | head -n 1) || true
    [ -n "$found" ] && { echo "$found"; return 0; }
    sleep 0.1
  done
  return 1
}
# The pointer must have entered the window before the button goes down there.
click_at() {
  xdotool mousemove "$1" "$2"
  sleep 0.2
  xdotool click 1
}
# A click on the panel's empty corner, which the game ignores. It once took the press that a
# click through the intro used to cost; it stays as a harmless first click.
take_lost_press() { click_at $((x + 700)) $((y + 580)); }
stamp() { stat -c '%i %y' "$work/game/state.dat" 2>/dev/null || echo none; }
replaced_within() {
  for _ in $(seq "$2"); do
    [ "$(stamp)" != "$1" ] && return 0
    sleep 0.1
  done
  return 1
}
start_game() {
  "$work/game/hoopstack" > "$work/$1.log" 2>&1 &
  pid=$!
  local intro window
  intro=$(find_window '^Main window$') || fail "$1: no intro window appeared"
  read -r x y < <(geometry "$intro")
  click_at $((x + 200)) $((y + 200))
  window=$(find_window '^Hoopstack$') || fail "$1: no game window appeared"
  read -r x y < <(geometry "$window")
  take_lost_press
}
report=()

# 1. The X server dies during play, twice: once at rest after a throw, once with a ball in
# flight. The file must hold the last rest either way.
for moment in rest flight; do
  # A fresh court each time, so that the aim falls on an empty cell.
  rm -f "$work/game/state.dat"
  start_x
  before=$(stamp)
  start_game "play-$moment"
  replaced_within "$before" 100 || fail "$moment: the new game was not saved"
  last=$(stamp)
  click_at $((x + 150)) $((y + 120))
  replaced_within "$last" 80 || fail "$moment: the throw's rest was not saved within 8 s"
  sleep 0.3
  "$store" decode "$work/game/state.dat" > "$work/rest-$moment.txt" || fail "$moment: state.dat does not decode"
  if [ "$moment" = flight ]; then
    click_at $((x + 400)) $((y + 100))
    sleep 0.3
  fi
  t0=$(now) start=$(ticks "$pid")
  stop_x
  measure_end "$start" "$t0"
  [ "$status" = 1 ] || fail "$moment: exit code $status after the display was lost, expected 1 (within 10 s)"
  grep -q "connection to the display is lost" "$work/play-$moment.log" ||
    fail "$moment: the program did not say why it ended: $(head -c 300 "$work/play-$moment.log")"
  "$store" decode "$work/game/state.dat" > "$work/lost-$moment.txt" || fail "$moment: state.dat does not decode after the display was lost"
  [ "$(tr '\t' '\n' < "$work/lost-$moment.txt" | wc -l)" -eq 263 ] || fail "$moment: state.dat is not a whole saved game"
  cmp -s "$work/lost-$moment.txt" "$work/rest-$moment.txt" || fail "$moment: state.dat is not the last rest"
  report+=("display lost during play ($moment): code 1 after $elapsed ms, $cpu ms of CPU")
done

# 2. The X server dies while "Could not read clip" is up.
start_x
"$work/nologo/hoopstack" > "$work/box-lost.log" 2>&1 &
pid=$!
wait_for_box || fail "no message box appeared without CLP/Logo1.clp"
sleep 0.3
t0=$(now) start=$(ticks "$pid")
stop_x
measure_end "$start" "$t0"
[ "$status" = 1 ] || fail "exit code $status after the display was lost under the message box, expected 1 (within 10 s)"
[ "$cpu" -lt 1000 ] || fail "the program used $cpu ms of CPU in the $elapsed ms after the display was lost"
report+=("display lost with the message box up: code 1 after $elapsed ms, $cpu ms of CPU")

# 3. Close signals while the message box holds the program.
start_x
for signal in TERM INT HUP; do
  "$work/nologo/hoopstack" > "$work/box-$signal.log" 2>&1 &
  pid=$!
  wait_for_box || fail "no message box appeared without CLP/Logo1.clp"
  sleep 0.3
  t0=$(now) start=$(ticks "$pid")
  kill "-$signal" "$pid"
  measure_end "$start" "$t0"
  [ "$status" = 1 ] || fail "exit code $status after SIG$signal under the message box, expected 1 (within 10 s)"
  box_gone || fail "the message box stayed on screen after the program ended on SIG$signal"
  report+=("SIG$signal with the message box up: code 1 after $elapsed ms")
done

# 4. SIGTERM while the box telling that state.dat cannot be saved is up during a game: the
# program ends with code 1 instead of waiting for the box.
rm -f "$work/game/state.dat"
mkdir "$work/game/state.dat"
start_game save-failed
wait_for_box || fail "no message box told that state.dat could not be saved"
sleep 0.3
t0=$(now) start=$(ticks "$pid")
kill -TERM "$pid"
measure_end "$start" "$t0"
[ "$status" = 1 ] || fail "exit code $status after SIGTERM under the save failure's box, expected 1 (within 10 s)"
box_gone || fail "the save failure's box stayed on screen after the program ended"
report+=("SIGTERM with the save failure's box up during a game: code 1 after $elapsed ms")
stop_x

printf 'display loss e2e: %s\n' "${report[@]}"
