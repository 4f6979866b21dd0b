#!/usr/bin/env bash
# Times the whole process until the frame is first painted, side by side with a minimal Qt program
# that shows an empty main window, and prints the ratio (goal: at most 1.5).
#
#   bench/startup/compare.sh [RUNS]
#
# Runs on a virtual display (xvfb-run) unless QT_QPA_PLATFORM is set (e.g. offscreen).
set -euo pipefail
cd "$(dirname "$0")/../.."
runs="${1:-30}"

build=build/bench-release
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DPICTAVO_TESTS=OFF -DPICTAVO_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target pictavo pictavo_startup_baseline >/dev/null

editor="$PWD/$build/src/app/pictavo"
baseline="$PWD/$build/bench/startup/pictavo_startup_baseline"
csv="$(mktemp --suffix=.csv)"
trap 'rm -f "$csv"' EXIT

export PICTAVO_QUIT_WHEN_SHOWN=1
timing=(hyperfine -N --warmup 3 --runs "$runs" --export-csv "$csv"
        -n "minimal Qt window" "$baseline" -n "Пиктаво" "$editor")
if [ -n "${QT_QPA_PLATFORM:-}" ]; then
  "${timing[@]}"
else
  xvfb-run -a "${timing[@]}"
fi

# Columns: command,mean,stddev,median,user,system,min,max (seconds).
awk -F, 'NR == 2 { base = $2 } NR == 3 { editor = $2 }
         END { printf "minimal %.1f ms, Пиктаво %.1f ms, ratio %.2f (goal <= 1.5)\n",
                      base * 1000, editor * 1000, editor / base }' "$csv"
