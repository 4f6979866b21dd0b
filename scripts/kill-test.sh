#!/usr/bin/env bash
# Kills the editor at random moments and checks that the next start gives back every unsaved
# picture as it was at least one second before the kill.
#
#   scripts/kill-test.sh [KILLS] [SEED]
#
# Each round starts the editor on a virtual display with two pictures named on the command line
# and one new untitled picture, makes seeded random changes through the real window (figures
# dragged with the mouse, tools chosen, undo and redo, switching windows), sends SIGKILL at a
# random moment, starts the editor again and answers its recovery dialog with "Восстановить".
# Every restored picture must be one its window held after the last change that completed at least
# a second before the kill (the editor lists them with digests in PICTAVO_JOURNAL_TRACE), and no
# journalled window may be missing. Crashes (an editor gone before the kill, or after restoring)
# and sanitizer reports are counted too. KILLS defaults to 200; the program is PICTAVO_BIN, else
# the sanitizer build build/test/src/app/pictavo. Exits non-zero on any difference, crash or report.
set -euo pipefail
cd "$(dirname "$0")/.."

kills="${1:-200}"
seed="${2:-1}"
bin="${PICTAVO_BIN:-build/test/src/app/pictavo}"
[ -x "$bin" ] || { echo "no program at $bin" >&2; exit 2; }
for tool in Xvfb xdotool convert; do
  command -v "$tool" >/dev/null || { echo "kill test skipped: no $tool" >&2; exit 77; }
done
RANDOM="$seed"

work="$(mktemp -d)"
display=110
while [ -e "/tmp/.X${display}-lock" ] || [ -e "/tmp/.X11-unix/X${display}" ]; do
  display=$((display + 1))
done

pids=()
cleanup() {
  for pid in "${pids[@]}"; do
    kill -9 "$pid" 2>/dev/null || true
  done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb ":$display" -screen 0 1024x700x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=":$display"
for _ in $(seq 50); do
  [ -e "/tmp/.X11-unix/X${display}" ] && break
  sleep 0.1
done
if command -v openbox >/dev/null; then
  openbox >/dev/null 2>&1 &
  pids+=($!)
  sleep 0.5
fi
unset QT_QPA_PLATFORM
export ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1

convert -size 320x240 xc:white -type TrueColor "BMP3:$work/white.bmp"
convert -size 300x200 gradient:red-blue -type TrueColor "BMP3:$work/gradient.bmp"

now_ms() { date +%s%3N; }

# Waits up to $2 seconds for a window whose name matches $1.
wait_window() {
  local name="$1" limit="$2" i
  for i in $(seq $((limit * 10))); do
    xdotool search --name "$name" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}

# Random changes through the window, forever; the view shows every picture centred on the
# same spot, so drags there reach whichever window is in front.
make_changes() {
  RANDOM="$1"
  while true; do
    case $((RANDOM % 12)) in
      0) xdotool key ctrl+z ;;
      1) xdotool key alt+BackSpace ;;
      2) xdotool key ctrl+Tab ;;
      3) xdotool mousemove 101 215 click 1 ;; # line
      4) xdotool mousemove 147 215 click 1 ;; # rectangle
      5) xdotool mousemove 101 242 click 1 ;; # ellipse
      *)
        local x1=$((430 + RANDOM % 310)) y1=$((300 + RANDOM % 210))
        local x2=$((430 + RANDOM % 310)) y2=$((300 + RANDOM % 210))
        xdotool mousemove "$x1" "$y1" mousedown 1 mousemove $(((x1 + x2) / 2)) $(((y1 + y2) / 2)) \
          mousemove "$x2" "$y2" mouseup 1
        ;;
    esac
    sleep "0.$((RANDOM % 4))$((RANDOM % 10))"
  done
}

