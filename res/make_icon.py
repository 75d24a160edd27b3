#!/usr/bin/env python3
"""Writes the program's icon: one .ico holding 16, 32, 48 and 128 pixel
images, 32 bits per pixel (BGRA with alpha), drawn here: a blue disc with a
white check mark.

Usage: make_icon.py OUTPUT.ico
"""
import math
import struct
import sys

SIZES = (16, 32, 48, 128)


def coverage(inside, x, y, samples=4):
    """Fraction of the pixel (x, y) for which inside(px, py) holds."""
    hits = 0
    for i in range(samples):
        for j in range(samples):
            if inside(x + (i + 0.5) / samples, y + (j + 0.5) / samples):
                hits += 1
    return hits / (samples * samples)


def segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def pixel(size, x, y):
    """BGRA of one pixel, y counted from the top."""
    r = size / 2.0
    disc = coverage(lambda px, py: math.hypot(px - r, py - r) <= r - 0.5, x, y)
    stroke = size * 0.11
    a = (size * 0.27, size * 0.52)
    b = (size * 0.44, size * 0.69)
    c = (size * 0.74, size * 0.33)
    check = coverage(
        lambda px, py: min(segment_distance(px, py, *a, *b), segment_distance(px, py, *b, *c))
        <= stroke / 2, x, y)
    blue = (0xC8, 0x6A, 0x1E)  # B, G, R
    colour = tuple(round(bc + (255 - bc) * check) for bc in blue)
    return bytes((*colour, round(255 * disc)))


def image(size):
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = [b"".join(pixel(size, x, y) for x in range(size)) for y in range(size)]
    xor = b"".join(reversed(rows))  # bottom-up
    mask_row = ((size + 31) // 32) * 4
    and_mask = bytes(mask_row * size)  # all opaque: the alpha channel decides
    return header + xor + and_mask


def main(path):
    images = [image(s) for s in SIZES]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip(SIZES, images):
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main(sys.argv[1])
