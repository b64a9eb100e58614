#!/usr/bin/env python3
"""Draws the program's icon (share/icons/kesto.svg, the same shapes) as PNG
files in the hicolor sizes, without an SVG renderer: the shapes are a rounded
square, seven meter bars and a play triangle, sampled 4x4 per pixel.
Usage: scripts/make_icons.py   (writes share/icons/kesto-<size>.png)"""
import os, struct, zlib

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "share", "icons")
BARS = [(40, 172, "3ddc84"), (66, 150, "3ddc84"), (92, 126, "f5c542"), (118, 102, "f5c542"),
        (144, 126, "f5c542"), (170, 150, "3ddc84"), (196, 172, "3ddc84")]


def rgb(hex_):
    return tuple(int(hex_[i:i + 2], 16) for i in (0, 2, 4))


def colour_at(x, y):
    """The icon's colour at (x, y) in its 256-unit square, or None outside."""
    if not (8 <= x < 248 and 8 <= y < 248):
        return None
    r = 44  # corner radius
    cx = min(max(x, 8 + r), 248 - r)
    cy = min(max(y, 8 + r), 248 - r)
    if (x - cx) ** 2 + (y - cy) ** 2 > r * r:
        return None
    if 92 <= x and 40 <= y <= 100 and (x - 92) * 30 <= 56 * (30 - abs(y - 70)):
        return (255, 255, 255)
    for bx, by, c in BARS:
        if bx <= x < bx + 18 and by <= y < 216:
            return rgb(c)
    return rgb("2b2f3a")


def png(size):
    rows = []
    n = 4
    for py in range(size):
        row = bytearray([0])
        for px in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(n):
                for sx in range(n):
                    c = colour_at((px + (sx + 0.5) / n) * 256 / size, (py + (sy + 0.5) / n) * 256 / size)
                    if c:
                        acc[0] += c[0]; acc[1] += c[1]; acc[2] += c[2]; acc[3] += 1
            a = acc[3]
            row += bytes([acc[0] // a, acc[1] // a, acc[2] // a] if a else [0, 0, 0])
            row.append(a * 255 // (n * n))
        rows.append(bytes(row))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + chunk(b"IEND", b""))


for size in (16, 24, 32, 48, 64, 128, 256):
    with open(os.path.join(HERE, f"kesto-{size}.png"), "wb") as f:
        f.write(png(size))
