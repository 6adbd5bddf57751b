#!/usr/bin/env bash
# End-to-end check that no game is lost when the program dies: the real program is played
# with xdotool under Xvfb and killed with SIGKILL at random moments (in flight, while balls
# are removed, at rest, while the save is written). After every kill "state.dat" must decode,
# hold a whole saved game, and hold the board of the last rest the test saw saved or a later
# one; the next start must restore exactly that board and score, and clear the temporary files
# a kill in the middle of a write leaves. The number of kills is KILL_TRIALS (default 20);
# KILL_SEED makes a run repeatable. Needs Xvfb and xdotool.
set -euo pipefail
usage="usage: kill_e2e.sh HOOPSTACK HOOPSTACK-STORE"
game=${1:?$usage} store=${2:?$usage}
trials=${KILL_TRIALS:-20}
seed=${KILL_SEED:-$(( $(date +%s) % 32768 ))}
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/lib.sh"
label="kill e2e"
e2e_begin kill_e2e
# The saved games of every trial are kept with the logs.
e2e_at_exit() {
  [ "$1" -eq 0 ] && return 0
  mkdir -p "$kept"
  cp -r "$work"/trials "$kept"/ 2>/dev/null || true
  echo "kill e2e: the saved games of every trial kept in $kept (seed $seed)" >&2
}
mkdir -m 700 "$work/run"
export XDG_RUNTIME_DIR="$work/run"

folder=$work/game state=$work/game/state.dat
mkdir "$work/home" "$work/trials"
install_game "$game" "$folder" link
export HOME=$work/home XDG_DATA_HOME=
start_x 1024x768
RANDOM=$seed
trial=0
fail() { echo "kill e2e (trial $trial): $*" >&2; exit 1; }
pid=
# A click on the panel's empty corner, which the game ignores. It once took the press that a
# click through the intro used to cost; it stays as a harmless first click.
take_lost_press() { click_at $((x + 700)) $((y + 580)); }
# Which file is there now: each save replaces it by renaming a new file over it.
stamp() { stat -c '%i %y' "$state" 2>/dev/null || echo none; }
# The saved text as one field a line.
fields() { "$store" decode "$1" 2>/dev/null | tr '\t' '\n'; }
# Waits up to the tenths of a second given for `state` to be replaced; true when it was.
replaced_within() { wait_for "$(( $2 / 10 )).$(( $2 % 10 ))" replaced_since "$1"; }
replaced_since() { [ "$(stamp)" != "$1" ]; }
# Checks a saved game's fields: 263 of them, the default settings, a board of colours 0-7.
check_whole() {
  local file=$1 what=$2
  [ "$(wc -l < "$file")" -eq 263 ] || fail "$what holds $(wc -l < "$file") fields, expected 263"
  [ "$(head -n 5 "$file" | paste -sd ' ')" = "0 1 1 1 1" ] ||
    fail "$what has the settings '$(head -n 5 "$file" | paste -sd ' ')'"
  if tail -n +8 "$file" | grep -qv '^[0-7]$'; then fail "$what holds a cell that is no colour"; fi
}
restorable() { [ "$(sed -n 7p "$1")" = 0 ] && tail -n +8 "$1" | grep -qv '^0$'; }
# Board and score: what a restored game must show again.
board() { sed -n '6p;8,263p' "$1"; }

