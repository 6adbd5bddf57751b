#!/usr/bin/env bash
# The full screen in the real program under Xvfb at 1280x800, 1920x1080, 2560x1440 and
# 3840x2160, without a window manager, and once more under openbox: F11 puts the game window
# over the whole screen, its client at the largest whole scale at which it fits, centred, the
# border tile around it; the Top 10, opened with T, shows at that scale centred on the game,
# and F11 there switches both;
# Alt+Enter (or F11) brings the window back where it was at its own scale; the settings file
# keeps each switch, the next start follows it, and --windowed overrides it for a run. The
# screenshots are checked with ImageMagick, and kept in FULLSCREEN_E2E_SHOTS when it is set.
# Needs Xvfb, xdotool, ImageMagick and openbox.
set -euo pipefail
usage="usage: fullscreen_e2e.sh HOOPSTACK"
game=${1:?$usage}
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/lib.sh"
label="fullscreen e2e"
e2e_begin fullscreen_e2e
e2e_at_exit() {
  [ -n "${FULLSCREEN_E2E_SHOTS:-}" ] || return 0
  mkdir -p "$FULLSCREEN_E2E_SHOTS" && cp "$work"/shot-*.png "$FULLSCREEN_E2E_SHOTS"/ 2>/dev/null
}

folder=$work/game
install_game "$game" "$folder" link
mkdir -m 700 "$work/run"
export XDG_RUNTIME_DIR=$work/run XDG_DATA_HOME=''

shot=0 last_shot=
snap() {
  shot=$((shot + 1))
  last_shot=$work/shot-$(printf %02d $shot)-$1.png
  import -window root "$last_shot"
}
keys() { xdotool key --delay 30 "$@"; }
# The red, green and blue of pixel X, Y of the last screenshot, as three numbers 0-255.
rgb() { convert "$last_shot" -format "%[fx:int(255*p{$1,$2}.r)] %[fx:int(255*p{$1,$2}.g)] %[fx:int(255*p{$1,$2}.b)]" info:; }
# True when pixel X, Y of the last screenshot is the border's dark brown: every channel below
# 80, red above blue.
is_border() {
  local r g b
  read -r r g b < <(rgb "$1" "$2")
  [ "$r" -lt 80 ] && [ "$g" -lt 80 ] && [ "$b" -lt 80 ] && [ "$r" -gt "$b" ]
}
# The game's panel (the level button and the score box, which stand still), program pixels
# 590-740 by 60-190 of the client, cut from the last screenshot with the client corner at X, Y
# shown at SCALE and brought to scale 1, into FILE.
panel() {
  convert "$last_shot" -crop "$((150 * $4))x$((130 * $4))+$(($2 + 590 * $4))+$(($3 + 60 * $4))" +repage \
    -sample "150x130!" "$1"
}
differing() { compare -metric AE -fuzz 8% "$1" "$2" null: 2>&1 || true; }
settings_say() { grep -qx "fullscreen=$1" "$XDG_CONFIG_HOME/hoopstack/settings" 2>/dev/null; }

# start_game ARGUMENT...: the program on the current display, through its intro; sets pid,
# game_log, window, its outer size wsize and corner wx, wy.
runs=0
start_game() {
  runs=$((runs + 1))
  game_log=$work/game-$runs.log
  launch "$game_log" "$folder/hoopstack" "$@"
  local intro
  intro=$(find_window '^Main window$' 20) || fail "no intro window appeared"
  wait_focus "$intro" 5 || timeout 5 xdotool windowfocus --sync "$intro" 2>/dev/null || true
  intro_size=$(wait_settled "$intro" 5 | awk '{ print $3 "x" $4 }') || true
  keys space
  window=$(find_window '^Hoopstack$' 20) || fail "no game window after Space on the intro"
  wait_focus "$window" 5 || fail "the game window does not have the keyboard focus"
  read -r wx wy wsize < <(wait_settled "$window" 5 | awk '{ print $1, $2, $3 "x" $4 }') ||
    fail "the game window does not stand still"
}
quit_game() {
  stop_process "$pid"
}

