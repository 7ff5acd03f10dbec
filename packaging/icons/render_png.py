#!/usr/bin/env python3
"""Renders tessaly.svg's shapes into a PNG of the given size (default 48)
without any imaging library: 4x4 samples per pixel, painted back to front.

    python3 render_png.py 48 > 48x48/tessaly.png
"""
import struct
import sys
import zlib

SHEET = [(6, 2), (20, 2), (27, 9), (27, 30), (6, 30)]
CORNER = [(20, 2), (20, 9), (27, 9)]
EDGE = (0x5A, 0x5A, 0x5A)
TICK = [(10, 19), (15, 24), (24, 13)]


def inside(polygon, x, y):
    result = False
    for (x1, y1), (x2, y2) in zip(polygon, polygon[1:] + polygon[:1]):
        if (y1 > y) != (y2 > y) and x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
            result = not result
    return result


def near_path(points, x, y, half_width, closed):
    pairs = list(zip(points, points[1:] + (points[:1] if closed else [])))
    for (x1, y1), (x2, y2) in pairs:
        dx, dy = x2 - x1, y2 - y1
        t = max(0.0, min(1.0, ((x - x1) * dx + (y - y1) * dy) / (dx * dx + dy * dy)))
        if (x - x1 - t * dx) ** 2 + (y - y1 - t * dy) ** 2 <= half_width ** 2:
            return True
    return False


def sample(x, y):
    """The colour at a point of the 32x32 drawing, or None outside it."""
    colour = None
    for polygon, fill in ((SHEET, (0xFF, 0xFF, 0xFF)), (CORNER, (0xD2, 0xD2, 0xD2))):
        if inside(polygon, x, y):
            colour = fill
        if near_path(polygon, x, y, 0.6, True):
            colour = EDGE
    if 9 <= x <= 17 and 6 <= y <= 10:
        colour = (0xC8, 0x1E, 0x1E)
    if near_path(TICK, x, y, 1.6, False):
        colour = (0x14, 0x96, 0x2A)
    return colour


def render(size, grid=4):
    rows = []
    for row in range(size):
        line = bytearray([0])  # PNG filter: none
        for column in range(size):
            total, hits = [0, 0, 0], 0
            for i in range(grid):
                for j in range(grid):
                    x = (column + (j + 0.5) / grid) * 32 / size
                    y = (row + (i + 0.5) / grid) * 32 / size
                    colour = sample(x, y)
                    if colour:
                        hits += 1
                        total = [a + b for a, b in zip(total, colour)]
            rgb = [round(c / hits) for c in total] if hits else [0, 0, 0]
            line += bytes(rgb + [round(255 * hits / grid ** 2)])
        rows.append(bytes(line))
    return rows


def png(size):
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    pixels = zlib.compress(b"".join(render(size)), 9)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", pixels) + chunk(b"IEND", b""))


if __name__ == "__main__":
    sys.stdout.buffer.write(png(int(sys.argv[1]) if len(sys.argv) > 1 else 48))
