#!/usr/bin/env bash
# Cost of the real game window under Xvfb, measured with /usr/bin/time over 15 s per run:
# first idle at the Medium speed (50 frames a second) over a court of 144 balls at rest, the
# same at scale 2 (a 1500 x 1200 window on a 1920 x 1200 screen), then throws clicked one after
# another with xdotool at the Fast speed (100 frames a second). Then, on a 3840 x 2160 screen,
# the window at scale 1 beside the full screen at scale 3, idle and throwing, and the time from
# a key press (P, whose banner the court shows at once) to the first frame on the screen that
# shows it, against one frame period (20 ms at Medium), read by hoopstack-key-latency.
# Every run ends the intro with Space at once; the idle and throwing runs also read the game's
# own time after the intro (the court at rest, or the throws from the first) from /proc over 10 s.
# Prints the CPU share of one core and the peak memory of each run, and the delays.
# Usage: bench/game_idle.sh [BUILD_BIN_DIR]
set -euo pipefail

seconds=15
# The court at rest is measured over this part of an idle run, after the intro.
rest_seconds=10
export rest_seconds

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

# The id of the first shown window whose name matches, once it stands, or nothing after
# TRIES tenths of a second.
shown_window() {
    local name=$1 tries=$2 window=""
    for _ in $(seq 1 "$tries"); do
        window=$(xdotool search --onlyvisible --name "$name" 2>/dev/null | head -n 1 || true)
        [[ -n $window ]] && break
        sleep 0.1
    done
    echo "$window"
}

# Space ends the intro as soon as it shows, as a player would not wait for it.
end_intro() {
    local intro
    intro=$(shown_window '^Main window$' 100)
    if [[ -n $intro ]]; then xdotool key space 2>/dev/null || true; fi
}

# One measured run on the current display: the game for $seconds under /usr/bin/time, with
# clicks when asked. Runs inside xvfb-run, which gives it the display.
measured_run() {
    local game=$1 times=$2 clicks=$3
    shift 3
    # Where the client's pixel 0, 0 lies from the window's outer corner, and the scale: the
    # frame at scale 1 in the window, the centred client at scale 3 on the full 3840 x 2160 screen.
    local ox=4 oy=4 s=1
    if [[ " $* " == *" --fullscreen "* ]]; then ox=795 oy=180 s=3; fi
    /usr/bin/time -v -o "$times" timeout -s INT "$seconds" "$game/hoopstack" "$@" &
    local runner=$!
    if [[ $clicks == throws ]]; then
        local window=""
        end_intro
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
        # On the full screen the client lies at ox, oy and each of its pixels is s x s.
        RANDOM=7
        local pairs=0 pid before="" ticks
        pid=$(pgrep -n -x hoopstack || true)
        ticks=$(getconf CLK_TCK)
        [[ -n $pid ]] && before=$(awk '{ print $14 + $15 }' "/proc/$pid/stat")
        local until=$((SECONDS + rest_seconds))
        rm -f "$game/court.txt"
        while kill -0 "$runner" 2>/dev/null; do
            # The throws alone, over $rest_seconds from the first: the game's own time from /proc.
            if [[ -n $before && $SECONDS -ge $until ]]; then
                awk -v t="$ticks" -v b="$before" -v a="$(awk '{ print $14 + $15 }' "/proc/$pid/stat" 2>/dev/null || echo "$before")" \
                    -v s="$rest_seconds" 'BEGIN { printf "%.2f\n", (a - b) / t / s * 100 }' > "$game/court.txt"
                before=""
            fi
            if ((pairs > 0 && pairs % 10 == 0)); then
                xdotool mousemove --window "$window" $((ox + s * 684)) $((oy + s * 289)) click 1 2>/dev/null || true
                sleep 0.1
            fi
            xdotool mousemove --window "$window" $((ox + s * (23 + 34 * (RANDOM % 16)))) $((oy + s * 290)) click 1 \
                2>/dev/null || true
            sleep 0.1
            xdotool mousemove --window "$window" $((ox + s * (23 + RANDOM % 527))) $((oy + s * (59 + RANDOM % 132))) \
                click 1 2>/dev/null || true
            sleep 0.4
            pairs=$((pairs + 1))
        done
        echo "$pairs" > "$game/pairs.txt"
    elif [[ $clicks == none ]]; then
        # The court at rest alone, without the intro: Space ends the intro as a player would,
        # and the game's own processor time is read from /proc over $rest_seconds.
        local window="" pid=""
        end_intro
        window=$(shown_window '^Hoopstack$' 200)
        pid=$(pgrep -n -x hoopstack || true)
        rm -f "$game/court.txt"
        if [[ -n $window && -n $pid ]]; then
            sleep 1
            local ticks before after
            ticks=$(getconf CLK_TCK)
            before=$(awk '{ print $14 + $15 }' "/proc/$pid/stat")
            sleep "$rest_seconds"
            after=$(awk '{ print $14 + $15 }' "/proc/$pid/stat")
            awk -v t="$ticks" -v b="$before" -v a="$after" -v s="$rest_seconds" \
                'BEGIN { printf "%.2f\n", (a - b) / t / s * 100 }' > "$game/court.txt"
        fi
    elif [[ $clicks == keys ]]; then
        # Once the game window stands, P is pressed again and again; the paused court's banner
        # (its plate 260 x 72 around the court's middle, 286, 307) comes and goes. The area
        # read is a strip of the plate's upper part, program pixels 160-260 by 275-285.
        local window=""
        end_intro
        window=$(shown_window '^Hoopstack$' 200)
        [[ -n $window ]] || { echo "game window not found" >&2; wait "$runner" || true; return 1; }
        sleep 1
        local wx wy
        read -r wx wy < <(xdotool getwindowgeometry "$window" | awk '/Position/ { split($2, p, ","); print p[1], p[2] }')
        "$key_latency" $((wx + ox + s * 160)) $((wy + oy + s * 275)) $((s * 100)) $((s * 10)) p 20 \
            > "$game/latency.txt" || true
    fi
    wait "$runner" || true
}

