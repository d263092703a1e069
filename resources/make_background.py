#!/usr/bin/env python3
"""Draws the page-area background picture (background.png, 554 x 512) with the
standard library alone, so the picture can be regenerated anywhere."""
import math
import struct
import zlib

WIDTH, HEIGHT = 554, 512


def pixel(x, y):
    # A calm sky-blue wash, lighter towards the lower right, with faint diagonal
    # ripples and a soft ring in the middle so a stretched picture still reads.
    t = (x / WIDTH + y / HEIGHT) / 2
    r, g, b = 196 + 50 * t, 218 + 32 * t, 240 + 14 * t
    ripple = math.sin((x + y) / 9.0) * 3
    cx, cy = WIDTH / 2, HEIGHT / 2
    d = math.hypot(x - cx, y - cy)
    ring = max(0.0, 1 - abs(d - 120) / 14) * 22
    return tuple(max(0, min(255, int(c + ripple - ring))) for c in (r, g, b))


def png(width, height, rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = b"".join(b"\x00" + bytes(v for px in row for v in px) for row in rows)
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


if __name__ == "__main__":
    rows = [[pixel(x, y) for x in range(WIDTH)] for y in range(HEIGHT)]
    with open("background.png", "wb") as out:
        out.write(png(WIDTH, HEIGHT, rows))
