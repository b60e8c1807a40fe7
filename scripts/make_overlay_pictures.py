#!/usr/bin/env python3
"""Draws the capture overlay's own pictures and writes them under resources/capture/:

  toolbar.png  325 x 24, 32 bits with alpha, transparent background; eleven icons at the button places
               the overlay's hit test uses (offsets from the toolbar's left, the picture sits 1 px in)
  overlay.cur  a 2,238-byte 32 x 32, 8-bit cursor: a multi-coloured arrow, hot spot at the top-left pixel

Standard library only; run it again after changing a drawing:  python3 scripts/make_overlay_pictures.py
"""
import math
import os
import struct
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "resources", "capture")

W, H = 325, 24
SS = 4  # sub-samples per pixel side


def seg_dist(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    ll = dx * dx + dy * dy
    t = 0.0 if ll == 0 else max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / ll))
    cx, cy = ax + t * dx, ay + t * dy
    return math.hypot(px - cx, py - cy)


class Shape:
    """A coverage test over picture coordinates plus an RGBA colour."""

    def __init__(self, colour, test, box):
        self.colour = colour
        self.test = test
        self.box = box  # x0, y0, x1, y1 in pixels, to skip far pixels


def stroke(colour, points, width):
    half = width / 2.0
    segs = list(zip(points, points[1:]))
    xs = [p[0] for p in points]
    ys = [p[1] for p in points]
    box = (min(xs) - half - 1, min(ys) - half - 1, max(xs) + half + 1, max(ys) + half + 1)

    def test(x, y):
        return any(seg_dist(x, y, a[0], a[1], b[0], b[1]) <= half for a, b in segs)

    return Shape(colour, test, box)


def rect_fill(colour, x0, y0, x1, y1):
    return Shape(colour, lambda x, y: x0 <= x <= x1 and y0 <= y <= y1, (x0 - 1, y0 - 1, x1 + 1, y1 + 1))


def ellipse_ring(colour, cx, cy, rx, ry, width):
    def test(x, y):
        d = math.hypot((x - cx) / rx, (y - cy) / ry)
        r = (rx + ry) / 2.0
        return abs(d - 1.0) * r <= width / 2.0

    return Shape(colour, test, (cx - rx - width, cy - ry - width, cx + rx + width, cy + ry + width))


def polygon_fill(colour, pts):
    xs = [p[0] for p in pts]
    ys = [p[1] for p in pts]

    def test(x, y):
        inside = False
        n = len(pts)
        for i in range(n):
            ax, ay = pts[i]
            bx, by = pts[(i + 1) % n]
            if (ay > y) != (by > y) and x < ax + (y - ay) * (bx - ax) / (by - ay):
                inside = not inside
        return inside

    return Shape(colour, test, (min(xs) - 1, min(ys) - 1, max(xs) + 1, max(ys) + 1))


def arc_points(cx, cy, r, a0, a1, n=16):
    return [(cx + r * math.cos(math.radians(a0 + (a1 - a0) * i / n)),
             cy + r * math.sin(math.radians(a0 + (a1 - a0) * i / n))) for i in range(n + 1)]


DARK = (51, 51, 51, 255)
RED = (220, 50, 47, 255)
GREEN = (0, 150, 60, 255)
BLUE = (0, 122, 204, 255)


