#!/usr/bin/env python3
"""Writes the small BMP and clipboard-block seeds of the bmp and dib fuzz targets."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def info_header(w, h, bpp, compression=0, colors=0, size=40):
    return struct.pack('<IiiHHIIiiII', size, w, h, 1, bpp, compression, 0, 0, 0, colors, 0)


def bmp(header, palette, pixels):
    offset = 14 + len(header) + len(palette)
    return b'BM' + struct.pack('<IHHI', offset + len(pixels), 0, 0, offset) + header + palette + pixels


def rows(w, h, bpp, fill):
    stride = (w * bpp + 31) // 32 * 4
    return bytes((fill + i) & 0xFF for i in range(stride * h))


seeds = {
    'rgb32_2x2': bmp(info_header(2, 2, 32), b'', rows(2, 2, 32, 7)),
    'rgb32_topdown_3x1': bmp(info_header(3, -1, 32), b'', rows(3, 1, 32, 90)),
    'rgb24_3x2': bmp(info_header(3, 2, 24), b'', rows(3, 2, 24, 1)),
    'rgb16_2x2': bmp(info_header(2, 2, 16), b'', rows(2, 2, 16, 3)),
    'pal8_4x2': bmp(info_header(4, 2, 8, colors=4), bytes(range(16)), bytes([0, 1, 2, 3, 3, 2, 1, 0])),
    'pal4_3x1': bmp(info_header(3, 1, 4, colors=2), b'\0\0\0\0\xff\xff\xff\0', b'\x01\x10\0\0'),
    'pal1_9x1': bmp(info_header(9, 1, 1), b'\0\0\0\0\xff\xff\xff\0', b'\xa5\x80\0\0'),
    'bitfields_alpha_1x1': bmp(info_header(1, 1, 32, compression=3, size=56) +
                               struct.pack('<IIII', 0xFF0000, 0xFF00, 0xFF, 0xFF000000), b'', b'\x10\x20\x30\x80'),
    'core_2x1': bmp(struct.pack('<IHHHH', 12, 2, 1, 1, 24), b'', rows(2, 1, 24, 5)),
}
dib = info_header(2, 2, 32, compression=3) + struct.pack('<III', 0xFF0000, 0xFF00, 0xFF) + rows(2, 2, 32, 40)

for target, items in (('bmp', seeds), ('dib', {'rgb32_2x2': seeds['rgb32_2x2'], 'block_2x2': dib,
                                                'picture_3x2': b'\x03\x02\x00' + bytes(range(24))})):
    folder = os.path.join(HERE, 'corpus', target)
    os.makedirs(folder, exist_ok=True)
    for name, data in items.items():
        with open(os.path.join(folder, name + '.bmp'), 'wb') as f:
            f.write(data)
