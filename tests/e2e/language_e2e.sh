#!/usr/bin/env bash
# The game in the desktop's language: the real program under Xvfb with LANG=de_DE.UTF-8 shows
# its options window in German, with the English one's layout; LANG=pl_PL.UTF-8, a language
# without a catalogue yet, and --language en show English; and --language de wins over the
# environment. The options window's texts are compared as pictures: the German one differs from
# the English one in its texts and in its title picture, and not in its frame. Needs Xvfb,
# xdotool and ImageMagick.
set -euo pipefail
usage="usage: language_e2e.sh HOOPSTACK"
game=${1:?$usage}
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/lib.sh"
label="language e2e"
e2e_begin language_e2e
e2e_at_exit() {
  [ -n "${LANGUAGE_E2E_SHOTS:-}" ] || return 0
  mkdir -p "$LANGUAGE_E2E_SHOTS" && cp "$work"/options-*.png "$LANGUAGE_E2E_SHOTS"/ 2>/dev/null
}
folder=$work/game
install_game "$game" "$folder" link
[ -d "$(dirname "$game")/locale/de" ] || fail "no German catalogue beside $game"
ln -s "$(cd "$(dirname "$game")" && pwd)/locale" "$folder/locale"
start_x 1024x768

# options_of NAME ENVIRONMENT... -- ARGUMENT...: the options window (O) of a fresh run, its
# client area in options-NAME.png.
options_of() {
  local name=$1 env=() args=() dialog
  shift
  while [ $# -gt 0 ] && [ "$1" != -- ]; do env+=("$1"); shift; done
  [ $# -gt 0 ] && shift
  args=("$@")
  rm -rf "${work:?}/home" "${work:?}/run"
  mkdir -p "$work/home" "$work/run"
  chmod 700 "$work/run"
  env -u LANGUAGE -u LC_ALL -u LC_MESSAGES -u LANG HOME="$work/home" XDG_RUNTIME_DIR="$work/run" XDG_DATA_HOME='' \
    "${env[@]}" "$folder/hoopstack" "${args[@]}" >"$work/game-$name.log" 2>&1 &
  pid=$!
  started+=("$pid")
  local deadline=$(( $(now_ms) + 60000 ))
  until window=$(window_of_size "$pid" 758x608); do
    kill -0 "$pid" 2>/dev/null || fail "$name: the game ended: $(head -c 300 "$work/game-$name.log")"
    [ "$(now_ms)" -lt "$deadline" ] || fail "$name: no game window within 60 s"
    if intro=$(window_of_size "$pid" 400x400); then
      timeout 5 xdotool windowfocus --sync "$intro" 2>/dev/null || true
      xdotool key space
    fi
    sleep 0.1
  done
  timeout 5 xdotool windowfocus --sync "$window" 2>/dev/null || true
  sleep 0.5
  xdotool key o
  options_open() { dialog=$(window_of_size "$pid" 268x458); }
  wait_for 5 options_open || fail "$name: O opened no options window"
  sleep 0.8
  read -r dx dy < <(client_of "$dialog")
  import -window root -crop "260x450+$dx+$dy" +repage "$work/options-$name.png"
  kill -TERM "$pid"
  wait "$pid" || fail "$name: the game ended with code $? on SIGTERM"
}
differing() { compare -metric AE "$1" "$2" null: 2>&1 || true; }

options_of english LANG=C.UTF-8 --
options_of german LANG=de_DE.UTF-8 --
options_of polish LANG=pl_PL.UTF-8 --
options_of chosen LANG=en_GB.UTF-8 -- --language de
options_of forced LANGUAGE=de LANG=de_DE.UTF-8 -- --language en

[ "$(differing "$work/options-english.png" "$work/options-polish.png")" = 0 ] ||
  fail "a language without a catalogue does not show English"
[ "$(differing "$work/options-english.png" "$work/options-forced.png")" = 0 ] ||
  fail "--language en does not show English over a German desktop"
[ "$(differing "$work/options-german.png" "$work/options-chosen.png")" = 0 ] ||
  fail "--language de does not show what LANG=de_DE.UTF-8 shows"
# The texts differ, and so does the title, a picture of our art drawn for each language; the
# window's frame does not.
texts=$(differing "$work/options-english.png" "$work/options-german.png")
[ "$texts" -gt 500 ] || fail "the German options window looks like the English one ($texts pixels differ)"
for part in english german; do
  convert "$work/options-$part.png" -crop 260x60+0+0 +repage "$work/top-$part.png"
  convert "$work/options-$part.png" -crop 4x450+0+0 +repage "$work/edge-$part.png"
done
[ "$(differing "$work/top-english.png" "$work/top-german.png")" -gt 200 ] ||
  fail "the German options window shows the English title picture"
[ "$(differing "$work/edge-english.png" "$work/edge-german.png")" = 0 ] ||
  fail "the options window's frame differs between English and German"
say "ok: LANG=de_DE.UTF-8 shows German ($texts pixels differ from English), pl_PL and --language en English"
