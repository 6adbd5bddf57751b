#!/usr/bin/env bash
# Idle cost of a real window: `hoopstack-clip show` playing a small animated
# clip (window at 50 frames a second) for 15 s under Xvfb, measured with
# /usr/bin/time. Prints CPU share of one core and peak memory.
set -euo pipefail
tool=${1:-build/bin/hoopstack-clip}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
convert -size 60x60 xc:none -fill '#d03010' -draw 'circle 30,30 30,2' "$work/a.png"
convert -size 60x60 xc:none -fill '#1040c0' -draw 'circle 30,30 30,2' "$work/b.png"
printf 'rate 10\nframe file=a.png x=0 y=0 z=0 key=0xFF00FF rows=bottom-up commands=\nframe file=b.png x=20 y=10 z=0 key=0xFF00FF rows=bottom-up commands=3,0\n' > "$work/clip.txt"
"$tool" build "$work" "$work/anim.clp" >/dev/null
xvfb-run -a -s "-screen 0 1024x768x24" \
  /usr/bin/time -v -o "$work/time.txt" timeout -s INT 15 "$tool" show "$work/anim.clp" || true
awk -F': ' '/User time/ {u=$2} /System time/ {s=$2} /Maximum resident/ {m=$2}
  END { printf "clip show idle: %.2f%% of one core over 15 s, peak %.1f MB (goals: under 2%%, under 40 MB)\n", (u+s)/15*100, m/1024 }' "$work/time.txt"
