#!/usr/bin/env python3
"""Writes quenlo32.ico (icon 128) and hand.cur (cursor 130) from the pictures
below. Run it after changing a picture and commit its output with it:

    python3 dialog/resources/make_images.py

The 16-colour pictures (the 32x32 and 16x16 icon, the cursor) are drawn with
one character per pixel; PALETTE gives the colour of each character and '.'
is transparent. The 48x48 and 256x256 icon images are 32-bit with an alpha
channel, drawn with smooth edges from the shapes in SHAPES, which trace the
same picture. Only the standard library is used, so the images can be
rebuilt anywhere.
"""

import math
import os
import struct
import zlib

# The 16 colours of the Windows standard palette, in palette order.
PALETTE = [
    ("K", (0x00, 0x00, 0x00)),  # black
    ("r", (0x80, 0x00, 0x00)),  # maroon
    ("g", (0x00, 0x80, 0x00)),  # green
    ("y", (0x80, 0x80, 0x00)),  # olive
    ("b", (0x00, 0x00, 0x80)),  # navy
    ("m", (0x80, 0x00, 0x80)),  # purple
    ("t", (0x00, 0x80, 0x80)),  # teal
    ("s", (0xC0, 0xC0, 0xC0)),  # silver
    ("d", (0x80, 0x80, 0x80)),  # grey
    ("R", (0xFF, 0x00, 0x00)),  # red
    ("G", (0x00, 0xFF, 0x00)),  # lime
    ("Y", (0xFF, 0xFF, 0x00)),  # yellow
    ("B", (0x00, 0x00, 0xFF)),  # blue
    ("M", (0xFF, 0x00, 0xFF)),  # fuchsia
    ("C", (0x00, 0xFF, 0xFF)),  # aqua
    ("W", (0xFF, 0xFF, 0xFF)),  # white
]
TRANSPARENT = "."

# A written sheet of paper with a green pen across it.
ICON_32 = """
................................
...KKKKKKKKKKKKKK...............
...KWWWWWWWWWWWWKK............KK
...KWWWWWWWWWWWWKsK........KKddK
...KWWWWWWWWWWWWKssK......KGGgK.
...KWWWWWWWWWWWWKsssK....KGGgK..
...KWWbbbbbbbbbbKssssK..KGGgK...
...KWWWWWWWWWWWWKKKKKKKKGGgK....
...KWWWWWWWWWWWWWWWWWWKGGgK.....
...KWWbbbbbbbbbbbbbbbKGGgK......
...KWWWWWWWWWWWWWWWWKGGgK.......
...KWWWWWWWWWWWWWWWKGGgK........
...KWWbbbbbbbbbbbbKGGgK.........
...KWWWWWWWWWWWWWKGGgKK.........
...KWWWWWWWWWWWWKGGgKWK.........
...KWWbbbbbbbbbKGGgKbbK.........
...KWWWWWWWWWWKGGgKWWWK.........
...KWWWWWWWWWKGGgKWWWWK.........
...KWWbbbbbbKGGgKWWWWWK.........
...KWWWWWWWKGGgKWWWWWWK.........
...KWWWWWWKGGgKWWWWWWWK.........
...KWWbbbKsssKbbbbbbbWK.........
...KWWWWWKssKWWWWWWWWWK.........
...KWWWWKdKWWWWWWWWWWWK.........
...KWWbKKbbbbbbWWWWWWWK.........
...KWWWWWWWWWWWWWWWWWWK.........
...KWWWWWWWWWWWWWWWWWWK.........
...KWWbbbbbbbbbbbbWWWWK.........
...KWWWWWWWWWWWWWWWWWWK.........
...KWWWWWWWWWWWWWWWWWWK.........
...KKKKKKKKKKKKKKKKKKKK.........
................................
"""

ICON_16 = """
.KKKKKKKK.....KK
.KWWWWWWKK...KGg
.KWWWWWWKsK.KGgK
.KWbbbbbKKKKGgK.
.KWWWWWWWWKGgK..
.KWbbbbbbKGgK...
.KWWWWWWKGgK....
.KWbbbbKGgKK....
.KWWWWKGgKWK....
.KWbbKGgKbbK....
.KWWKGgKWWWK....
.KWKssKbbWWK....
.KKdKWWWWWWK....
.KWbbbbbbbWK....
.KWWWWWWWWWK....
.KKKKKKKKKKK....
"""

