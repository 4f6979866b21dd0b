#!/usr/bin/env bash
# Installs what is missing, builds the test configuration (AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs every test offscreen, after checking that no source file
# includes a room above its own. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/check-layers.sh
bash scripts/install-deps.sh
build=build/test
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DPICTAVO_SANITIZE=ON -DPICTAVO_TESTS=ON >/dev/null
cmake --build "$build" -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" --timeout 900
