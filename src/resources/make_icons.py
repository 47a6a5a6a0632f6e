#!/usr/bin/env python3
"""Draws the program's icon groups from our own geometry and writes them as .ico files, and
one encoded image (a PNG with alpha) that the program decodes at run time.

Every image is 32-bit BGRA (with an all-clear AND mask), anti-aliased by 4x4 supersampling.
    make_icons.py <output folder>
"""
import math
import struct
import sys
import zlib

SS = 4  # samples per pixel side


def rounded_square(margin, radius):
    def inside(x, y):
        lo, hi = margin, 1.0 - margin
        cx = min(max(x, lo + radius), hi - radius)
        cy = min(max(y, lo + radius), hi - radius)
        return (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius
    return inside


def ring(cx, cy, r_in, r_out, skip=None):
    def inside(x, y):
        d2 = (x - cx) ** 2 + (y - cy) ** 2
        if not (r_in * r_in <= d2 <= r_out * r_out):
            return False
        if skip:
            a = math.degrees(math.atan2(y - cy, x - cx)) % 360
            lo, hi = skip
            return not (lo <= a <= hi)
        return True
    return inside


def disc(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def segment(x0, y0, x1, y1, half_width):
    dx, dy = x1 - x0, y1 - y0
    length2 = dx * dx + dy * dy

    def inside(x, y):
        t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / length2))
        px, py = x0 + t * dx, y0 + t * dy
        return (x - px) ** 2 + (y - py) ** 2 <= half_width * half_width
    return inside


def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


def vertical_gradient(top, bottom):
    return lambda y: tuple(round(t + (b - t) * y) for t, b in zip(top, bottom))


def render(size, layers, height=None):
    """layers: (shape, colour or gradient function of y); a colour may carry an alpha as its
    fourth value. Shapes see both axes as 0..1. Returns BGRA rows, top row first."""
    width, height = size, height or size
    rows = []
    for py in range(height):
        row = bytearray()
        for px in range(width):
            acc = [0.0, 0.0, 0.0, 0.0]  # premultiplied r, g, b, a
            for sy in range(SS):
                for sx in range(SS):
                    x = (px + (sx + 0.5) / SS) / width
                    y = (py + (sy + 0.5) / SS) / height
                    r = g = b = a = 0.0
                    for shape, colour in layers:
                        if shape(x, y):
                            c = colour(y) if callable(colour) else colour
                            alpha = c[3] / 255 if len(c) > 3 else 1.0
                            r, g, b, a = c[0] / 255, c[1] / 255, c[2] / 255, alpha
                    acc[0] += r * a; acc[1] += g * a; acc[2] += b * a; acc[3] += a
            n = SS * SS
            alpha = acc[3] / n
            if alpha > 0:
                rgb = [min(255, round(acc[i] / acc[3] * 255)) for i in range(3)]
            else:
                rgb = [0, 0, 0]
            row += bytes((rgb[2], rgb[1], rgb[0], round(alpha * 255)))
        rows.append(bytes(row))
    return rows


def dib(size, rows):
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(reversed(rows))  # DIBs are bottom-up
    mask_stride = ((size + 31) // 32) * 4
    return header + pixels + bytes(mask_stride * size)


def write_ico(path, images):
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    blobs = []
    for size, rows in images:
        blob = dib(size, rows)
        dim = 0 if size >= 256 else size
        out += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
        blobs.append(blob)
    with open(path, "wb") as f:
        f.write(out + b"".join(blobs))


def write_png(path, width, rows):
    """rows: BGRA rows as render() makes them; written as 8-bit RGBA, no interlace."""
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = bytearray()
    for row in rows:
        raw.append(0)  # filter: none
        for i in range(0, len(row), 4):
            b, g, r, a = row[i:i + 4]
            raw += bytes((r, g, b, a))
    header = struct.pack(">IIBBBBB", width, len(rows), 8, 6, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
                + chunk(b"IEND", b""))


WHITE = (255, 255, 255)

# The installer: a blue tile carrying a white "Q".
APP = [
    (rounded_square(0.04, 0.2), vertical_gradient((46, 132, 235), (14, 78, 170))),
    (ring(0.47, 0.47, 0.17, 0.28), WHITE),
    (segment(0.56, 0.58, 0.74, 0.76, 0.065), WHITE),
]

# SketchUp: a warm tile with a white box drawn in outline.
BOX = [((0.5, 0.2), (0.78, 0.34)), ((0.78, 0.34), (0.78, 0.66)), ((0.78, 0.66), (0.5, 0.8)),
       ((0.5, 0.8), (0.22, 0.66)), ((0.22, 0.66), (0.22, 0.34)), ((0.22, 0.34), (0.5, 0.2)),
       ((0.22, 0.34), (0.5, 0.48)), ((0.5, 0.48), (0.78, 0.34)), ((0.5, 0.48), (0.5, 0.8))]
SKETCHUP = [
    (rounded_square(0.04, 0.2), vertical_gradient((235, 92, 60), (186, 40, 32))),
    (union(*(segment(a[0], a[1], b[0], b[1], 0.045) for a, b in BOX)), WHITE),
]

# Help: a green disc with a white question mark.
HELP = [
    (disc(0.5, 0.5, 0.46), vertical_gradient((72, 190, 120), (28, 138, 78))),
    (ring(0.5, 0.38, 0.09, 0.17, skip=(100, 175)), WHITE),
    (segment(0.5, 0.55, 0.5, 0.6, 0.04), WHITE),
    (disc(0.5, 0.73, 0.055), WHITE),
]

# The encoded image: a half-transparent blue pill with an opaque dot at its left end. Its size
# and the three kinds of alpha (clear corners, half, opaque) are what the decoding must keep.
MARK_SIZE = (40, 24)
MARK = [
    (rounded_square(0.04, 0.2), (46, 132, 235, 128)),
    (disc(0.3, 0.5, 0.3), (20, 90, 190)),
]


def main():
    out = sys.argv[1]
    sizes = (128, 64, 48, 32, 16)
    write_ico(out + "/appicon.ico", [(s, render(s, APP)) for s in sizes])
    write_ico(out + "/sketchup.ico", [(s, render(s, SKETCHUP)) for s in sizes])
    write_ico(out + "/help.ico", [(72, render(72, HELP))])
    write_png(out + "/mark.png", MARK_SIZE[0], render(MARK_SIZE[0], MARK, MARK_SIZE[1]))


if __name__ == "__main__":
    main()
