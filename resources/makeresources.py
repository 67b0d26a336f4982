#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 Quillfern
"""Writes the program's pictures: app.ico, info.ico, logo.bmp and the desktop icons.

Python 3 standard library only; the output is the same byte for byte on every run.

  app.ico   the application icon: a framed landscape picture with a fern frond
  info.ico  the title-bar icon of the About and Info windows: a blue disc with an "i"
  logo.bmp  Quillfern's logo, 147 x 166 pixels at 24 bits per pixel: a fern frond
            that grows from a quill's nib, above the name
  desktop/app-16.png, desktop/app-32.png
            app.ico's two pictures as PNG files with an alpha channel, for the desktop's
            icon theme (hicolor), which does not read .ico files

Each icon holds a 32 x 32 and a 16 x 16 picture at 16 colours: 4 bits per pixel with the
16-entry standard palette, and a 1-bit AND mask that makes the background transparent.

Usage: makeresources.py [OUTPUT_FOLDER]   (default: the folder of this script)
"""

import math
import os
import struct
import sys
import zlib

# The 16 standard colours of a 4-bit device, in palette order, as (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GREY, RED, LIME, YELLOW, BLUE, MAGENTA, CYAN, WHITE = range(8, 16)
CLEAR = None  # a transparent icon pixel: index 0 with its AND-mask bit set


# --- icons -------------------------------------------------------------------------------

class IconCanvas:
    """A square of palette indices (or CLEAR) with a few filling primitives."""

    def __init__(self, size):
        self.size = size
        self.pixels = [[CLEAR] * size for _ in range(size)]

    def put(self, x, y, colour):
        if 0 <= x < self.size and 0 <= y < self.size:
            self.pixels[y][x] = colour

    def rect(self, left, top, right, bottom, colour):
        """Fills the pixels from (left, top) to (right, bottom), both inclusive."""
        for y in range(top, bottom + 1):
            for x in range(left, right + 1):
                self.put(x, y, colour)

    def disc(self, cx, cy, radius, colour):
        """Fills the pixels whose centres lie within `radius` of (cx, cy)."""
        for y in range(self.size):
            for x in range(self.size):
                if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= radius * radius:
                    self.put(x, y, colour)

    def fill(self, inside, colour):
        """Fills the pixels whose centres satisfy inside(x, y)."""
        for y in range(self.size):
            for x in range(self.size):
                if inside(x + 0.5, y + 0.5):
                    self.put(x, y, colour)


def app_icon(size):
    """A framed picture: sky, sun, hills and a fern frond in front."""
    s = size / 32.0
    c = IconCanvas(size)
    last = size - 1
    frame_top = round(3 * s)
    frame_bottom = last - round(3 * s)
    c.rect(0, frame_top, last, frame_bottom, BLACK)
    c.rect(1, frame_top + 1, last - 1, frame_bottom - 1, OLIVE)
    inner = (round(3 * s), frame_top + round(3 * s), last - round(3 * s), frame_bottom - round(3 * s))
    left, top, right, bottom = inner
    c.rect(left - 1, top - 1, right + 1, bottom + 1, BLACK)
    c.rect(left, top, right, bottom, CYAN)
    c.disc(right - 5 * s, top + 5 * s, 3.2 * s, YELLOW)

    def hill(x, y):
        return left <= x <= right + 1 and y <= bottom + 1 and y >= bottom - 6 * s + 3 * s * math.sin(x / (5 * s))
    c.fill(hill, GREEN)

    def frond(x, y):
        # A stem leaning right with short leaflets on both sides.
        stem_x = left + 7 * s + (bottom - y) * 0.25
        if not (top + 3 * s <= y <= bottom + 1):
            return False
        half = 0.6 * s + (y - top - 3 * s) * 0.22
        if abs(x - stem_x) <= 0.7 * s:
            return True
        rung = (y - top) % (3 * s)
        return abs(x - stem_x) <= half and rung < 1.6 * s
    c.fill(frond, LIME)
    return c


def info_icon(size):
    """A blue disc with a white "i", on a clear background."""
    s = size / 32.0
    c = IconCanvas(size)
    c.disc(size / 2, size / 2, size / 2, BLACK)
    c.disc(size / 2, size / 2, size / 2 - 1.2 * s - 0.3, BLUE)
    c.disc(size / 2, 9.5 * s, 2.4 * s, WHITE)
    c.rect(round(14 * s), round(14 * s), round(18 * s) - 1, round(26 * s) - 1, WHITE)
    c.rect(round(12 * s), round(14 * s), round(14 * s) - 1, round(15.5 * s), WHITE)
    c.rect(round(12 * s), round(24 * s), round(20 * s) - 1, round(26 * s) - 1, WHITE)
    return c


