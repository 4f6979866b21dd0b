#!/usr/bin/env bash
# The layering check passes a tree whose includes point downward and names every include that
# points up or sideways, and every folder that is in no room.
set -uo pipefail
check="$(dirname "$0")/../../scripts/check-layers.sh"
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT

put() { mkdir -p "$tree/src/$(dirname "$1")"; printf '#include "%s"\n' "${@:2}" >"$tree/src/$1"; }
put app/main.cpp document/form_main.h platform/forms/modal.h
put document/form_main.h drawing/tool_state.h editing/undo_history.h imaging/dib_graphic.h
put editing/view.cpp imaging/transforms/resize.h platform/gdi/dib_surface.h view.h
put imaging/formats/bmp.cpp imaging/dib_graphic.h platform/framework/stream.h
put platform/forms/modal.cpp platform/framework/exceptions.h
if ! out=$(bash "$check" "$tree"); then
    echo "a tree with downward includes only was refused:"; echo "$out"; exit 1
fi

put imaging/dib_graphic.cpp document/form_main.h
put imaging/dib_graphic.h imaging/transforms/hsl.h
put drawing/tool_state.cpp editing/undo_history.h
put platform/gdi/blit.cpp platform/framework/bitmap.h
put tools/x.cpp app/main.h
out=$(bash "$check" "$tree") && { echo "upward includes passed"; exit 1; }
status=0
for expected in \
    "src/imaging/dib_graphic.cpp:1: includes document/form_main.h, but imaging may not depend on document" \
    "src/imaging/dib_graphic.h:1: includes imaging/transforms/hsl.h, but imaging may not depend on imaging/transforms" \
    "src/drawing/tool_state.cpp:1: includes editing/undo_history.h, but drawing may not depend on editing" \
    "src/platform/gdi/blit.cpp:1: includes platform/framework/bitmap.h, but platform/gdi may not depend on platform/framework" \
    "src/tools/x.cpp: the folder src/tools is in no room of scripts/check-layers.sh" \
    "layering: 5 include(s) against the room order (app -> document/drawing/editing -> imaging -> platform)"; do
    grep -qxF "$expected" <<<"$out" || { echo "missing: $expected"; status=1; }
done
[ "$status" = 0 ] || { echo "got:"; echo "$out"; }
exit $status
