#!/usr/bin/env bash
# Watching a replay in the real program. A game recorded in the headless game window is written
# to a replay file; `hoopstack --replay FILE` must show the game window at once (no intro), play
# the game at its pace while clicks on the court and F2, F3 and N change nothing and open
# nothing, Space stands it still and + plays it at x8, and end on the court the rules compute
# for the replay (each cell holds a ball or shows the background as their board says), where it
# stays; Escape ends it with code 0. The
# saved game and the Top 10 beside the program stay byte for byte, and no file is added. A
# replay window opens while a game is in play; a second replay window does not. A missing, a
# malformed and an empty file each show a message box and end with code 1. Screenshots of the
# playback and its end are kept on failure. Needs Xvfb, xdotool, xprop, ImageMagick, openbox.
#
#     watch_replay_e2e.sh HOOPSTACK E2E_WRITE_REPLAY E2E_WRITE_STATE
set -euo pipefail
usage="usage: watch_replay_e2e.sh HOOPSTACK E2E_WRITE_REPLAY E2E_WRITE_STATE"
game=${1:?$usage} write_replay=${2:?$usage} write_state=${3:?$usage}
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/lib.sh"
label="replay e2e"
e2e_begin watch_replay_e2e
mkdir -m 700 "$work/run"
export XDG_RUNTIME_DIR="$work/run"

folder=$work/game
install_game "$game" "$folder" link
# A saved game and a Top 10 that watching must leave alone.
board_file "$work/board.txt" 1234567123456712
"$write_state" "$work/board.txt" 2 "$folder/state.dat" || fail "cannot write the prepared state.dat"
printf 'not read by a replay\n' > "$folder/table.dat"
mkdir "$work/home"
export HOME=$work/home XDG_DATA_HOME=
saves() { (cd "$folder" && find . -maxdepth 1 -type f -print0 | sort -z | xargs -0 md5sum); }
saves > "$work/saves-before.txt"

# A whole Novice game with matches, falls and drops: about half a minute to watch.
replay=$work/game.hoopstack-replay
"$write_replay" 0 42 1000 "$replay" > "$work/expected.txt" || fail "cannot record a replay"
read -r _ score _ over _ ticks < <(head -n 1 "$work/expected.txt")
tail -n 16 "$work/expected.txt" > "$work/expected-board.txt"
say "the replay: $(wc -c < "$replay") bytes, $ticks ticks, score $score, game over $over"

# The number of colours in the 12 x 12 square at each cell's centre, one line a row of 16; a
# cell that shows the court's background alone has one.
cell_colours() {
  local shot=$1 args=() r c
  for r in $(seq 16); do
    for c in $(seq 16); do
      args+=('(' mpr:shot -crop "12x12+$(( x + $(cell_x "$r" "$c") - 6 ))+$(( y + $(cell_y "$r") - 6 ))" +repage
             -format '%k ' -write info:- +delete ')')
    done
  done
  convert "$shot" -write mpr:shot +delete "${args[@]}" null: 2>/dev/null | tr -s ' ' '\n' | grep . | paste -d ' ' - - - - - - - - - - - - - - - -
}
# The court on the screen as a board of 0 (background) and 1 (a ball).
shown_board() { cell_colours "$1" | awk '{ s = ""; for (i = 1; i <= NF; ++i) s = s ($i == 1 ? 0 : 1); print s }'; }
expected_shape() { tr '1-7' '1111111' < "$work/expected-board.txt"; }
shots=0
snap() { shots=$((shots + 1)); snap_screen "$work/shot-$shots.png"; }
ended_as_the_rules_say() {
  snap
  shown_board "$work/shot-$shots.png" > "$work/shown-board.txt"
  cmp -s "$work/shown-board.txt" <(expected_shape)
}

start_x 1024x768
start_openbox

# 1. A game in play (a copy of its own, whose saves are its own), then the replay beside it.
install_game "$game" "$work/playing" link
launch "$work/game.log" "$work/playing/hoopstack"
game_pid=$pid
find_window '^Main window$' 20 > /dev/null || fail "no intro for the game in play"
launch "$work/replay.log" "$folder/hoopstack" --replay "$replay"
started_at=$(now_ms)
window=$(wait_window "$pid" "$(framed 750x600)" 20 '^Hoopstack replay$') ||
  fail "no replay window within 20 s; the program said: $(head -c 300 "$work/replay.log")"
wait_settled "$window" 5 > /dev/null || fail "the replay window does not stand still"
[ "$(windows_of "$pid" | wc -l)" -eq 1 ] || fail "the replay opened more than its window (an intro?)"
read -r x y < <(client_of "$window") || fail "no position for the replay window"
kill -0 "$game_pid" 2>/dev/null || fail "the game in play ended when the replay opened"
say "the replay window came in $(( $(now_ms) - started_at )) ms beside a game in play"
stop_process "$game_pid"
# One replay window at a time: a second ends at once with code 2.
"$folder/hoopstack" --replay "$replay" > "$work/second.log" 2>&1 &
second=$!
started+=("$second")
ends_within "$second" 10
[ "$status" = 2 ] || fail "a second replay window ended with $status, expected 2 within 10 s"
grep -q "another copy is already running" "$work/second.log" ||
  fail "the second replay window did not say why it ended: $(head -c 300 "$work/second.log")"

