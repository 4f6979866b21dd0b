#!/usr/bin/env bash
# Times pictavo-bench against GraphicsMagick and vips, whole process against whole process, on
# one 4000 x 3000 photo-like picture that it makes itself, and prints a table of best-of-N times
# and ratios (ours / peer). Wall time is what a user waits; CPU time (user + system, all
# threads) is steadier on a machine shared with other work.
#
#   bench/tools/compare.sh [path/to/pictavo-bench]
#   RUNS=5 bench/tools/compare.sh      (default 3)
#   ONLY='smooth|mitchell 50' bench/tools/compare.sh   (only rows whose name matches the regex)
#   OURS=bmp bench/tools/compare.sh   (ours reads and writes the same picture as BMP through the
#                                      editor's picture classes; the peers keep PPM, their fastest)
#
# Needs: graphicsmagick, libvips-tools, imagemagick (for the test picture), GNU time.
set -euo pipefail
cd "$(dirname "$0")/../.."

bench=${1:-build/release/bench/tools/pictavo-bench}
runs=${RUNS:-3}
work=${PICTAVO_COMPARE_DIR:-/tmp/pictavo-compare}
[ -x "$bench" ] || { echo "no $bench: build it with -DPICTAVO_BENCH=ON (target pictavo-bench)" >&2; exit 1; }
for tool in gm vips convert /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing $tool (scripts/install-deps.sh installs it)" >&2; exit 1; }
done
mkdir -p "$work"

photo=$work/photo.ppm
if [ ! -s "$photo" ]; then
  # A seeded fractal with a little blur: smooth areas, edges and many distinct colours.
  convert -seed 42 -size 4000x3000 plasma:fractal -blur 0x1 -depth 8 "$photo"
fi
# The fixed 256-colour palette of the conversion, as a 256 x 1 picture for gm -map.
"$bench" palette - "$work/palette256.ppm" color256 2>/dev/null
# The 3 x 3 kernels of sharpen 10 and smooth 20 as vips integer masks (width height scale offset).
printf '3 3 25 0\n-1 -2 -1\n-2 37 -2\n-1 -2 -1\n' > "$work/sharpen.mat"
printf '3 3 47 0\n1 2 1\n2 35 2\n1 2 1\n' > "$work/smooth.mat"

# Best wall and best CPU seconds of $runs runs of a command: "wall cpu".
measure() {
  local best_wall="" best_cpu="" t wall user sys cpu
  for ((i = 0; i < runs; i++)); do
    /usr/bin/time -f "%e %U %S" -o "$work/time" "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; echo "nan nan"; return; }
    read -r wall user sys < "$work/time"
    cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.2f", u + s }')
    best_wall=$(awk -v a="$wall" -v b="${best_wall:-$wall}" 'BEGIN { print (a < b ? a : b) }')
    best_cpu=$(awk -v a="$cpu" -v b="${best_cpu:-$cpu}" 'BEGIN { print (a < b ? a : b) }')
  done
  echo "$best_wall $best_cpu"
}

printf '%-22s %-34s %8s %8s %7s %8s %8s %7s %7s\n' operation peer "ours s" "peer s" ratio "ours cpu" "peer cpu" ratio target
row() { # name peer-label target -- our arguments -- peer command
  local name=$1 label=$2 target=$3
  [ -z "${ONLY:-}" ] || [[ $name =~ $ONLY ]] || return 0
  shift 3
  local ours=() peer=()
  [ "$1" = "--" ] && shift
  while [ "$1" != "--" ]; do ours+=("$1"); shift; done
  shift
  peer=("$@")
  read -r ow oc < <(measure "$bench" "${ours[@]}")
  read -r pw pc < <(measure "${peer[@]}")
  awk -v n="$name" -v l="$label" -v ow="$ow" -v pw="$pw" -v oc="$oc" -v pc="$pc" -v t="$target" 'BEGIN {
    rw = (pw > 0 ? ow / pw : 0); rc = (pc > 0 ? oc / pc : 0)
    printf "%-22s %-34s %8.2f %8.2f %7.3f %8.2f %8.2f %7.3f %7s\n", n, l, ow, pw, rw, oc, pc, rc, "<=" t }'
}

in=$photo
out=$work/ours.ppm
if [ "${OURS:-ppm}" = bmp ]; then
  [ -s "$work/photo.bmp" ] || convert "$photo" -type TrueColor BMP3:"$work/photo.bmp"
  in=$work/photo.bmp
  out=$work/ours.bmp
