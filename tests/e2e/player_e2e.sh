#!/usr/bin/env bash
# A player's session end to end, in real windows under Xvfb, driven by xdotool: a prepared
# board one throw from the bonus, the throw, the result window and a name typed into it (with
# keys alone under openbox), the Top 10, the rules and their page of keys (under openbox), the
# options ("Show Path" switched off), the quit confirmation, a second copy refused while the
# first runs, and a second start that still has the option off. Screenshots, the saved game
# and the score table are checked. Runs once without a window manager and once under openbox.
# Needs Xvfb, xdotool, ImageMagick and openbox.
set -euo pipefail
usage="usage: player_e2e.sh HOOPSTACK HOOPSTACK-SIM HOOPSTACK-STORE E2E_WRITE_STATE HOOPSTACK-CLIP"
game=${1:?$usage} sim=${2:?$usage} store=${3:?$usage} write_state=${4:?$usage} clip=${5:?$usage}
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/lib.sh"
wm=setup
label="player e2e ($wm)"
e2e_begin player_e2e
# With PLAYER_E2E_SHOTS set to a folder, the screenshots of every run go there as well.
e2e_at_exit() {
  [ -n "${PLAYER_E2E_SHOTS:-}" ] || return 0
  mkdir -p "$PLAYER_E2E_SHOTS" && cp "$work"/shot-*.png "$PLAYER_E2E_SHOTS"/ 2>/dev/null
}

# Novice: the player picks the ball. Row 16 holds six balls of colour 1, two of colour 2
# together, and a third of colour 2 at the far right, which the player throws onto the pair.
# The match leaves one colour on the court, so the game ends with the bonus.
level=0
board_file "$work/board.txt" 1111112200000002
from_row=16 from_col=16
click1="$(cell_x $from_row $from_col) $(cell_y $from_row)"
# The apex of the flight; every aim within 10 pixels of it makes the match as well.
click2="405 400"

# The simulator's outcome of the same two clicks on the same board. A missed throw would
# add random drops at this level, so only a throw that it shows matching is used.
simulate "$sim" "$level" "$click1" "$click2"
field() { sed -n "s/.*\"$2\":\([^,]*\).*/\1/p" <<< "$1"; }
pick=$(sed -n 1p "$work/sim.json") throw=$(sed -n 2p "$work/sim.json")
{ [ "$(field "$pick" selected)" = "[$from_row" ] && [ "$(field "$pick" launched)" = false ]; } ||
  fail "the first click does not pick the ball at $from_row,$from_col: $pick"
for check in "launched true" "void false" "group 3" "removed 3" "drops 0" "game_over true"; do
  read -r name value <<< "$check"
  [ "$(field "$throw" "$name")" = "$value" ] || fail "the simulator's throw has $name $(field "$throw" "$name"), expected $value: $throw"
done
score=$(field "$throw" score)
# The bonus: one colour is left, and the points are ten times the match's.
left=$(sed -n 's/.*"board":\[\([^]]*\)\].*/\1/p' <<< "$throw" | tr -d '"0,\n')
[[ $left =~ ^1*$ ]] ||
  fail "the simulator's board keeps more than one colour: $throw"
{ [ $(( score % 10 )) -eq 0 ] && [ "$score" -ge 30 ]; } || fail "the simulator's score $score is no bonus score"
say "the simulator's throw ends the game with the bonus, score $score"

# The check box looks the options window draws: its first frame, keyed onto the background.
"$clip" export "$(dirname "$game")/CLP/chk1.clp" "$work/chk1" >/dev/null || fail "cannot export chk1.clp"
"$clip" export "$(dirname "$game")/CLP/chk2.clp" "$work/chk2" >/dev/null || fail "cannot export chk2.clp"

