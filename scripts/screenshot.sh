#!/usr/bin/env bash
# Starts Пиктаво on a virtual display, waits, optionally plays a scene, and writes a PNG of the
# whole screen.
#
#   scripts/screenshot.sh OUT.png [WxH] [SECONDS] [SCENARIO]
#
# WxH is the screen size (default 1024x700), SECONDS how long to wait before the picture is taken
# (default 2; 0.3 catches the splash). SCENARIO is a scene the program plays for scripted demos
# (PICTAVO_DEMO), 1.5 seconds after start: "about" opens the About box, "menu" the File menu, "open" the
# open dialog, "jpeg-quality" the JPEG quality dialog; with a picture named in PICTAVO_FILES,
# "picture-menu" opens its window's File menu, "image-menu" its "&Изображение" menu,
# "print-preview" its print preview and "picture-size" its "Размер рисунка..." dialog. Picture files named in PICTAVO_FILES
# (space-separated) open as from the command line. The program to run is
# build/release/src/app/pictavo (built when missing) unless PICTAVO_BIN names another.
set -euo pipefail
cd "$(dirname "$0")/.."

out="${1:?usage: scripts/screenshot.sh OUT.png [WxH] [SECONDS] [SCENARIO]}"
size="${2:-1024x700}"
wait_seconds="${3:-2}"
scenario="${4:-}"

bin="${PICTAVO_BIN:-build/release/src/app/pictavo}"
if [ ! -x "$bin" ]; then
  cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DPICTAVO_TESTS=OFF >/dev/null
  cmake --build build/release -j2 --target pictavo
fi

# The first free display number from :90 on.
display=90
while [ -e "/tmp/.X${display}-lock" ] || [ -e "/tmp/.X11-unix/X${display}" ]; do
  display=$((display + 1))
done

pids=()
cleanup() {
  for pid in "${pids[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  wait 2>/dev/null || true
}
trap cleanup EXIT

Xvfb ":$display" -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=":$display"
for _ in $(seq 50); do
  [ -e "/tmp/.X11-unix/X${display}" ] && break
  sleep 0.1
done

# A desktop that is not black, so the splash's see-through parts show.
backdrop="$(mktemp --suffix=.png)"
convert -size "$size" gradient:'#2f6f8f-#7fb0c8' "$backdrop"
display -window root "$backdrop" >/dev/null 2>&1 || true
rm -f "$backdrop"

# A window manager gives the windows their title bars; the picture is still taken without one.
if command -v openbox >/dev/null; then
  openbox >/dev/null 2>&1 &
  pids+=($!)
  sleep 0.5
fi

unset QT_QPA_PLATFORM
# shellcheck disable=SC2086 # the file list is meant to split
PICTAVO_DEMO="$scenario" "$bin" ${PICTAVO_FILES:-} >/dev/null 2>&1 &
pids+=($!)
sleep "$wait_seconds"
import -window root "$out"
echo "$out"
