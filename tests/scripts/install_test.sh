#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks that the program, its desktop entry and its
# icon land where desktops look for them, and that the entry is valid.
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/pictavo share/applications/pictavo.desktop share/icons/hicolor/64x64/apps/pictavo.png; do
  [ -e "$prefix/$f" ] || { echo "not installed: $f" >&2; exit 1; }
done
entry=$prefix/share/applications/pictavo.desktop
grep -qx 'Name=Пиктаво' "$entry" || { echo "wrong Name" >&2; exit 1; }
grep -qx 'Exec=pictavo %F' "$entry" || { echo "wrong Exec" >&2; exit 1; }
for type in image/bmp image/jpeg image/tiff image/png image/x-icon image/x-pcx image/x-tga; do
  grep -q "^MimeType=.*$type;" "$entry" || { echo "MIME type missing: $type" >&2; exit 1; }
done
desktop-file-validate "$entry"
