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
work=$(mktemp -d)
kept=$PWD/scale_e2e-failed
rm -rf "$kept"
finish() {
  local status=$?
  if [ "$status" -ne 0 ]; then
    mkdir -p "$kept" && cp "$work"/*.png "$work"/*.log "$kept"/ 2>/dev/null || true
    echo "scale e2e: screenshots and logs kept in $kept" >&2
  fi
  rm -rf "$work"
  exit "$status"
}
trap finish EXIT
fail() { echo "scale e2e: $*" >&2; exit 1; }

# Novice: the player picks the ball. The first click selects the ball in cell 16,16.
level=0
{
  for _ in $(seq 15); do echo 0000000000000000; done
  echo 1111112200000002
} > "$work/board.txt"
ball_w=34 ball_h=33 court_left=6 court_top=$((33 + 10))
cell_x() { echo $(( ($2 - 1) * ball_w + court_left + ($1 % 2 ? ball_w / 2 : 0) + ball_w / 2 )); }
cell_y() { echo $(( ($1 - 1) * ball_h + court_top + ball_h / 2 )); }
row=16 col=16
cx=$(cell_x $row $col) cy=$(cell_y $row)
# The apex of the flight that throws the ball onto the pair of its colour.
ax=405 ay=400
printf 'click %s %s\nclick %s %s\n' "$cx" "$cy" "$ax" "$ay" |
  "$sim" play --board "$work/board.txt" --level "$level" > "$work/sim.json" || fail "hoopstack-sim play failed"
pick=$(sed -n 1p "$work/sim.json") throw=$(sed -n 2p "$work/sim.json")
grep -q "\"selected\":\[$row,$col\]" <<< "$pick" && grep -q '"launched":false' <<< "$pick" ||
  fail "the simulator's first click does not select $row,$col: $pick"
grep -q '"game_over":true' <<< "$throw" || fail "the simulator's throw does not end the game: $throw"

cat > "$work/session.sh" <<'SESSION'
#!/usr/bin/env bash
# One run on the current display: WORK NAME SCALE CX CY AX AY; writes the game window's size,
# the screen before and after the first click and the result window's size and place.
set -euo pipefail
work=$1 name=$2 scale=$3 cx=$4 cy=$5 ax=$6 ay=$7
folder=$work/game-$name
fail() { echo "scale e2e ($name): $*" >&2; exit 1; }
pid=
cleanup() { if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill -KILL "$pid"; fi; }
trap cleanup EXIT
args=()
[ "$scale" = auto ] || args=(--scale "$scale")
"$folder/hoopstack" "${args[@]}" > "$work/$name.log" 2>&1 &
pid=$!
geometry() { xdotool getwindowgeometry "$1" | awk '/Position/ { split($2, p, ","); px = p[1]; py = p[2] }
  /Geometry/ { split($2, s, "x"); print px, py, s[1], s[2] }'; }
intro=$(timeout 20 xdotool search --sync --name '^Main window$' | head -n 1) || fail "no intro window appeared"
sleep 0.5
read -r x y w h < <(geometry "$intro") || fail "no geometry for the intro"
xdotool mousemove $((x + w / 2)) $((y + h / 2)) click 1
window=$(timeout 20 xdotool search --sync --name '^Hoopstack$' | head -n 1) || fail "no game window appeared"
sleep 1
read -r x y w h < <(geometry "$window") || fail "no geometry for the game window"
echo "$w $h" > "$work/$name-size.txt"
[ "$scale" = auto ] && { kill -TERM "$pid"; wait "$pid" || true; pid=; exit 0; }
s=$scale
# X knows the outer window; the game's client area lies inside the frame the program draws,
# 4 of its pixels wide (platform/WindowFrame.hpp), which scales with it.
frame=4
ox=$x oy=$y
x=$((x + frame * s)) y=$((y + frame * s)) w=$((w - 2 * frame * s)) h=$((h - 2 * frame * s))
# A player's click: the pointer comes to the point in two motions, so that the game has seen
# it before the button goes down.
click_at() {
  xdotool mousemove $(( $1 - 2 )) $(( $2 - 1 ))
  sleep 0.1
  xdotool mousemove "$1" "$2"
  sleep 0.15
  xdotool click 1
  sleep 0.2
}
# ImageMagick's import holds the pointer while it reads the screen, and the game takes the
# first press after that for the end of the grab; a press on the empty panel right of the
# court (the window's caption) does nothing else.
after_shot() {
  xdotool mousemove $((x + 700 * s)) $((y + 500 * s))
  sleep 0.1
  xdotool click 1
  sleep 0.2
}
# The game window takes the keyboard focus once it is ready for the player.
for _ in $(seq 50); do [ "$(xdotool getwindowfocus 2>/dev/null)" = "$window" ] && break; sleep 0.1; done
[ "$(xdotool getwindowfocus 2>/dev/null)" = "$window" ] || fail "the game window never took the focus"
# The pointer rests on the same empty court point at every scale, so nothing is hovered.
xdotool mousemove $((x + 300 * s)) $((y + 150 * s))
sleep 0.5
import -window root -crop "${w}x${h}+${x}+${y}" +repage "$work/$name-before.png"
after_shot
# The ball's centre in screen pixels: the last screen pixel of the program's pixel, which at
# scale 2 maps back to it only when the mouse is divided, not truncated from elsewhere.
click_at $((x + cx * s + s - 1)) $((y + cy * s + s - 1))
xdotool mousemove $((x + 300 * s)) $((y + 150 * s))
sleep 1
import -window root -crop "${w}x${h}+${x}+${y}" +repage "$work/$name-after.png"
after_shot
# The aim: the selected ball flies, the game ends and its result window opens.
click_at $((x + ax * s + s - 1)) $((y + ay * s + s - 1))
# The game over is noticed at the next mouse event over the game window, so the pointer moves
# on the court until the result window comes.
result=
for step in $(seq 100); do
  xdotool mousemove $((x + (100 + step % 2 * 2) * s)) $((y + 300 * s))
  for r in $(xdotool search --onlyvisible --pid "$pid" 2>/dev/null || true); do
    [ "$r" != "$window" ] && [ "$(geometry "$r" | cut -d' ' -f3,4)" = "$(((400 + 2 * frame) * s)) $(((300 + 2 * frame) * s))" ] && result=$r
  done
  [ -n "$result" ] && break
  sleep 0.1
done
[ -n "$result" ] || fail "no framed result window of $((400 * s)) x $((300 * s)) within 10 s of the throw"
# The window is made centred and then placed by the game's rule: take its place once it
# has stopped moving.
place=
for _ in $(seq 20); do
  sleep 0.1
  read -r rx ry rw rh < <(geometry "$result")
  [ "$place" = "$rw $rh $((rx - ox)) $((ry - oy))" ] && break
  place="$rw $rh $((rx - ox)) $((ry - oy))"
done
echo "$place" > "$work/$name-result.txt"
kill -TERM "$pid"
for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
status=0
wait "$pid" || status=$?
pid=
[ "$status" -eq 0 ] || fail "exit code $status after SIGTERM"
SESSION
chmod +x "$work/session.sh"

program_folder=$(dirname "$game")
run() {
  local name=$1 screen=$2 scale=$3 folder=$work/game-$1
  mkdir "$folder" "$work/home-$name" "$work/run-$name"
  chmod 700 "$work/run-$name"
  cp "$game" "$folder/hoopstack"
  for data in CLP SKINS WAV icons; do
    [ -d "$program_folder/$data" ] || fail "no $data folder beside $game"
    cp -r "$program_folder/$data" "$folder/"
  done
  "$write_state" "$work/board.txt" "$level" "$folder/state.dat" || fail "cannot write the prepared state.dat"
  HOME=$work/home-$name XDG_DATA_HOME= XDG_RUNTIME_DIR=$work/run-$name \
    xvfb-run -a -s "-screen 0 ${screen}x24" "$work/session.sh" "$work" "$name" "$scale" "$cx" "$cy" "$ax" "$ay"
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
[ "$(cat "$work/auto-size.txt")" = "1516 1216" ] || fail "the automatic scale on 3840 x 2160 gives $(cat "$work/auto-size.txt"), expected 1516 1216"
echo "scale e2e: the automatic scale on 3840 x 2160 gives a 1500 x 1200 window in its frame"
