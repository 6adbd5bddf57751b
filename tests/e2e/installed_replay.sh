#!/usr/bin/env bash
# Opens a replay file the way a desktop does on a double-click: `gio open` looks up the file's
# type in the shared-mime-info database and starts the desktop entry registered for it, on a
# private Xvfb display. The game's replay window must come without the intro, show the court
# (SHOT is a screenshot of it), have been started with the file, and end at Escape. The
# caller chooses XDG_DATA_DIRS (where the databases are), PATH (where `hoopstack` is), HOME
# and XDG_RUNTIME_DIR. Needs Xvfb, xdotool, ImageMagick and gio.
#
#     installed_replay.sh SHOT REPLAY
set -euo pipefail
usage="usage: installed_replay.sh SHOT REPLAY"
shot=${1:?$usage} replay=${2:?$usage}
replay=$(cd "$(dirname "$replay")" && pwd)/$(basename "$replay")
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/lib.sh"
label="installed replay"
e2e_begin installed_replay
start_x 1024x768

# gio starts the program and leaves it; it is found by its window.
XDG_CURRENT_DESKTOP=GNOME gio open "$replay" > "$work/gio.log" 2>&1 ||
  fail "gio open failed: $(head -c 300 "$work/gio.log")"
window=$(find_window '^Hoopstack replay$' 30) || fail "no replay window within 30 s; gio said: $(head -c 300 "$work/gio.log")"
pid=$(xdotool getwindowpid "$window") || fail "no process for the replay window"
started+=("$pid")
[ -z "$(xdotool search --name '^Main window$' 2>/dev/null || true)" ] || fail "an intro came before the replay"
tr '\0' ' ' < "/proc/$pid/cmdline" > "$work/cmdline.txt"
grep -qF -- "--replay=$replay" "$work/cmdline.txt" || fail "the program was started as '$(cat "$work/cmdline.txt")'"
read -r gx gy < <(position_of "$window") || fail "no position for the replay window"
pictures_shown() {
  snap_screen "$work/screen.png"
  convert "$work/screen.png" -crop "758x608+$gx+$gy" +repage "$shot"
  colours=$(colour_count "$shot")
  [ "$colours" -gt 200 ]
}
wait_for 5 pictures_shown || fail "the replay window shows only $colours colours: its pictures are missing"
echo "installed replay: '$(cat "$work/cmdline.txt")' shows the replay with $colours colours"

xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus "$window"
xdotool key Escape
gone() { ! kill -0 "$pid" 2>/dev/null; }
wait_for 10 gone || fail "the replay window did not end within 10 s of Escape"
