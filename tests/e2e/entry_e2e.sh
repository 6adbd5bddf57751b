#!/usr/bin/env bash
# End-to-end check of the program's start: the intro ends by itself without any input and the
# game window follows; a second copy started meanwhile exits with code 2 at once and a signal
# during the intro ends the first in order; a data folder without CLP/Logo1.clp shows a
# message box and exits with code 1 once it is dismissed. Runs once without a window manager
# and once under openbox. Needs Xvfb, xdotool, xprop, ImageMagick and openbox.
set -euo pipefail
game=${1:?usage: entry_e2e.sh HOOPSTACK}
work=$(mktemp -d)
kept=$PWD/entry_e2e-failed
rm -rf "$kept"
# The screenshots and program logs of a failed run stay in the test's working folder.
finish() {
  local status=$?
  if [ "$status" -ne 0 ]; then
    mkdir -p "$kept" && cp "$work"/*.png "$work"/*.log "$kept"/ 2>/dev/null || true
    echo "entry e2e: screenshots and logs kept in $kept" >&2
  fi
  rm -rf "$work"
  exit "$status"
}
trap finish EXIT
fail() { echo "entry e2e: $*" >&2; exit 1; }
# Both copies of the program share this run's single-instance lock, and only they do.
mkdir -m 700 "$work/run"
export XDG_RUNTIME_DIR="$work/run"

cat > "$work/session.sh" <<'SESSION'
#!/usr/bin/env bash
set -euo pipefail
work=$1 wm=$2
folder=$work/game-$wm nologo=$work/nologo-$wm
fail() { echo "entry e2e ($wm): $*" >&2; exit 1; }
pids=()
cleanup() { for p in "${pids[@]}"; do if kill -0 "$p" 2>/dev/null; then kill -KILL "$p"; fi; done; }
trap cleanup EXIT
if [ "$wm" = openbox ]; then
  openbox >/dev/null 2>&1 &
  pids+=($!)
  sleep 0.5
fi
size() { xdotool getwindowgeometry "$1" | awk '/Geometry/ { print $2 }'; }
now() { date +%s%3N; }
# The game window is framed (platform/WindowFrame.hpp): 4 pixels around its 750 x 600 client
# area, with a dark outline; the intro is not.
frame=4 game_size=758x608 outline='#7A4424'
pixel() { convert "$1" -format "%[hex:p{$2,$3}]" info:; }
# Waits for a child to end and sets `status` to its exit code, or to 124 when it still runs
# after the seconds given.
ends_within() {
  local pid=$1 seconds=$2
  for _ in $(seq $((seconds * 10))); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  status=124
  kill -0 "$pid" 2>/dev/null && return
  status=0
  wait "$pid" || status=$?
}
colours() { convert "$1" -unique-colors -format '%w' info:; }

# The intro, left alone, gives way to the game window.
"$folder/hoopstack" > "$work/alone-$wm.log" 2>&1 &
pid=$!
pids+=("$pid")
intro=$(timeout 10 xdotool search --sync --name '^Main window$' | head -n 1) || fail "no intro window appeared"
shown=$(now)
[ "$(size "$intro")" = 400x400 ] || fail "the intro window is $(size "$intro"), expected 400x400 without a frame"
sleep 2.5
import -window "$intro" "$work/intro-$wm.png"
[ "$(colours "$work/intro-$wm.png")" -gt 100 ] || fail "the intro shows no logo after 2.5 s"
[ "#$(pixel "$work/intro-$wm.png" 0 0)" != "$outline" ] || fail "the intro window has a frame"
game=$(timeout 20 xdotool search --sync --name '^Hoopstack$' | head -n 1) ||
  fail "no game window within 20 s of the intro without input"
elapsed=$(( $(now) - shown ))
# 116 frames at 25 a second; under load they only take longer.
[ "$elapsed" -ge 3000 ] || fail "the intro ended after only $elapsed ms"
for _ in $(seq 20); do xdotool search --name '^Main window$' >/dev/null || break; sleep 0.1; done
! xdotool search --name '^Main window$' >/dev/null || fail "the intro window is still there beside the game window"
sleep 0.5
[ "$(size "$game")" = "$game_size" ] || fail "the game window is $(size "$game"), expected $game_size with its frame"
import -window "$game" "$work/game-$wm.png"
[ "$(identify -format '%wx%h' "$work/game-$wm.png")" = "$game_size" ] || fail "the game window's picture is not $game_size"
[ "$(colours "$work/game-$wm.png")" -gt 100 ] || fail "the game window shows no court"
for corner in "0 300" "300 0" "$((frame + 1)) $((frame + 1))"; do
  read -r x y <<< "$corner"
  got="#$(pixel "$work/game-$wm.png" "$x" "$y")"
  if [ "$corner" = "$((frame + 1)) $((frame + 1))" ]; then
    [ "$got" != "$outline" ] || fail "the game window's client area starts with the frame's colour at $x,$y"
  else
    [ "$got" = "$outline" ] || fail "the game window's frame outline is $got at $x,$y, expected $outline"
  fi
done
kill -TERM "$pid"
ends_within "$pid" 10
[ "$status" = 0 ] || fail "exit code $status after SIGTERM to the game window"
echo "entry e2e ($wm): the intro ended by itself after $elapsed ms and the game window followed"

# A second copy while the first shows its intro: code 2 at once. Then a signal ends the intro
# and with it the first copy, in order.
"$folder/hoopstack" > "$work/first-$wm.log" 2>&1 &
pid=$!
pids+=("$pid")
timeout 10 xdotool search --sync --name '^Main window$' >/dev/null || fail "no intro window for the first copy"
"$folder/hoopstack" > "$work/second-$wm.log" 2>&1 &
second=$!
pids+=("$second")
ends_within "$second" 5
[ "$status" = 2 ] || fail "the second copy ended with $status, expected 2 within 5 s"
grep -q "another copy is already running" "$work/second-$wm.log" ||
  fail "the second copy did not say why it ended: $(head -c 300 "$work/second-$wm.log")"
kill -0 "$pid" 2>/dev/null || fail "the first copy ended when the second started"
kill -TERM "$pid"
ends_within "$pid" 10
[ "$status" = 0 ] || fail "exit code $status after SIGTERM during the intro"
echo "entry e2e ($wm): a second copy exits with 2; SIGTERM during the intro ends with 0"

# Without Logo1 the program tells so in a message box and waits for it to be dismissed. The box
# has no name; it is the new window without one that is a dialog (a window manager's frames
# have no name either).
before=$(xdotool search --name '^$' | sort || true)
"$nologo/hoopstack" > "$work/nologo-$wm.log" 2>&1 &
pid=$!
pids+=("$pid")
box=
for _ in $(seq 100); do
  for w in $(comm -13 <(echo "$before") <(xdotool search --name '^$' | sort || true)); do
    if xprop -id "$w" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q _NET_WM_WINDOW_TYPE_DIALOG; then box=$w; fi
  done
  [ -n "$box" ] && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
[ -n "$box" ] || fail "no message box appeared without CLP/Logo1.clp; the program said: $(head -c 300 "$work/nologo-$wm.log")"
sleep 0.5
import -window root "$work/message-$wm.png"
kill -0 "$pid" 2>/dev/null || fail "the program ended without waiting for its message box"
xdotool windowfocus "$box"
sleep 0.2
xdotool key Return
ends_within "$pid" 10
[ "$status" = 1 ] || fail "exit code $status after the message box, expected 1"
! grep -q "Could not read clip" "$work/nologo-$wm.log" || fail "the message went to standard error, not into a box"
echo "entry e2e ($wm): without Logo1 a message box, then code 1"
echo "entry e2e ($wm): ok"
SESSION
chmod +x "$work/session.sh"

program_folder=$(dirname "$game")
for wm in none openbox; do
  for copy in game nologo; do
    folder=$work/$copy-$wm
    mkdir "$folder"
    cp "$game" "$folder/hoopstack"
    for data in CLP SKINS WAV icons; do
      [ -d "$program_folder/$data" ] || fail "no $data folder beside $game"
      cp -r "$program_folder/$data" "$folder/"
    done
  done
  rm "$work/nologo-$wm/CLP/Logo1.clp"
  mkdir "$work/home-$wm"
  HOME=$work/home-$wm XDG_DATA_HOME= xvfb-run -a -s "-screen 0 1024x768x24" "$work/session.sh" "$work" "$wm"
done