def toolbar_shapes():
    s = []
    cy = 12.0
    # 1 cross (picture x 5..27)
    s += [stroke(RED, [(11, 6), (21, 18)], 2.4), stroke(RED, [(21, 6), (11, 18)], 2.4)]
    # 2 tick (31..53)
    s += [stroke(GREEN, [(35, 12.5), (40, 17.5), (49, 6.5)], 2.6)]
    # 3 the word 完成 (57..79): two small stroke glyphs
    g = DARK
    x = 58.5
    s += [stroke(g, [(x + 4.5, 5), (x + 4.5, 6.5)], 1.2),                       # 宀 dot
          stroke(g, [(x + 0.5, 9), (x + 0.5, 7.2), (x + 8.5, 7.2), (x + 8.5, 9)], 1.1),
          stroke(g, [(x + 2, 10), (x + 7, 10)], 1.1),                          # 元
          stroke(g, [(x + 0.5, 12.5), (x + 8.5, 12.5)], 1.1),
          stroke(g, [(x + 3.5, 12.5), (x + 3, 16), (x + 0.5, 18.5)], 1.1),
          stroke(g, [(x + 5.5, 12.5), (x + 5.5, 17.5), (x + 9, 17.5), (x + 9, 16)], 1.1)]
    x = 69.5
    s += [stroke(g, [(x + 1, 7.5), (x + 9.5, 7.5)], 1.1),                       # 成
          stroke(g, [(x + 1.5, 7.5), (x + 1.5, 15), (x + 0.3, 18.5)], 1.1),
          stroke(g, [(x + 1.5, 11), (x + 4.5, 11), (x + 4.3, 15.5), (x + 3.2, 16)], 1.1),
          stroke(g, [(x + 5.5, 4.5), (x + 6.3, 13), (x + 9.5, 18.5), (x + 10, 16)], 1.1),
          stroke(g, [(x + 9.5, 10.5), (x + 5, 17.5)], 1.1),
          stroke(g, [(x + 7.8, 4.8), (x + 9, 6)], 1.0)]
    # 4 brush (83..105)
    s += [stroke(DARK, [(99, 5), (91, 14)], 2.2),
          polygon_fill(BLUE, [(88.5, 14), (91.5, 16.5), (89, 19.5), (85.5, 19.5), (86.5, 16)])]
    # 5 the letter A (109..131)
    s += [stroke(DARK, [(115, 19), (120, 5), (125, 19)], 1.8), stroke(DARK, [(117, 14), (123, 14)], 1.6)]
    # 6 undo arrow (143..165)
    s += [stroke(DARK, arc_points(155, 13, 5, -90, 90) + [(148, 18)], 1.8),
          stroke(DARK, [(155, 8), (149, 8)], 1.8),
          polygon_fill(DARK, [(146, 8), (150.5, 4), (150.5, 12)])]
    # 7 floppy disk (169..191)
    s += [polygon_fill(DARK, [(172, 5), (186, 5), (189, 8), (189, 20), (172, 20)]),
          rect_fill((255, 255, 255, 255), 175, 6, 184, 10),
          rect_fill((255, 255, 255, 255), 175, 14, 186, 19),
          rect_fill(DARK, 181, 7, 182, 9)]
    # 8 picture (195..218) with 9 its drop-down mark (219..227)
    s += [stroke(DARK, [(198, 6), (214, 6), (214, 19), (198, 19), (198, 6)], 1.4),
          polygon_fill(GREEN, [(199, 18.3), (204, 12), (207, 15.5), (209.5, 13), (213.3, 18.3)]),
          ellipse_ring((230, 160, 0, 255), 209.5, 9.5, 1.3, 1.3, 2.0),
          polygon_fill(DARK, [(220.5, 11), (226.5, 11), (223.5, 14.5)])]
    # 10 rectangle (240..261)
    s += [stroke(DARK, [(243, 6), (258, 6), (258, 18), (243, 18), (243, 6)], 1.6)]
    # 11 ellipse and arrow (266..320)
    s += [ellipse_ring(DARK, 280, cy, 8, 6, 1.6),
          stroke(DARK, [(299, 19), (313, 6)], 1.8),
          polygon_fill(DARK, [(315, 4.5), (313.5, 11), (308.5, 6)])]
    return s