# check_full W H SCALE WHAT: the game window covers the W x H screen with the client at SCALE,
# centred (the corner rounded down to whole pixels of the scale), the border around it, and
# its panel as in the window; sets cx, cy, the client corner.
check_full() {
  local w=$1 h=$2 s=$3 what=$4 x y
  wait_size "$window" "${w}x${h}" 5 || fail "$what: the game window is $(size_of "$window"), not the ${w}x${h} screen"
  cx=$(( (w - 750 * s) / 2 / s * s )) cy=$(( (h - 600 * s) / 2 / s * s ))
  sleep 0.5
  snap "full-${w}x${h}"
  for point in "1 1" "$((w - 2)) 1" "1 $((h - 2))" "$((w - 2)) $((h - 2))" "$((cx - 2)) $((cy + 300 * s))" \
      "$((cx + 750 * s + 1)) $((cy + 300 * s))"; do
    read -r x y <<< "$point"
    if [ "$x" -lt 0 ] || [ "$y" -lt 0 ]; then continue; fi
    is_border "$x" "$y" || fail "$what, shot $shot: pixel $x,$y is $(rgb "$x" "$y"), not the border"
  done
  # The panel inside the client is the game's, not the border.
  ! is_border "$((cx + 750 * s - 1 - 80 * s))" "$((cy + 2 * s))" || fail "$what, shot $shot: the panel shows the border"
  panel "$work/panel-full.png" "$cx" "$cy" "$s"
  local wrong
  wrong=$(differing "$work/panel-window.png" "$work/panel-full.png")
  is_small "$wrong" || fail "$what, shot $shot: the panel at scale $s differs from the window's in $wrong of 19500 pixels"
  say "$what: ${w}x${h} full screen at scale $s, client at $cx,$cy, the border around it"
}
has_position() { [ "$(position_of "$1")" = "$2" ]; }
is_small() { awk -v n="$1" 'BEGIN { exit !(n ~ /^[0-9.e+]+$/ && n + 0 < 400) }'; }

# One screen size: F11, the Top 10 by key, back with Alt+Enter (or F11 under openbox); the
# settings file after each switch.
run_size() {
  local w=$1 h=$2 s=$3 wm=$4 back=$5 scale
  begin_session "$wm" "${w}x${h}"
  export HOME=$work/home-$w-$wm XDG_CONFIG_HOME=$work/home-$w-$wm/config
  mkdir -p "$HOME"
  start_game
  local before="$wx $wy $wsize"
  scale=$(( ${wsize%x*} / (750 + 2 * frame) ))
  sleep 0.5
  snap "window-${w}x${h}"
  panel "$work/panel-window.png" "$((wx + frame * scale))" "$((wy + frame * scale))" "$scale"
  keys F11
  check_full "$w" "$h" "$s" "F11 at ${w}x${h} ($wm)"
  wait_for 5 settings_say 1 || fail "the settings file does not say fullscreen=1 after F11: $(cat "$XDG_CONFIG_HOME/hoopstack/settings" 2>&1)"

  # The Top 10 by its key, at the full screen's scale, centred on the game's client as in the
  # window (its client size centred there, its outer corner put there).
  keys t
  dialog=$(wait_window "$pid" "$(( (350 + 2 * frame) * s ))x$(( (530 + 2 * frame) * s ))" 5) ||
    { snap no-top10; fail "no Top 10 at scale $s within 5 s"; }
  read -r dx dy < <(position_of "$dialog")
  [ "$dx $dy" = "$((cx + 200 * s)) $((cy + 35 * s))" ] ||
    fail "the Top 10 stands at $dx,$dy, not centred on the game's client at $cx,$cy (scale $s)"
  sleep 0.5
  snap "top10-${w}x${h}"
  is_border 1 1 || fail "shot $shot: the border went with the Top 10 open"
  # F11 in the Top 10 switches too, the dialog coming along at the window's scale and back.
  keys F11
  wait_size "$window" "$wsize" 5 || fail "F11 in the Top 10 did not bring the window back: $(size_of "$window")"
  wait_size "$dialog" "$(( (350 + 2 * frame) * scale ))x$(( (530 + 2 * frame) * scale ))" 5 ||
    fail "the Top 10 did not come back to scale $scale with the window: $(size_of "$dialog")"
  keys F11
  wait_size "$window" "${w}x${h}" 5 || fail "F11 in the Top 10 did not go back to the full screen"
  wait_for 5 has_position "$dialog" "$dx $dy" || fail "the Top 10 is not back at $dx,$dy: $(position_of "$dialog")"
  keys Escape
  wait_gone "$dialog" 5 || fail "Escape did not close the Top 10"

  keys "$back"
  wait_size "$window" "$wsize" 5 || fail "$back did not bring the window back: it is $(size_of "$window")"
  local after
  after="$(wait_settled "$window" 5 | awk '{ print $1, $2, $3 "x" $4 }')"
  [ "$after" = "$before" ] || fail "the window came back at $after, not where it was ($before)"
  sleep 0.3
  snap "back-${w}x${h}"
  wait_for 5 settings_say 0 || fail "the settings file does not say fullscreen=0 after $back"
  say "${w}x${h} ($wm): the Top 10 at $dx,$dy, $back brought the window back to $after"
  quit_game
  end_session
}

