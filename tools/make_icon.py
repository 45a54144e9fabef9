#!/usr/bin/env python3
"""Draws the programs' icon (a page with a dated stamp) and writes it as a
Windows .ico with a 32 by 32 and a 16 by 16 image, 32 bits per pixel.

Usage: make_icon.py OUTPUT.ico
"""
import struct
import sys


def draw(size):
    """Returns rows top to bottom of (r, g, b, a) pixels."""
    s = size / 32.0
    px = [[(0, 0, 0, 0)] * size for _ in range(size)]

    def rect(x0, y0, x1, y1, colour):
        for y in range(int(y0 * s), int(y1 * s)):
            for x in range(int(x0 * s), int(x1 * s)):
                px[y][x] = colour

    ink, paper, fold = (60, 60, 70, 255), (250, 250, 245, 255), (200, 200, 195, 255)
    stamp, stamp_dark = (30, 110, 200, 255), (15, 60, 130, 255)
    rect(5, 2, 23, 30, ink)           # page outline
    rect(6, 3, 22, 29, paper)
    rect(17, 3, 22, 8, fold)          # folded corner
    for y in (10, 14, 18):            # lines of text
        rect(8, y, 19, y + 1, fold)
    rect(13, 16, 30, 31, stamp_dark)  # the date stamp
    rect(14, 17, 29, 30, stamp)
    rect(14, 17, 29, 20, stamp_dark)
    for x in (16, 20, 24):
        rect(x, 22, x + 2, 24, paper)
        rect(x, 26, x + 2, 28, paper)
    return px


def image(size):
    rows = draw(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = b''.join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    stride = ((size + 31) // 32) * 4
    mask = b''
    for row in reversed(rows):
        line = bytearray(stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(line)
    return header + xor + mask


def main():
    sizes = (32, 16)
    images = [image(n) for n in sizes]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for n, data in zip(sizes, images):
        out += struct.pack('<BBBBHHII', n, n, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b''.join(images)
    with open(sys.argv[1], 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    main()
