#!/usr/bin/env python3
"""Writes a large 24-bit PNG row by row, without holding the picture in memory.

    make-big-png.py WIDTH HEIGHT OUT.png [--solid RRGGBB]

Without --solid the rows are diagonal colour bands (each row the one above shifted by a
pixel), which compress well but are not one colour; with it every pixel is that colour, so a
picture of a gigapixel takes a few megabytes.
"""
import argparse
import struct
import zlib


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("width", type=int)
    parser.add_argument("height", type=int)
    parser.add_argument("out")
    parser.add_argument("--solid")
    args = parser.parse_args()
    width, height = args.width, args.height

    if args.solid:
        pixel = bytes.fromhex(args.solid)
        base = pixel * width
    else:
        band = bytes(v for x in range(256) for v in (x, 255 - x, (x * 3) & 255))
        base = (band * (width // 256 + 2))[: 3 * (width + 256)]

    packer = zlib.compressobj(6)
    with open(args.out, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        pending = []
        pending_bytes = 0
        for y in range(height):
            if args.solid:
                row = base
            else:
                shift = 3 * (y % 256)
                row = base[shift : shift + 3 * width]
            pending.append(packer.compress(b"\x00" + row))
            pending_bytes += len(pending[-1])
            if pending_bytes >= 1 << 20:
                out.write(chunk(b"IDAT", b"".join(pending)))
                pending, pending_bytes = [], 0
        pending.append(packer.flush())
        out.write(chunk(b"IDAT", b"".join(pending)))
        out.write(chunk(b"IEND", b""))


if __name__ == "__main__":
    main()
