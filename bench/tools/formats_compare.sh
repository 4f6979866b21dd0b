#!/usr/bin/env bash
# Whole-process read + write of picture files: pictavo-bench's `copy` (the editor's own picture
# classes, chosen by extension) against other programs converting the same file to the same
# format, on one 4000 x 3000 photo-like picture. The commands of a row run in turn, RUNS rounds
# side by side; the table shows best-of-RUNS wall seconds, the ratio ours / peer, and CPU seconds
# (user + system) as a note.
#
#   bench/tools/formats_compare.sh [path/to/pictavo-bench]
#   RUNS=7 bench/tools/formats_compare.sh          (default 5)
#   ONLY='bmp|jpg' bench/tools/formats_compare.sh   (only formats matching the regex)
#
# BMP is compared with GraphicsMagick and a plain cp; JPEG with djpeg | cjpeg (the same
# library); WebP with dwebp then cwebp at the settings the editor writes (lossy at quality 90, or
# lossless, both with threads; the same library); every other format with the fastest of ImageMagick, GraphicsMagick and libvips.
# A format no picture class is registered for shows as "not registered".
set -euo pipefail
cd "$(dirname "$0")/../.."

bench=${1:-build/bench/bench/tools/pictavo-bench}
runs=${RUNS:-5}
work=${PICTAVO_COMPARE_DIR:-/tmp/pictavo-formats}
[ -x "$bench" ] || { echo "no $bench: build it with -DPICTAVO_BENCH=ON (target pictavo-bench)" >&2; exit 1; }
for tool in gm vips convert djpeg cjpeg dwebp cwebp /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing $tool (scripts/install-deps.sh installs it)" >&2; exit 1; }
done
bench=$(realpath "$bench")
mkdir -p "$work"
cd "$work"

# The same seeded fractal as compare.sh: smooth areas, edges and many distinct colours.
[ -s photo.ppm ] || convert -seed 42 -size 4000x3000 plasma:fractal -blur 0x1 -depth 8 photo.ppm
[ -s photo.bmp ] || convert photo.ppm -type TrueColor BMP3:photo.bmp
[ -s photo.png ] || convert photo.ppm photo.png
[ -s photo.jpg ] || cjpeg -quality 90 photo.ppm > photo.jpg
[ -s photo.tif ] || convert photo.ppm -compress LZW photo.tif
[ -s photo.pcx ] || convert photo.ppm photo.pcx
[ -s photo.tga ] || convert photo.ppm photo.tga
[ -s photo.webp ] || cwebp -quiet -q 90 photo.ppm -o photo.webp
[ -s lossless.webp ] || cwebp -quiet -lossless photo.ppm -o lossless.webp

# One timed run: "wall cpu", or "nan nan" when the command fails.
timed() {
  /usr/bin/time -f "%e %U %S" -o time.txt "$@" >/dev/null 2>&1 || { echo "nan nan"; return; }
  awk '{ printf "%s %.2f\n", $1, $2 + $3 }' time.txt
}
best() { # best of a list of "wall cpu" lines
  awk 'BEGIN { w = "nan"; c = "nan" }
       $1 != "nan" { if (w == "nan" || $1 < w) w = $1; if (c == "nan" || $2 < c) c = $2 }
       END { print w, c }'
}

printf '%-5s %-36s %8s %8s %7s %9s %9s %7s\n' fmt peer "ours s" "peer s" ratio "ours cpu" "peer cpu" target
line() { # format label ours-wall peer-wall ours-cpu peer-cpu target
  awk -v f="$1" -v l="$2" -v ow="$3" -v pw="$4" -v oc="$5" -v pc="$6" -v t="$7" 'BEGIN {
    r = (pw != "nan" && pw > 0) ? sprintf("%7.3f", ow / pw) : "    n/a"
    printf "%-5s %-36s %8s %8s %7s %9s %9s %7s\n", f, l, ow, pw, r, oc, pc, (t == "-" ? "" : "<=" t) }'
}
# row FORMAT: compares ours with each peer command (shell strings in PEERS, names in LABELS,
# targets in TARGETS: a ratio, or "-" for a peer that only counts in the fastest-peer line, whose
# target is FASTEST, when set).
row() {
  local ext=$1
  [ -z "${ONLY:-}" ] || [[ $ext =~ $ONLY ]] || return 0
  local in=${IN:-photo.$ext} out=ours.$ext
  if ! "$bench" copy "$in" "$out" >/dev/null 2>&1; then
    printf '%-5s %s\n' "$ext" "not registered (or unreadable): skipped"
    return 0
  fi
  local -a ours=() peer_times=()
  local i p
  for ((p = 0; p < ${#PEERS[@]}; p++)); do peer_times[p]=""; done
  for ((i = 0; i < runs; i++)); do
    ours+=("$(timed "$bench" copy "$in" "$out")")
    for ((p = 0; p < ${#PEERS[@]}; p++)); do
      peer_times[p]+="$(timed sh -c "${PEERS[p]}")"$'\n'
    done
  done
  read -r ow oc < <(printf '%s\n' "${ours[@]}" | best)
  local fastest="nan nan" fastest_label=""
  for ((p = 0; p < ${#PEERS[@]}; p++)); do
    read -r pw pc < <(printf '%s' "${peer_times[p]}" | best)
    line "$ext" "${LABELS[p]}" "$ow" "$pw" "$oc" "$pc" "${TARGETS[p]}"
    if [ "$pw" != nan ] && { [ "$fastest" = "nan nan" ] || awk -v a="$pw" -v b="${fastest% *}" 'BEGIN { exit !(a < b) }'; }; then
      fastest="$pw $pc" fastest_label=${LABELS[p]}
    fi
  done
  if [ -n "${FASTEST:-}" ]; then
    read -r pw pc <<<"$fastest"
    line "$ext" "fastest: $fastest_label" "$ow" "$pw" "$oc" "$pc" "$FASTEST"
  fi
  rm -f "$out"
}

PEERS=("gm convert photo.bmp peer.bmp" "cp photo.bmp peer.bmp")
LABELS=("gm convert" "cp")
TARGETS=(0.3 8)
FASTEST=""
row bmp
for ext in png tif pcx tga; do
  PEERS=("convert photo.$ext peer.$ext" "gm convert photo.$ext peer.$ext" "vips copy photo.$ext peer.$ext")
  LABELS=("convert (ImageMagick)" "gm convert" "vips copy")
  TARGETS=(- - -)
  FASTEST=1.0
  row "$ext"
done
PEERS=("djpeg photo.jpg | cjpeg -quality 90 > peer.jpg" "convert photo.jpg peer.jpg" "gm convert photo.jpg peer.jpg" "vips copy photo.jpg peer.jpg")
LABELS=("djpeg | cjpeg" "convert (ImageMagick)" "gm convert" "vips copy")
TARGETS=(1.1 - - -)
FASTEST=""
row jpg
# A file read lossy is written lossy at quality 90, one read lossless is written lossless.
PEERS=("dwebp photo.webp -mt -ppm -o peer.ppm 2>/dev/null && cwebp -quiet -mt -q 90 peer.ppm -o peer.webp")
LABELS=("dwebp | cwebp -q 90")
TARGETS=(1.1)
row webp
PEERS=("dwebp lossless.webp -mt -ppm -o peer.ppm 2>/dev/null && cwebp -quiet -mt -lossless peer.ppm -o peer.webp")
LABELS=("dwebp | cwebp -lossless")
IN=lossless.webp row webp
rm -f peer.* time.txt
