#!/usr/bin/env bash
# A whole game with the keyboard alone, in the real program under Xvfb, without a window
# manager and without a single mouse event: a key ends the intro, the arrows walk the
# highlight to the ball and move the aim mark, Space picks and throws, the throw ends the game
# with the bonus, a key brings the result window, whose name is typed and confirmed with keys,
# P pauses and resumes, R and F1 show the rules and the keys page, and Q with Enter quits.
# The screenshots, the score table and the exit code are checked. Needs Xvfb, xdotool and
# ImageMagick.
set -euo pipefail
usage="usage: keys_e2e.sh HOOPSTACK HOOPSTACK-SIM HOOPSTACK-STORE E2E_WRITE_STATE"
game=${1:?$usage} sim=${2:?$usage} store=${3:?$usage} write_state=${4:?$usage}
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/lib.sh"
label="keys e2e"
e2e_begin keys_e2e
e2e_at_exit() {
  [ -n "${KEYS_E2E_SHOTS:-}" ] || return 0
  mkdir -p "$KEYS_E2E_SHOTS" && cp "$work"/shot-*.png "$KEYS_E2E_SHOTS"/ 2>/dev/null
}

# Novice: the player picks. Row 16 holds six balls of colour 1, a pair of colour 2 and a third
# at the far right, thrown onto the pair; one colour is left, so the game ends with the bonus.
level=0
board_file "$work/board.txt" 1111112200000002
from_row=16 from_col=16
# The aim mark starts on the ball's centre and moves 4 pixels a press, 1 with Shift.
ball_x=$(cell_x $from_row $from_col) ball_y=$(cell_y $from_row)
aim_x=$((ball_x - 32 * 4)) aim_y=$((ball_y - 38 * 4 - 2))
simulate "$sim" "$level" "$ball_x $ball_y" "$aim_x $aim_y"
field() { sed -n "s/.*\"$2\":\([^,]*\).*/\1/p" <<< "$1"; }
throw=$(sed -n 2p "$work/sim.json")
for check in "launched true" "group 3" "game_over true"; do
  read -r name value <<< "$check"
  [ "$(field "$throw" "$name")" = "$value" ] || fail "the simulator's throw at $aim_x,$aim_y has $name $(field "$throw" "$name"): $throw"
done
score=$(field "$throw" score)
say "the simulator's throw from the keys' aim $aim_x,$aim_y ends the game, score $score"

shot=0 last_shot=
snap() {
  shot=$((shot + 1))
  last_shot=$work/shot-$(printf %02d $shot)-$1.png
  import -window root "$last_shot"
}
# Cuts W x H at X, Y of the last screenshot into FILE.
crop() { convert "$last_shot" -crop "${2}x${3}+${4}+${5}" +repage "$1"; }
differing() { compare -metric AE -fuzz 5% "$1" "$2" null: 2>&1 || true; }
is() { awk -v n="$1" -v m="$3" -v op="$2" 'BEGIN { if (n !~ /^[0-9.e+]+$/) exit 1
  exit !((op == "lt" && n + 0 < m + 0) || (op == "le" && n + 0 <= m + 0) || (op == "gt" && n + 0 > m + 0)) }'; }
# The distinct colours of the 22 x 22 square at a court cell's centre, one a line.
cell_colours() {
  convert "$last_shot" -crop "22x22+$(( gx + $(cell_x "$1" "$2") - 11 ))+$(( gy + $(cell_y "$1") - 11 ))" \
    +repage -unique-colors -depth 8 txt:- | awk 'NR > 1 { print $2 }'
}
keys() { xdotool key --delay 30 "$@"; }
# N presses of KEY.
presses() { local i list=(); for ((i = 0; i < $2; i++)); do list+=("$1"); done; keys "${list[@]}"; }
# A dialog of client SIZE over the game window within 5 s, with the keyboard focus; sets dialog.
expect_dialog() {
  dialog=$(wait_window "$pid" "$(framed "$2")" 5) || { snap "no-$1"; fail "no $1 window ($2 in its frame) within 5 s"; }
  wait_focus "$dialog" 3 || fail "the keyboard focus is not on the $1 window"
}

folder=$work/game
install_game "$game" "$folder"
"$write_state" "$work/board.txt" "$level" "$folder/state.dat" || fail "cannot write the prepared state.dat"
mkdir -m 700 "$work/run" && mkdir "$work/home"
export HOME=$work/home XDG_RUNTIME_DIR=$work/run XDG_DATA_HOME='' XDG_CONFIG_HOME=$work/home/config
begin_session none
launch "$work/game.log" "$folder/hoopstack"

