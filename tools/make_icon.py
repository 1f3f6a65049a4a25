#!/usr/bin/env python3
"""Draws the programs' icon and writes it as a Windows .ico file.

The picture: a rounded violet tile holding a white hint card, with an amber
dot in its upper right corner, the way a pop-up hint sits in the corner of
the screen. Each size is drawn on its own from the same shapes, with 4x4
supersampling for smooth edges, and stored as a 32-bit image with alpha plus
the 1-bit mask that older systems read.

Usage: make_icon.py OUTPUT.ico
"""

import struct
import sys

SIZES = (16, 32, 48)
SUPERSAMPLE = 4

TILE = (0x5B, 0x3F, 0xC4)
TILE_DARK = (0x3E, 0x2A, 0x8C)
CARD = (0xFF, 0xFF, 0xFF)
LINE = (0xB9, 0xAE, 0xE6)
DOT = (0xFF, 0xA9, 0x1F)


def inside_rounded_rect(x, y, left, top, right, bottom, radius):
    if x < left or x > right or y < top or y > bottom:
        return False
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def inside_circle(x, y, cx, cy, radius):
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def shade(u, v):
    """Colour and coverage of one sample point, in unit coordinates."""
    if inside_circle(u, v, 0.76, 0.24, 0.17):
        return DOT
    if inside_rounded_rect(u, v, 0.22, 0.36, 0.80, 0.78, 0.07):
        # Two text lines on the card.
        if 0.30 <= u <= 0.70 and 0.48 <= v <= 0.54:
            return LINE
        if 0.30 <= u <= 0.58 and 0.61 <= v <= 0.67:
            return LINE
        return CARD
    if inside_rounded_rect(u, v, 0.04, 0.04, 0.96, 0.96, 0.2):
        # A darker lower half gives the tile some depth.
        t = max(0.0, min(1.0, (v - 0.3) / 0.7))
        return tuple(round(a + (b - a) * t) for a, b in zip(TILE, TILE_DARK))
    return None


def render(size):
    """Rows of (b, g, r, a) pixels, top row first."""
    rows = []
    n = SUPERSAMPLE
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = covered = 0
            for sy in range(n):
                for sx in range(n):
                    u = (px + (sx + 0.5) / n) / size
                    v = (py + (sy + 0.5) / n) / size
                    colour = shade(u, v)
                    if colour is not None:
                        r += colour[0]
                        g += colour[1]
                        b += colour[2]
                        covered += 1
            if covered:
                row.append((b // covered, g // covered, r // covered,
                            round(255 * covered / (n * n))))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def dib(size):
    """A BITMAPINFOHEADER image as stored inside an .ico entry."""
    rows = render(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0,
                         0, 0, 0)
    colour = bytearray()
    for row in reversed(rows):  # Bottom-up.
        for b, g, r, a in row:
            colour += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, pixel in enumerate(row):
            if pixel[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + bytes(colour) + bytes(mask)


def main():
    if len(sys.argv) != 2:
        sys.stderr.write(__doc__)
        return 2
    images = [dib(size) for size in SIZES]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(SIZES, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image),
                           offset)
        offset += len(image)
    for image in images:
        out += image
    with open(sys.argv[1], "wb") as f:
        f.write(out)
    return 0


if __name__ == "__main__":
    sys.exit(main())
