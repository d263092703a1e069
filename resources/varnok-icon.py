#!/usr/bin/env python3
"""Draws varnok's program icon: a white globe on a rounded blue tile, crossed by the
three stripes of the loading indicator. Only the standard library is needed.

    python3 resources/varnok-icon.py [size] > resources/varnok-icon.png
    python3 resources/varnok-icon.py size path/to/icon.png
"""
import math
import struct
import sys
import zlib

SAMPLES = 4  # per axis, for smooth edges

TILE = (0x1E, 0x4F, 0x9A)
GLOBE = (0xFF, 0xFF, 0xFF)
GRID = (0x9C, 0xB8, 0xE0)
STRIPES = [(0x00, 0x00, 0xFF), (0x00, 0xC0, 0x00), (0xFF, 0x00, 0x00)]


def inside_rounded_tile(x, y):
    radius, lo, hi = 0.18, 0.04, 0.96
    if not (lo <= x <= hi and lo <= y <= hi):
        return False
    cx = min(max(x, lo + radius), hi - radius)
    cy = min(max(y, lo + radius), hi - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def colour_at(x, y):
    """Colour (r, g, b, a) of the point (x, y) in the unit square, y downwards."""
    if not inside_rounded_tile(x, y):
        return (0, 0, 0, 0)
    dx, dy = x - 0.5, y - 0.5
    r = math.hypot(dx, dy)
    if r > 0.36:
        return TILE + (255,)
    # The three stripes across the lower half of the globe.
    for i, stripe in enumerate(STRIPES):
        top = 0.56 + i * 0.075
        if top <= y < top + 0.075:
            return stripe + (255,)
    # Meridians and parallels.
    if r > 0.335:
        return GRID + (255,)
    lat = abs(dy) < 0.012 or abs(abs(dy) - 0.18) < 0.010
    ellipse = (dx / 0.17) ** 2 + (dy / 0.36) ** 2
    lon = abs(dx) < 0.010 or abs(ellipse - 1.0) < 0.07
    return (GRID if lat or lon else GLOBE) + (255,)


def render(size):
    rows = []
    for py in range(size):
        row = bytearray([0])  # filter: none
        for px in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    c = colour_at((px + (sx + 0.5) / SAMPLES) / size, (py + (sy + 0.5) / SAMPLES) / size)
                    for k in range(3):
                        acc[k] += c[k] * c[3]
                    acc[3] += c[3]
            alpha = acc[3] / (SAMPLES * SAMPLES)
            rgb = [int(round(acc[k] / acc[3])) if acc[3] else 0 for k in range(3)]
            row += bytes(rgb + [int(round(alpha))])
        rows.append(bytes(row))
    return b"".join(rows)


def png(size, pixels):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(pixels, 9)) + chunk(b"IEND", b"")


if __name__ == "__main__":
    size = int(sys.argv[1]) if len(sys.argv) > 1 else 128
    picture = png(size, render(size))
    if len(sys.argv) > 2:
        with open(sys.argv[2], "wb") as out:
            out.write(picture)
    else:
        sys.stdout.buffer.write(picture)
