#!/usr/bin/env bash
# Fails when a file under src/ includes a header from a room above its own, so that the
# dependencies keep pointing downward: app -> document/drawing/editing -> imaging -> platform.
# Tests, benchmarks and fuzzers may include anything and are not checked. Checks the checkout
# it lies in, or the one named as its argument.
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"

# A room, then the rooms its files may include besides its own. A file belongs to the longest
# room that holds its folder, so a folder that is no room of its own (imaging/formats) is part
# of the room above it. Imaging needs no widgets, so it leaves the forms alone.
platform='platform/gdi platform/framework platform'
imaging='imaging imaging/transforms imaging/commands'
rooms="
platform/gdi
platform/framework  platform/gdi
platform/forms      platform/gdi platform/framework
platform            platform/gdi platform/framework
imaging             $platform
imaging/transforms  $platform imaging
imaging/commands    $platform imaging imaging/transforms
editing             $platform platform/forms $imaging
drawing             $platform platform/forms $imaging
document            $platform platform/forms $imaging editing drawing
app                 $platform platform/forms $imaging editing drawing document
"

grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"]+/' src --include='*.h' --include='*.cpp' |
awk -v rooms="$rooms" '
  BEGIN {
    n = split(rooms, lines, "\n")
    for (i = 1; i <= n; i++) {
      k = split(lines[i], words, /[ \t]+/)
      if (k == 0 || words[1] == "") continue
      known[words[1]] = 1
      for (j = 2; j <= k; j++) allowed[words[1], words[j]] = 1
    }
  }
  # The longest room that holds the path, or "" when no room does.
  function roomOf(path,   best, r) {
    best = ""
    for (r in known)
      if ((path == r || index(path, r "/") == 1) && length(r) > length(best)) best = r
    return best
  }
  function mayInclude(from, to) {
    return from == to || ((from, to) in allowed)
  }
  {
    file = $0; sub(/:.*/, "", file)
    line = $0; sub(/^[^:]*:/, "", line); sub(/:.*/, "", line)
    header = $0; sub(/^[^"]*"/, "", header); sub(/".*/, "", header)
    folder = file; sub(/^src\//, "", folder); sub(/\/[^\/]*$/, "", folder)
    from = roomOf(folder)
    if (from == "") {
      if (!(folder in unknown)) print file ": the folder src/" folder " is in no room of scripts/check-layers.sh"
      unknown[folder] = 1; bad++
      next
    }
    to = roomOf(header)
    if (to == "" || mayInclude(from, to)) next
    print file ":" line ": includes " header ", but " from " may not depend on " to
    bad++
  }
  END {
    if (bad) { print "layering: " bad " include(s) against the room order (app -> document/drawing/editing -> imaging -> platform)"; exit 1 }
  }
'
