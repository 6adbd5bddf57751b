#!/usr/bin/env bash
# Cost of the real game window under Xvfb, measured with /usr/bin/time over 15 s per run:
# first idle at the Medium speed (50 frames a second) over a court of 144 balls at rest, the
# same at scale 2 (a 1500 x 1200 window on a 1920 x 1200 screen), then throws clicked one after
# another with xdotool at the Fast speed (100 frames a second).
# Prints the CPU share of one core and the peak memory of each run.
# Usage: bench/game_idle.sh [BUILD_BIN_DIR]
set -euo pipefail

seconds=15

# A saved game in the store's plain text: level, sound, autosave, path, speed, score, game
# over, then the colours of rows 1-16, columns 1-16. Rows 8-16 are full: 144 balls, each
# row resting on the one below. The colours come from a fixed generator so every run is alike.
saved_game() {
    local speed=$1 seed=12345 cell
    printf '0\t1\t1\t1\t%d\t0\t0\t' "$speed"
    # Cells are numbered from row 1, column 1; row 8 starts at 7 x 16.
    for ((cell = 0; cell < 256; cell++)); do
        if ((cell >= 112)); then
            seed=$(((seed * 1103515245 + 12345) % 2147483648))
            printf '%d\t' $(((seed >> 16) % 7 + 1))
        else
            printf '0\t'
        fi
    done
}

# One measured run on the current display: the game for $seconds under /usr/bin/time, with
# clicks when asked. Runs inside xvfb-run, which gives it the display.
measured_run() {
    local game=$1 times=$2 clicks=$3
    shift 3
    /usr/bin/time -v -o "$times" timeout -s INT "$seconds" "$game/hoopstack" "$@" &
    local runner=$!
    if [[ $clicks == throws ]]; then
        local window=""
        for _ in $(seq 1 100); do
            window=$(xdotool search --name Hoopstack 2>/dev/null | head -n 1 || true)
            [[ -n $window ]] && break
            sleep 0.1
        done
        [[ -n $window ]] || { echo "game window not found" >&2; wait "$runner" || true; return 1; }
        # Court pixels: balls 34 x 33, court left 6 and top 43; row 8 (even, not shifted) is
        # the top row of the prepared board, its centres at x 23 + 34 (column - 1), y 290.
        # The aim is a point of rows 1-5; a click on a cell the board no longer holds throws
        # the selected ball there, so each pair of clicks makes a throw while the court rests.
        # Random throws fill the court within some twenty throws and an ended game takes no
        # more, so every tenth pair starts a new game with the New Game button (its corner at
        # window pixel 626, 270, its picture about 112 x 36). xdotool counts from the outer
        # corner, 4 pixels outside the client area's for the frame the program draws.
        local f=4
        RANDOM=7
        local pairs=0
        while kill -0 "$runner" 2>/dev/null; do
            if ((pairs > 0 && pairs % 10 == 0)); then
                xdotool mousemove --window "$window" $((684 + f)) $((289 + f)) click 1 2>/dev/null || true
                sleep 0.1
            fi
            xdotool mousemove --window "$window" $((23 + f + 34 * (RANDOM % 16))) $((290 + f)) click 1 2>/dev/null || true
            sleep 0.1
            xdotool mousemove --window "$window" $((23 + f + RANDOM % 527)) $((59 + f + RANDOM % 132)) click 1 \
                2>/dev/null || true
            sleep 0.4
            pairs=$((pairs + 1))
        done
        echo "$pairs" > "$game/pairs.txt"
    fi
    wait "$runner" || true
}

if [[ ${1:-} == --measured-run ]]; then
    shift
    measured_run "$@"
    exit
fi

bin=${1:-build/bin}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/game"
cp "$bin/hoopstack" "$work/game/"
cp -r "$bin/CLP" "$bin/SKINS" "$bin/WAV" "$bin/icons" "$work/game/"
# A copy the user is playing holds the single-instance lock; the measured one has its own.
mkdir -m 700 "$work/run"
export XDG_RUNTIME_DIR="$work/run"

report() {
    awk -F': ' -v label="$1" -v seconds="$seconds" -v goal="$2" -v extra="$3" '
        /User time/ {u=$2} /System time/ {s=$2} /Maximum resident/ {m=$2}
        END { printf "%s: %.2f%% of one core over %d s, peak %.1f MB %s(%s)\n",
                     label, (u+s)/seconds*100, seconds, m/1024, extra, goal }' "$work/time.txt"
}

# Idle: Medium speed, 50 frames a second, nobody touching the court.
saved_game 1 | "$bin/hoopstack-store" encode "$work/game/state.dat"
xvfb-run -a -s "-screen 0 1024x768x24" "$0" --measured-run "$work/game" "$work/time.txt" none --scale 1
report "game window idle, 144 balls, 50 fps" "goals: under 2%, under 40 MB" ""

# The same at scale 2: every presented rectangle is scaled by two on its way to the screen.
saved_game 1 | "$bin/hoopstack-store" encode "$work/game/state.dat"
xvfb-run -a -s "-screen 0 1920x1200x24" "$0" --measured-run "$work/game" "$work/time.txt" none --scale 2
report "game window idle at scale 2, 1500 x 1200, 144 balls, 50 fps" "goal: under 3%" ""

# Throws: Fast speed, 100 frames a second from the first click on.
saved_game 0 | "$bin/hoopstack-store" encode "$work/game/state.dat"
xvfb-run -a -s "-screen 0 1024x768x24" "$0" --measured-run "$work/game" "$work/time.txt" throws --scale 1
over=$("$bin/hoopstack-store" decode "$work/game/state.dat" | cut -f 7)
report "game window throwing, 100 fps" "goal: under 6%" \
    "with $(cat "$work/game/pairs.txt") click pairs$([[ $over == 1 ]] && echo ", game over by the end") "
