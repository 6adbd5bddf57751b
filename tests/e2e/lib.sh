# shellcheck shell=bash
# What the end-to-end checks of real windows share: a scratch folder kept on failure, a private
# Xvfb on a display it picks itself, openbox, waiting for windows, their geometry, the pointer
# and screenshots. Sourced by the tests; the sourcing script sets `label`, the prefix of its
# messages. Every wait here is bounded and polls: nothing sleeps a fixed time for something to
# have happened.

# The frame the program draws around the game window and its dialogs, in its own pixels. X
# knows the outer windows, so a client area lies this far inside them; the intro has none.
frame=4

now_ms() { date +%s%3N; }
fail() { echo "${label:-e2e}: $*" >&2; exit 1; }
say() { echo "${label:-e2e}: $*"; }

# wait_for SECONDS COMMAND [ARGUMENT...]: runs COMMAND every tenth of a second until it
# succeeds; false when it has not within SECONDS.
wait_for() {
  local seconds=$1 deadline
  shift
  deadline=$(( $(now_ms) + $(awk -v s="$seconds" 'BEGIN { print int(s * 1000) }') ))
  until "$@"; do
    [ "$(now_ms)" -lt "$deadline" ] || return 1
    sleep 0.1
  done
}

# e2e_begin NAME: a scratch folder `work`, removed at exit, which holds the program's settings
# folder; after a failure its pictures, logs and texts are kept in NAME-failed in the working
# folder. At exit every process listed in `started` is ended, then the X server. A function
# `e2e_at_exit STATUS`, when the test defines one, runs before the folder goes.
e2e_begin() {
  e2e_name=$1
  work=$(mktemp -d)
  # The program's own settings file (the full-screen choice) is the test's: a player's never
  # reaches the checks, and a test's never stays behind.
  export XDG_CONFIG_HOME=$work/config
  kept=$PWD/$1-failed
  rm -rf "$kept"
  started=()
  xvfb_pid=
  trap e2e_finish EXIT
  trap 'exit 143' TERM INT
}
e2e_finish() {
  local status=$?
  stop_started
  stop_x
  if declare -F e2e_at_exit >/dev/null; then e2e_at_exit "$status" || true; fi
  if [ "$status" -ne 0 ]; then
    mkdir -p "$kept"
    cp "$work"/*.png "$work"/*.log "$work"/*.txt "$work"/*.json "$kept"/ 2>/dev/null || true
    echo "$e2e_name: screenshots and logs kept in $kept" >&2
  fi
  rm -rf "$work"
  exit "$status"
}

# begin_session WM [SCREEN]: a fresh X server (1024 x 768 unless SCREEN is given), with openbox
# on it unless WM is "none"; end_session ends all that was started, then the server.
begin_session() {
  start_x "${2:-1024x768}"
  [ "$1" = none ] || start_openbox
}
end_session() {
  stop_started
  stop_x
}
# launch LOG COMMAND [ARGUMENT...]: starts COMMAND with its output in LOG, as `pid`, ended at exit.
launch() {
  local log=$1
  shift
  "$@" > "$log" 2>&1 &
  pid=$!
  started+=("$pid")
}
# expect_end PID SECONDS CODE WHAT: the process ends within SECONDS of WHAT with exit code CODE.
expect_end() {
  ends_within "$1" "$2"
  [ "$status" != 124 ] || fail "the program did not end within $2 s of $4"
  [ "$status" = "$3" ] || fail "exit code $status after $4, expected $3"
}

# Ends a process in order (SIGTERM, SIGKILL after 2 s) and reaps it.
stop_process() {
  local status
  kill -0 "$1" 2>/dev/null || { wait "$1" 2>/dev/null || true; return 0; }
  kill -TERM "$1" 2>/dev/null || true
  ends_within "$1" 2
  if [ "$status" = 124 ]; then
    kill -KILL "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
  fi
}
stop_started() {
  local p
  for p in "${started[@]}"; do stop_process "$p"; done
  started=()
}

# ends_within PID SECONDS: waits for a child to end and sets `status` to its exit code, or to
# 124 when it still runs after SECONDS.
ends_within() {
  local deadline
  deadline=$(( $(now_ms) + $2 * 1000 ))
  while kill -0 "$1" 2>/dev/null && [ "$(now_ms)" -lt "$deadline" ]; do sleep 0.05; done
  status=124
  kill -0 "$1" 2>/dev/null && return 0
  status=0
  wait "$1" || status=$?
}

# install_game HOOPSTACK FOLDER [link]: the program and its data folders in FOLDER, copied, or
# linked when the test writes nothing there but saves.
install_game() {
  local from data
  from=$(cd "$(dirname "$1")" && pwd)
  mkdir -p "$2"
  cp "$1" "$2/hoopstack"
  for data in CLP SKINS WAV icons; do
    [ -d "$from/$data" ] || fail "no $data folder beside $1"
    if [ "${3:-}" = link ]; then ln -s "$from/$data" "$2/$data"; else cp -r "$from/$data" "$2/"; fi
  done
}

# start_x SCREEN: a private Xvfb of SCREEN (W x H) on a free display it picks and names itself,
# so that runs beside this one never meet; exports DISPLAY once it answers. It does not reset
# when its last client leaves, so that a client coming just then (openbox after a probe) is not
# turned away.
start_x() {
  x_named_file=$work/display-$$.txt
  : > "$x_named_file"
  Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp -noreset 3> "$x_named_file" >> "$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  wait_for 10 x_named || fail "Xvfb named no display within 10 s"
  DISPLAY=:$(tr -d '\n' < "$x_named_file")
  export DISPLAY
  wait_for 10 x_answers || fail "Xvfb on $DISPLAY does not answer within 10 s"
}
x_answers() { xprop -root >/dev/null 2>&1; }
x_named() {
  kill -0 "$xvfb_pid" 2>/dev/null || fail "Xvfb did not start: $(tail -c 300 "$work/xvfb.log")"
  [ -n "$(tr -d '\n' < "$x_named_file")" ]
}
# Ends the X server in order, and with it every client still connected.
stop_x() {
  [ -z "${xvfb_pid:-}" ] || stop_process "$xvfb_pid"
  xvfb_pid=
}
# Kills the X server at once, as a lost display does.
kill_x() {
  [ -z "${xvfb_pid:-}" ] || { kill -KILL "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; }
  xvfb_pid=
}
# openbox on the current display, running once it has claimed the screen.
start_openbox() {
  openbox --sm-disable >> "$work/openbox.log" 2>&1 &
  wm_pid=$!
  started+=("$wm_pid")
  wait_for 10 wm_running || fail "openbox did not come up within 10 s: $(tail -c 300 "$work/openbox.log")"
}
wm_running() {
  kill -0 "$wm_pid" 2>/dev/null || fail "openbox ended at its start: $(tail -c 300 "$work/openbox.log")"
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'
}

# The court's geometry for the 34 x 33 ball pictures (rules/CourtGeometry.cpp): the centre of
# cell ROW, COL relative to the game window's client corner, at scale 1.
ball_w=34 ball_h=33 court_left=6 court_top=$((33 + 10))
cell_x() { echo $(( ($2 - 1) * ball_w + court_left + ($1 % 2 ? ball_w / 2 : 0) + ball_w / 2 )); }
cell_y() { echo $(( ($1 - 1) * ball_h + court_top + ball_h / 2 )); }
# board_file FILE ROW: a board for e2e_write_state, 15 empty rows above ROW (16 colours 0-7).
board_file() {
  { for _ in $(seq 15); do echo 0000000000000000; done; echo "$2"; } > "$1"
}

# simulate SIM LEVEL CLICK...: the simulator's outcome of the clicks ("X Y" in the game window's
# client area) on $work/board.txt at LEVEL, one report a click, in $work/sim.json.
simulate() {
  local sim=$1 level=$2
  shift 2
  printf 'click %s\n' "$@" | "$sim" play --board "$work/board.txt" --level "$level" > "$work/sim.json" ||
    fail "hoopstack-sim play failed"
  [ "$(wc -l < "$work/sim.json")" -eq $# ] || fail "hoopstack-sim printed $(wc -l < "$work/sim.json") lines, expected $#"
}

# Geometry of the outer window as X knows it: "W x H" as WxH, and the corner as "X Y".
size_of() { xdotool getwindowgeometry "$1" 2>/dev/null | awk '/Geometry/ { print $2 }'; }
position_of() { xdotool getwindowgeometry "$1" 2>/dev/null | awk '/Position/ { split($2, p, ","); print p[1], p[2] }'; }
# The screen position of a framed window's client corner, at SCALE (default 1).
client_of() {
  local x y
  read -r x y < <(position_of "$1") || return 1
  echo $((x + frame * ${2:-1})) $((y + frame * ${2:-1}))
}
# The outer size of a framed window whose client area is W x H.
framed() { echo "$(( ${1%x*} + 2 * frame ))x$(( ${1#*x} + 2 * frame ))"; }

windows_of() { xdotool search --onlyvisible --pid "$1" 2>/dev/null || true; }
# The visible window of process PID of outer SIZE (and whose name matches NAME), if any.
window_of_size() {
  local w
  for w in $(windows_of "$1"); do
    [ "$(size_of "$w")" = "$2" ] || continue
    [ -z "${3:-}" ] || xdotool getwindowname "$w" 2>/dev/null | grep -Eq "$3" || continue
    echo "$w"
    return 0
  done
  return 1
}
# wait_window PID SIZE SECONDS [NAME]: waits for such a window and prints its id; false when
# none came, or when the process ended first.
wait_window() {
  local deadline
  deadline=$(( $(now_ms) + $3 * 1000 ))
  until window_of_size "$1" "$2" "${4:-}"; do
    kill -0 "$1" 2>/dev/null || return 1
    [ "$(now_ms)" -lt "$deadline" ] || return 1
    sleep 0.1
  done
}
# find_window NAME [SECONDS]: the first window whose name matches the regular expression,
# within SECONDS (default 20). Searched again and again: a search fails as a whole when a
# window vanishes under it, as the intro does.
find_window() {
  local found deadline
  deadline=$(( $(now_ms) + ${2:-20} * 1000 ))
  while :; do
    found=$(xdotool search --name "$1" 2>/dev/null | head -n 1) || true
    [ -z "$found" ] || { echo "$found"; return 0; }
    [ "$(now_ms)" -lt "$deadline" ] || return 1
    sleep 0.1
  done
}
# True when window W is on the screen (mapped).
on_screen() { xdotool search --onlyvisible --name '' 2>/dev/null | grep -qx "$1"; }
# wait_gone W SECONDS: waits for window W to leave the screen.
wait_gone() { wait_for "$2" not_on_screen "$1"; }
not_on_screen() { ! on_screen "$1"; }
# wait_size W SIZE SECONDS: waits for window W to have the outer SIZE.
wait_size() { wait_for "$3" has_size "$1" "$2"; }
has_size() { [ "$(size_of "$1")" = "$2" ]; }
# wait_focus W SECONDS: waits for the keyboard focus to be on window W.
wait_focus() { wait_for "$2" has_focus "$1"; }
has_focus() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; }
# wait_settled W SECONDS: waits until window W stands still (the same place and size on two
# looks a tenth of a second apart) and prints "X Y W H".
wait_settled() {
  local deadline last='' now
  deadline=$(( $(now_ms) + $2 * 1000 ))
  while :; do
    now="$(position_of "$1") $(size_of "$1" | tr x ' ')"
    [ "$now" != "$last" ] || { echo "$now"; return 0; }
    [ "$(now_ms)" -lt "$deadline" ] || return 1
    last=$now
    sleep 0.1
  done
}

# A player's click: the pointer comes to the point in two motions, as a hand moves it, and
# rests a moment, so that the control under it has seen the pointer before the button goes
# down. These pauses pace the input; they wait for nothing to be shown.
click_at() {
  xdotool mousemove $(( $1 - 2 )) $(( $2 - 1 ))
  sleep 0.1
  xdotool mousemove "$1" "$2"
  sleep 0.15
  xdotool click 1
}

# The whole screen into FILE.
snap_screen() { import -window root "$1"; }
# The colour of pixel X, Y of FILE as "srgb(R,G,B)".
pixel() { convert "$1" -format "%[pixel:p{$2,$3}]" info:; }
# The number of distinct colours in FILE.
colour_count() { identify -format '%k' "$1"; }

# True when the file exists and is not empty.
file_ready() { [ -s "$1" ]; }

# through_intro PROGRAM LOG: starts the game, ends its intro with a click and finds the game
# window; sets pid (also in started), window and its corner x, y.
through_intro() {
  local intro
  "$1" > "$2" 2>&1 &
  pid=$!
  started=("$pid")
  intro=$(find_window '^Main window$') || fail "no intro window appeared"
  read -r x y < <(position_of "$intro") || fail "no position for the intro window"
  click_at $((x + 200)) $((y + 200))
  window=$(find_window '^Hoopstack$') || fail "no game window appeared"
  read -r x y < <(position_of "$window") || fail "no position for the game window"
}

# start_leaderboard HOOPSTACK-LEADERBOARD: a leaderboard with a SQLite database of its own in
# `work`, on a free port, which it sets as `port`.
start_leaderboard() {
  "$1" --port 0 --database "sqlite://$work/board.db" >"$work/server.txt" 2>"$work/server.log" &
  started+=($!)
  wait_for 10 leaderboard_port || fail "the leaderboard did not start: $(head -c 300 "$work/server.log")"
  say "leaderboard on port $port"
}
leaderboard_port() { port=$(sed -n 's/.*:\([0-9]*\)\/ with .*/\1/p' "$work/server.txt"); [ -n "$port" ]; }

# fetching_url_opener: the URL opener the game runs (SDL calls xdg-open), in `work`/bin, to be put
# first on PATH: it notes each address in opened.txt and fetches its path and query from the
# local leaderboard into fetched.txt, whatever server address the game was built with.
fetching_url_opener() {
  mkdir -p "$work/bin"
  cat >"$work/bin/xdg-open" <<OPENER
#!/usr/bin/env bash
printf '%s\n' "\$1" >>"$work/opened.txt"
path=/\${1#*://*/}
exec 3<>/dev/tcp/127.0.0.1/$port
printf 'GET %s HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n' "\$path" >&3
cat <&3 >"$work/fetched.txt"
OPENER
  chmod +x "$work/bin/xdg-open"
}

# chrome SIZE ARGUMENT...: headless Chromium in a window of SIZE ("800,600"), with a profile of
# its own in `work` and its messages in chromium.log; false without Chromium.
chrome() {
  local size=$1 program sandbox=()
  shift
  program=$(command -v chromium) || return 1
  [ "$(id -u)" -ne 0 ] || sandbox=(--no-sandbox)
  "$program" --headless=new "${sandbox[@]}" --disable-gpu --no-first-run --hide-scrollbars \
    --user-data-dir="$work/profile" --window-size="$size" "$@" 2>>"$work/chromium.log"
}
