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
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/lib.sh"
label="display loss e2e"
e2e_begin display_loss_e2e
pid=
mkdir -m 700 "$work/run" "$work/home"
export XDG_RUNTIME_DIR="$work/run" HOME="$work/home" XDG_DATA_HOME=''

# A copy of the program with its data, and one whose intro picture is missing.
install_game "$game" "$work/game" link
install_game "$game" "$work/nologo" link
rm "$work/nologo/CLP"
mkdir "$work/nologo/CLP"
for f in "$work/game/CLP"/*; do
  [ "$(basename "$f")" = Logo1.clp ] || ln -s "$(readlink -f "$f")" "$work/nologo/CLP/"
done

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
  elapsed=$(( $(now_ms) - t0 ))
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
# Waits for a message box of the program's to be on the screen.
wait_for_box() { wait_for 15 box_shown; }
box_shown() {
  local w
  kill -0 "$pid" 2>/dev/null || fail "the program ended before its message box was shown"
  for w in $(dialogs); do
    xwininfo -id "$w" 2>/dev/null | grep -q 'Map State: IsViewable' && return 0
  done
  return 1
}
# The box goes with the program (SDL shows it from a child process); true when it is gone
# within 2 s.
box_gone() { wait_for 2 no_dialogs; }
no_dialogs() { [ -z "$(dialogs)" ]; }
# A click on the panel's empty corner, which the game ignores. It once took the press that a
# click through the intro used to cost; it stays as a harmless first click.
take_lost_press() { click_at $((x + 700)) $((y + 580)); }
stamp() { stat -c '%i %y' "$work/game/state.dat" 2>/dev/null || echo none; }
# Waits up to the tenths of a second given for state.dat to be replaced; true when it was.
replaced_within() { wait_for "$(( $2 / 10 )).$(( $2 % 10 ))" replaced_since "$1"; }
replaced_since() { [ "$(stamp)" != "$1" ]; }
start_game() {
  "$work/game/hoopstack" > "$work/$1.log" 2>&1 &
  pid=$!
  started=("$pid")
  local intro window
  intro=$(find_window '^Main window$') || fail "$1: no intro window appeared"
  read -r x y < <(position_of "$intro")
  click_at $((x + 200)) $((y + 200))
  window=$(find_window '^Hoopstack$') || fail "$1: no game window appeared"
  read -r x y < <(position_of "$window")
  take_lost_press
}
report=()

# 1. The X server dies during play, twice: once at rest after a throw, once with a ball in
# flight. The file must hold the last rest either way.
for moment in rest flight; do
  # A fresh court each time, so that the aim falls on an empty cell.
  rm -f "$work/game/state.dat"
  start_x 1024x768
  before=$(stamp)
  start_game "play-$moment"
  replaced_within "$before" 100 || fail "$moment: the new game was not saved"
  last=$(stamp)
  click_at $((x + 150)) $((y + 120))
  replaced_within "$last" 80 || fail "$moment: the throw's rest was not saved within 8 s"
  "$store" decode "$work/game/state.dat" > "$work/rest-$moment.txt" || fail "$moment: state.dat does not decode"
  if [ "$moment" = flight ]; then
    click_at $((x + 400)) $((y + 100))
    # The moment of the loss: the ball has left and is in flight.
    sleep 0.3
  fi
  t0=$(now_ms) start=$(ticks "$pid")
  kill_x
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
start_x 1024x768
"$work/nologo/hoopstack" > "$work/box-lost.log" 2>&1 &
pid=$!
started=("$pid")
wait_for_box || fail "no message box appeared without CLP/Logo1.clp"
t0=$(now_ms) start=$(ticks "$pid")
kill_x
measure_end "$start" "$t0"
[ "$status" = 1 ] || fail "exit code $status after the display was lost under the message box, expected 1 (within 10 s)"
[ "$cpu" -lt 1000 ] || fail "the program used $cpu ms of CPU in the $elapsed ms after the display was lost"
report+=("display lost with the message box up: code 1 after $elapsed ms, $cpu ms of CPU")

# 3. Close signals while the message box holds the program.
start_x 1024x768
for signal in TERM INT HUP; do
  "$work/nologo/hoopstack" > "$work/box-$signal.log" 2>&1 &
  pid=$!
  started=("$pid")
  wait_for_box || fail "no message box appeared without CLP/Logo1.clp"
  t0=$(now_ms) start=$(ticks "$pid")
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
t0=$(now_ms) start=$(ticks "$pid")
kill -TERM "$pid"
measure_end "$start" "$t0"
[ "$status" = 1 ] || fail "exit code $status after SIGTERM under the save failure's box, expected 1 (within 10 s)"
box_gone || fail "the save failure's box stayed on screen after the program ended"
report+=("SIGTERM with the save failure's box up during a game: code 1 after $elapsed ms")
stop_x

printf 'display loss e2e: %s\n' "${report[@]}"