def render(shapes, w, h):
    px = [[(0.0, 0.0, 0.0, 0.0)] * w for _ in range(h)]
    for sh in shapes:
        x0, y0, x1, y1 = sh.box
        for yy in range(max(0, int(y0)), min(h, int(math.ceil(y1)) + 1)):
            for xx in range(max(0, int(x0)), min(w, int(math.ceil(x1)) + 1)):
                hits = 0
                for sy in range(SS):
                    for sx in range(SS):
                        if sh.test(xx + (sx + 0.5) / SS, yy + (sy + 0.5) / SS):
                            hits += 1
                if not hits:
                    continue
                a = hits / (SS * SS) * sh.colour[3] / 255.0
                r, g, b, da = px[yy][xx]
                # "over" in premultiplied terms, kept as straight colour afterwards
                na = a + da * (1 - a)
                cr = (sh.colour[0] * a + r * da * (1 - a)) / na
                cg = (sh.colour[1] * a + g * da * (1 - a)) / na
                cb = (sh.colour[2] * a + b * da * (1 - a)) / na
                px[yy][xx] = (cr, cg, cb, na)
    return px


def png_bytes(px, w, h):
    raw = bytearray()
    for row in px:
        raw.append(0)
        for r, g, b, a in row:
            if a <= 0:
                raw += b"\0\0\0\0"
            else:
                raw += bytes((round(r), round(g), round(b), round(a * 255)))

    def chunk(kind, data):
        c = kind + data
        return struct.pack(">I", len(data)) + c + struct.pack(">I", zlib.crc32(c) & 0xFFFFFFFF)

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def cursor_bytes():
    """One 32 x 32 image, 8 bits per pixel, 256-colour palette, hot spot 0, 0."""
    outline = [(0, 0), (0, 22), (5, 17), (9, 26), (12.5, 24.5), (8.5, 16), (15.5, 16)]
    inner = [(1.2, 2.8), (1.2, 19.3), (5.4, 15.1), (9.6, 24.3), (11.0, 23.7), (6.9, 14.9), (12.9, 14.9)]

    def inside(pts, x, y):
        res = False
        for i in range(len(pts)):
            ax, ay = pts[i]
            bx, by = pts[(i + 1) % len(pts)]
            if (ay > y) != (by > y) and x < ax + (y - ay) * (bx - ax) / (by - ay):
                res = not res
        return res

    # Palette: 0 black, 1 white, 2..253 a band of hues for the arrow's body.
    palette = [(0, 0, 0), (255, 255, 255)]
    for i in range(254):
        hue = i / 254.0 * 300.0
        c = hue / 60.0
        k = 1 - abs(c % 2 - 1)
        r, g, b = [(1, k, 0), (k, 1, 0), (0, 1, k), (0, k, 1), (k, 0, 1), (1, 0, k)][int(c) % 6]
        palette.append((int(r * 230 + 25), int(g * 230 + 25), int(b * 230 + 25)))
    index = [[0] * 32 for _ in range(32)]
    opaque = [[False] * 32 for _ in range(32)]
    for y in range(32):
        for x in range(32):
            cx, cy = x + 0.5, y + 0.5
            if x == 0 and y == 0:
                opaque[y][x] = True  # the tip itself, the hot spot
                index[y][x] = 0
            elif inside(outline, cx, cy):
                opaque[y][x] = True
                if inside(inner, cx, cy):
                    index[y][x] = 2 + min(253, int((cx + cy) / 36.0 * 253))
                else:
                    index[y][x] = 0
    header = struct.pack("<HHH", 0, 2, 1)
    image = bytearray(struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 8, 0, 32 * 32 + 32 * 4, 0, 0, 0, 0))
    for r, g, b in palette:
        image += bytes((b, g, r, 0))
    for y in range(31, -1, -1):
        image += bytes(index[y])
    for y in range(31, -1, -1):
        bits = 0
        for x in range(32):
            bits = (bits << 1) | (0 if opaque[y][x] else 1)
        image += struct.pack(">I", bits)
    entry = struct.pack("<BBBBHHII", 32, 32, 0, 0, 0, 0, len(image), 6 + 16)
    data = header + entry + bytes(image)
    assert len(data) == 2238, len(data)
    return data


def main():
    os.makedirs(OUT, exist_ok=True)
    with open(os.path.join(OUT, "toolbar.png"), "wb") as f:
        f.write(png_bytes(render(toolbar_shapes(), W, H), W, H))
    with open(os.path.join(OUT, "overlay.cur"), "wb") as f:
        f.write(cursor_bytes())


if __name__ == "__main__":
    main()