# 2. Input while it plays changes nothing and opens nothing; the court moves on.
snap
first=$shots
for k in 1 2 3; do
  click_at $((x + $(cell_x $((4 * k)) $((3 * k))))) $((y + $(cell_y $((4 * k)))))
  xdotool key F2 key F3 key n
  sleep 0.5
  [ "$(windows_of "$pid" | wc -l)" -eq 1 ] || fail "a key or click during the replay opened a window"
done
snap
compare -metric AE "$work/shot-$first.png" "$work/shot-$shots.png" null: 2> "$work/changed.txt" || true
[ "$(cat "$work/changed.txt")" -gt 0 ] || fail "the court did not move in 3 s of playback"

# 2b. Space stands the court still, with nothing moving; Space again plays on, and + three times
# (as the keyboard sends it: = with Shift) plays at x8, which must end on the same court well
# before x1 would.
xdotool key space
sleep 0.5
snap
stood=$shots
sleep 1
snap
compare -metric AE "$work/shot-$stood.png" "$work/shot-$shots.png" null: 2> "$work/changed.txt" || true
[ "$(cat "$work/changed.txt")" -eq 0 ] || fail "the court moved while the replay stood ($(cat "$work/changed.txt") pixels)"
xdotool key space key plus key plus key plus
fast_from=$(now_ms)

# 3. The end: the rules' court, which stays.
wait_for $(( ticks / 25 + 30 )) ended_as_the_rules_say ||
  fail "the court does not end as the rules say: $(diff <(expected_shape) "$work/shown-board.txt" | tr '\n' ' ')"
cp "$work/shot-$shots.png" "$work/end.png"
# The game's 50 frames a second would take ticks / 50 s for the whole game at x1.
fast_took=$(( $(now_ms) - fast_from ))
[ "$fast_took" -lt $(( ticks * 20 / 2 )) ] ||
  fail "at x8 the rest of the replay took $fast_took ms, not under half of x1's $(( ticks * 20 )) ms for all of it"
say "at x8 the rest of the replay took $fast_took ms ($(( ticks * 20 )) ms for all of it at x1)"
sleep 2
# The mouse over a finished game brings no result window.
xdotool mousemove $((x + 300)) $((y + 300)) sleep 0.3 mousemove $((x + 310)) $((y + 310))
sleep 1
ended_as_the_rules_say || fail "the court changed after the replay's end"
kill -0 "$pid" 2>/dev/null || fail "the program ended by itself at the replay's end"
[ "$(windows_of "$pid" | wc -l)" -eq 1 ] || fail "a window opened at the replay's end"
say "the court ended as the rules say after $(( $(now_ms) - started_at )) ms, and stays"

# 4. Escape ends it.
xdotool windowactivate --sync "$window" 2>/dev/null || true
xdotool key Escape
expect_end "$pid" 10 0 "Escape"
saves > "$work/saves-after.txt"
cmp -s "$work/saves-before.txt" "$work/saves-after.txt" ||
  fail "watching touched the saves: $(diff "$work/saves-before.txt" "$work/saves-after.txt" | tr '\n' ' ')"
[ ! -e "$work/home/.local/share/hoopstack" ] || fail "watching made a data folder below HOME"

# 5. Files that are no replay: a message box, then code 1.
# The program's message box: the mapped window that is a dialog, as nothing else here opens
# one. Looked for in the whole tree, as the window manager's frame around it is no dialog, and
# xdotool does not find a window whose name is not a plain STRING.
box_shown() {
  local w
  kill -0 "$pid" 2>/dev/null || return 0
  for w in $(xwininfo -root -tree 2>/dev/null | awk '/^ +0x/ { print $1 }'); do
    xprop -id "$w" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q _NET_WM_WINDOW_TYPE_DIALOG || continue
    xwininfo -id "$w" 2>/dev/null | grep -q 'Map State: IsViewable' || continue
    box=$w
    return 0
  done
  return 1
}
printf 'this is not a replay\n' > "$work/bad.hoopstack-replay"
: > "$work/empty.hoopstack-replay"
for case in "missing:$work/none.hoopstack-replay:no such file" "malformed:$work/bad.hoopstack-replay:not a Hoopstack replay" \
            "empty:$work/empty.hoopstack-replay:empty"; do
  IFS=: read -r name file reason <<< "$case"
  box=
  launch "$work/$name.log" "$folder/hoopstack" --replay "$file"
  wait_for 15 box_shown || true
  [ -n "$box" ] || fail "no message box for the $name file; the program said: $(head -c 300 "$work/$name.log")"
  kill -0 "$pid" 2>/dev/null || fail "the program ended before its message box for the $name file was dismissed"
  sleep 0.5
  import -window "$box" "$work/box-$name.png" 2>/dev/null || true
  # Dismissed as a player does: a click on its button, in the middle of its lower part.
  read -r bx by bw bh < <(xwininfo -id "$box" | awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
                                                   /Width:/ { w = $NF } /Height:/ { h = $NF } END { print x, y, w, h }')
  click_at $((bx + bw / 2)) $((by + bh - 38))
  expect_end "$pid" 10 1 "the message box for the $name file"
  grep -q "$reason" "$work/$name.log" || fail "the $name file's reason is not '$reason': $(head -c 300 "$work/$name.log")"
done
say "a missing, a malformed and an empty file: a message box each, then code 1"
saves > "$work/saves-after.txt"
cmp -s "$work/saves-before.txt" "$work/saves-after.txt" || fail "a refused replay touched the saves"
say "ok"
