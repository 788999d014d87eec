#!/usr/bin/env python3
"""Draws Vorlix's icon: a block of cyan cubes with three small cubes breaking
away to the upper right. Writes an .ico with a 32x32 and a 16x16 image in
16 colours, and 32-bit images (an alpha channel) in the sizes the task bar
and the window ask for at 100 % to 300 % scaling, so none of them is a
stretched copy of another. Standard library only, so the icon can be
redrawn anywhere:

    python3 tools/make_icon.py src/vorlix.ico
"""
import math
import struct
import sys

# The standard 16-colour palette, in the order Windows uses.
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, TEAL, WHITE, AQUA = 0, 6, 15, 14
TOP, FRONT, SIDE, EDGE = WHITE, AQUA, TEAL, BLACK
TOP_EDGE, FRONT_EDGE, SIDE_EDGE = AQUA, TEAL, BLACK
CLEAR = None


class Canvas:
    def __init__(self, size):
        self.size = size
        self.pixels = [[CLEAR] * size for _ in range(size)]

    def fill(self, polygon, colour):
        """Fills the pixels whose centres lie inside the polygon."""
        for y in range(self.size):
            for x in range(self.size):
                if inside(polygon, x + 0.5, y + 0.5):
                    self.pixels[y][x] = colour

    def line(self, a, b, colour):
        (x0, y0), (x1, y1) = a, b
        steps = int(max(abs(x1 - x0), abs(y1 - y0))) or 1
        for i in range(steps + 1):
            x = round(x0 + (x1 - x0) * i / steps)
            y = round(y0 + (y1 - y0) * i / steps)
            if 0 <= x < self.size and 0 <= y < self.size:
                self.pixels[y][x] = colour


def inside(polygon, px, py):
    result = False
    for (x0, y0), (x1, y1) in zip(polygon, polygon[1:] + polygon[:1]):
        if (y0 > py) != (y1 > py) and px < x0 + (py - y0) * (x1 - x0) / (y1 - y0):
            result = not result
    return result


def cube(canvas, x, y, s, d):
    """A cube in oblique view: front face s wide at (x, y), depth d drawn
    up and to the right. Each face is filled and then edged one shade darker,
    so neighbouring cubes stay apart without heavy black lines."""
    front = [(x, y), (x + s, y), (x + s, y + s), (x, y + s)]
    top = [(x, y), (x + d, y - d), (x + s + d, y - d), (x + s, y)]
    side = [(x + s, y), (x + s + d, y - d), (x + s + d, y + s - d), (x + s, y + s)]
    r, b = x + s - 1, y + s - 1
    canvas.fill(top, TOP)
    for a, c in [((x, y - 1), (x + d, y - d)), ((x + d, y - d), (r + d, y - d))]:
        canvas.line(a, c, TOP_EDGE)
    canvas.fill(side, SIDE)
    for a, c in [((r + d, y - d), (r + d, b - d)), ((r + 1, b), (r + d, b - d + 1))]:
        canvas.line(a, c, SIDE_EDGE)
    canvas.fill(front, FRONT)
    for a, c in [((x, b), (r, b)), ((r, y), (r, b)), ((x, y), (x, b))]:
        canvas.line(a, c, FRONT_EDGE)


def outline(canvas):
    """Darkens the silhouette's border so the icon stands out on any task bar."""
    n = canvas.size
    border = []
    for y in range(n):
        for x in range(n):
            if canvas.pixels[y][x] is CLEAR:
                continue
            for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
                nx, ny = x + dx, y + dy
                if not (0 <= nx < n and 0 <= ny < n) or canvas.pixels[ny][nx] is CLEAR:
                    border.append((x, y))
                    break
    for x, y in border:
        canvas.pixels[y][x] = EDGE


def block_with_flight(size, cubes, cell, depth, origin, flight):
    """A block of cubes x cubes x cubes whose top-right-front cube has left
    it, and the cubes of the flight (x, y, side, depth) further up and right."""
    canvas = Canvas(size)
    ox, oy = origin
    last = cubes - 1
    missing = (last, 0, 0)  # column, row from the top, layer from the front
    # Back to front, bottom to top, left to right: each cube covers what it hides.
    for layer in reversed(range(cubes)):
        for row in reversed(range(cubes)):
            for col in range(cubes):
                if (col, row, layer) == missing:
                    continue
                cube(canvas, ox + col * cell + layer * depth, oy + row * cell - layer * depth,
                     cell, depth)
    outline(canvas)
    # Each flying cube is outlined on its own, so it stands apart from the block.
    for x, y, s, d in flight:
        piece = Canvas(size)
        cube(piece, x, y, s, d)
        outline(piece)
        for py, row in enumerate(piece.pixels):
            for px, colour in enumerate(row):
                if colour is not CLEAR:
                    canvas.pixels[py][px] = colour
    return canvas


