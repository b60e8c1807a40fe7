#!/usr/bin/env python3
"""Writes resources/busy.gif: the busy animation, 64 x 64 pixels, 20 frames of 90 ms, looping.

A ring of twelve dots with a bright head and a fading tail that turns once in 20 frames. Plain Python,
no imaging library: the GIF is written with its own palette and LZW coding.
Run: python3 scripts/make-busy-gif.py [output]
"""
import math
import os
import struct
import sys

SIZE = 64
FRAMES = 20
DELAY_CS = 9          # 90 ms in hundredths of a second
LEVELS = 32           # shades from the background blue-grey to the head's deep blue

def palette():
    # index 0: transparent; 1..LEVELS: light grey-blue to deep blue; rest unused (black)
    cols = [(255, 255, 255)]
    lo, hi = (205, 215, 230), (30, 90, 200)
    for i in range(LEVELS):
        t = i / (LEVELS - 1)
        cols.append(tuple(round(lo[k] + (hi[k] - lo[k]) * t) for k in range(3)))
    while len(cols) < 256:
        cols.append((0, 0, 0))
    return cols

def frame(n):
    dots = 12
    radius_ring, radius_dot = 22.0, 5.0
    head = 2 * math.pi * n / FRAMES
    pix = bytearray(SIZE * SIZE)
    c = (SIZE - 1) / 2
    for d in range(dots):
        a = 2 * math.pi * d / dots
        # how far behind the head this dot is, 0 (head) .. 1 (far tail)
        behind = ((head - a) % (2 * math.pi)) / (2 * math.pi)
        level = max(0, LEVELS - 1 - int(behind * 1.6 * (LEVELS - 1)))
        cx, cy = c + radius_ring * math.sin(a), c - radius_ring * math.cos(a)
        r = radius_dot * (0.6 + 0.4 * (1 - behind))
        for y in range(int(cy - r - 1), int(cy + r + 2)):
            for x in range(int(cx - r - 1), int(cx + r + 2)):
                if 0 <= x < SIZE and 0 <= y < SIZE and (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                    pix[y * SIZE + x] = 1 + level
    return bytes(pix)

def lzw(pixels, min_code_size=8):
    """GIF's variable-width LZW coding of one frame's indices, packed into sub-blocks."""
    clear, end = 1 << min_code_size, (1 << min_code_size) + 1
    out, acc, nbits = bytearray(), 0, 0
    width = min_code_size + 1

    def put(code):
        nonlocal acc, nbits
        acc |= code << nbits
        nbits += width
        while nbits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            nbits -= 8

    def fresh():
        return {bytes([i]): i for i in range(clear)}, end + 1

    table, next_code = fresh()
    put(clear)
    run = b""
    for p in pixels:
        longer = run + bytes([p])
        if longer in table:
            run = longer
            continue
        put(table[run])
        if next_code < 4096:
            table[longer] = next_code
            next_code += 1
            # the decoder widens one code later than the encoder adds the entry
            if next_code > (1 << width) and width < 12:
                width += 1
        else:
            put(clear)
            table, next_code = fresh()
            width = min_code_size + 1
        run = bytes([p])
    if run:
        put(table[run])
    put(end)
    if nbits:
        out.append(acc & 0xFF)
    blocks = bytearray([min_code_size])
    for i in range(0, len(out), 255):
        chunk = out[i:i + 255]
        blocks.append(len(chunk))
        blocks += chunk
    blocks.append(0)
    return bytes(blocks)

def gif():
    data = bytearray(b"GIF89a")
    data += struct.pack("<HHBBB", SIZE, SIZE, 0xF7, 0, 0)  # global table of 256 colours
    for r, g, b in palette():
        data += bytes((r, g, b))
    data += b"\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00"  # loop for ever
    for n in range(FRAMES):
        # graphic control: restore to background, transparent index 0, 90 ms
        data += b"\x21\xF9\x04" + struct.pack("<BHBB", 0x09, DELAY_CS, 0, 0)
        data += b"\x2C" + struct.pack("<HHHHB", 0, 0, SIZE, SIZE, 0)
        data += lzw(frame(n))
    data += b"\x3B"
    return bytes(data)

if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "resources", "busy.gif")
    with open(out, "wb") as f:
        f.write(gif())
