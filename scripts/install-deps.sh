#!/usr/bin/env bash
# Installs the Debian 12 packages Пиктаво needs to build, test, run and benchmark.
# Idempotent: does nothing when every package is already there.
set -euo pipefail

packages=(
  build-essential cmake pkg-config      # toolchain
  qt6-base-dev qt6-base-dev-tools       # Qt 6 Widgets, Gui, PrintSupport, Test and moc/rcc
  qt6-qpa-plugins libgl-dev             # the xcb platform plugin; OpenGL headers Qt's CMake asks for
  qt6-translations-l10n                 # Qt's own Russian texts: standard buttons, colour and font dialogs
  libjpeg-dev libtiff-dev libpng-dev zlib1g-dev libwebp-dev   # picture codecs
  webp                                  # cwebp, dwebp and img2webp: WebP fixtures of the tests, the bench peer
  libuemf-dev                           # enhanced metafile records
  libzstd-dev                           # compression of the undo history
  libsane-dev                           # scanning through SANE
  libgtest-dev libgmock-dev libbenchmark-dev      # tests and benchmarks
  xvfb xauth imagemagick                # screenshots under a virtual display, fixtures
  fonts-dejavu-core fonts-liberation    # fonts with Cyrillic (Liberation Serif for the About box)
  hyperfine                             # whole-process timing in bench/
  poppler-utils                         # pdftoppm: the print tests render the PDF they printed
  graphicsmagick                        # peer timings in bench/tools/compare.sh (gm -modulate, -contrast, -map)
  libvips-tools                         # peer timings in bench/tools/compare.sh (vips conv, invert, resize)
  libjpeg-turbo-progs                   # djpeg and cjpeg: the JPEG peer of bench/tools/formats_compare.sh
  openbox                               # a window manager for scripts/screenshot.sh: title bars, stay-on-top
  xdotool                               # the kill test's mouse and keys on the real window
  desktop-file-utils                    # checks the desktop entry the install target puts in place
  shared-mime-info dpkg-dev             # the package test: the desktop's type list; cpack -G DEB and its dependencies
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages: ${missing[*]}" >&2
  echo "Run as root (or: sudo $0) to install them." >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