def bitmap(canvas):
    """One icon image: header, palette, 4-bit colours, 1-bit transparency mask."""
    n = canvas.size
    header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    colours = bytearray()
    mask = bytearray()
    for y in reversed(range(n)):  # bottom-up
        row = canvas.pixels[y]
        nibbles = [0 if p is CLEAR else p for p in row]
        line = bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, n, 2))
        colours += line + b"\0" * (-len(line) % 4)
        bits = bytearray((n + 7) // 8)
        for x, p in enumerate(row):
            if p is CLEAR:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits + b"\0" * (-len(bits) % 4)
    return header + palette + bytes(colours) + bytes(mask)


def mask_rows(canvas):
    """The 1-bit transparency mask, bottom-up, each row padded to 4 bytes."""
    mask = bytearray()
    for y in reversed(range(canvas.size)):
        bits = bytearray((canvas.size + 7) // 8)
        for x, p in enumerate(canvas.pixels[y]):
            if p is CLEAR:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits + b"\0" * (-len(bits) % 4)
    return bytes(mask)


def bitmap32(canvas):
    """One 32-bit icon image: header, blue-green-red-alpha pixels, and the
    mask that older readers of the file still expect."""
    n = canvas.size
    header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    for y in reversed(range(n)):  # bottom-up
        for p in canvas.pixels[y]:
            if p is CLEAR:
                pixels += b"\0\0\0\0"
            else:
                r, g, b = PALETTE[p]
                pixels += struct.pack("<BBBB", b, g, r, 0xFF)
    return header + bytes(pixels) + mask_rows(canvas)


def icon(frames):
    """frames: (canvas, bits per pixel) pairs, 4 or 32."""
    images = [bitmap(c) if bits == 4 else bitmap32(c) for c, bits in frames]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for (canvas, bits), image in zip(frames, images):
        colours = 16 if bits == 4 else 0
        out += struct.pack("<BBBBHHII", canvas.size, canvas.size, colours, 0, 1, bits, len(image),
                           offset)
        offset += len(image)
    return out + b"".join(images)


# The two drawings made by hand, pixel by pixel: (x, y, side, depth) of the
# flying cubes.
SMALL = dict(size=16, cubes=2, cell=4, depth=1, origin=(0, 8),
             flight=[(8, 4, 4, 1), (12, 1, 3, 1), (14, -1, 2, 1)])
LARGE = dict(size=32, cubes=3, cell=5, depth=2, origin=(1, 16),
             flight=[(17, 9, 5, 2), (23, 4, 4, 2), (28, 0, 3, 1)])


def drawn(design, size):
    """A drawing at its own size, or scaled to another in whole pixels
    (halves round up, so a thin part keeps a pixel of colour inside its
    edges)."""
    s = size / design["size"]

    def px(v):
        return math.floor(v * s + 0.5)

    ox, oy = design["origin"]
    return block_with_flight(size, cubes=design["cubes"], cell=px(design["cell"]),
                             depth=px(design["depth"]), origin=(px(ox), px(oy)),
                             flight=[(px(x), px(y), px(side), px(d))
                                     for x, y, side, d in design["flight"]])


def main():
    path = sys.argv[1] if len(sys.argv) > 1 else "src/vorlix.ico"
    large, small = drawn(LARGE, 32), drawn(SMALL, 16)
    # The small icon at 100 %, 125 %, 150 %, 200 %, 250 % and 300 %; 32 and
    # 48 are also the large icon at 100 % and 150 %. Below 28 pixels the
    # block of three cubes a side would be mostly edges.
    true_colour = [small, drawn(SMALL, 20), drawn(SMALL, 24), large, drawn(LARGE, 40),
                   drawn(LARGE, 48)]
    frames = [(large, 4), (small, 4)] + [(c, 32) for c in true_colour]
    with open(path, "wb") as f:
        f.write(icon(frames))


if __name__ == "__main__":
    main()