def icon_image(canvas):
    """One icon picture: BITMAPINFOHEADER, palette, 4-bit colour rows and AND-mask rows."""
    size = canvas.size
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE)
    colour_stride = (size * 4 + 31) // 32 * 4
    mask_stride = (size + 31) // 32 * 4
    colour_rows, mask_rows = [], []
    for row in reversed(canvas.pixels):  # bottom-up
        nibbles = [0 if p is CLEAR else p for p in row]
        packed = bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, size, 2))
        colour_rows.append(packed.ljust(colour_stride, b'\0'))
        bits = 0
        for p in row:
            bits = (bits << 1) | (1 if p is CLEAR else 0)
        mask_rows.append(bits.to_bytes(size // 8, 'big').ljust(mask_stride, b'\0'))
    return header + palette + b''.join(colour_rows) + b''.join(mask_rows)


def ico_file(canvases):
    """An icon file (ICONDIR, one ICONDIRENTRY per picture, the pictures) of the given pictures."""
    images = [icon_image(c) for c in canvases]
    directory = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for canvas, image in zip(canvases, images):
        directory += struct.pack('<BBBBHHII', canvas.size, canvas.size, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    return directory + b''.join(images)


def png_file(canvas):
    """A PNG file (8-bit RGBA, no filtering, no time stamp) of one icon picture.

    Transparent icon pixels become fully transparent black; the others take their palette colour.
    """
    size = canvas.size
    raw = b''.join(
        b'\0' + b''.join(bytes((0, 0, 0, 0)) if p is CLEAR else bytes(PALETTE[p] + (255,)) for p in row)
        for row in canvas.pixels)  # each row starts with filter type 0 (none)

    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))

    header = struct.pack('>IIBBBBB', size, size, 8, 6, 0, 0, 0)  # 8 bits, RGBA, no interlace
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header)
            + chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


# --- logo --------------------------------------------------------------------------------

LOGO_WIDTH, LOGO_HEIGHT = 147, 166
SUPERSAMPLE = 3  # samples per pixel along each axis

PAPER = (250, 246, 232)
RING = (46, 94, 58)
FROND = (58, 128, 62)
FROND_LIGHT = (120, 176, 92)
SHAFT = (110, 78, 44)
NIB = (40, 40, 48)
INK = (28, 42, 96)
LETTERS = (36, 76, 46)

# 5 x 7 capitals for the name, one string of '#' and '.' per row.
FONT = {
    'Q': ['.###.', '#...#', '#...#', '#...#', '#.#.#', '#..#.', '.##.#'],
    'U': ['#...#', '#...#', '#...#', '#...#', '#...#', '#...#', '.###.'],
    'I': ['.###.', '..#..', '..#..', '..#..', '..#..', '..#..', '.###.'],
    'L': ['#....', '#....', '#....', '#....', '#....', '#....', '#####'],
    'F': ['#####', '#....', '#....', '####.', '#....', '#....', '#....'],
    'E': ['#####', '#....', '#....', '####.', '#....', '#....', '#####'],
    'R': ['####.', '#...#', '#...#', '####.', '#.#..', '#..#.', '#...#'],
    'N': ['#...#', '##..#', '#.#.#', '#..##', '#...#', '#...#', '#...#'],
}
NAME = 'QUILLFERN'
LETTER_SCALE = 2
LETTER_GAP = 1  # font cells between letters
NAME_TOP = 146


def stem_point(t):
    """The frond's stem: a quadratic curve from the nib (t = 0) to the tip (t = 1)."""
    p0, p1, p2 = (38.0, 122.0), (62.0, 70.0), (112.0, 22.0)
    u = 1 - t
    return (u * u * p0[0] + 2 * u * t * p1[0] + t * t * p2[0],
            u * u * p0[1] + 2 * u * t * p1[1] + t * t * p2[1])


def stem_direction(t):
    a, b = stem_point(max(t - 0.01, 0)), stem_point(min(t + 0.01, 1))
    length = math.hypot(b[0] - a[0], b[1] - a[1])
    return ((b[0] - a[0]) / length, (b[1] - a[1]) / length)


def make_leaflets():
    """Ellipses (centre, unit axis, half length, half width) along the upper stem."""
    leaflets = []
    count = 12
    for i in range(count):
        t = 0.28 + 0.68 * i / (count - 1)
        length = 17.0 * (1.0 - 0.72 * (t - 0.28) / 0.68)
        for side in (-1, 1):
            x, y = stem_point(t)
            dx, dy = stem_direction(t)
            # Leaflets point outwards and a little towards the tip.
            nx, ny = -dy * side, dx * side
            ax, ay = nx * 0.75 + dx * 0.65, ny * 0.75 + dy * 0.65
            norm = math.hypot(ax, ay)
            ax, ay = ax / norm, ay / norm
            cx, cy = x + ax * length * 0.95, y + ay * length * 0.95
            leaflets.append((cx, cy, ax, ay, length, length * 0.2 + 0.7))
    return leaflets