fi
peer_in=$photo
peer_out=$work/peer.ppm
row "brightness 5" "gm -modulate 105" 1.0 -- brightness "$in" "$out" 5 -- gm convert "$peer_in" -modulate 105 "$peer_out"
row "saturation 100" "gm -modulate 100,112.5" 1.0 -- saturation "$in" "$out" 100 -- gm convert "$peer_in" -modulate 100,112.5 "$peer_out"
row "contrast up" "gm -contrast" 1.0 -- contrast "$in" "$out" up -- gm convert "$peer_in" -contrast "$peer_out"
row "sharpen 10" "vips conv (3x3 integer)" 1.0 -- sharpen "$in" "$out" 10 -- vips conv "$peer_in" "$peer_out" "$work/sharpen.mat" --precision integer
row "smooth 20" "vips conv (3x3 integer)" 1.0 -- smooth "$in" "$out" 20 -- vips conv "$peer_in" "$peer_out" "$work/smooth.mat" --precision integer
row "negative" "vips invert" 1.0 -- negative "$in" "$out" -- vips invert "$peer_in" "$peer_out"
row "invert" "vips invert" 1.0 -- invert "$in" "$out" -- vips invert "$peer_in" "$peer_out"
# Filters vips has are compared with vips resize; the others with the closest filter gm has.
for size in 50 250; do
  w=$((4000 * size / 100)); h=$((3000 * size / 100)); scale=$(awk -v s="$size" 'BEGIN { print s / 100 }')
  for filter in nearest triangle hermite bell bspline lanczos3 mitchell; do
    case $filter in
      nearest) peer=(vips resize "$peer_in" "$peer_out" "$scale" --kernel nearest); label="vips resize nearest" ;;
      triangle) peer=(vips resize "$peer_in" "$peer_out" "$scale" --kernel linear); label="vips resize linear" ;;
      lanczos3) peer=(vips resize "$peer_in" "$peer_out" "$scale" --kernel lanczos3); label="vips resize lanczos3" ;;
      mitchell) peer=(vips resize "$peer_in" "$peer_out" "$scale" --kernel mitchell); label="vips resize mitchell" ;;
      hermite) peer=(gm convert "$peer_in" -filter Hermite -resize "${w}x${h}!" "$peer_out"); label="gm -filter Hermite" ;;
      bell) peer=(gm convert "$peer_in" -filter Quadratic -resize "${w}x${h}!" "$peer_out"); label="gm -filter Quadratic" ;;
      bspline) peer=(gm convert "$peer_in" -filter Cubic -resize "${w}x${h}!" "$peer_out"); label="gm -filter Cubic (B-spline)" ;;
    esac
    row "resize $filter ${size}%" "$label" 1.0 -- "resize-$filter" "$in" "$out" "${w}x${h}" -- "${peer[@]}"
  done
done
# The picture commands: each against both peers; the target holds for the faster one.
row "rotate 90" "gm -rotate 90" 1.0 -- rotate "$in" "$out" 90 -- gm convert "$peer_in" -rotate 90 "$peer_out"
row "rotate 90" "vips rot d90" 1.0 -- rotate "$in" "$out" 90 -- vips rot "$peer_in" "$peer_out" d90
row "rotate 17" "gm -rotate 17" 1.0 -- rotate "$in" "$out" 17 -- gm convert "$peer_in" -rotate 17 "$peer_out"
row "rotate 17" "vips rotate 17" 1.0 -- rotate "$in" "$out" 17 -- vips rotate "$peer_in" "$peer_out" 17
row "scale 50%" "gm -resize 50% (Lanczos)" 1.0 -- resize-lanczos3 "$in" "$out" 2000x1500 -- gm convert "$peer_in" -filter Lanczos -resize 2000x1500! "$peer_out"
row "scale 50%" "vips resize 0.5 lanczos3" 1.0 -- resize-lanczos3 "$in" "$out" 2000x1500 -- vips resize "$peer_in" "$peer_out" 0.5 --kernel lanczos3
row "convert color256" "gm +dither -map (256 colours)" 0.05 -- convert "$in" "$out" color256 -- gm convert "$peer_in" +dither -map "$work/palette256.ppm" "$peer_out"
rm -f "$out" "$peer_out"
