#!/usr/bin/env bash
# End-to-end check of the program's start: the intro ends by itself without any input and the
# game window follows; a signal the moment the game window appears closes it with the game
# saved; a second copy started meanwhile exits with code 2 at once and a signal during the
# intro ends the first in order; a data folder without CLP/Logo1.clp shows a
# message box and exits with code 1 once it is dismissed. Runs once without a window manager
# and once under openbox. Needs Xvfb, xdotool, xprop, ImageMagick and openbox.
set -euo pipefail
game=${1:?usage: entry_e2e.sh HOOPSTACK}
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/lib.sh"
label="entry e2e"
e2e_begin entry_e2e
# Both copies of the program share this run's single-instance lock, and only they do.
mkdir -m 700 "$work/run"
export XDG_RUNTIME_DIR="$work/run"

# The game window is framed: 4 pixels around its 750 x 600 client area, with a dark outline;
# the intro is not.
game_size=$(framed 750x600) outline='srgb(122,68,36)'
colours() { convert "$1" -unique-colors -format '%w' info:; }
intro_gone() { ! xdotool search --name '^Main window$' >/dev/null; }

session() {
  local wm=$1 folder=$work/game-$1 nologo=$work/nologo-$1 pid intro window shown elapsed
  label="entry e2e ($wm)"
  begin_session "$wm"

  # The intro, left alone, gives way to the game window.
  launch "$work/alone-$wm.log" "$folder/hoopstack"
  intro=$(find_window '^Main window$' 10) || fail "no intro window appeared"
  shown=$(now_ms)
  [ "$(size_of "$intro")" = 400x400 ] || fail "the intro window is $(size_of "$intro"), expected 400x400 without a frame"
  # The logo is drawn in the first frames; 2.5 s in, the intro still shows it.
  logo_shown() {
    import -window "$intro" "$work/intro-$wm.png" 2>/dev/null && [ "$(colours "$work/intro-$wm.png")" -gt 100 ]
  }
  wait_for 2.5 logo_shown || fail "the intro shows no logo within 2.5 s"
  [ "$(pixel "$work/intro-$wm.png" 0 0)" != "$outline" ] || fail "the intro window has a frame"
  window=$(find_window '^Hoopstack$') || fail "no game window within 20 s of the intro without input"
  elapsed=$(( $(now_ms) - shown ))
  # 116 frames at 25 a second; under load they only take longer.
  [ "$elapsed" -ge 3000 ] || fail "the intro ended after only $elapsed ms"
  wait_for 2 intro_gone || fail "the intro window is still there beside the game window"
  wait_size "$window" "$game_size" 2 || fail "the game window is $(size_of "$window"), expected $game_size with its frame"
  # The court is drawn once the picture has many colours.
  court_shown() {
    import -window "$window" "$work/game-$wm.png" 2>/dev/null && [ "$(colours "$work/game-$wm.png")" -gt 100 ]
  }
  wait_for 5 court_shown || fail "the game window shows no court"
  [ "$(identify -format '%wx%h' "$work/game-$wm.png")" = "$game_size" ] || fail "the game window's picture is not $game_size"
  local got
  for corner in "0 300" "300 0"; do
    read -r x y <<< "$corner"
    got=$(pixel "$work/game-$wm.png" "$x" "$y")
    [ "$got" = "$outline" ] || fail "the game window's frame outline is $got at $x,$y, expected $outline"
  done
  [ "$(pixel "$work/game-$wm.png" $((frame + 1)) $((frame + 1)))" != "$outline" ] ||
    fail "the game window's client area starts with the frame's colour at $((frame + 1)),$((frame + 1))"
  kill -TERM "$pid"
  expect_end "$pid" 10 0 "SIGTERM to the game window"
  say "the intro ended by itself after $elapsed ms and the game window followed"

  # SIGTERM the moment the game window is named, while it may still be starting: the one
  # signal closes the game window, which saves the game, and the program ends in order.
  rm -f "$folder/state.dat"
  launch "$work/early-$wm.log" "$folder/hoopstack"
  find_window '^Main window$' 10 >/dev/null || fail "no intro window appeared for the early signal"
  local deadline=$(( $(now_ms) + 20000 ))
  until xdotool search --name '^Hoopstack$' >/dev/null 2>&1; do
    kill -0 "$pid" 2>/dev/null || fail "the program ended before its game window appeared"
    [ "$(now_ms)" -lt "$deadline" ] || fail "no game window within 20 s of the intro"
    sleep 0.01
  done
  kill -TERM "$pid"
  expect_end "$pid" 10 0 "SIGTERM as the game window appeared"
  [ -s "$folder/state.dat" ] || fail "no state.dat after SIGTERM as the game window appeared"
  say "SIGTERM as the game window appears closes it with the game saved"

  # A second copy while the first shows its intro: code 2 at once. Then a signal ends the
  # intro and with it the first copy, in order.
  launch "$work/first-$wm.log" "$folder/hoopstack"
  find_window '^Main window$' 10 >/dev/null || fail "no intro window for the first copy"
  "$folder/hoopstack" > "$work/second-$wm.log" 2>&1 &
  local second=$!
  started+=("$second")
  ends_within "$second" 5
  [ "$status" = 2 ] || fail "the second copy ended with $status, expected 2 within 5 s"
  grep -q "another copy is already running" "$work/second-$wm.log" ||
    fail "the second copy did not say why it ended: $(head -c 300 "$work/second-$wm.log")"
  kill -0 "$pid" 2>/dev/null || fail "the first copy ended when the second started"
  kill -TERM "$pid"
  expect_end "$pid" 10 0 "SIGTERM during the intro"
  say "a second copy exits with 2; SIGTERM during the intro ends with 0"

  # Without Logo1 the program tells so in a message box and waits for it to be dismissed. The
  # box has no name; it is the new window without one that is a dialog (a window manager's
  # frames have no name either).
  local before box=
  before=$(xdotool search --name '^$' | sort || true)
  launch "$work/nologo-$wm.log" "$nologo/hoopstack"
  new_dialog() {
    local w
    for w in $(comm -13 <(echo "$before") <(xdotool search --name '^$' | sort || true)); do
      if xprop -id "$w" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q _NET_WM_WINDOW_TYPE_DIALOG; then box=$w; fi
    done
    [ -n "$box" ] || ! kill -0 "$pid" 2>/dev/null
  }
  wait_for 10 new_dialog || true
  [ -n "$box" ] ||
    fail "no message box appeared without CLP/Logo1.clp; the program said: $(head -c 300 "$work/nologo-$wm.log")"
  # The box is on the screen with its text once it shows more than its background.
  box_drawn() {
    import -window "$box" "$work/message-$wm.png" 2>/dev/null && [ "$(colours "$work/message-$wm.png")" -gt 2 ]
  }
  wait_for 5 box_drawn || fail "the message box shows nothing"
  kill -0 "$pid" 2>/dev/null || fail "the program ended without waiting for its message box"
  xdotool windowfocus "$box"
  wait_focus "$box" 3 || fail "the message box did not take the keyboard focus"
  xdotool key Return
  expect_end "$pid" 10 1 "the message box"
  ! grep -q "Could not read clip" "$work/nologo-$wm.log" || fail "the message went to standard error, not into a box"
  say "without Logo1 a message box, then code 1"
  end_session
  say "ok"
}

for wm in none openbox; do
  install_game "$game" "$work/game-$wm"
  install_game "$game" "$work/nologo-$wm"
  rm "$work/nologo-$wm/CLP/Logo1.clp"
  mkdir "$work/home-$wm"
  export HOME=$work/home-$wm XDG_DATA_HOME=
  session "$wm"
done
