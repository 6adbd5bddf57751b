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
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/lib.sh"
label="installed session"
e2e_begin installed_session
e2e_at_exit() {
  [ "$1" -ne 0 ] && [ -s "$work/program.log" ] || return 0
  echo "installed session: the program said: $(head -c 400 "$work/program.log")" >&2
}
start_x 1024x768

launch "$work/program.log" "$@"
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
        wait_gone "$w" 1 || true ;;
    esac
  done
  [ -n "$window" ] || sleep 0.1
done
read -r gx gy < <(position_of "$window") || fail "no position for the game window"
# The court, its borders, buttons and balls: a window whose pictures could not be read shows
# a handful of colours at most.
pictures_shown() {
  snap_screen "$work/screen.png"
  convert "$work/screen.png" -crop "758x608+$gx+$gy" +repage "$shot"
  colours=$(colour_count "$shot")
  [ "$colours" -gt 200 ]
}
wait_for 5 pictures_shown || fail "the game window shows only $colours colours: its pictures are missing"
echo "installed session: game window $window at $gx,$gy with $colours colours"
# The window carries the program's own icon, read from the installed data; asked a few
# times, as one xprop on a loaded machine may not get its answer.
deadline=$(( $(now_ms) + 5000 ))
until xprop -id "$window" _NET_WM_ICON 2>/dev/null | grep -q "Icon (48 x 48)"; do
  [ "$(now_ms)" -lt "$deadline" ] || fail "the game window has no 48 x 48 icon: $(xprop -id "$window" _NET_WM_ICON 2>&1 | head -c 200)"
  sleep 0.2
done

kill -TERM "$pid"
expect_end "$pid" 10 0 SIGTERM
