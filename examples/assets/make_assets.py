#!/usr/bin/env python3
"""Draws the demos' images and writes them as PNG files beside this script:

  tiles.png   128 x 64: eight by four tiles of 16 x 16 for the tile map scroller
  font8.png   128 x 128: a 5 x 7 pixel font in a grid of 16 x 16 cells of 8 x 8,
              one cell per character code (row = code / 16), for a bitmap font

Pure Python (zlib and struct only), deterministic: running it again gives the
same files. Transparent pixels have alpha 0.

    python3 examples/assets/make_assets.py
"""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def write_png(path, width, height, pixels):
    """pixels: rows of (r, g, b, a) tuples."""
    raw = bytearray()
    for row in pixels:
        raw.append(0)  # no filter
        for r, g, b, a in row:
            raw += bytes((r, g, b, a))

    def chunk(kind, data):
        c = struct.pack(">I", len(data)) + kind + data
        return c + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


class Rng:
    """A small linear congruential generator, so the speckles never change."""

    def __init__(self, seed):
        self.state = seed

    def next(self, limit):
        self.state = (self.state * 1103515245 + 12345) & 0x7FFFFFFF
        return (self.state >> 8) % limit


def rgb(c, a=255):
    return ((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF, a)


CLEAR = (0, 0, 0, 0)


def shade(c, f):
    r, g, b, a = c
    return (min(255, int(r * f)), min(255, int(g * f)), min(255, int(b * f)), a)


# ---- Tiles ----------------------------------------------------------------


def tile_dirt(x, y, rng):
    base = rgb(0x7A4A2A)
    return shade(base, 0.75) if rng.next(9) == 0 else shade(base, 1.1) if rng.next(13) == 0 else base


def tile_grass(x, y, rng):
    blade = (x * 7 + 3) % 5
    if y < 3 - (1 if blade == 0 else 0):
        return CLEAR if y < 1 and blade != 0 else rgb(0x6ADA4A)
    if y < 5:
        return rgb(0x3AAA3A) if (x + y) % 3 else rgb(0x2A8A2A)
    if y == 5:
        return rgb(0x2A7A2A) if x % 4 else rgb(0x7A4A2A)
    return tile_dirt(x, y, rng)


def tile_stone(x, y, rng):
    # Bricks of 8 x 4, offset every other row.
    row = y // 4
    edge = y % 4 == 3 or (x + (4 if row % 2 else 0)) % 8 == 7
    if edge:
        return rgb(0x4A4A56)
    c = rgb(0x8A8A9A)
    return shade(c, 0.9) if rng.next(7) == 0 else shade(c, 1.1) if (x + y) % 5 == 0 else c


def tile_crate(x, y, rng):
    if x in (0, 15) or y in (0, 15):
        return rgb(0x5A3414)
    if x == y or x == 15 - y or x + 1 == y:
        return rgb(0x6A4420)
    return rgb(0xC08A4A) if y % 4 else rgb(0xA87438)


def tile_water_top(x, y, rng):
    wave = 2 + (1 if (x // 4) % 2 else 0)
    if y < wave:
        return CLEAR
    if y == wave:
        return rgb(0xCFEFFF)
    return rgb(0x2A6ACA) if (x + y) % 7 else rgb(0x3A7ADA)


def tile_water(x, y, rng):
    return rgb(0x1A5ABA) if (x * 3 + y * 5) % 11 else rgb(0x2A6ACA)


def tile_gem(x, y, rng):
    d = abs(x - 7.5) + abs(y - 7.5)
    if d > 6.5:
        return CLEAR
    if d > 5.5:
        return rgb(0x106080)
    return rgb(0xE0FFFF) if x < 7 and y < 7 else rgb(0x40D0F0) if x < 8 else rgb(0x20A0D0)


def tile_flower(x, y, rng):
    if x in (7, 8) and y >= 8:
        return rgb(0x2A9A2A)
    if y >= 12 and (x == 5 and y == 12 or x == 10 and y == 11):
        return rgb(0x3ABA3A)
    d = (x - 7.5) ** 2 + (y - 5) ** 2
    if d < 3:
        return rgb(0xFFE040)
    if d < 12:
        return rgb(0xF05090)
    return CLEAR


def tile_trunk(x, y, rng):
    if 5 <= x <= 10:
        return rgb(0x6A4422) if x in (5, 10) else rgb(0x8A5A30) if (y + x) % 4 else rgb(0x7A4A28)
    return CLEAR


def tile_leaves(x, y, rng):
    d = (x - 7.5) ** 2 + (y - 8.5) ** 2
    if d > 62:
        return CLEAR
    c = rgb(0x2A8A3A)
    if d > 48:
        return shade(c, 0.7)
    return shade(c, 1.3) if rng.next(6) == 0 else c


def hill(top):
    def draw(x, y, rng):
        if top and y < 6 - int(2.5 * (1 - abs(x - 7.5) / 8)):
            return CLEAR
        c = rgb(0x3A5A8A)
        return shade(c, 1.15) if (x * 5 + y * 3) % 13 == 0 else c

    return draw


def cloud(side):
    def draw(x, y, rng):
        cx = 15 if side == 0 else 0
        d = ((x - cx) / 1.3) ** 2 + (y - 9) ** 2
        if d > 42:
            return CLEAR
        return rgb(0xF4F8FF) if y < 10 else rgb(0xD0DCF0)

    return draw


def tile_bush(x, y, rng):
    d = ((x - 7.5) / 1.1) ** 2 + (y - 15) ** 2 / 1.4
    if d > 58:
        return CLEAR
    return rgb(0x3AAA3A) if y > 8 or x % 5 else rgb(0x5ACA4A)


def tile_block(x, y, rng):
    # A gold block with a bevel.
    if x == 0 or y == 0:
        return rgb(0xFFE8A0)
    if x == 15 or y == 15:
        return rgb(0x8A5A10)
    if 5 <= x <= 10 and 5 <= y <= 10:
        return rgb(0xFFF4C0) if (x + y) % 2 else rgb(0xE0A830)
    return rgb(0xE0A830)


def tile_empty(x, y, rng):
    return CLEAR


# Index = row * 8 + column (the program uses these numbers).
TILES = [
    tile_empty, tile_grass, tile_dirt, tile_stone, tile_crate, tile_water_top, tile_water, tile_gem,
    tile_flower, tile_trunk, tile_leaves, hill(True), hill(False), cloud(0), cloud(1), tile_bush,
    tile_block,
]


def make_tiles():
    w, h = 128, 64
    px = [[CLEAR] * w for _ in range(h)]
    for index, draw in enumerate(TILES):
        rng = Rng(index + 1)
        ox, oy = (index % 8) * 16, (index // 8) * 16
        for y in range(16):
            for x in range(16):
                px[oy + y][ox + x] = draw(x, y, rng)
    write_png(os.path.join(HERE, "tiles.png"), w, h, px)


# ---- Font -------------------------------------------------------------------

# 5 x 7 glyphs, seven rows per character, "#" set.
GLYPHS = {
    '0': ['.###.', '#...#', '#..##', '#.#.#', '##..#', '#...#', '.###.'],
    '1': ['..#..', '.##..', '..#..', '..#..', '..#..', '..#..', '.###.'],
    '2': ['.###.', '#...#', '....#', '...#.', '..#..', '.#...', '#####'],
    '3': ['#####', '...#.', '..#..', '...#.', '....#', '#...#', '.###.'],
    '4': ['...#.', '..##.', '.#.#.', '#..#.', '#####', '...#.', '...#.'],
    '5': ['#####', '#....', '####.', '....#', '....#', '#...#', '.###.'],
    '6': ['..##.', '.#...', '#....', '####.', '#...#', '#...#', '.###.'],
    '7': ['#####', '....#', '...#.', '..#..', '.#...', '.#...', '.#...'],
    '8': ['.###.', '#...#', '#...#', '.###.', '#...#', '#...#', '.###.'],
    '9': ['.###.', '#...#', '#...#', '.####', '....#', '...#.', '.##..'],
    'A': ['.###.', '#...#', '#...#', '#####', '#...#', '#...#', '#...#'],
    'B': ['####.', '#...#', '#...#', '####.', '#...#', '#...#', '####.'],
    'C': ['.###.', '#...#', '#....', '#....', '#....', '#...#', '.###.'],
    'D': ['###..', '#..#.', '#...#', '#...#', '#...#', '#..#.', '###..'],
    'E': ['#####', '#....', '#....', '####.', '#....', '#....', '#####'],
    'F': ['#####', '#....', '#....', '####.', '#....', '#....', '#....'],
    'G': ['.###.', '#...#', '#....', '#.###', '#...#', '#...#', '.####'],
    'H': ['#...#', '#...#', '#...#', '#####', '#...#', '#...#', '#...#'],
    'I': ['.###.', '..#..', '..#..', '..#..', '..#..', '..#..', '.###.'],
    'J': ['..###', '...#.', '...#.', '...#.', '...#.', '#..#.', '.##..'],
    'K': ['#...#', '#..#.', '#.#..', '##...', '#.#..', '#..#.', '#...#'],
    'L': ['#....', '#....', '#....', '#....', '#....', '#....', '#####'],
    'M': ['#...#', '##.##', '#.#.#', '#.#.#', '#...#', '#...#', '#...#'],
    'N': ['#...#', '#...#', '##..#', '#.#.#', '#..##', '#...#', '#...#'],
    'O': ['.###.', '#...#', '#...#', '#...#', '#...#', '#...#', '.###.'],
    'P': ['####.', '#...#', '#...#', '####.', '#....', '#....', '#....'],
    'Q': ['.###.', '#...#', '#...#', '#...#', '#.#.#', '#..#.', '.##.#'],
    'R': ['####.', '#...#', '#...#', '####.', '#.#..', '#..#.', '#...#'],
    'S': ['.####', '#....', '#....', '.###.', '....#', '....#', '####.'],
    'T': ['#####', '..#..', '..#..', '..#..', '..#..', '..#..', '..#..'],
    'U': ['#...#', '#...#', '#...#', '#...#', '#...#', '#...#', '.###.'],
    'V': ['#...#', '#...#', '#...#', '#...#', '#...#', '.#.#.', '..#..'],
    'W': ['#...#', '#...#', '#...#', '#.#.#', '#.#.#', '#.#.#', '.#.#.'],
    'X': ['#...#', '#...#', '.#.#.', '..#..', '.#.#.', '#...#', '#...#'],
    'Y': ['#...#', '#...#', '.#.#.', '..#..', '..#..', '..#..', '..#..'],
    'Z': ['#####', '....#', '...#.', '..#..', '.#...', '#....', '#####'],
    ':': ['.....', '.##..', '.##..', '.....', '.##..', '.##..', '.....'],
    '-': ['.....', '.....', '.....', '#####', '.....', '.....', '.....'],
    '.': ['.....', '.....', '.....', '.....', '.....', '.##..', '.##..'],
    '/': ['....#', '....#', '...#.', '..#..', '.#...', '#....', '#....'],
    '!': ['..#..', '..#..', '..#..', '..#..', '..#..', '.....', '..#..'],
    'x': ['.....', '.....', '#...#', '.#.#.', '..#..', '.#.#.', '#...#'],
}


def make_font():
    w = h = 128
    px = [[CLEAR] * w for _ in range(h)]
    for ch, rows in GLYPHS.items():
        code = ord(ch)
        ox, oy = (code % 16) * 8, (code // 16) * 8
        for y in range(7):
            for x in range(5):
                if rows[y][x] != "#":
                    continue
                # The glyph, light at the top and warmer below, with a dark shadow.
                px[oy + y][ox + x + 1] = rgb(0xFFF8D0) if y < 3 else rgb(0xFFD060)
                for sx, sy in ((1, 1),):
                    tx, ty = ox + x + 1 + sx, oy + y + sy
                    if ty < oy + 8 and tx < ox + 8 and px[ty][tx] == CLEAR:
                        px[ty][tx] = rgb(0x302010)
        # Shadows must not cover glyph pixels drawn later in the same cell.
        for y in range(7):
            for x in range(5):
                if rows[y][x] == "#":
                    px[oy + y][ox + x + 1] = rgb(0xFFF8D0) if y < 3 else rgb(0xFFD060)
    write_png(os.path.join(HERE, "font8.png"), w, h, px)


if __name__ == "__main__":
    make_tiles()
    make_font()
