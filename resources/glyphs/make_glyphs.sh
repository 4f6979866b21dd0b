#!/usr/bin/env bash
# Rebuilds the picture window's button glyphs (resources/glyphs/*.png, at 1x and @2x) from
# make_glyphs.cpp.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
g++ -std=c++20 -O1 -fPIC "$here/make_glyphs.cpp" -o "$tmp/make_glyphs" $(pkg-config --cflags --libs Qt6Gui)
QT_QPA_PLATFORM=offscreen "$tmp/make_glyphs" "$here"