# A pointing hand; the fingertip is the hot spot.
HAND_32 = """
................................
............KK..................
...........KWWK.................
...........KWWK.................
...........KWWK.................
...........KWWK.................
...........KWWKKK...............
...........KWWKWWKKK............
...........KWWKWWKWWKK..........
...........KWWKWWKWWKWWK........
........KK.KWWKWWKWWKWWK........
........KWKKWWWWWWWWWWWK........
........KWWKWWWWWWWWWWWK........
.........KWKWWWWWWWWWWWK........
.........KWWWWWWWWWWWWWK........
..........KWWWWWWWWWWWWK........
..........KWWWWWWWWWWWK.........
...........KWWWWWWWWWWK.........
...........KWWWWWWWWWK..........
............KWWWWWWWWK..........
............KWWWWWWWWK..........
............KKKKKKKKKK..........
................................
................................
................................
................................
................................
................................
................................
................................
................................
................................
"""
HAND_HOT_SPOT = (12, 1)

# The icon as shapes on a 32x32 grid, painted in order: (RGBA, polygon).
PAPER = [(3.5, 1.5), (16.5, 1.5), (22.5, 7.5), (22.5, 30.5), (3.5, 30.5)]
FOLD = [(16.5, 1.5), (22.5, 7.5), (16.5, 7.5)]
INK = (0x00, 0x00, 0x80, 0xFF)
WRITING = [(6.0, 18.0, 6.2), (6.0, 20.0, 9.2), (6.0, 18.0, 12.2), (6.0, 17.0, 15.2),
           (6.0, 14.0, 18.2), (6.0, 9.0, 21.2), (10.0, 20.0, 21.2), (6.0, 8.0, 24.2),
           (6.0, 18.0, 27.2)]


def pen(tip, end, width):
    """The pen from its point to its end: outline, two-tone body, nib."""
    dx, dy = end[0] - tip[0], end[1] - tip[1]
    length = math.hypot(dx, dy)
    ux, uy = dx / length, dy / length
    nx, ny = -uy, ux

    def at(along, across):
        return (tip[0] + ux * along + nx * across, tip[1] + uy * along + ny * across)

    nib = 3.2
    half = width / 2
    edge = 0.7
    return [
        ((0, 0, 0, 0xFF), [at(-0.6, 0), at(nib, half + edge), at(length + edge, half + edge),
                           at(length + edge, -half - edge), at(nib, -half - edge)]),
        ((0xC0, 0xC0, 0xC0, 0xFF), [at(0.6, 0), at(nib, half), at(nib, -half)]),
        ((0x40, 0x40, 0x40, 0xFF), [at(0, 0), at(1.2, 0.45), at(1.2, -0.45)]),
        ((0x00, 0xE0, 0x00, 0xFF), [at(nib, half), at(length, half), at(length, 0),
                                    at(nib, 0)]),
        ((0x00, 0x80, 0x00, 0xFF), [at(nib, 0), at(length, 0), at(length, -half),
                                    at(nib, -half)]),
        ((0x80, 0x80, 0x80, 0xFF), [at(length - 1.6, half), at(length, half),
                                    at(length, -half), at(length - 1.6, -half)]),
    ]


def outlined(polygon, grow):
    """The polygon moved out from its centre by `grow` along each corner."""
    cx = sum(x for x, _ in polygon) / len(polygon)
    cy = sum(y for _, y in polygon) / len(polygon)
    out = []
    for x, y in polygon:
        out.append((x + math.copysign(grow, x - cx), y + math.copysign(grow, y - cy)))
    return out


SHAPES = (
    [((0, 0, 0, 0xFF), outlined(PAPER, 0.5)),
     ((0xFF, 0xFF, 0xFF, 0xFF), PAPER),
     ((0, 0, 0, 0xFF), outlined(FOLD, 0.5)),
     ((0xC0, 0xC0, 0xC0, 0xFF), FOLD)]
    + [(INK, [(x0, y), (x1, y), (x1, y + 1.1), (x0, y + 1.1)]) for x0, x1, y in WRITING]
    + pen(tip=(8.2, 25.6), end=(30.6, 2.4), width=2.6)
)


def parse(picture):
    rows = [line for line in picture.strip("\n").split("\n")]
    size = len(rows)
    if any(len(row) != size for row in rows):
        raise ValueError("a picture must be square")
    return rows


