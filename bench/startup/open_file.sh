#!/usr/bin/env bash
# Times the whole process of the editor opening a 4000 x 3000 picture named on its command line
# until the picture is first painted, against the bare start-up plus 1.5 times the decode alone
# (goal: at most that). For reference it also times opening a 16 x 16 picture of the same format:
# what the picture window itself costs (building, showing, painting and closing it) when there is
# next to nothing to decode.
#
#   bench/startup/open_file.sh [RUNS] [EXTENSION]     (EXTENSION: bmp by default; jpg, png, tif ...)
#
# Runs on a virtual display (xvfb-run) unless QT_QPA_PLATFORM is set (e.g. offscreen).
set -euo pipefail
cd "$(dirname "$0")/../.."
runs="${1:-10}"
extension="${2:-bmp}"

build=${PICTAVO_BENCH_BUILD:-build/bench-release}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DPICTAVO_TESTS=OFF -DPICTAVO_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target pictavo pictavo-bench >/dev/null

editor="$PWD/$build/src/app/pictavo"
bench="$(find "$PWD/$build/bench" -name pictavo-bench -type f -perm -u+x | head -1)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
picture="$work/picture.$extension"
convert -size 4000x3000 gradient:navy-orange -type TrueColor "bmp3:$work/source.bmp"
small="$work/small.$extension"
convert -size 16x16 gradient:navy-orange -type TrueColor "bmp3:$work/small_source.bmp"
if [ "$extension" = bmp ]; then
    cp "$work/source.bmp" "$picture"
    cp "$work/small_source.bmp" "$small"
else
    "$bench" copy "$work/source.bmp" "$picture" 2>/dev/null
    "$bench" copy "$work/small_source.bmp" "$small" 2>/dev/null
fi

# The decode alone: the median of the reads pictavo-bench reports (it reads through the same classes).
decode_ms=$(for _ in $(seq "$runs"); do "$bench" copy "$picture" "$work/out.ppm" 2>&1 | sed -n 's/^read \([0-9.]*\) ms.*/\1/p'; done |
            sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')

csv="$(mktemp --suffix=.csv)"
trap 'rm -rf "$work" "$csv"' EXIT
export PICTAVO_QUIT_WHEN_SHOWN=1
timing=(hyperfine -N --warmup 2 --runs "$runs" --export-csv "$csv"
        -n "bare start-up" "$editor" -n "opening $extension" "$editor $picture"
        -n "opening a 16 x 16 $extension" "$editor $small")
if [ -n "${QT_QPA_PLATFORM:-}" ]; then "${timing[@]}"; else xvfb-run -a "${timing[@]}"; fi

# Columns: command,mean,stddev,median,user,system,min,max (seconds).
awk -F, -v decode="$decode_ms" 'NR == 2 { bare = $4 * 1000 } NR == 3 { open = $4 * 1000 } NR == 4 { small = $4 * 1000 }
     END { goal = bare + 1.5 * decode
           printf "window alone (16 x 16 picture) %.1f ms over bare\n", small - bare
           printf "bare %.1f ms, decode %.1f ms, opening %.1f ms; goal %.1f ms; ratio to goal %.2f (<= 1.0)\n",
                  bare, decode, open, goal, open / goal }' "$csv"
