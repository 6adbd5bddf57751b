#!/usr/bin/env bash
# End-to-end check of scaling: the game at --scale 2 under Xvfb (1920 x 1280) has a 1500 x 1200
# window in its frame; a click on a ball at its scaled position selects it and a second click throws it, which
# ends the game as the simulator says the same clicks do, so the result window opens, scaled with
# its owner and centred on it. The screen at scale 2 is made of 2 x 2 blocks and, halved, is the
# scale-1 screen of the same state pixel for pixel, except where the two runs cannot agree: the
# waiting balls of the top row are drawn at random and the balls of row 16 spin. Then, with
# --scale left out on a 3840 x 2160 screen, the automatic scale gives the same 1500 x 1200
# window. Needs Xvfb, xdotool and ImageMagick.
set -euo pipefail
usage="usage: scale_e2e.sh HOOPSTACK HOOPSTACK-SIM E2E_WRITE_STATE"
game=${1:?$usage} sim=${2:?$usage} write_state=${3:?$usage}
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/lib.sh"
label="scale e2e"
e2e_begin scale_e2e

# Novice: the player picks the ball. The first click selects the ball in cell 16,16.
level=0
board_file "$work/board.txt" 1111112200000002
row=16 col=16
cx=$(cell_x $row $col) cy=$(cell_y $row)
# The apex of the flight that throws the ball onto the pair of its colour.
ax=405 ay=400
simulate "$sim" "$level" "$cx $cy" "$ax $ay"
pick=$(sed -n 1p "$work/sim.json") throw=$(sed -n 2p "$work/sim.json")
{ grep -q "\"selected\":\[$row,$col\]" <<< "$pick" && grep -q '"launched":false' <<< "$pick"; } ||
  fail "the simulator's first click does not select $row,$col: $pick"
grep -q '"game_over":true' <<< "$throw" || fail "the simulator's throw does not end the game: $throw"

# ImageMagick's import holds the pointer while it reads the screen, and the game takes the
# first press after that for the end of the grab; a press on the empty panel right of the
# court (the window's caption) does nothing else.
after_shot() { click_at $((x + 700 * s)) $((y + 560 * s)); }
# The pointer rests on the same empty court point at every scale, so nothing is hovered.
rest_pointer() { xdotool mousemove $((x + 300 * s)) $((y + 150 * s)); }
# The game window's client area, cut out of a picture of the screen, into FILE.
shoot() { import -window root -crop "${w}x${h}+${x}+${y}" +repage "$1"; }
# The strips the two runs cannot agree on, in the screen's pixels at scale s: the top row, and
# row 16 with the turning selection ring a few pixels around its balls.
masked_at() {
  convert "$1" -fill black -draw "rectangle 0,0 $((561 * s - 1)),$((44 * s - 1))" \
    -draw "rectangle 0,$((530 * s)) $((561 * s - 1)),$((579 * s - 1))" "$2"
}
# steady_shot FILE: pictures of the client area until two in a row agree outside those strips,
# so that the court has been drawn whole and nothing else moves on it.
steady_shot() {
  shoot "$1"
  masked_at "$1" "$work/$name-steady.png"
  is_steady() {
    shoot "$1"
    masked_at "$1" "$work/$name-steady-now.png"
    [ "$(compare -metric AE "$work/$name-steady.png" "$work/$name-steady-now.png" null: 2>&1 || true)" = 0 ] && return 0
    mv "$work/$name-steady-now.png" "$work/$name-steady.png"
    return 1
  }
  wait_for 10 is_steady "$1"
}
# The ball at cx, cy is drawn selected: the picture differs from the one before the click.
selected_shown() {
  shoot "$work/$name-after.png"
  [ "$(compare -metric AE "$work/$name-before.png" "$work/$name-after.png" null: 2>&1 || true)" != 0 ]
}
# The result window of the scaled size, once it is on the screen.
result_window() {
  local r
  for r in $(windows_of "$pid"); do
    [ "$r" != "$window" ] && [ "$(size_of "$r")" = "$(((400 + 2 * frame) * s))x$(((300 + 2 * frame) * s))" ] && echo "$r" && return 0
  done
  return 1
}