if [[ ${1:-} == --measured-run ]]; then
    shift
    measured_run "$@"
    exit
fi

bin=${1:-build/bin}
key_latency=$bin/hoopstack-key-latency
export key_latency
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/game"
cp "$bin/hoopstack" "$work/game/"
cp -r "$bin/CLP" "$bin/SKINS" "$bin/WAV" "$bin/icons" "$work/game/"
# A copy the user is playing holds the single-instance lock; the measured one has its own.
mkdir -m 700 "$work/run"
export XDG_RUNTIME_DIR="$work/run"
# The settings file of the measured copy is its own: --fullscreen and --windowed choose.
export XDG_CONFIG_HOME="$work/config"

report() {
    awk -F': ' -v label="$1" -v seconds="$seconds" -v goal="$2" -v extra="$3" '
        /User time/ {u=$2} /System time/ {s=$2} /Maximum resident/ {m=$2}
        END { printf "%s: %.2f%% of one core over %d s, peak %.1f MB %s(%s)\n",
                     label, (u+s)/seconds*100, seconds, m/1024, extra, goal }' "$work/time.txt"
}
# The idle runs' court at rest after the intro, read by the run itself.
report_court() {
    echo "$1, after the intro: $(cat "$work/game/court.txt" 2>/dev/null || echo "?")% of one core over $rest_seconds s ($2)"
}

# Idle: Medium speed, 50 frames a second, nobody touching the court.
saved_game 1 | "$bin/hoopstack-store" encode "$work/game/state.dat"
xvfb-run -a -s "-screen 0 1024x768x24" "$0" --measured-run "$work/game" "$work/time.txt" none --scale 1
report "game window idle, 144 balls, 50 fps" "goals: under 2%, under 40 MB" ""
report_court "game window idle, the court at rest" "goal: under 2%"

# The same at scale 2: every presented rectangle is scaled by two on its way to the screen.
saved_game 1 | "$bin/hoopstack-store" encode "$work/game/state.dat"
xvfb-run -a -s "-screen 0 1920x1200x24" "$0" --measured-run "$work/game" "$work/time.txt" none --scale 2
report "game window idle at scale 2, 1500 x 1200, 144 balls, 50 fps" "goal: under 3%" ""
report_court "game window idle at scale 2, the court at rest" "goal: under 3%"

# Throws: Fast speed, 100 frames a second from the first click on.
saved_game 0 | "$bin/hoopstack-store" encode "$work/game/state.dat"
xvfb-run -a -s "-screen 0 1024x768x24" "$0" --measured-run "$work/game" "$work/time.txt" throws --scale 1
over=$("$bin/hoopstack-store" decode "$work/game/state.dat" | cut -f 7)
report "game window throwing, 100 fps" "goal: under 6%" \
    "with $(cat "$work/game/pairs.txt") click pairs$([[ $over == 1 ]] && echo ", game over by the end") "
report_court "game window throwing" "goal: under 6%"

# The full screen at 3840 x 2160: the 750 x 600 client at scale 3 (2250 x 1800), centred, the
# border tile around it, beside the window at scale 1 on the same screen in the same run.
big="-screen 0 3840x2160x24"
saved_game 1 | "$bin/hoopstack-store" encode "$work/game/state.dat"
xvfb-run -a -s "$big" "$0" --measured-run "$work/game" "$work/time.txt" none --scale 1 --windowed
report "3840 x 2160: window idle at scale 1, 50 fps" "the peer of the next line" ""
report_court "3840 x 2160: window idle at scale 1, the court at rest" "the peer of the next line"
saved_game 1 | "$bin/hoopstack-store" encode "$work/game/state.dat"
xvfb-run -a -s "$big" "$0" --measured-run "$work/game" "$work/time.txt" none --scale 1 --fullscreen
report "3840 x 2160: full screen idle at scale 3, 50 fps" "goal: under 3 times the window's" ""
report_court "3840 x 2160: full screen idle at scale 3, the court at rest" "goal: under 2%"
for mode in --windowed --fullscreen; do
    saved_game 0 | "$bin/hoopstack-store" encode "$work/game/state.dat"
    xvfb-run -a -s "$big" "$0" --measured-run "$work/game" "$work/time.txt" throws --scale 1 "$mode"
    over=$("$bin/hoopstack-store" decode "$work/game/state.dat" | cut -f 7)
    report "3840 x 2160: ${mode#--} throwing, 100 fps" "the window at scale 1 is the peer" \
        "with $(cat "$work/game/pairs.txt") click pairs$([[ $over == 1 ]] && echo ", game over by the end") "
    report_court "3840 x 2160: ${mode#--} throwing" "goal: under 6%"
done
if [[ -x $key_latency ]]; then
    for mode in --windowed --fullscreen; do
        saved_game 1 | "$bin/hoopstack-store" encode "$work/game/state.dat"
        rm -f "$work/game/latency.txt"
        xvfb-run -a -s "$big" "$0" --measured-run "$work/game" "$work/time.txt" keys --scale 1 "$mode"
        echo "3840 x 2160: ${mode#--}, key P to the frame showing it: $(tail -n 1 "$work/game/latency.txt" 2>/dev/null ||
            echo "not measured") (one frame period: 20 ms)"
    done
else
    echo "hoopstack-key-latency not built: no key-to-frame delay measured"
fi