shot=0 last_shot=
snap() {
  shot=$((shot + 1))
  last_shot=$work/shot-$wm-$(printf %02d $shot)-$1.png
  import -window root "$last_shot"
}
# The colour of one pixel of the last screenshot, as "srgb(R,G,B)".
pixel() { convert "$last_shot" -format "%[pixel:p{$1,$2}]" info:; }
# The distinct colours of the 22 x 22 square at a court cell's centre, one a line.
cell_colours() {
  convert "$last_shot" -crop "22x22+$(( gx + $(cell_x "$1" "$2") - 11 ))+$(( gy + $(cell_y "$1") - 11 ))" \
    +repage -unique-colors -depth 8 txt:- | awk 'NR > 1 { print $2 }'
}
cell_empty() { [ "$(cell_colours "$1" "$2")" = "$court" ]; }
# Cuts W x H at X, Y (screen coordinates) of the last screenshot into FILE.
crop() { convert "$last_shot" -crop "${2}x${3}+${4}+${5}" +repage "$1"; }
# The number of pixels of FILE that are not COLOUR.
not_colour() {
  convert "$1" -alpha off -fill white +opaque "$2" -fill black -opaque "$2" -format '%[fx:round(mean*w*h)]' info:
}
# The number of pixels in which two pictures of one size differ.
differing() { compare -metric AE -fuzz 5% "$1" "$2" null: 2>&1 || true; }
# Fails unless the number NUMBER compares with LIMIT as OP (lt, le, gt).
is() { awk -v n="$1" -v m="$3" -v op="$2" 'BEGIN { if (n !~ /^[0-9.e+]+$/) exit 1
  exit !((op == "lt" && n + 0 < m + 0) || (op == "le" && n + 0 <= m + 0) || (op == "gt" && n + 0 > m + 0)) }'; }