# The intro takes the focus as it comes; Space ends it.
intro=$(find_window '^Main window$' 20) || fail "no intro window appeared"
wait_focus "$intro" 5 || timeout 5 xdotool windowfocus --sync "$intro" 2>/dev/null || true
keys space
window=$(wait_window "$pid" "$(framed 750x600)" 20 '^Hoopstack$') || fail "no game window after Space on the intro"
wait_focus "$window" 5 || fail "the game window does not have the keyboard focus"
read -r gx gy < <(client_of "$window") || fail "no position for the game window"
wait_for 10 file_ready "$folder/state.dat" || true
snap court

# The first arrow shows the highlight on the selected ball (16,1); fifteen more walk it right.
keys Right
presses Right 15
snap highlight
crop "$work/highlight.png" 40 37 $((gx + $(cell_x 16 16) - 20)) $((gy + $(cell_y 16) - 19))
crop "$work/nohighlight.png" 40 37 $((gx + $(cell_x 16 15) - 20)) $((gy + $(cell_y 16) - 19))
[ "$(convert "$work/highlight.png" -format '%k' info:)" -gt "$(convert "$work/nohighlight.png" -format '%k' info:)" ] ||
  fail "shot $shot: no highlight shows on cell 16,16"
# Space picks it; the aim mark goes up and left to the apex, two last pixels with Shift.
keys space
presses Left 32
presses Up 38
keys shift+Up shift+Up
snap aim
crop "$work/aim.png" 21 21 $((gx + aim_x - 10)) $((gy + aim_y - 10))
[ "$(convert "$work/aim.png" -format '%k' info:)" -gt 4 ] || fail "shot $shot: no aim mark at $aim_x,$aim_y"
keys space

# The match takes the three balls away, then the game is over; a key brings the result.
deadline=$(( $(now_ms) + 15000 ))
until snap throw && [ "$(cell_colours 16 16 | wc -l)" -eq 1 ] && [ "$(cell_colours 16 7 | wc -l)" -eq 1 ]; do
  [ "$(now_ms)" -lt "$deadline" ] || fail "shot $shot: the throw did not clear the pair within 15 s"
  sleep 0.2
done
sleep 1
keys shift
expect_dialog result 400x300
snap result
# The name field holds the focus: away with the name offered, in with the player's.
keys End
presses BackSpace 30
xdotool type --delay 40 "Kay Board"
keys Down
snap result-ok
keys Return
wait_gone "$dialog" 5 || fail "the result window stayed after Enter on Ok"
deadline=$(( $(now_ms) + 5000 ))
until "$store" scores "$folder/table.dat" > "$work/scores.txt" 2>/dev/null &&
  awk -F '\t' -v s="$score" '$1 == s && $3 == "Kay Board" { found = 1 } END { exit !found }' "$work/scores.txt"; do
  [ "$(now_ms)" -lt "$deadline" ] || fail "table.dat holds no record of $score for Kay Board: $(cat "$work/scores.txt" 2>/dev/null)"
  sleep 0.1
done
say "the result recorded $score for Kay Board"

# P stops the game and shows it; P again goes on.
wait_focus "$window" 5 || fail "the game window did not get the focus back"
snap before-pause
cp "$last_shot" "$work/before-pause.png"
keys p
sleep 0.5
snap paused
is "$(differing "$work/before-pause.png" "$last_shot")" gt 3000 || fail "shot $shot: P changed next to nothing on the screen"
keys p
sleep 0.5
snap resumed
is "$(differing "$work/before-pause.png" "$last_shot")" lt 3000 || fail "shot $shot: the banner stayed after P again"

# R shows the rules, F1 there the keys page, Escape closes it.
keys r
expect_dialog rules 690x500
snap rules
cp "$last_shot" "$work/rules.png"
keys F1
sleep 0.5
snap keys-page
is "$(differing "$work/rules.png" "$last_shot")" gt 3000 || fail "shot $shot: F1 in the rules window changed next to nothing"
keys Escape
wait_gone "$dialog" 5 || fail "Escape did not close the keys page"

# Q asks; Enter answers Yes, on which the question opened by key stands.
wait_focus "$window" 5 || fail "the game window did not get the focus back after the rules"
keys q
expect_dialog "quit confirmation" 300x200
snap quit
keys Return
ends_within "$pid" 10
[ "$status" != 124 ] || fail "the program did not end within 10 s of Enter on Yes"
[ "$status" -eq 0 ] || fail "exit code $status after Yes; the program said: $(head -c 300 "$work/game.log")"
say "ok"
