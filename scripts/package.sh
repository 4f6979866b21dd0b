#!/usr/bin/env bash
# Builds the release and makes the Debian package of it: build/release/pictavo_VERSION_ARCH.deb.
# Install it with: sudo apt install ./build/release/pictavo_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
build=build/release
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DPICTAVO_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target pictavo
(cd "$build" && cpack -G DEB)
ls "$build"/pictavo_*.deb