# A framed dialog of client SIZE opened over the game window: it must come within 5 s, placed
# by the game's rule (its client size centred in the game window's outer rectangle, its outer
# corner put there). Sets dialog, and dx and dy, its client corner.
expect_dialog() {
  local name=$1 width=${2%x*} height=${2#*x}
  dialog=$(wait_window "$pid" "$(framed "$2")" 5) || fail "no $name window ($2 in its frame) within 5 s"
  read -r dx dy < <(client_of "$dialog")
  [ "$dx $dy" = "$((gx + (750 + 2 * frame - width) / 2)) $((gy + (600 + 2 * frame - height) / 2))" ] ||
    fail "the $name window's client area stands at $dx,$dy, not centred on the game window's at $gx,$gy"
}
# The pointer rests on the court left of every dialog; the panel right of the court is the
# window's caption, where the pointer's motion does not reach the game.
rest_pointer() {
  xdotool mousemove $((gx + 100)) $((gy + 300))
  sleep 0.1
  xdotool mousemove $((gx + 102)) $((gy + 301))
  sleep 0.1
}
# The keyboard focus must be on window W, where the program or the window manager put it.
expect_focus() {
  wait_focus "$1" 3 || fail "the keyboard focus is on window $(xdotool getwindowfocus 2>/dev/null), not on the $2 ($1)"
}

# Starts the program from the folder and waits for its game window, ending an intro window
# (400 x 400, of this program or of any other on this private display) on the way with a key
# press, or with a click if the key does not end it. Sets pid, window, gx and gy.
start_game() {
  launch "$work/$1.log" "$folder/hoopstack"
  local deadline w intro intros=0
  # Generous for the sanitizer build on a loaded machine; it only bounds a failure.
  deadline=$(( $(now_ms) + 60000 ))
  window=
  while :; do
    for w in $(windows_of "$pid"); do
      if [ "$(size_of "$w")" = "$(framed 750x600)" ] && [ "$(xdotool getwindowname "$w" 2>/dev/null)" = Hoopstack ]; then window=$w; fi
    done
    [ -z "$window" ] || break
    [ "$(now_ms)" -lt "$deadline" ] || { snap no-game-window; fail "no game window within 60 s"; }
    kill -0 "$pid" 2>/dev/null || fail "the program ended before its game window appeared: $(head -c 300 "$work/$1.log")"
    intro=
    for w in $(xdotool search --onlyvisible --name '' 2>/dev/null || true); do
      if [ "$(size_of "$w")" = 400x400 ]; then intro=$w; break; fi
    done
    if [ -n "$intro" ]; then
      end_intro "$intro"
      intros=$((intros + 1))
    else
      sleep 0.1
    fi
  done
  read -r gx gy < <(client_of "$window") || fail "no position for the game window"
  say "game window $window at $gx,$gy$([ "$intros" -eq 0 ] || echo ", after the intro")"
}
# A key press on the intro window, which gets the keyboard focus first as a player's click
# would give it; a click in its middle if that does not end it.
end_intro() {
  local ix iy
  snap intro
  if [ "$wm" = openbox ]; then
    timeout 5 xdotool windowactivate --sync "$1" 2>/dev/null || true
  else
    timeout 5 xdotool windowfocus --sync "$1" 2>/dev/null || true
  fi
  xdotool key space
  if wait_gone "$1" 3; then say "the intro ended on a key press"; return 0; fi
  read -r ix iy < <(position_of "$1") || return 0
  click_at $((ix + 200)) $((iy + 200))
  wait_gone "$1" 3 || fail "the intro window did not end on a key press nor on a click"
  say "the intro ended on a click"
}
# Waits until the court shows the prepared board: cell 8,8 plain, the pair and the ball to throw.
wait_board() {
  local deadline
  deadline=$(( $(now_ms) + 10000 ))
  while :; do
    snap board
    court=$(cell_colours 8 8)
    if [ "$(wc -l <<< "$court")" -eq 1 ] && ! cell_empty 16 7 && ! cell_empty 16 8 && ! cell_empty 16 16 &&
      cell_empty 16 9; then
      return 0
    fi
    [ "$(now_ms)" -lt "$deadline" ] || fail "the court does not show the prepared board within 10 s"
    sleep 0.2
  done
}
# Clicks the game window's close button and "Yes" in the quit confirmation; the program must
# end with code 0 within 10 s.
quit_game() {
  click_at $((gx + 750 - 2 - 12)) $((gy + 12))
  expect_dialog "quit confirmation" 300x200
  snap quit
  crop "$work/quit-$wm.png" 300 200 "$dx" "$dy"
  is "$(not_colour "$work/quit-$wm.png" "$(pixel $((dx + 2)) $((dy + 100)))")" gt 2000 ||
    fail "the quit confirmation shows next to nothing"
  local start status=0
  start=$(now_ms)
  click_at $((dx + 65)) $((dy + 170))
  while kill -0 "$pid" 2>/dev/null; do
    [ $(( $(now_ms) - start )) -lt 10000 ] || fail "the program did not end within 10 s of \"Yes\""
    sleep 0.1
  done
  wait "$pid" || status=$?
  [ "$status" -eq 0 ] || fail "exit code $status after \"Yes\"; the program said: $(head -c 300 "$work/$1.log")"
  say "the program ended with code 0, $(( $(now_ms) - start )) ms after \"Yes\""
}
# The saved settings: level, sound, autosave, show path, speed, then score and game over.
expect_settings() {
  "$store" decode "$folder/state.dat" > "$work/saved-$wm-$1.txt" || fail "state.dat cannot be decoded"
  tr '\t' '\n' < "$work/saved-$wm-$1.txt" > "$work/fields-$wm-$1.txt"
  [ "$(wc -l < "$work/fields-$wm-$1.txt")" -eq 263 ] || fail "state.dat holds $(wc -l < "$work/fields-$wm-$1.txt") fields, expected 263"
  local got
  got=$(head -n "$(wc -w <<< "$2")" "$work/fields-$wm-$1.txt" | paste -sd ' ')
  [ "$got" = "$2" ] || fail "state.dat after the $1 run begins '$got', expected '$2'"
}
# The Show Path box of the options window must come to show FRAME of LOOK (chk1 unselected,
# chk2 selected; frame 0 normal, frame 1 under the pointer) within 2 s.
expect_path_look() {
  local bg deadline
  deadline=$(( $(now_ms) + 2000 ))
  while :; do
    snap "options-$1-$2"
    bg=$(pixel $((dx + 3)) $((dy + 200)))
    convert -size 32x32 "xc:$bg" "$work/$1/frame00$2.png" -composite -alpha off "$work/look-$wm-$1-$2.png"
    crop "$work/path-$wm-$shot.png" 32 32 $((dx + 20)) $((dy + 174))
    is "$(differing "$work/path-$wm-$shot.png" "$work/look-$wm-$1-$2.png")" le 10 && return 0
    [ "$(now_ms)" -lt "$deadline" ] || fail "shot $shot: the Show Path box does not show the $3 look"
    sleep 0.1
  done
}

# The Top 10 shows a name in its first name box.
top10_filled() {
  snap top10
  crop "$work/row0-$wm.png" 220 36 $((dx + 15)) $((dy + 90))
  crop "$work/row1-$wm.png" 220 36 $((dx + 15)) $((dy + 124))
  crop "$work/row2-$wm.png" 220 36 $((dx + 15)) $((dy + 158))
  is "$(differing "$work/row0-$wm.png" "$work/row1-$wm.png")" gt 200
}

# The rules window's text has given way to another page's.
keys_page_shown() {
  snap keys
  crop "$work/keys-$wm.png" 690 440 "$dx" "$dy"
  is "$(differing "$work/rules-$wm.png" "$work/keys-$wm.png")" gt 5000
}

session() {
  wm=$1
  folder=$work/game-$wm
  label="player e2e ($wm)"
  mkdir "$work/home-$wm" "$work/run-$wm"
  chmod 700 "$work/run-$wm"
  install_game "$game" "$folder"
  "$write_state" "$work/board.txt" "$level" "$folder/state.dat" || fail "cannot write the prepared state.dat"

  # The game's own folder is writable, so it keeps state.dat and table.dat there; HOME and
  # the runtime folder (where the one-copy lock lives) keep the rest apart.
  export HOME=$work/home-$wm XDG_RUNTIME_DIR=$work/run-$wm XDG_DATA_HOME=
  begin_session "$wm"
  say "Xvfb $xvfb_pid on display $DISPLAY"

  # The first run: the board one throw from the bonus.
  start_game first
  wait_board

  # A second copy from the same folder, for the same user, ends at once with code 2.
  local start status=0 elapsed
  start=$(now_ms)
  timeout 10 "$folder/hoopstack" > "$work/second-$wm.log" 2>&1 || status=$?
  elapsed=$(( $(now_ms) - start ))
  [ "$status" -eq 2 ] || fail "a second copy ended with code $status, expected 2"
  [ "$elapsed" -lt 5000 ] || fail "a second copy took $elapsed ms to end"
  [ "$(xdotool search --onlyvisible --name '^Hoopstack$' 2>/dev/null | wc -l)" -eq 1 ] ||
    fail "a second game window is on the screen"
  say "a second copy ended with code 2 after $elapsed ms"

  # The throw: the ball, then the apex of its flight.
  read -r cx cy <<< "$click1"
  click_at $((gx + cx)) $((gy + cy))
  read -r cx cy <<< "$click2"
  click_at $((gx + cx)) $((gy + cy))
  # The match takes the three balls away one by one, then the bonus is paid and the game ends.
  deadline=$(( $(now_ms) + 15000 ))
  while :; do
    snap throw
    if cell_empty 16 7 && cell_empty 16 8 && cell_empty 16 9 && cell_empty 16 16 && ! cell_empty 16 6; then break; fi
    [ "$(now_ms)" -lt "$deadline" ] || fail "shot $shot: the match did not clear the court's colour 2 within 15 s"
    sleep 0.2
  done
  # The game over is noticed at the next mouse event over the game window, which opens the
  # result window; the pointer moves there until it comes.
  deadline=$(( $(now_ms) + 10000 ))
  local step=0
  while [ -z "$(windows_of "$pid" | while read -r w; do [ "$(size_of "$w")" = "$(framed 400x300)" ] && echo "$w"; done)" ]; do
    [ "$(now_ms)" -lt "$deadline" ] || fail "no result window within 10 s of the match"
    step=$((step + 1))
    xdotool mousemove $((gx + 100 + step % 2 * 2)) $((gy + 300))
    sleep 0.2
  done
  expect_dialog result 400x300
  snap result
  local bg rows top bottom
  bg=$(pixel $((dx + 2)) $((dy + 150)))
  crop "$work/result-$wm.png" 400 300 "$dx" "$dy"
  is "$(not_colour "$work/result-$wm.png" "$bg")" gt 3000 || fail "shot $shot: the result window shows next to nothing"
  # The name field is the only thing that reaches 52 pixels from the window's left edge.
  rows=$(convert "$last_shot" -crop "1x300+$((dx + 52))+$dy" +repage -depth 8 txt:- |
    awk -v bg="$bg" 'NR > 1 { split($1, p, "[,:]"); if ($4 != bg) print p[2] }')
  [ -n "$rows" ] || fail "shot $shot: no name field in the result window"
  top=$(head -n 1 <<< "$rows") bottom=$(tail -n 1 <<< "$rows")
  { [ $((bottom - top)) -ge 30 ] && [ $((bottom - top)) -le 50 ] && [ "$bottom" -lt 250 ]; } ||
    fail "shot $shot: the name field spans rows $top-$bottom of the result window"

  # The name: its text goes and the player's name comes. Without a window manager the field
  # takes a click and "Ok" another; under openbox keys alone do it all: Tab gives the field the
  # focus, Space types the name's space, Down moves on to "Ok" with the focus ring round it,
  # and Enter presses it.
  if [ "$wm" = openbox ]; then
    expect_focus "$dialog" "result window"
    xdotool key Tab
  else
    click_at $((dx + 200)) $((dy + (top + bottom) / 2))
    expect_focus "$dialog" "result window"
  fi
  xdotool key End
  local keys=()
  for _ in $(seq 30); do keys+=(BackSpace); done
  xdotool key --delay 15 "${keys[@]}"
  xdotool type --delay 40 "Zoe Player"
  snap name
  if [ "$wm" = openbox ]; then
    crop "$work/ok-$wm.png" 300 60 $((dx + 50)) $((dy + 240))
    xdotool key Down
    sleep 0.3
    snap ok-focused
    crop "$work/ok-ring-$wm.png" 300 60 $((dx + 50)) $((dy + 240))
    is "$(differing "$work/ok-$wm.png" "$work/ok-ring-$wm.png")" gt 100 ||
      fail "shot $shot: Down did not bring the focus and its ring to \"Ok\""
    xdotool key Return
  else
    click_at $((dx + 135)) $((dy + 270))
  fi
  wait_gone "$dialog" 5 || fail "the result window stayed after \"Ok\""
  deadline=$(( $(now_ms) + 5000 ))
  until "$store" scores "$folder/table.dat" > "$work/scores-$wm.txt" 2>/dev/null &&
    awk -F '\t' -v s="$score" '$1 == s && $3 == "Zoe Player" && $4 == "1" { found = 1 } END { exit !found }' \
      "$work/scores-$wm.txt"; do
    [ "$(now_ms)" -lt "$deadline" ] ||
      fail "table.dat holds no record of Zoe Player, $score, level 1: $(paste -sd '|' "$work/scores-$wm.txt" 2>/dev/null)"
    sleep 0.1
  done
  [ "$(wc -l < "$work/scores-$wm.txt")" -eq 1 ] || fail "table.dat holds $(wc -l < "$work/scores-$wm.txt") records, expected 1"
  say "table.dat: $(tr '\t' ' ' < "$work/scores-$wm.txt")"

  # The Top 10, its first row filled and its second empty; Enter presses "Close".
  rest_pointer
  expect_focus "$window" "game window"
  xdotool key F2
  expect_dialog "Top 10" 350x530
  wait_for 5 top10_filled || fail "shot $shot: the first name box shows no name"
  is "$(differing "$work/row1-$wm.png" "$work/row2-$wm.png")" lt 20 || fail "shot $shot: the second name box is not empty"
  crop "$work/score0-$wm.png" 100 36 $((dx + 235)) $((dy + 90))
  crop "$work/score1-$wm.png" 100 36 $((dx + 235)) $((dy + 124))
  is "$(differing "$work/score0-$wm.png" "$work/score1-$wm.png")" gt 100 || fail "shot $shot: the first score box shows no score"
  expect_focus "$dialog" "Top 10 window"
  xdotool key Return
  wait_gone "$dialog" 5 || fail "Enter did not close the Top 10 window"

  # Under openbox: F1 opens the rules, F1 there turns to the page of keys, Escape closes it.
  if [ "$wm" = openbox ]; then
    expect_focus "$window" "game window"
    xdotool key F1
    expect_dialog rules 690x500
    expect_focus "$dialog" "rules window"
    snap rules
    crop "$work/rules-$wm.png" 690 440 "$dx" "$dy"
    xdotool key F1
    wait_for 5 keys_page_shown || fail "shot $shot: F1 in the rules window did not show the keys"
    xdotool key Escape
    wait_gone "$dialog" 5 || fail "Escape did not close the rules window on its keys page"
  fi

  # The options: "Show Path" is on as prepared, a click turns it off, "Ok" keeps that.
  expect_focus "$window" "game window"
  xdotool key F3
  expect_dialog options 260x450
  expect_path_look chk2 0 selected
  click_at $((dx + 36)) $((dy + 190))
  expect_path_look chk1 1 "unselected (under the pointer)"
  click_at $((dx + 65)) $((dy + 420))
  wait_gone "$dialog" 5 || fail "the options window stayed after \"Ok\""

  rest_pointer
  quit_game first
  expect_settings first "$level 1 1 0 1 0 1"

  # The second run: the option is still off, in the window as in the file.
  start_game second
  rest_pointer
  expect_focus "$window" "game window"
  xdotool key F3
  expect_dialog options 260x450
  expect_path_look chk1 0 unselected
  click_at $((dx + 65)) $((dy + 420))
  wait_gone "$dialog" 5 || fail "the options window stayed after \"Ok\""
  rest_pointer
  quit_game second
  expect_settings second "$level 1 1 0 1"

  end_session
  say "ok"
}

for run in none openbox; do
  session "$run"
done