# One run on a display of its own: NAME SCREEN SCALE; writes the game window's size, the
# screen before and after the first click and the result window's size and place.
run() {
  name=$1 s=$3
  local folder=$work/game-$1 args=() window ox oy result
  label="scale e2e ($name)"
  mkdir "$folder" "$work/home-$name" "$work/run-$name"
  chmod 700 "$work/run-$name"
  install_game "$game" "$folder"
  "$write_state" "$work/board.txt" "$level" "$folder/state.dat" || fail "cannot write the prepared state.dat"
  export HOME=$work/home-$name XDG_DATA_HOME='' XDG_RUNTIME_DIR=$work/run-$name
  begin_session none "$2"
  [ "$s" = auto ] || args=(--scale "$s")
  launch "$work/$name.log" "$folder/hoopstack" "${args[@]}"
  intro=$(find_window '^Main window$') || fail "no intro window appeared"
  read -r x y w h < <(wait_settled "$intro" 5) || fail "no geometry for the intro"
  click_at $((x + w / 2)) $((y + h / 2))
  window=$(find_window '^Hoopstack$') || fail "no game window appeared"
  # The game window takes the keyboard focus once it is ready for the player.
  wait_focus "$window" 5 || fail "the game window never took the focus"
  read -r x y w h < <(wait_settled "$window" 5) || fail "no geometry for the game window"
  echo "$w $h" > "$work/$name-size.txt"
  if [ "$s" = auto ]; then end_session; return 0; fi
  # X knows the outer window; the game's client area lies inside the frame the program draws,
  # which scales with it.
  ox=$x oy=$y
  x=$((x + frame * s)) y=$((y + frame * s)) w=$((w - 2 * frame * s)) h=$((h - 2 * frame * s))
  rest_pointer
  steady_shot "$work/$name-before.png" || fail "the court does not come to stand still within 10 s"
  after_shot
  # The ball's centre in screen pixels: the last screen pixel of the program's pixel, which at
  # scale 2 maps back to it only when the mouse is divided, not truncated from elsewhere.
  click_at $((x + cx * s + s - 1)) $((y + cy * s + s - 1))
  rest_pointer
  wait_for 5 selected_shown || fail "the ball at $row,$col is not shown selected within 5 s"
  steady_shot "$work/$name-after.png" || fail "the court does not come to stand still after the click"
  after_shot
  # The aim: the selected ball flies, the game ends and its result window opens.
  click_at $((x + ax * s + s - 1)) $((y + ay * s + s - 1))
  # The game over is noticed at the next mouse event over the game window, so the pointer moves
  # on the court until the result window comes.
  local step=0 deadline
  deadline=$(( $(now_ms) + 10000 ))
  until result=$(result_window); do
    [ "$(now_ms)" -lt "$deadline" ] || fail "no framed result window of $((400 * s)) x $((300 * s)) within 10 s of the throw"
    step=$((step + 1))
    xdotool mousemove $((x + (100 + step % 2 * 2) * s)) $((y + 300 * s))
    sleep 0.1
  done
  # The window is made centred and then placed by the game's rule: take its place once it
  # has stopped moving.
  local rx ry rw rh
  read -r rx ry rw rh < <(wait_settled "$result" 2) || fail "the result window does not stand still"
  echo "$rw $rh $((rx - ox)) $((ry - oy))" > "$work/$name-result.txt"
  kill -TERM "$pid"
  expect_end "$pid" 10 0 SIGTERM
  end_session
}

run scale1 1024x768 1
run scale2 1920x1280 2
# The outer windows: 750 x 600 and the 4-pixel frame around it, both scaled.
[ "$(cat "$work/scale1-size.txt")" = "758 608" ] || fail "the scale-1 window is $(cat "$work/scale1-size.txt"), expected 758 608"
[ "$(cat "$work/scale2-size.txt")" = "1516 1216" ] || fail "the scale-2 window is $(cat "$work/scale2-size.txt"), expected 1516 1216"

# The result window, 400 x 300 in its frame, scaled with its owner and placed on it by the
# game's rule: the client size centred in the owner's outer rectangle, the outer corner there.
[ "$(cat "$work/scale1-result.txt")" = "408 308 179 154" ] || fail "scale 1: result window $(cat "$work/scale1-result.txt")"
[ "$(cat "$work/scale2-result.txt")" = "816 616 358 308" ] ||
  fail "scale 2: result window (size, place on the game window) $(cat "$work/scale2-result.txt"), expected 816 616 358 308"

label="scale e2e"
# The number of pixels in which two pictures of one size differ.
differing() { compare -metric AE "$1" "$2" null: 2>&1 || true; }
# The strips the two runs cannot agree on, in the program's pixels: the top row, and row 16
# with the turning selection ring a few pixels around its balls.
masked() { convert "$1" -fill black -draw "rectangle 0,0 560,43" -draw "rectangle 0,530 560,578" "$2"; }
for shot in before after; do
  two=$work/scale2-$shot.png
  convert "$two" -sample 50% "$work/half-$shot.png"
  convert "$work/half-$shot.png" -scale 200% "$work/blocks-$shot.png"
  n=$(differing "$work/blocks-$shot.png" "$two")
  [ "$n" = 0 ] || fail "the scale-2 screen $shot the click is not made of 2 x 2 blocks: $n pixels differ"
  masked "$work/half-$shot.png" "$work/half-masked-$shot.png"
  masked "$work/scale1-$shot.png" "$work/one-masked-$shot.png"
  n=$(differing "$work/half-masked-$shot.png" "$work/one-masked-$shot.png")
  [ "$n" = 0 ] || fail "the scale-2 screen $shot the click, halved, differs from the scale-1 screen in $n pixels"
done
echo "scale e2e: 1500 x 1200 in a frame at scale 2; the clicks at scaled positions select and throw the ball; the result window is 800 x 600 on its owner's centre; the screens match the scale-1 ones scaled by two"

# No --scale on a 3840 x 2160 screen: the automatic scale is 2.
run auto 3840x2160 auto
label="scale e2e"
[ "$(cat "$work/auto-size.txt")" = "1516 1216" ] || fail "the automatic scale on 3840 x 2160 gives $(cat "$work/auto-size.txt"), expected 1516 1216"
echo "scale e2e: the automatic scale on 3840 x 2160 gives a 1500 x 1200 window in its frame"
