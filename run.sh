#!/usr/bin/env bash
# Installs what is missing, builds the release and starts Пиктаво.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/install-deps.sh
build=build/release
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DPICTAVO_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target pictavo
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found. Start it under a virtual display instead: xvfb-run ./run.sh" >&2
  exit 1
fi
exec "$build/src/app/pictavo"
