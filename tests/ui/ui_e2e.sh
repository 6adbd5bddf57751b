#!/usr/bin/env bash
# End-to-end check of the controls in a real window: hovering and clicking a button, clicking
# a check box, Tab to the edit field and typing a name, checked by screenshots and by the
# events the window printed. Runs once without a window manager and once under openbox.
# Needs Xvfb, xdotool and ImageMagick.
set -euo pipefail
program=${1:?usage: ui_e2e.sh UI_E2E_WINDOW}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cat > "$work/session.sh" <<'SESSION'
#!/usr/bin/env bash
set -euo pipefail
program=$1 work=$2 wm=$3
log=$work/events-$wm.log
fail() { echo "e2e ($wm): $*" >&2; echo "--- events:" >&2; cat "$log" >&2 || true; exit 1; }
if [ "$wm" = openbox ]; then
  openbox >/dev/null 2>&1 &
  sleep 0.5
fi
pixel() { convert "$1" -format "%[pixel:p{$2,$3}]" info:; }
geometry() { xdotool getwindowgeometry "$1" | awk '/Position/ { split($2, p, ","); print p[1], p[2] }'; }
shot=0
snap() { shot=$((shot + 1)); import -window root "$work/shot-$wm-$shot.png"; }
expect() {
  local got
  got=$(pixel "$work/shot-$wm-$shot.png" $((x + $1)) $((y + $2)))
  [ "$got" = "$3" ] || fail "shot $shot: pixel $1,$2 is $got, expected $3 ($4)"
}
# The events must appear in the log in this order, not necessarily next to each other.
events_in_order() {
  local wanted line
  local -a lines=()
  mapfile -t lines < "$log"
  local i=0
  for wanted in "$@"; do
    while [ $i -lt ${#lines[@]} ] && [ "${lines[$i]}" != "$wanted" ]; do i=$((i + 1)); done
    [ $i -lt ${#lines[@]} ] || fail "missing \"$wanted\" in order"
    i=$((i + 1))
  done
}
settle() { sleep 0.4; }

"$program" "$work/data-$wm" > "$log" &
pid=$!
window=$(timeout 10 xdotool search --sync --name 'ui_e2e_window' | head -n 1) || fail "no window appeared"
sleep 1
read -r x y < <(geometry "$window")
# The client area lies inside the 4-pixel frame the program draws around the window.
x=$((x + 4)) y=$((y + 4))

snap
expect 25 25 "srgb(208,32,16)" "button, normal"
expect 30 90 "srgb(128,128,128)" "check box, first state"
expect 200 135 "srgb(224,224,224)" "edit field, normal"

# Hover the button: captured, focused, entered; the hover image shows.
xdotool mousemove $((x + 110)) $((y + 30))
settle
snap
expect 25 25 "srgb(32,176,64)" "button, hover"
events_in_order "event button 16" "event button 4" "event button 1"

# Press shows the pressed image; the release inside clicks.
xdotool mousedown 1
settle
snap
expect 25 25 "srgb(32,64,208)" "button, pressed"
xdotool mouseup 1
settle
events_in_order "event button 64" "event button 128" "event button 1024"

# Click the check box: the window sees the click in the first state, then the second shows.
# The first move off the button only ends its capture; the next one reaches the check box.
xdotool mousemove $((x + 31)) $((y + 91))
settle
xdotool mousemove $((x + 32)) $((y + 92))
settle
xdotool click 1
settle
events_in_order "event button 2" "event checkbox 16" "event checkbox 1" "event checkbox 64" \
  "event checkbox 1024 index 0"
xdotool mousemove $((x + 350)) $((y + 100))
settle
snap
expect 30 90 "srgb(32,192,192)" "check box, second state, focused"
expect 25 25 "srgb(208,32,16)" "button, normal again"

# Tab moves the focus from the check box to the edit field; type a name into it.
xdotool key Tab
settle
events_in_order "event checkbox 8" "event edit 4"
xdotool type --delay 60 'Ada Lovelace'
settle
events_in_order "text Ada Lovelace"
xdotool key BackSpace BackSpace
settle
events_in_order "text Ada Lovela"
xdotool type --delay 60 'ce'
settle
snap
expect 260 160 "srgb(255,255,255)" "edit field, focused"
dark=$(convert "$work/shot-$wm-$shot.png" -crop 100x24+$((x + 30))+$((y + 136)) -colorspace Gray -format "%[fx:minima]" info:)
awk -v d="$dark" 'BEGIN { exit !(d < 0.3) }' || fail "no text drawn in the edit field (darkest $dark)"

xdotool key Escape
for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$pid" 2>/dev/null; then kill "$pid"; fail "Escape did not close the window"; fi
wait "$pid" || fail "exit code $? after Escape"
events_in_order "text Ada Lovelace" "final Ada Lovelace"
echo "e2e ($wm): ok"
SESSION
chmod +x "$work/session.sh"

for wm in none openbox; do
  xvfb-run -a -s "-screen 0 1024x768x24" "$work/session.sh" "$program" "$work" "$wm"
done
