#!/usr/bin/env bash
# End-to-end check of the controls in a real window: hovering and clicking a button, clicking
# a check box, Tab to the edit field and typing a name, checked by screenshots and by the
# events the window printed. Runs once without a window manager and once under openbox.
# Needs Xvfb, xdotool and ImageMagick.
set -euo pipefail
program=${1:?usage: ui_e2e.sh UI_E2E_WINDOW}
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/../e2e/lib.sh"
label="ui e2e"
e2e_begin ui_e2e

fail() { echo "$label: $*" >&2; echo "--- events:" >&2; cat "$log" >&2 || true; exit 1; }
shot=0
snap() { shot=$((shot + 1)); snap_screen "$work/shot-$wm-$shot.png"; }
shows() { snap && [ "$(pixel "$work/shot-$wm-$shot.png" $((x + $1)) $((y + $2)))" = "$3" ]; }
# expect X Y COLOUR WHAT: the window's pixel X, Y comes to show COLOUR within 5 s.
expect() {
  wait_for 5 shows "$1" "$2" "$3" ||
    fail "shot $shot: pixel $1,$2 is $(pixel "$work/shot-$wm-$shot.png" $((x + $1)) $((y + $2))), expected $3 ($4)"
}
# True when these events are in the log in this order, not necessarily next to each other.
in_order() {
  local wanted i=0
  local -a lines=()
  mapfile -t lines < "$log"
  for wanted in "$@"; do
    while [ $i -lt ${#lines[@]} ] && [ "${lines[$i]}" != "$wanted" ]; do i=$((i + 1)); done
    [ $i -lt ${#lines[@]} ] || { missing=$wanted; return 1; }
    i=$((i + 1))
  done
}
# The events must come into the log in this order within 5 s.
events_in_order() { wait_for 5 in_order "$@" || fail "missing \"$missing\" in order"; }
# The window handles one input before the next comes: these pauses pace the input, they wait
# for nothing to be shown.
pace() { sleep 0.2; }

session() {
  wm=$1 log=$work/events-$1.log
  label="ui e2e ($wm)"
  begin_session "$wm"
  "$program" "$work/data-$wm" > "$log" &
  pid=$!
  started+=("$pid")
  window=$(find_window 'ui_e2e_window' 10) || fail "no window appeared"
  read -r x y _ _ < <(wait_settled "$window" 5) || fail "the window does not stand still"
  # The client area lies inside the frame the program draws around the window.
  x=$((x + frame)) y=$((y + frame))

  expect 25 25 "srgb(208,32,16)" "button, normal"
  expect 30 90 "srgb(128,128,128)" "check box, first state"
  expect 200 135 "srgb(224,224,224)" "edit field, normal"

  # Hover the button: captured, focused, entered; the hover image shows.
  xdotool mousemove $((x + 110)) $((y + 30))
  expect 25 25 "srgb(32,176,64)" "button, hover"
  events_in_order "event button 16" "event button 4" "event button 1"

  # Press shows the pressed image; the release inside clicks.
  xdotool mousedown 1
  expect 25 25 "srgb(32,64,208)" "button, pressed"
  xdotool mouseup 1
  events_in_order "event button 64" "event button 128" "event button 1024"

  # Click the check box: the window sees the click in the first state, then the second shows.
  # The first move off the button only ends its capture; the next one reaches the check box.
  xdotool mousemove $((x + 31)) $((y + 91))
  events_in_order "event button 2"
  pace
  xdotool mousemove $((x + 32)) $((y + 92))
  events_in_order "event button 2" "event checkbox 16"
  pace
  xdotool click 1
  events_in_order "event button 2" "event checkbox 16" "event checkbox 1" "event checkbox 64" \
    "event checkbox 1024 index 0"
  xdotool mousemove $((x + 350)) $((y + 100))
  expect 30 90 "srgb(32,192,192)" "check box, second state, focused"
  expect 25 25 "srgb(208,32,16)" "button, normal again"

  # Tab moves the focus from the check box to the edit field; type a name into it.
  xdotool key Tab
  events_in_order "event checkbox 8" "event edit 4"
  xdotool type --delay 60 'Ada Lovelace'
  events_in_order "text Ada Lovelace"
  xdotool key BackSpace BackSpace
  events_in_order "text Ada Lovela"
  xdotool type --delay 60 'ce'
  events_in_order "text Ada Lovela" "text Ada Lovelace"
  expect 260 160 "srgb(255,255,255)" "edit field, focused"
  text_drawn() {
    snap
    dark=$(convert "$work/shot-$wm-$shot.png" -crop 100x24+$((x + 30))+$((y + 136)) -colorspace Gray -format "%[fx:minima]" info:)
    awk -v d="$dark" 'BEGIN { exit !(d < 0.3) }'
  }
  wait_for 5 text_drawn || fail "no text drawn in the edit field (darkest $dark)"

  xdotool key Escape
  expect_end "$pid" 5 0 Escape
  events_in_order "text Ada Lovelace" "final Ada Lovelace"
  end_session
  say "ok"
}

for wm in none openbox; do
  session "$wm"
done
