#!/usr/bin/env python3
"""Draws the LumivarTest icon and writes LumivarTest.ico next to this script.

The picture: a small amber frame in the corner of a large frame, and an arrow
that stretches it to the large one - a resizer at work. Drawn from shapes in
unit coordinates, anti-aliased by 4x4 supersampling, so every size is sharp.

The icon group holds seven images: 48, 32 and 16 pixels at 8 bits per pixel
(a fixed 256-colour palette), the same sizes at 32 bits per pixel with alpha,
and a 256-pixel image stored as PNG (8-bit RGBA). Only the standard library is
used, and the output is the same on every run:  python3 app/MakeIcon.py
"""
import math
import os
import struct
import zlib

SUPERSAMPLE = 4


def in_round_rect(x, y, x0, y0, x1, y1, r):
    if x < x0 or x > x1 or y < y0 or y > y1:
        return False
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def in_rect(x, y, x0, y0, x1, y1):
    return x0 <= x <= x1 and y0 <= y <= y1


def in_frame(x, y, x0, y0, x1, y1, w):
    return in_rect(x, y, x0, y0, x1, y1) and not in_rect(x, y, x0 + w, y0 + w, x1 - w, y1 - w)


def near_segment(x, y, ax, ay, bx, by, w):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
    px, py = ax + t * dx, ay + t * dy
    return (x - px) ** 2 + (y - py) ** 2 <= (w / 2) ** 2


def in_triangle(x, y, a, b, c):
    def side(p, q):
        return (q[0] - p[0]) * (y - p[1]) - (q[1] - p[1]) * (x - p[0])
    s1, s2, s3 = side(a, b), side(b, c), side(c, a)
    return (s1 >= 0 and s2 >= 0 and s3 >= 0) or (s1 <= 0 and s2 <= 0 and s3 <= 0)


# The arrow runs from the small frame's far corner towards the large frame's.
TIP = (0.80, 0.20)
DIAG = (1 / math.sqrt(2), -1 / math.sqrt(2))
NORM = (1 / math.sqrt(2), 1 / math.sqrt(2))
BASE = (TIP[0] - 0.20 * DIAG[0], TIP[1] - 0.20 * DIAG[1])
HEAD = (TIP,
        (BASE[0] + 0.11 * NORM[0], BASE[1] + 0.11 * NORM[1]),
        (BASE[0] - 0.11 * NORM[0], BASE[1] - 0.11 * NORM[1]))


def sample(x, y):
    """Colour (r, g, b, a) of one point of the picture, layers painted back to front."""
    if not in_round_rect(x, y, 0.03, 0.03, 0.97, 0.97, 0.18):
        return None
    t = y
    colour = (int(0x24 + (0x0C - 0x24) * t), int(0x5A + (0x26 - 0x5A) * t), int(0xA8 + (0x58 - 0xA8) * t))
    if in_frame(x, y, 0.16, 0.16, 0.84, 0.84, 0.05):
        colour = (0xD2, 0xE4, 0xFF)
    if in_rect(x, y, 0.16, 0.54, 0.46, 0.84):
        colour = (0xFF, 0xB3, 0x2E)
        if not in_rect(x, y, 0.21, 0.59, 0.41, 0.79):
            colour = (0xFF, 0xD2, 0x7A)
    if near_segment(x, y, 0.36, 0.64, BASE[0], BASE[1], 0.075) or in_triangle(x, y, *HEAD):
        colour = (0xFF, 0xFF, 0xFF)
    return colour


def render(size):
    """Rows of (r, g, b, a) tuples, top row first."""
    rows = []
    n = SUPERSAMPLE
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0, 0, 0]
            hits = 0
            for sy in range(n):
                for sx in range(n):
                    c = sample((px + (sx + 0.5) / n) / size, (py + (sy + 0.5) / n) / size)
                    if c is not None:
                        hits += 1
                        for i in range(3):
                            acc[i] += c[i]
            if hits:
                row.append((acc[0] // hits, acc[1] // hits, acc[2] // hits, 255 * hits // (n * n)))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def palette():
    """Black first (transparent pixels), a 6x6x6 colour cube, then greys: 256 entries."""
    colours = [(0, 0, 0)]
    colours += [(r * 51, g * 51, b * 51) for r in range(6) for g in range(6) for b in range(6)][1:]
    colours += [(int(i * 255 / 40), int(i * 255 / 40), int(i * 255 / 40)) for i in range(1, 41)]
    return colours[:256]


def nearest(pal, rgb):
    return min(range(len(pal)), key=lambda i: sum((pal[i][k] - rgb[k]) ** 2 for k in range(3)))


def and_mask(rows):
    size = len(rows)
    stride = ((size + 31) // 32) * 4
    data = b""
    for row in reversed(rows):
        bits = bytearray(stride)
        for x, (_, _, _, a) in enumerate(row):
            if a < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
        data += bytes(bits)
    return data


def dib_header(size, bits):
    return struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, 0, 0, 0, 0, 0)


def dib32(rows):
    size = len(rows)
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    return dib_header(size, 32) + pixels + and_mask(rows)


def dib8(rows):
    size = len(rows)
    pal = palette()
    cache = {}
    stride = (size + 3) // 4 * 4
    pixels = b""
    for row in reversed(rows):
        line = bytearray(stride)
        for x, (r, g, b, a) in enumerate(row):
            if a >= 128:
                line[x] = cache.setdefault((r, g, b), nearest(pal, (r, g, b)))
        pixels += bytes(line)
    table = b"".join(bytes((b, g, r, 0)) for (r, g, b) in pal)
    return dib_header(size, 8) + table + pixels + and_mask(rows)


def png(rows):
    size = len(rows)
    raw = b"".join(b"\0" + b"".join(bytes(p) for p in row) for row in rows)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    pictures = {size: render(size) for size in (16, 32, 48, 256)}
    images = [(s, 8, dib8(pictures[s])) for s in (48, 32, 16)]
    images += [(s, 32, dib32(pictures[s])) for s in (48, 32, 16)]
    images.append((256, 32, png(pictures[256])))

    header = struct.pack("<HHH", 0, 1, len(images))
    offset = len(header) + 16 * len(images)
    entries = b""
    for size, bits, data in images:
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, bits, len(data), offset)
        offset += len(data)
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "LumivarTest.ico")
    with open(out, "wb") as f:
        f.write(header + entries + b"".join(data for _, _, data in images))
    print(out)


if __name__ == "__main__":
    main()
