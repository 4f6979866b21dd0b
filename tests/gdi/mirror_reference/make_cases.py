#!/usr/bin/env python3
"""Writes cases.txt: StretchBlt whose source rectangle reaches outside the source DIB, mirrored and not."""
HEADER = """; StretchBlt with a source rectangle reaching outside the source picture: cut on the low and
; the high side by 1, 2 and 4 pixels, at equal size, enlarged and reduced, mirrored by a negative
; destination extent, by a negative source extent, and plain beside them.
;
; Made with make_cases.py beside this file; out/ holds what the platform's GDI drew for each case,
; taken with the oracle program of the shared gdi-reference folder (its tool/ and README): a
; developer machine needs the Debian packages wine64 and gcc-mingw-w64-x86-64 to rebuild it.
; They are not part of the project's install.
"""
W, H = 8, 6          # source DIB (generated 'cube', every pixel distinct)
DW, DH = 20, 16      # destination DIB
out = []
def case(name, note, calls, bpp=24):
    out.append(f"case {name}_{bpp}")
    out.append(f"note {note}")
    if bpp == 24:
        out.append(f"dib {DW} {DH} 24 none")
        out.append("fillraw 0xff00ff")
    else:
        out.append(f"dib {DW} {DH} 8 color256")
        out.append("fillraw 255")
    out.append("SetStretchBltMode COLORONCOLOR")
    src = f"{W} {H} 24 none cube" if bpp == 24 else f"{W} {H} 8 color256 index"
    for c in calls:
        out.append(f"StretchBltFrom {src} {c} SRCCOPY")
    out.append("end")
    out.append("")

# (tag, source length along the cut axis, destination length): 1:1, enlarged, reduced
scales = [("same", 6, 6), ("up", 5, 9), ("down", 7, 4)]
for axis in ("x", "y"):
    full = W if axis == "x" else H
    for side in ("lo", "hi"):
        for tag, sl, dl in scales:
            for mirror in ("plain", "mirror", "srcmirror"):
                calls = []
                # several offsets of the cut, each into its own band of the destination
                for k, cut in enumerate((1, 2, 4)):
                    s0 = -cut if side == "lo" else full - sl + cut
                    if axis == "x":
                        yd = 1 + 5 * k
                        xd, wd, xs, ws = 2, dl, s0, sl
                        if mirror == "mirror":
                            xd, wd = 2 + dl - 1, -dl
                        if mirror == "srcmirror":
                            xs, ws = s0 + sl - 1, -sl
                        calls.append(f"{xd} {yd} {wd} 4 {xs} 1 {ws} 4")
                    else:
                        xd = 1 + 6 * k
                        yd, hd, ys, hs = 2, dl, s0, sl
                        if mirror == "mirror":
                            yd, hd = 2 + dl - 1, -dl
                        if mirror == "srcmirror":
                            ys, hs = s0 + sl - 1, -sl
                        calls.append(f"{xd} {yd} 5 {hd} 1 {ys} 5 {hs}")
                case(f"mcut_{axis}{side}_{tag}_{mirror}",
                     f"{axis} source cut on the {'low' if side == 'lo' else 'high'} side by 1, 2, 4; {tag}; {mirror}",
                     calls)
# Both axes mirrored and cut at once, and a cut source at another depth
for tag, sl, dl in scales:
    calls = [f"{2 + dl - 1} {2 + dl - 1} {-dl} {-dl} -2 -1 {sl} {sl}",
             f"{11 + dl - 1} {2 + dl - 1} {-dl} {-dl} {W - sl + 3} {H - sl + 2} {sl} {sl}"]
    case(f"mcut_xy_{tag}_mirror", f"both axes mirrored, cut low and high; {tag}", calls)
    case(f"mcut_xy_{tag}_mirror", f"both axes mirrored, cut low and high; {tag}", calls, bpp=8)
# Mirrored, source cut, and the destination reaching past the picture's edges as well
case("mcut_destclip_mirror", "mirrored in both axes, source cut low, destination past the left and top edges",
     ["4 3 -9 -7 -2 -1 5 4", "19 15 -7 -9 5 3 4 5"])
open("cases.txt", "w").write(HEADER + "\n" + "\n".join(out) + "\n")