def image_data(rows):
    """BITMAPINFOHEADER, palette, 4-bit colour bits and 1-bit mask, bottom-up."""
    size = len(rows)
    index = {char: i for i, (char, _) in enumerate(PALETTE)}
    color_stride = (size * 4 + 31) // 32 * 4
    mask_stride = (size + 31) // 32 * 4
    colors = bytearray()
    mask = bytearray()
    for row in reversed(rows):
        nibbles = [0 if c == TRANSPARENT else index[c] for c in row]
        line = bytearray((nibbles[x] << 4) | nibbles[x + 1] for x in range(0, size, 2))
        colors += line + bytes(color_stride - len(line))
        bits = bytearray(mask_stride)
        for x, c in enumerate(row):
            if c == TRANSPARENT:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0,
                         len(colors) + len(mask), 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for _, (r, g, b) in PALETTE)
    return header + palette + bytes(colors) + bytes(mask)


def coverage(polygon, size, samples=8):
    """How much of each pixel the polygon covers, 0 to 1, row by row.

    Each pixel row is cut by `samples` scan lines; along a line the covered
    length of every pixel is measured exactly."""
    scale = size / 32.0
    points = [(x * scale, y * scale) for x, y in polygon]
    edges = list(zip(points, points[1:] + points[:1]))
    grid = [[0.0] * size for _ in range(size)]
    for row in range(size):
        for k in range(samples):
            y = row + (k + 0.5) / samples
            crossings = sorted(
                x0 + (y - y0) * (x1 - x0) / (y1 - y0)
                for (x0, y0), (x1, y1) in edges
                if (y0 <= y < y1) or (y1 <= y < y0))
            for start, stop in zip(crossings[0::2], crossings[1::2]):
                start, stop = max(start, 0.0), min(stop, float(size))
                first, last = int(start), int(math.ceil(stop)) - 1
                for x in range(max(first, 0), min(last, size - 1) + 1):
                    covered = min(stop, x + 1) - max(start, x)
                    if covered > 0:
                        grid[row][x] += covered / samples
    return grid


def render(size):
    """The shapes painted over a transparent ground: rows of RGBA tuples."""
    pixels = [[(0.0, 0.0, 0.0, 0.0)] * size for _ in range(size)]
    for color, polygon in SHAPES:
        alpha = color[3] / 255.0
        for y, line in enumerate(coverage(polygon, size)):
            for x, amount in enumerate(line):
                a = min(amount, 1.0) * alpha
                if a <= 0:
                    continue
                r, g, b, under = pixels[y][x]
                out = a + under * (1 - a)
                mix = [(c / 255.0 * a + p * under * (1 - a)) / out
                       for c, p in zip(color[:3], (r, g, b))]
                pixels[y][x] = (mix[0], mix[1], mix[2], out)
    return [[tuple(int(round(v * 255)) for v in pixel) for pixel in line] for line in pixels]


def dib_32(pixels):
    """BITMAPINFOHEADER, BGRA bits and the 1-bit mask, bottom-up."""
    size = len(pixels)
    mask_stride = (size + 31) // 32 * 4
    colors = bytearray()
    mask = bytearray()
    for line in reversed(pixels):
        bits = bytearray(mask_stride)
        for x, (r, g, b, a) in enumerate(line):
            colors += bytes((b, g, r, a))
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                         len(colors) + len(mask), 0, 0, 0, 0)
    return header + bytes(colors) + bytes(mask)


def png(pixels):
    """A PNG file of 8-bit RGBA, as Windows takes the largest icon images."""
    size = len(pixels)

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    raw = b"".join(b"\0" + bytes(v for pixel in line for v in pixel) for line in pixels)
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def icon_file(kind, images):
    """An .ico (kind 1) or .cur (kind 2) file. Images are (size, colours,
    bits per pixel or hot spot, data)."""
    out = struct.pack("<HHH", 0, kind, len(images))
    offset = 6 + 16 * len(images)
    for size, colors, field, data in images:
        field1, field2 = (1, field) if kind == 1 else field  # planes and bits, or hot spot
        out += struct.pack("<BBBBHHII", size % 256, size % 256, colors, 0,
                           field1, field2, len(data), offset)
        offset += len(data)
    return out + b"".join(data for _, _, _, data in images)


def paletted(picture, field):
    rows = parse(picture)
    return (len(rows), 16, field, image_data(rows))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    with open(os.path.join(here, "quenlo32.ico"), "wb") as f:
        f.write(icon_file(1, [paletted(ICON_32, 4), paletted(ICON_16, 4),
                              (48, 0, 32, dib_32(render(48))),
                              (256, 0, 32, png(render(256)))]))
    with open(os.path.join(here, "hand.cur"), "wb") as f:
        f.write(icon_file(2, [paletted(HAND_32, HAND_HOT_SPOT)]))


if __name__ == "__main__":
    main()
