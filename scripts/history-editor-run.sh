#!/usr/bin/env bash
# The real editor with ten windows of 4960 x 7015 pages, 24 brightness steps each, under one
# 1 GB history budget: prints the resident memory against the pictures, their work images and
# the budget, then checks that every window undoes to its first picture exactly. Takes minutes;
# not part of ./test.sh. Arguments go on to the run (e.g. nothing, or --gtest_repeat=1);
# PICTAVO_HISTORY_RUN_WINDOWS, _WIDTH, _HEIGHT, _STEPS and _BUDGET_MB make it smaller.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/release-history
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DPICTAVO_TESTS=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target pictavo_history_editor_run
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$build/tests/app/pictavo_history_editor_run" "$@"