LEAFLETS = make_leaflets()
STEM_SAMPLES = [stem_point(i / 200) for i in range(201)]


def distance_to_stem(x, y):
    best = float('inf'), 0.0
    for i, (sx, sy) in enumerate(STEM_SAMPLES):
        d = (x - sx) ** 2 + (y - sy) ** 2
        if d < best[0]:
            best = d, i / 200
    return math.sqrt(best[0]), best[1]


def name_cells():
    """The set of (column, row) font cells that are ink, in logo pixels before scaling."""
    cells = set()
    column = 0
    for letter in NAME:
        for row, line in enumerate(FONT[letter]):
            for dx, mark in enumerate(line):
                if mark == '#':
                    cells.add((column + dx, row))
        column += 5 + LETTER_GAP
    return cells, column - LETTER_GAP


NAME_CELLS, NAME_COLUMNS = name_cells()
NAME_LEFT = (LOGO_WIDTH - NAME_COLUMNS * LETTER_SCALE) // 2


def logo_sample(x, y):
    """The colour of the logo at the point (x, y) in pixels."""
    column = math.floor((x - NAME_LEFT) / LETTER_SCALE)
    row = math.floor((y - NAME_TOP) / LETTER_SCALE)
    if (column, row) in NAME_CELLS:
        return LETTERS

    ring = math.hypot(x - 73.5, y - 67.0)
    colour = PAPER
    if 62.0 <= ring <= 65.0:
        colour = RING

    # The nib: a dark wedge below the stem's start, with an ink drop under it.
    if math.hypot(x - 31.0, y - 139.5) <= 2.6:
        return INK
    nib_x, nib_y = x - 38.0, y - 122.0
    along = nib_x * -0.42 + nib_y * 0.91  # towards the point, down and to the left
    across = nib_x * 0.91 + nib_y * 0.42
    if 0 <= along <= 12 and abs(across) <= 3.2 * (1 - along / 12):
        return NIB

    distance, t = distance_to_stem(x, y)
    if distance <= 1.6 - 0.8 * t:
        return SHAFT if t < 0.28 else FROND
    for cx, cy, ax, ay, half_length, half_width in LEAFLETS:
        px, py = x - cx, y - cy
        u = px * ax + py * ay
        v = -px * ay + py * ax
        if (u / half_length) ** 2 + (v / half_width) ** 2 <= 1.0:
            return FROND_LIGHT if abs(v) < 0.6 and u < 0 else FROND
    return colour


def logo_pixels():
    """Rows of (r, g, b), top row first, each pixel the mean of its samples."""
    rows = []
    step = 1.0 / SUPERSAMPLE
    for py in range(LOGO_HEIGHT):
        row = []
        for px in range(LOGO_WIDTH):
            total = [0, 0, 0]
            for sy in range(SUPERSAMPLE):
                for sx in range(SUPERSAMPLE):
                    r, g, b = logo_sample(px + (sx + 0.5) * step, py + (sy + 0.5) * step)
                    total[0] += r
                    total[1] += g
                    total[2] += b
            n = SUPERSAMPLE * SUPERSAMPLE
            row.append(tuple((v + n // 2) // n for v in total))
        rows.append(row)
    return rows


def bmp_file(rows):
    """A 24-bit Windows bitmap (BITMAPFILEHEADER, BITMAPINFOHEADER, bottom-up padded rows)."""
    height, width = len(rows), len(rows[0])
    stride = (width * 3 + 3) // 4 * 4
    pixels = b''.join(
        b''.join(struct.pack('<BBB', b, g, r) for r, g, b in row).ljust(stride, b'\0')
        for row in reversed(rows))
    # 3780 pixels per metre is 96 dots per inch.
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, len(pixels), 3780, 3780, 0, 0)
    offset = 14 + len(info)
    file_header = struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset)
    return file_header + info + pixels


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    outputs = {
        'app.ico': ico_file([app_icon(32), app_icon(16)]),
        'info.ico': ico_file([info_icon(32), info_icon(16)]),
        'logo.bmp': bmp_file(logo_pixels()),
        os.path.join('desktop', 'app-16.png'): png_file(app_icon(16)),
        os.path.join('desktop', 'app-32.png'): png_file(app_icon(32)),
    }
    os.makedirs(os.path.join(folder, 'desktop'), exist_ok=True)
    for name, data in outputs.items():
        with open(os.path.join(folder, name), 'wb') as file:
            file.write(data)


if __name__ == '__main__':
    main()