run_size 1280 800 1 none alt+Return
run_size 1920 1080 1 none alt+Return
run_size 2560 1440 2 none alt+Return
run_size 3840 2160 3 none alt+Return
run_size 1920 1080 1 openbox F11

# The kept choice starts the next run on the full screen; --windowed overrides it for a run,
# --fullscreen beats a kept window, and F11 on the intro takes the game window along.
begin_session none 1280x800
export HOME=$work/home-kept XDG_CONFIG_HOME=$work/home-kept/config
mkdir -p "$XDG_CONFIG_HOME/hoopstack"
printf 'language=xx\nfullscreen=1\n' > "$XDG_CONFIG_HOME/hoopstack/settings"
start_game
[ "$wsize" = 1280x800 ] || fail "the kept full screen did not start on it: the window is $wsize"
[ "$intro_size" = 1280x800 ] || fail "the intro did not show on the kept full screen: $intro_size"
quit_game
# F11 on the intro takes it onto the full screen, and the game window follows it there.
launch "$work/game-intro.log" "$folder/hoopstack" --windowed
intro=$(find_window '^Main window$' 20) || fail "no intro window appeared"
wait_focus "$intro" 5 || timeout 5 xdotool windowfocus --sync "$intro" 2>/dev/null || true
keys F11
wait_size "$intro" 1280x800 5 || fail "F11 on the intro left it at $(size_of "$intro")"
snap intro-full
is_border 1 1 || fail "shot $shot: no border around the intro"
keys space
window=$(find_window '^Hoopstack$' 20) || fail "no game window after Space on the intro"
wait_size "$window" 1280x800 5 || fail "the game window did not follow the intro onto the full screen: $(size_of "$window")"
quit_game
start_game --windowed
[ "$wsize" = "$(framed 750x600)" ] || fail "--windowed started at $wsize"
quit_game
printf 'fullscreen=0\n' > "$XDG_CONFIG_HOME/hoopstack/settings"
start_game --fullscreen
[ "$wsize" = 1280x800 ] || fail "--fullscreen started at $wsize"
keys F11
wait_for 5 settings_say 0 || true
keys F11
wait_for 5 settings_say 1 || fail "F11 after --fullscreen kept no choice"
quit_game
# A settings file that is garbage, or a folder in its place, starts in the window.
rm -rf "$XDG_CONFIG_HOME/hoopstack"
mkdir -p "$XDG_CONFIG_HOME/hoopstack/settings"
start_game
[ "$wsize" = "$(framed 750x600)" ] || fail "a folder as the settings file started at $wsize"
keys F11
wait_size "$window" 1280x800 5 || fail "F11 did not switch with an unwritable settings file"
grep -q 'cannot keep the full-screen choice' "$game_log" || fail "no word of the unkept choice: $(cat "$game_log")"
quit_game
end_session
say "the kept choice, --windowed, --fullscreen and an unwritable settings file behave"