in_flight=0 after_rest=0 saved_throws=0 clicks=0 strays=0
for trial in $(seq "$trials"); do
  dir=$work/trials/$trial
  mkdir "$dir"
  before=$(stamp)
  through_intro "$folder/hoopstack" "$dir/program.log"
  take_lost_press
  # The game that starts is saved at once; after a kill it is the killed game restored.
  replaced_within "$before" 100 || fail "the game that started was not saved within 10 s"
  fields "$state" > "$dir/start.txt" || fail "state.dat does not decode after the start"
  check_whole "$dir/start.txt" "the saved start"
  if [ "$trial" -gt 1 ] && restorable "$work/trials/$((trial - 1))/killed.txt"; then
    cmp -s <(board "$dir/start.txt") <(board "$work/trials/$((trial - 1))/killed.txt") ||
      fail "the game restored after the kill is not the one in state.dat: $(diff <(board "$work/trials/$((trial - 1))/killed.txt") <(board "$dir/start.txt") | head -n 6 | paste -sd ' ')"
  fi
  cp "$dir/start.txt" "$dir/rest-0.txt"
  rests=0
  throws=$((1 + RANDOM % 2))
  # The first trial throws three times, so that a few trials (the sanitizer build's) still see a
  # throw saved at rest before its kill: one void throw, which saves nothing new, is not enough.
  [ "$trial" -gt 1 ] || throws=3
  for throw in $(seq "$throws"); do
    # An aim in the upper court, where the cells are empty: the selected ball flies there.
    ax=$((20 + RANDOM % 520)) ay=$((60 + RANDOM % 160))
    last=$(stamp)
    click_at $((x + ax)) $((y + ay))
    clicks=$((clicks + 1))
    if [ "$throw" -lt "$throws" ]; then
      # A throw, its removals and drops end well within 8 s; a void throw saves nothing new.
      if replaced_within "$last" 80; then
        rests=$((rests + 1))
        saved_throws=$((saved_throws + 1))
        fields "$state" > "$dir/rest-$rests.txt" || fail "state.dat does not decode after a rest"
      fi
      continue
    fi
    # The kill: anywhere from the flight to well after the rest.
    sleep "$((RANDOM % 35 / 10)).$((RANDOM % 10))"
    kill -KILL "$pid"
    wait "$pid" 2>/dev/null || true
    pid=
  done
  fields "$state" > "$dir/killed.txt" || fail "state.dat does not decode after SIGKILL"
  check_whole "$dir/killed.txt" "state.dat after SIGKILL"
  if cmp -s "$dir/killed.txt" "$dir/rest-$rests.txt"; then
    in_flight=$((in_flight + 1))
  else
    # A later rest: never one of the earlier ones.
    for i in $(seq 0 $((rests - 1))); do
      ! cmp -s "$dir/killed.txt" "$dir/rest-$i.txt" || fail "state.dat went back to the rest before the last"
    done
    after_rest=$((after_rest + 1))
  fi
  strays=$((strays + $(find "$folder" -maxdepth 1 -name 'state.dat.tmp-*' | wc -l)))
done

# What a kill in the middle of a write leaves (a process that is gone): the next start clears
# it, for both files.
true &
gone=$!
wait "$gone"
echo x > "$folder/state.dat.tmp-$gone-0"
echo x > "$folder/table.dat.tmp-$gone-3"
# The last kill is restored too, and the program then ends in order.
before=$(stamp)
"$folder/hoopstack" > "$work/last.log" 2>&1 &
pid=$!
started=("$pid")
intro=$(find_window '^Main window$') || fail "no intro window appeared"
read -r x y < <(position_of "$intro")
click_at $((x + 200)) $((y + 200))
find_window '^Hoopstack$' >/dev/null || fail "no game window appeared"
replaced_within "$before" 100 || fail "the game that started was not saved within 10 s"
fields "$state" > "$work/last.txt"
if restorable "$work/trials/$trials/killed.txt"; then
  cmp -s <(board "$work/last.txt") <(board "$work/trials/$trials/killed.txt") ||
    fail "the game restored after the last kill is not the one in state.dat"
fi
kill -TERM "$pid"
status=0
wait "$pid" || status=$?
pid=
[ "$status" -eq 0 ] || fail "exit code $status after SIGTERM"
[ -z "$(find "$folder" -maxdepth 1 -name '*.dat.tmp-*')" ] ||
  fail "temporary files are left after a start and an orderly end: $(find "$folder" -maxdepth 1 -name '*.dat.tmp-*' | paste -sd ' ')"
[ "$saved_throws" -gt 0 ] || fail "no throw of $clicks clicks was ever saved at rest"
echo "kill e2e: $trials kills (seed $seed): $in_flight found the last rest the test saw, $after_rest a later rest" \
  "(thrown after it); $saved_throws rests saved between $clicks clicks; every state.dat decoded and restored;" \
  "$strays temporary files left by kills, cleared at the next start"
