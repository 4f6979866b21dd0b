#!/usr/bin/env bash
# Rebuilds the program's pictures (resources/*.png) from make_artwork.cpp.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
g++ -std=c++20 -O1 -fPIC "$here/make_artwork.cpp" -o "$tmp/make_artwork" $(pkg-config --cflags --libs Qt6Gui)
"$tmp/make_artwork" "$here/.."
