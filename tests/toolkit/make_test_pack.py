#!/usr/bin/env python3
"""Builds the skin archive of the toolkit tests.

It holds the six skins of the product (so layout tests read what ships),
the test skins of fixtures/pack, and small images drawn here with known
pixels. Also writes a two-size icon for the window icon test.
"""
import argparse
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib


def png(width, height, pixels):
    """pixels: rows of (r, g, b, a) tuples."""
    raw = b"".join(b"\0" + b"".join(bytes(p) for p in row) for row in pixels)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def solid(width, height, rgba):
    return png(width, height, [[rgba] * width for _ in range(height)])


def nine_grid():
    # 6x6: 2-pixel corners red, edges green, centre blue (all opaque).
    rows = []
    for y in range(6):
        row = []
        for x in range(6):
            edge_x, edge_y = x < 2 or x >= 4, y < 2 or y >= 4
            if edge_x and edge_y:
                row.append((255, 0, 0, 255))
            elif edge_x or edge_y:
                row.append((0, 255, 0, 255))
            else:
                row.append((0, 0, 255, 255))
        rows.append(row)
    return png(6, 6, rows)


def icon():
    images = []
    for size in (16, 32):
        pixels = bytes([0xFE, 0x75, 0x16, 0xFF]) * (size * size)  # BGRA
        mask = bytes(((size + 31) // 32) * 4 * size)
        header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
        images.append((size, header + pixels + mask))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(d for _, d in images)


def xml_of_size(size):
    head = '<?xml version="1.0" encoding="utf-8"?>\n<Window size="100,100"><Control /><!--'
    tail = "--></Window>\n"
    return (head + "x" * (size - len(head) - len(tail)) + tail).encode()


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--skins", required=True)
    ap.add_argument("--fixtures", required=True)
    ap.add_argument("--out", required=True)
    ap.add_argument("--icon", required=True)
    args = ap.parse_args()

    stage = tempfile.mkdtemp()
    try:
        for name in os.listdir(args.skins):
            if name.endswith(".xml"):
                shutil.copy(os.path.join(args.skins, name), stage)
        for name in os.listdir(args.fixtures):
            shutil.copy(os.path.join(args.fixtures, name), stage)
        os.makedirs(os.path.join(stage, "res", "mainWnd"))
        os.makedirs(os.path.join(stage, "res", "test"))
        files = {
            "res/mainWnd/bg1.png": solid(4, 4, (0xF0, 0xF4, 0xFA, 255)),
            # straight colours with alpha: premultiplied decoding is checked on these
            "res/test/quad.png": png(2, 2, [[(255, 0, 0, 255), (0, 0, 255, 128)], [(0, 255, 0, 0), (255, 255, 255, 255)]]),
            # opaque red pixels become transparent with mask='#FFFF0000'
            "res/test/mask.png": png(2, 1, [[(255, 0, 0, 255), (0, 128, 0, 255)]]),
            "res/test/nine.png": nine_grid(),
            "res/test/half.png": solid(4, 4, (0, 0, 0, 128)),
            "res/test/broken.png": b"\x89PNG\r\n\x1a\nthis is not an image",
        }
        for i in range(3):
            files["res/test/frame%d.png" % i] = solid(2, 2, (i * 100, 0, 0, 255))
        for name, data in files.items():
            with open(os.path.join(stage, name), "wb") as f:
                f.write(data)
        with open(os.path.join(stage, "empty.xml"), "wb"):
            pass
        with open(os.path.join(stage, "limit.xml"), "wb") as f:
            f.write(xml_of_size(4 * 1024 * 1024))
        with open(os.path.join(stage, "huge.xml"), "wb") as f:
            f.write(xml_of_size(4 * 1024 * 1024 + 1))

        if os.path.exists(args.out):
            os.remove(args.out)
        subprocess.run(["7zz", "a", "-t7z", "-m0=lzma2", "-ms=on", "-mx=9", "-bso0", "-bsp0",
                        os.path.abspath(args.out), "."], cwd=stage, check=True)
        with open(args.icon, "wb") as f:
            f.write(icon())
    finally:
        shutil.rmtree(stage)
    return 0


if __name__ == "__main__":
    sys.exit(main())
