#!/usr/bin/env bash
# Starts an installed copy of the game on a private Xvfb display, the way a player would: the
# intro ends at a click, the game window must come, a screenshot of it is saved to SHOT, and
# SIGTERM, which the program takes as an orderly close, must end it with code 0 within 10 s.
# The caller chooses the working folder and the environment (HOME, XDG_DATA_HOME,
# XDG_RUNTIME_DIR). Needs Xvfb, xdotool and ImageMagick.
#
#     installed_session.sh SHOT COMMAND [ARGUMENT...]
set -euo pipefail
usage="usage: installed_session.sh SHOT COMMAND [ARGUMENT...]"
shot=${1:?$usage}
shift
[ $# -ge 1 ] || { echo "$usage" >&2; exit 2; }
work=$(mktemp -d)
pid= xvfb_pid=
finish() {
  local status=$?
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill -KILL "$pid" 2>/dev/null || true; fi
  if [ -n "$xvfb_pid" ] && kill -0 "$xvfb_pid" 2>/dev/null; then
    kill -TERM "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  if [ "$status" -ne 0 ] && [ -s "$work/program.log" ]; then
    echo "installed session: the program said: $(head -c 400 "$work/program.log")" >&2
  fi
  rm -rf "$work"
  exit "$status"
}
trap finish EXIT
fail() { echo "installed session: $*" >&2; exit 1; }
now_ms() { date +%s%3N; }

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3> "$work/display.txt" > "$work/xvfb.log" 2>&1 &
xvfb_pid=$!
deadline=$(( $(now_ms) + 10000 ))
until [ -n "$(tr -d '\n' < "$work/display.txt")" ]; do
  kill -0 "$xvfb_pid" 2>/dev/null || fail "Xvfb did not start: $(head -c 300 "$work/xvfb.log")"
  [ "$(now_ms)" -lt "$deadline" ] || fail "Xvfb named no display within 10 s"
  sleep 0.1
done
export DISPLAY=:$(tr -d '\n' < "$work/display.txt")

size_of() { xdotool getwindowgeometry "$1" 2>/dev/null | awk '/Geometry/ { print $2 }'; }
position_of() { xdotool getwindowgeometry "$1" 2>/dev/null | awk '/Position/ { split($2, p, ","); print p[1], p[2] }'; }

"$@" > "$work/program.log" 2>&1 &
pid=$!
# Generous for a loaded machine; it only bounds a failure. An intro window on the way is
# ended with a click in its middle.
deadline=$(( $(now_ms) + 60000 ))
window=
while [ -z "$window" ]; do
  kill -0 "$pid" 2>/dev/null || fail "the program ended before its game window appeared"
  [ "$(now_ms)" -lt "$deadline" ] || fail "no game window within 60 s"
  for w in $(xdotool search --onlyvisible --pid "$pid" --name '' 2>/dev/null || true); do
    case "$(size_of "$w") $(xdotool getwindowname "$w" 2>/dev/null)" in
      # 750 x 600 in the 4-pixel frame the program draws around it.
      "758x608 Hoopstack") window=$w ;;
      400x400*)
        read -r ix iy < <(position_of "$w") || continue
        xdotool mousemove $((ix + 200)) $((iy + 200)) click 1
        sleep 0.3 ;;
    esac
  done
  [ -n "$window" ] || sleep 0.1
done
read -r gx gy < <(position_of "$window") || fail "no position for the game window"
sleep 1
import -window root "$work/screen.png"
convert "$work/screen.png" -crop "758x608+$gx+$gy" +repage "$shot"
# The court, its borders, buttons and balls: a window whose pictures could not be read shows
# a handful of colours at most.
colours=$(identify -format '%k' "$shot")
[ "$colours" -gt 200 ] || fail "the game window shows only $colours colours: its pictures are missing"
echo "installed session: game window $window at $gx,$gy with $colours colours"
# The window carries the program's own icon, read from the installed data; asked a few
# times, as one xprop on a loaded machine may not get its answer.
deadline=$(( $(now_ms) + 5000 ))
until xprop -id "$window" _NET_WM_ICON 2>/dev/null | grep -q "Icon (48 x 48)"; do
  [ "$(now_ms)" -lt "$deadline" ] || fail "the game window has no 48 x 48 icon: $(xprop -id "$window" _NET_WM_ICON 2>&1 | head -c 200)"
  sleep 0.2
done

kill -TERM "$pid"
status=0
deadline=$(( $(now_ms) + 10000 ))
while kill -0 "$pid" 2>/dev/null; do
  [ "$(now_ms)" -lt "$deadline" ] || fail "the program did not end within 10 s of SIGTERM"
  sleep 0.1
done
wait "$pid" || status=$?
pid=
[ "$status" -eq 0 ] || fail "exit code $status after SIGTERM"
