#!/usr/bin/env bash
# Runs two builds of the simulator over the same games and boards and compares what they print
# byte for byte, so that a build with other compiler flags (the Debian package's) cannot compute
# the rules differently from the tested build. Both also record bot games as replays and verify
# them: the replay texts and the verify lines must be the same byte for byte.
# Usage: compare-simulators.sh A_SIM B_SIM
# COMPARE_REPLAY_GAMES sets how many bot games are recorded and verified (1000).
# Exits 0 when both print the same, 1 on a difference (naming the first one), 2 on bad usage or
# when a simulator fails.
set -uo pipefail

if [ $# -ne 2 ]; then
    echo "usage: compare-simulators.sh A_SIM B_SIM" >&2
    exit 2
fi
for sim in "$1" "$2"; do
    if [ ! -x "$sim" ]; then
        echo "compare-simulators: not an executable: $sim" >&2
        exit 2
    fi
done

work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; wait; rm -rf "$work"' EXIT

# Writes a 16 x 16 board of colours 0..7 drawn from a small linear congruential generator, so
# that every run writes the same boards: the top rows empty, the rest partly filled.
write_board() {
    awk -v seed="$1" -v empty="$2" 'BEGIN {
        state = seed
        for (row = 1; row <= 16; ++row) {
            line = ""
            for (column = 1; column <= 16; ++column) {
                state = (state * 1103515245 + 12345) % 2147483648
                colour = (row <= empty) ? 0 : int(state / 65536) % 8
                line = line colour
            }
            print line
        }
    }' >"$3"
}

# Writes COUNT clicks over the whole window (750 x 600), the panel's buttons included.
write_clicks() {
    awk -v seed="$1" -v count="$2" 'BEGIN {
        state = seed
        for (i = 0; i < count; ++i) {
            state = (state * 1103515245 + 12345) % 2147483648
            x = int(state / 65536) % 750
            state = (state * 1103515245 + 12345) % 2147483648
            y = int(state / 65536) % 600
            print "click " x " " y
        }
    }' >"$3"
}

boards=()
for board in 1 2 3 4 5 6; do
    write_board "$board" $((board + 4)) "$work/board$board"
    write_clicks "$board" 40 "$work/clicks$board"
    boards+=("$board")
done

# The bot games recorded as replays: those the round-trip test verifies (the simulator's
# ThousandBotGames), a third at each level, the seed 1000 * level + index + 1, one in 50 the
# greedy bot's. COMPARE_REPLAY_GAMES takes fewer.
replay_games=${COMPARE_REPLAY_GAMES:-1000}

# Records this simulator's replays into RECORDED, printing each record's line and replay text,
# then verifies every replay in VERIFIED, printing each verify line.
replays() {
    local sim=$1 recorded=$2 verified=$3 level count index seed bot file
    mkdir -p "$recorded"
    for level in 0 1 2; do
        count=$((replay_games / 3))
        [ "$level" -eq 0 ] && count=$((replay_games - 2 * (replay_games / 3)))
        for ((index = 0; index < count; ++index)); do
            seed=$((1000 * level + index + 1))
            bot=random
            [ $((index % 50)) -eq 0 ] && bot=greedy
            file=$recorded/level$level-$seed.hoopstack-replay
            echo "== record level $level seed $seed $bot"
            "$sim" record --level "$level" --seed "$seed" --bot "$bot" --out "$file" || return 1
            cat "$file"
        done
    done
    for file in "$verified"/*.hoopstack-replay; do
        echo "== verify ${file##*/}"
        "$sim" verify "$file" || return 1
    done
}

# Runs the whole workload on one simulator; its output goes to standard output. The soak's last
# line carries the elapsed time, which is dropped.
workload() {
    local sim=$1 side=$2 level speed seed board
    for level in 0 1 2; do
        for speed in 0 1 2; do
            for seed in 1 977 4000000000; do
                echo "== soak random level $level speed $speed seed $seed"
                "$sim" soak --games 30 --level "$level" --speed "$speed" --seed "$seed" --bot random ||
                    return 1
            done
        done
        for seed in 3 5; do
            echo "== soak greedy level $level seed $seed"
            "$sim" soak --games 2 --level "$level" --seed "$seed" --bot greedy || return 1
        done
        echo "== soak window level $level"
        "$sim" soak --window --games 2 --level "$level" --seed 11 --bot random || return 1
        for board in "${boards[@]}"; do
            echo "== play level $level board $board"
            "$sim" play --board "$work/board$board" --level "$level" --speed $((board % 3)) \
                --seed "$board" <"$work/clicks$board" || return 1
        done
    done
    # Each verifies its own recordings: the comparison of the recorded texts makes them the
    # same files, or fails.
    replays "$sim" "$work/replays-$side" "$work/replays-$side"
}

# The two simulators run side by side, each on a core.
status=0
workload "$1" a >"$work/a.raw" 2>"$work/a.err" &
pid_a=$!
workload "$2" b >"$work/b.raw" 2>"$work/b.err" &
pid_b=$!
for side in a b; do
    sim=$1 pid=$pid_a
    [ "$side" = b ] && sim=$2 pid=$pid_b
    if ! wait "$pid"; then
        echo "compare-simulators: $sim failed:" >&2
        tail -n 5 "$work/$side.err" >&2
        exit 2
    fi
    sed -E 's/^(soak: .*), [0-9.]+ s$/\1/' "$work/$side.raw" >"$work/$side.out"
done

if ! cmp -s "$work/a.out" "$work/b.out"; then
    echo "compare-simulators: $1 and $2 differ:"
    diff "$work/a.out" "$work/b.out" | head -n 20
    status=1
else
    echo "compare-simulators: same output ($(wc -l <"$work/a.out") lines, $(grep -c '^game ' "$work/a.out") soak games, $(grep -c '^{"click"' "$work/a.out") clicks, $(grep -c '^{"recorded"' "$work/a.out") replays recorded, $(grep -c '^{"verified":true' "$work/a.out") verified)"
fi
exit "$status"
