#!/usr/bin/env python3
"""Writes resources/desktop/qinglan.png: the program's 128 x 128 icon for the desktop entry.

A rounded square shading from teal to blue, a white sheet with lines of text and a magnifying glass
over it. Plain Python, no imaging library: shapes are sampled 4 x 4 per pixel and written as an RGBA PNG.
Run: python3 scripts/make-icon.py [output]
"""
import math
import os
import struct
import sys
import zlib

SIZE = 128
SS = 4  # samples per pixel along each axis


def rounded_rect(x, y, x0, y0, x1, y1, r):
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return x0 <= x <= x1 and y0 <= y <= y1 and (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def sample(x, y):
    """Colour (r, g, b, a) at a point of the 128-unit square, painter's order."""
    if not rounded_rect(x, y, 4, 4, 124, 124, 24):
        return None
    t = (x + y) / 256.0
    colour = (round(24 + (30 - 24) * t), round(150 + (80 - 150) * t), round(160 + (190 - 160) * t))
    # the sheet, tilted a little
    sx, sy = x - 58, y - 60
    a = math.radians(-8)
    u, v = sx * math.cos(a) - sy * math.sin(a), sx * math.sin(a) + sy * math.cos(a)
    if rounded_rect(u, v, -34, -42, 34, 42, 6):
        colour = (250, 252, 255)
        for line_v, length in ((-26, 52), (-12, 44), (2, 52), (16, 30)):
            if -26 <= u <= -26 + length and line_v - 3 <= v <= line_v + 3:
                colour = (40, 70, 120)
    # the magnifying glass: ring, lens and handle
    gx, gy = x - 82, y - 84
    d = math.hypot(gx, gy)
    if d <= 17:
        colour = tuple(round(c * 0.75 + w * 0.25) for c, w in zip(colour, (200, 235, 255)))
    if 17 < d <= 23:
        colour = (250, 200, 60)
    hx, hy = gx - 16, gy - 16  # handle from the ring towards the lower right
    along = (hx + hy) / math.sqrt(2)
    across = (hx - hy) / math.sqrt(2)
    if 0 <= along <= 26 and abs(across) <= 5.5:
        colour = (250, 200, 60)
    return colour + (255,)


def render():
    rows = []
    for py in range(SIZE):
        row = bytearray([0])  # filter type none
        for px in range(SIZE):
            acc = [0, 0, 0, 0]
            for j in range(SS):
                for i in range(SS):
                    c = sample(px + (i + 0.5) / SS, py + (j + 0.5) / SS)
                    if c:
                        for k in range(3):
                            acc[k] += c[k] * c[3]
                        acc[3] += c[3]
            n = SS * SS
            alpha = acc[3] / n
            if alpha == 0:
                row += bytes(4)
            else:
                row += bytes([round(acc[0] / acc[3]), round(acc[1] / acc[3]), round(acc[2] / acc[3]), round(alpha)])
        rows.append(bytes(row))
    return b''.join(rows)


def png(pixels):
    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data) & 0xFFFFFFFF)
    header = struct.pack('>IIBBBBB', SIZE, SIZE, 8, 6, 0, 0, 0)
    return b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) + chunk(b'IDAT', zlib.compress(pixels, 9)) + chunk(b'IEND', b'')


if __name__ == '__main__':
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), '..', 'resources', 'desktop', 'qinglan.png')
    with open(out, 'wb') as f:
        f.write(png(render()))