differences=0
crashes=0
reports=0
restored_total=0
for round in $(seq "$kills"); do
  dir="$work/round"
  before_round="$differences$crashes"
  rm -rf "$dir"
  mkdir -p "$dir/state"
  export XDG_STATE_HOME="$dir/state"

  PICTAVO_JOURNAL_TRACE="$dir/before.txt" "$bin" "$work/white.bmp" "$work/gradient.bmp" >"$dir/before.log" 2>&1 &
  app=$!
  pids+=($app)
  if ! wait_window "gradient.bmp" 30; then
    echo "round $round: the editor did not start" >&2
    crashes=$((crashes + 1))
    kill -9 "$app" 2>/dev/null || true
    continue
  fi
  sleep 0.5
  # "Новый" from the window's "&Файл", its size dialog answered as offered: an untitled picture.
  xdotool key alt+Cyrillic_ef
  sleep 0.3
  xdotool key Return
  sleep 0.7
  xdotool key Return
  wait_window "Без имени" 10 || true

  make_changes "$((seed * 1000 + round))" &
  changer=$!
  sleep "$((1 + RANDOM % 5)).$((RANDOM % 10))"
  if ! kill -0 "$app" 2>/dev/null; then
    echo "round $round: the editor ended before the kill" >&2
    crashes=$((crashes + 1))
  fi
  kill -9 "$app" 2>/dev/null || true
  killed_at=$(now_ms)
  kill "$changer" 2>/dev/null || true
  wait "$changer" 2>/dev/null || true
  wait "$app" 2>/dev/null || true
  touch "$dir/before.txt"

  # Which windows had a change on the disk for sure: a change a second before the kill. A
  # window's journal may have started anew (a new file) since; the trace names the window.
  windows=$(awk -v limit=$((killed_at - 1000)) '$1 == "change" && $2 <= limit { print $5 }' "$dir/before.txt" | sort -u)
  offered=$(ls "$dir/state/pictavo/recovery/" 2>/dev/null | grep -c '\.journal$' || true)

  PICTAVO_JOURNAL_TRACE="$dir/after.txt" "$bin" >"$dir/after.log" 2>&1 &
  app=$!
  pids+=($app)
  if [ "$offered" -gt 0 ]; then
    if wait_window "Восстановление рисунков" 30; then
      sleep 0.3
      xdotool search --name "Восстановление рисунков" windowactivate --sync 2>/dev/null || true
      xdotool key Return
      for _ in $(seq 100); do
        [ "$(cat "$dir/after.txt" 2>/dev/null | grep -c '^restored' || true)" -ge "$offered" ] && break
        sleep 0.1
      done
    else
      echo "round $round: no recovery dialog for $offered journals" >&2
      differences=$((differences + 1))
    fi
  fi
  sleep 0.3
  if ! kill -0 "$app" 2>/dev/null; then
    echo "round $round: the editor ended after restoring" >&2
    crashes=$((crashes + 1))
  fi
  kill -9 "$app" 2>/dev/null || true
  wait "$app" 2>/dev/null || true
  touch "$dir/after.txt"

  # Every restored picture is one its window held at or after its last change a second before
  # the kill; every window with such a change is restored.
  for window in $windows; do
    restored=$(awk -v w="$window" '
        FILENAME == ARGV[1] && $1 == "change" && $5 == w { mine[$3] = 1 }
        FILENAME == ARGV[2] && $1 == "restored" && ($3 in mine) { hash = $4 }
        END { print hash }' "$dir/before.txt" "$dir/after.txt")
    if [ -z "$restored" ]; then
      echo "round $round: window $window was not restored" >&2
      differences=$((differences + 1))
      continue
    fi
    if ! awk -v w="$window" -v limit=$((killed_at - 1000)) -v want="$restored" '
        BEGIN { n = 0 }
        $1 == "change" && $5 == w { time[n] = $2; hash[n] = $4; n++ }
        END {
          last = -1
          for (i = 0; i < n; i++) if (time[i] <= limit) last = i
          for (i = (last < 0 ? 0 : last); i < n; i++) if (hash[i] == want) exit 0
          exit 1
        }' "$dir/before.txt"; then
      echo "round $round: window $window came back as a picture it did not hold after $((killed_at - 1000))" >&2
      differences=$((differences + 1))
    fi
    restored_total=$((restored_total + 1))
  done
  # KILL_TEST_KEEP names a folder that keeps the traces and journals of rounds that went wrong.
  if [ -n "${KILL_TEST_KEEP:-}" ] && [ "$differences$crashes" != "$before_round" ]; then
    cp -r "$dir" "$KILL_TEST_KEEP/round-$round"
    echo "$killed_at" >"$KILL_TEST_KEEP/round-$round/killed_at"
  fi
  [ -n "${KILL_TEST_VERBOSE:-}" ] && echo "round $round: $(echo $windows | wc -w) windows journalled, $offered journals offered" >&2
  if grep -qE 'runtime error|AddressSanitizer|UndefinedBehaviorSanitizer' "$dir/before.log" "$dir/after.log"; then
    echo "round $round: sanitizer report" >&2
    grep -hE -A5 'runtime error|AddressSanitizer' "$dir/before.log" "$dir/after.log" | head -20 >&2
    reports=$((reports + 1))
  fi
done

echo "kills $kills, pictures checked $restored_total, differences $differences, crashes $crashes, sanitizer reports $reports"
[ "$differences" -eq 0 ] && [ "$crashes" -eq 0 ] && [ "$reports" -eq 0 ]
