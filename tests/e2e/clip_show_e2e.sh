#!/usr/bin/env bash
# End-to-end check of a real window: `hoopstack-clip show` plays a generated
# clip, the screen shows it where the window is, a mouse drag moves the
# window, and Escape ends the program with code 0. Runs once without a window
# manager and once under openbox. Needs Xvfb, xdotool and ImageMagick.
set -euo pipefail
tool=${1:?usage: clip_show_e2e.sh HOOPSTACK-CLIP}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A copy started elsewhere holds the single-instance lock; this run has its own.
mkdir -m 700 "$work/run"
export XDG_RUNTIME_DIR="$work/run"

# A two-frame clip at 2 frames a second: a red disc, then a blue one that stops there.
mkdir "$work/src"
convert -size 60x60 xc:none -fill '#d03010' -draw 'circle 30,30 30,2' "$work/src/red.png"
convert -size 60x60 xc:none -fill '#1040c0' -draw 'circle 30,30 30,2' "$work/src/blue.png"
cat > "$work/src/clip.txt" <<'CLIP'
rate 2
frame file=red.png x=0 y=0 z=0 key=0xFF00FF rows=bottom-up commands=
frame file=blue.png x=20 y=10 z=0 key=0xFF00FF rows=bottom-up commands=1
CLIP
"$tool" build "$work/src" "$work/disc.clp" >/dev/null

cat > "$work/session.sh" <<'SESSION'
#!/usr/bin/env bash
set -euo pipefail
tool=$1 clip=$2 work=$3 wm=$4
fail() { echo "e2e ($wm): $*" >&2; exit 1; }
if [ "$wm" = openbox ]; then
  openbox >/dev/null 2>&1 &
  sleep 0.5
fi
pixel() { convert "$1" -format "%[pixel:p{$2,$3}]" info:; }
geometry() { xdotool getwindowgeometry "$1" | awk '/Position/ { split($2, p, ","); print p[1], p[2] }'; }
# X places the outer window; its client area lies inside the 4-pixel frame the program draws
# (platform/WindowFrame.hpp).
frame=4

"$tool" show "$clip" &
pid=$!
# A failed check must not leave the window running: it holds the test's output open.
trap 'if kill -0 "$pid" 2>/dev/null; then kill -KILL "$pid"; fi' EXIT
window=$(timeout 10 xdotool search --sync --name 'hoopstack-clip' | head -n 1) || fail "no window appeared"
sleep 1.2
read -r ox oy < <(geometry "$window")
x=$((ox + frame)) y=$((oy + frame))
import -window root "$work/shot1.png"
# By now the clip has stopped on the blue disc, centred 16 + 20 + 30, 16 + 10 + 30 pixels
# into the window; the red one is gone, so the window's peach shows left of it.
expect() {
  local got
  got=$(pixel "$work/shot1.png" "$1" "$2")
  [ "$got" = "$3" ] || fail "pixel $1,$2 is $got, expected $3"
}
expect $((x + 66)) $((y + 56)) "srgb(16,64,192)"
expect $((x + 18)) $((y + 46)) "srgb(255,204,153)"
# The frame's dark outline and its lit bevel inside it.
expect "$ox" $((oy + 30)) "srgb(122,68,36)"
expect $((ox + 1)) $((oy + 30)) "srgb(255,160,74)"

# Drag the window by 60, 40 from a point inside it: the frame moves with it, by exactly that.
# The steps are a player's pace apart: on a loaded machine a step taken before the window
# system has reported the last move can be lost (a known race of fast drags, not checked here).
xdotool mousemove $((x + 100)) $((y + 20)) mousedown 1
for step in 1 2 3 4; do xdotool mousemove $((x + 100 + 15 * step)) $((y + 20 + 10 * step)); sleep 0.2; done
xdotool mouseup 1
sleep 0.5
read -r nx ny < <(geometry "$window")
[ "$nx" -eq $((ox + 60)) ] && [ "$ny" -eq $((oy + 40)) ] || fail "window at $nx,$ny after the drag, expected $((ox + 60)),$((oy + 40))"

xdotool key Escape
for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$pid" 2>/dev/null; then kill "$pid"; fail "Escape did not close the window"; fi
wait "$pid" || fail "exit code $? after Escape"
echo "e2e ($wm): ok"
SESSION
chmod +x "$work/session.sh"

for wm in none openbox; do
  xvfb-run -a -s "-screen 0 1024x768x24" "$work/session.sh" "$tool" "$work/disc.clp" "$work" "$wm"
done
