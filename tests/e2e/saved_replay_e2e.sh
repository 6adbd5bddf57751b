#!/usr/bin/env bash
# End-to-end check that the saved game's replay always goes with it: the real program under
# Xvfb is played with xdotool, a few throws at a time, and ended in order (SIGTERM) or killed at
# rest (SIGKILL). After every end "replay.dat" must play on the pure rules to exactly the board,
# score and level of "state.dat", and after the next start it must continue the replay saved
# before (the same start, the earlier inputs at its head) rather than begin another. RUNS
# (default 4) starts; REPLAY_SEED makes a run repeatable. `hoopstack-sim verify` of the replay
# must print the board and the score of "state.dat" as `hoopstack-store decode` reads them.
# Needs Xvfb and xdotool.
set -euo pipefail
usage="usage: saved_replay_e2e.sh HOOPSTACK E2E_CHECK_REPLAY HOOPSTACK-SIM HOOPSTACK-STORE"
game=${1:?$usage} check=${2:?$usage} sim=${3:?$usage} store=${4:?$usage}
runs=${RUNS:-4}
seed=${REPLAY_SEED:-$(( $(date +%s) % 32768 ))}
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "$0")/lib.sh"
label="replay e2e"
e2e_begin saved_replay_e2e
mkdir -m 700 "$work/run"
export XDG_RUNTIME_DIR="$work/run"

folder=$work/game state=$work/game/state.dat replay=$work/game/replay.dat
mkdir "$work/home"
install_game "$game" "$folder" link
export HOME=$work/home XDG_DATA_HOME=
start_x 1024x768
RANDOM=$seed
pid=
# Which file is there now: each save replaces it by renaming a new file over it.
stamp() { stat -c '%i %y' "$state" 2>/dev/null || echo none; }
replaced_since() { [ "$(stamp)" != "$1" ]; }

# start_game RUN: the program, through its intro to the game window, whose first save is awaited.
start_game() {
  local before
  before=$(stamp)
  through_intro "$folder/hoopstack" "$work/program-$1.log"
  # A click on the panel's empty corner, which the game ignores.
  click_at $((x + 700)) $((y + 580))
  wait_for 10 replaced_since "$before" || fail "the game that started was not saved within 10 s"
}
# throw_some N: N throws aimed in the upper court, each followed by its rest's save (a throw,
# its removals and drops end well within 8 s; a void throw saves nothing new).
throw_some() {
  local last
  for _ in $(seq "$1"); do
    last=$(stamp)
    click_at $((x + 20 + RANDOM % 520)) $((y + 60 + RANDOM % 160))
    wait_for 8 replaced_since "$last" || true
  done
}
# checked RUN [EARLIER]: the pair on disk checked, and the replay kept as the run's.
checked() {
  local out
  out=$("$check" "$state" "$replay" ${2:+"$2"} 2>&1) || fail "run $1: $out"
  # The simulator's verdict names the same court and score as the saved game.
  local fields board json
  fields=$("$store" decode "$state" | tr '\t' '\n') || fail "run $1: state.dat does not decode"
  board=$(tail -n +8 <<<"$fields" | paste -sd '\0' | fold -w 16 | sed 's/.*/"&"/' | paste -sd ,)
  json=$("$sim" verify "$replay" 2>/dev/null) || true
  [[ $json == *'"score":'"$(sed -n 6p <<<"$fields")"',"game_over":'*'"board":['"$board"']}' ]] ||
    fail "run $1: hoopstack-sim verify prints $json for the state.dat board [$board]"
  cp "$replay" "$work/replay-$1.txt"
  say "run $1: $out"
  # A game that ended is not restored: the next one starts a replay of its own.
  [[ $out == *"over 0"* ]]
}

earlier=
for run in $(seq "$runs"); do
  start_game "$run"
  throw_some $((1 + RANDOM % 3))
  if [ $((run % 2)) -eq 1 ]; then
    kill -TERM "$pid"
    status=0
    wait "$pid" || status=$?
    [ "$status" -eq 0 ] || fail "run $run: exit code $status after SIGTERM"
  else
    kill -KILL "$pid"
    wait "$pid" 2>/dev/null || true
  fi
  pid=
  if checked "$run" "$earlier"; then earlier=$work/replay-$run.txt; else earlier=; fi
done
[ -z "$(find "$folder" -maxdepth 1 -name '*.dat.tmp-*')" ] || [ $((runs % 2)) -eq 0 ] ||
  fail "temporary files are left after an orderly end: $(find "$folder" -maxdepth 1 -name '*.dat.tmp-*' | paste -sd ' ')"
say "$runs runs (seed $seed): every replay.dat played to its state.dat and continued the one before"
