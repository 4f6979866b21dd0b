#!/usr/bin/env bash
# Builds the Debian package from a build folder, unpacks it into a scratch root and checks what a
# desktop needs of it: the program, the desktop entry (valid, and naming a type for every
# extension the program reads), the icon at each usual size, the types the desktop's own list
# lacks, the help page with its pictures, and the package's dependencies.
set -euo pipefail
build=$(cd "$1" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "$*" >&2; exit 1; }

# Staging and the package go to the scratch folder, so a test run leaves the build folder as it was.
(cd "$scratch" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" 2>&1) \
  || { cat "$scratch/cpack.log" >&2; fail "cpack failed"; }
debs=("$scratch"/out/pictavo_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "no single pictavo_*.deb in $(ls "$scratch/out")"
deb=${debs[0]}
root=$scratch/root
dpkg-deb -x "$deb" "$root"

for f in usr/bin/pictavo usr/lib/pictavo/libpictavo_twain_dsm.so usr/share/applications/pictavo.desktop usr/share/mime/packages/pictavo.xml \
         "usr/share/pictavo/Пиктаво.htm"; do
  [ -f "$root/$f" ] || fail "not in the package: $f"
done
[ -x "$root/usr/bin/pictavo" ] || fail "the program is not executable"
for size in 16 22 24 32 48 64 128 256; do
  icon=$root/usr/share/icons/hicolor/${size}x${size}/apps/pictavo.png
  [ -f "$icon" ] || fail "no ${size}x${size} icon"
  # Width and height are the big-endian words at bytes 16 and 20 of a PNG.
  dims=$(od -An -tu1 -j16 -N8 "$icon" | awk '{print $3*256+$4 "x" $7*256+$8}')
  [ "$dims" = "${size}x${size}" ] || fail "the ${size}x${size} icon is $dims"
done

# Every picture the help page shows is in the package.
page="$root/usr/share/pictavo/Пиктаво.htm"
grep -o 'src="[^"]*"' "$page" | sed 's/^src="//; s/"$//' | while read -r picture; do
  [ -f "$root/usr/share/pictavo/$picture" ] || fail "the help page shows $picture, which is not in the package"
done

entry=$root/usr/share/applications/pictavo.desktop
desktop-file-validate "$entry"
grep -qx 'Icon=pictavo' "$entry" || fail "the entry names another icon"
types=$(sed -n 's/^MimeType=//p' "$entry")
# The types each extension may have, by the desktop's list and the package's own additions; the
# entry must name one of them (.vst is also a drawing program's type).
types_of() {
  awk -v glob="*.$1" '
    /<mime-type / { match($0, /type="[^"]*"/); current = substr($0, RSTART + 6, RLENGTH - 7) }
    index($0, "pattern=\"" glob "\"") { print current }
  ' "$root/usr/share/mime/packages/pictavo.xml" /usr/share/mime/packages/freedesktop.org.xml
}
for ext in bmp ico emf wmf jpg jpeg tif tiff pcx pcc dcx tga vst afi png webp; do
  known=$(types_of "$ext")
  [ -n "$known" ] || fail "no type known for .$ext"
  named=
  for type in $known; do
    [[ ";$types" == *";$type;"* ]] && named=$type
  done
  [ -n "$named" ] || fail ".$ext is $(echo $known), none of which the entry names"
done

depends=$(dpkg-deb -f "$deb" Depends)
for package in libc6 libqt6widgets6 libqt6printsupport6 qt6-qpa-plugins; do
  [[ "$depends" == *"$package"* ]] || fail "Depends lacks $package: $depends"
done
