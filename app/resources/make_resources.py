#!/usr/bin/env python3
"""Writes the program's picture files from the drawings below, byte for byte the same every run.

    app/resources/HAND-M.CUR    the hand pointer shown over the command buttons (Windows cursor
                                file, 32 x 32, 32-bit colour with alpha, hotspot on the fingertip)
    app/resources/lomandra.png  the program icon (64 x 64)
    app/resources/icons/hicolor/NxN/apps/com.quillbrook.lomandra.png   the same icon for the
                                desktop in the usual sizes (16 to 256), and scalable/apps/....svg

Run it from anywhere with any Python 3 (standard library only); commit every output.
"""

import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

# ---------------------------------------------------------------------------------------------
# The hand: B outline, W fill, . transparent. The hotspot is the top of the index finger.
HAND = [
    "......BB........................",
    ".....BWWB.......................",
    ".....BWWB.......................",
    ".....BWWB.......................",
    ".....BWWB.......................",
    ".....BWWBBB.....................",
    ".....BWWBWWBBB..................",
    ".....BWWBWWBWWBB................",
    ".....BWWBWWBWWBWWB..............",
    ".BBB.BWWBWWBWWBWWB..............",
    ".BWWBBWWWWWWWWBWWB..............",
    ".BWWWBWWWWWWWWWWWB..............",
    "..BWWBWWWWWWWWWWWB..............",
    "..BWWWWWWWWWWWWWWB..............",
    "...BWWWWWWWWWWWWWB..............",
    "...BWWWWWWWWWWWWWB..............",
    "....BWWWWWWWWWWWB...............",
    "....BWWWWWWWWWWWB...............",
    ".....BWWWWWWWWWB................",
    ".....BWWWWWWWWWB................",
    ".....BBBBBBBBBBB................",
]
HAND_HOTSPOT = (6, 0)
CURSOR_SIZE = 32


def cursor_file():
    """A type-2 (cursor) icon directory with one 32-bit DIB image and its AND mask."""
    size = CURSOR_SIZE
    rows = HAND + ["." * size] * (size - len(HAND))
    colours = {"B": (0, 0, 0, 255), "W": (255, 255, 255, 255), ".": (0, 0, 0, 0)}
    pixels = bytearray()
    mask = bytearray()
    for row in reversed(rows):  # DIB rows run bottom-up
        bits = 0
        for x, ch in enumerate(row):
            r, g, b, a = colours[ch]
            pixels += bytes((b, g, r, a))
            if a == 0:
                bits |= 1 << (size - 1 - x)
        mask += struct.pack(">I", bits)  # one 32-pixel row is exactly one 32-bit mask row
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                         len(pixels) + len(mask), 0, 0, 0, 0)
    image = header + bytes(pixels) + bytes(mask)
    directory = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", size, size, 0, 0, HAND_HOTSPOT[0], HAND_HOTSPOT[1],
                        len(image), 6 + 16)
    return directory + entry + image


# ---------------------------------------------------------------------------------------------
# The icon: a teal tile holding a small sheet whose highlighted column flows, through an arrow,
# into a list of result lines. The drawing is in a 64 x 64 frame; each shape is data, so the
# same drawing gives the PNGs (any size, 4 x 4 samples per pixel) and the SVG.
ICON_FRAME = 64
ICON_NAME = "com.quillbrook.lomandra"  # the desktop entry's name, as the freedesktop rules advise
ICON_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)
SAMPLES = 4


def rounded_rect(x0, y0, x1, y1, r):
    return ("rounded", x0, y0, x1, y1, r)


def rect(x0, y0, x1, y1):
    return ("rect", x0, y0, x1, y1)


def triangle(ax, ay, bx, by, cx, cy):
    return ("triangle", ax, ay, bx, by, cx, cy)


def contains(shape, x, y):
    """Whether the point (x, y) of the 64 x 64 frame lies inside the shape, edges included."""
    kind = shape[0]
    if kind == "rect":
        _, x0, y0, x1, y1 = shape
        return x0 <= x <= x1 and y0 <= y <= y1
    if kind == "rounded":
        _, x0, y0, x1, y1, r = shape
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    _, ax, ay, bx, by, cx, cy = shape

    def side(px, py, qx, qy):
        return (qx - px) * (y - py) - (qy - py) * (x - px)
    d1 = side(ax, ay, bx, by)
    d2 = side(bx, by, cx, cy)
    d3 = side(cx, cy, ax, ay)
    return (d1 >= 0 and d2 >= 0 and d3 >= 0) or (d1 <= 0 and d2 <= 0 and d3 <= 0)


def bounds(shape):
    """The shape's bounding box (x0, y0, x1, y1) in the frame."""
    if shape[0] == "triangle":
        xs, ys = shape[1::2], shape[2::2]
        return min(xs), min(ys), max(xs), max(ys)
    return shape[1:5]


TEAL = (22, 110, 122)
WHITE = (255, 255, 255)
GRID = (176, 196, 200)
GOLD = (245, 180, 40)
LIGHT = (214, 240, 236)

ICON_SHAPES = [
    (rounded_rect(2, 2, 62, 62, 11), TEAL),
    # the sheet and its grid (3 columns x 4 rows of cells)
    (rect(8, 12, 33, 52), WHITE),
    *[(rect(8 + 25 * i / 3 - 0.5, 12, 8 + 25 * i / 3 + 0.5, 52), GRID) for i in (1, 2)],
    *[(rect(8, 12 + 10 * j - 0.5, 33, 12 + 10 * j + 0.5), GRID) for j in (1, 2, 3)],
    # the gathered column
    (rect(16.8, 12.8, 24.6, 51.2), GOLD),
    # the arrow
    (rect(35, 29.5, 43, 34.5), WHITE),
    (triangle(42, 24, 42, 40, 49, 32), WHITE),
    # the result lines
    *[(rounded_rect(50, 14 + 8 * k, 58, 18 + 8 * k, 2), LIGHT) for k in range(5)],
]


def icon_pixels(size):
    """RGBA rows of the icon drawn at size x size pixels."""
    scale = ICON_FRAME / size
    rows = []
    n = SAMPLES * SAMPLES
    for py in range(size):
        row = bytearray()
        # Only the shapes that reach this row of pixels can colour it.
        top, bottom = py * scale, (py + 1) * scale
        shapes = [(shape, fill) for shape, fill in ICON_SHAPES
                  if bounds(shape)[1] <= bottom and bounds(shape)[3] >= top]
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]  # premultiplied r, g, b and alpha
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = (px + (sx + 0.5) / SAMPLES) * scale
                    y = (py + (sy + 0.5) / SAMPLES) * scale
                    colour = None
                    for shape, fill in shapes:
                        if contains(shape, x, y):
                            colour = fill
                    if colour is not None:
                        acc[0] += colour[0]
                        acc[1] += colour[1]
                        acc[2] += colour[2]
                        acc[3] += 1
            alpha = acc[3] / n
            if acc[3]:
                rgb = [round(c / acc[3]) for c in acc[:3]]
            else:
                rgb = [0, 0, 0]
            row += bytes(rgb + [round(alpha * 255)])
        rows.append(bytes(row))
    return rows


def png_file(rows, width, height):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))
    raw = b"".join(b"\x00" + r for r in rows)
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def svg_number(value):
    return ("%.4f" % value).rstrip("0").rstrip(".")


def svg_file():
    """The same drawing as scalable vector graphics, shape for shape."""
    lines = ['<?xml version="1.0" encoding="UTF-8"?>',
             '<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" viewBox="0 0 %d %d">'
             % (ICON_FRAME, ICON_FRAME, ICON_FRAME, ICON_FRAME),
             '  <title>Lomandra</title>']
    for shape, (r, g, b) in ICON_SHAPES:
        fill = 'fill="#%02x%02x%02x"' % (r, g, b)
        if shape[0] == "triangle":
            points = " ".join(svg_number(v) for v in shape[1:])
            lines.append('  <polygon points="%s" %s/>' % (points, fill))
            continue
        x0, y0, x1, y1 = shape[1:5]
        corner = ""
        if shape[0] == "rounded":
            corner = ' rx="%s"' % svg_number(shape[5])
        lines.append('  <rect x="%s" y="%s" width="%s" height="%s"%s %s/>'
                     % (svg_number(x0), svg_number(y0), svg_number(x1 - x0),
                        svg_number(y1 - y0), corner, fill))
    lines.append("</svg>")
    return "\n".join(lines) + "\n"


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def main():
    write(os.path.join(HERE, "HAND-M.CUR"), cursor_file())
    write(os.path.join(HERE, "lomandra.png"),
          png_file(icon_pixels(ICON_FRAME), ICON_FRAME, ICON_FRAME))
    # The desktop icons in the freedesktop hicolor theme's layout, installed as they stand.
    icons = os.path.join(HERE, "icons", "hicolor")
    for size in ICON_SIZES:
        write(os.path.join(icons, "%dx%d" % (size, size), "apps", ICON_NAME + ".png"),
              png_file(icon_pixels(size), size, size))
    write(os.path.join(icons, "scalable", "apps", ICON_NAME + ".svg"), svg_file().encode())


if __name__ == "__main__":
    main()
