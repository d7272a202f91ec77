#!/usr/bin/env python3
"""Writes plix.ico, the program's icon: a 2 x 2 block of board squares with the four starting
discs, 32 x 32 pixels in 16 colours, everything off the lines and discs transparent; and the same
drawing as a PNG of any size from 32 up, for the Linux desktop.

    make_icon.py OUTPUT              write the icon to OUTPUT
    make_icon.py --check ICON        exit 1 unless ICON is exactly what this script writes
    make_icon.py --png SIZE OUTPUT   write a SIZE x SIZE PNG to OUTPUT
"""
import struct
import sys
import zlib

SIZE = 32
LINE_COLUMN = 15  # the black vertical line
LINE_ROW = 16  # the black horizontal line
DISC_DIAMETER = 14

# The standard 16-colour palette; its index 0 (black) doubles as the transparent colour.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK = 0
RED = PALETTE.index((255, 0, 0))
BLUE = PALETTE.index((0, 0, 255))

# Disc centres in pixel coordinates: each disc fills a 14 x 14 box in its quarter, the boxes
# starting at pixels 1 and 17 across and down. Red top left and bottom right, blue top right and
# bottom left, as the four discs stand at the start of a game.
LEFT_X = TOP_Y = 1 + (DISC_DIAMETER - 1) / 2
RIGHT_X = BOTTOM_Y = 17 + (DISC_DIAMETER - 1) / 2
DISCS = [
    (LEFT_X, TOP_Y, RED),
    (RIGHT_X, TOP_Y, BLUE),
    (LEFT_X, BOTTOM_Y, BLUE),
    (RIGHT_X, BOTTOM_Y, RED),
]


def pixel(x, y):
    """Palette index and opacity at column x, row y (row 0 at the top) of the 32 x 32 drawing;
    whole numbers are the icon's pixel centres, fractions lie between them."""
    if abs(x - LINE_COLUMN) < 0.5 or abs(y - LINE_ROW) < 0.5:
        return BLACK, True
    for cx, cy, colour in DISCS:
        if (x - cx) ** 2 + (y - cy) ** 2 < (DISC_DIAMETER / 2) ** 2:
            return colour, True
    return BLACK, False


def icon_bytes():
    colour_rows = []
    mask_rows = []
    # DIB rows run from the bottom of the image to the top.
    for y in reversed(range(SIZE)):
        colours = bytearray()
        mask = 0
        for x in range(SIZE):
            index, opaque = pixel(x, y)
            if x % 2 == 0:
                colours.append(index << 4)
            else:
                colours[-1] |= index
            if not opaque:
                mask |= 1 << (SIZE - 1 - x)
        colour_rows.append(bytes(colours))
        mask_rows.append(struct.pack(">I", mask))

    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    xor_bits = b"".join(colour_rows)
    and_bits = b"".join(mask_rows)
    # BITMAPINFOHEADER; an icon's height counts the colour and the mask bitmaps together.
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0,
                         len(xor_bits) + len(and_bits), 0, 0, 16, 0)
    image = header + palette + xor_bits + and_bits
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image),
                        len(directory) + 16)
    return directory + entry + image


def png_bytes(size):
    """The drawing sampled at the centres of a size x size grid, as an RGBA PNG."""
    rows = []
    for row in range(size):
        line = bytearray(b"\0")  # no filter
        for column in range(size):
            index, opaque = pixel((column + 0.5) * SIZE / size - 0.5,
                                  (row + 0.5) * SIZE / size - 0.5)
            line += bytes(PALETTE[index]) + (b"\xff" if opaque else b"\0")
        rows.append(bytes(line))

    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body)))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + chunk(b"IEND", b""))


def main(argv):
    if len(argv) == 3 and argv[1] == "--check":
        with open(argv[2], "rb") as existing:
            if existing.read() != icon_bytes():
                print(f"{argv[2]} differs from what {argv[0]} writes", file=sys.stderr)
                return 1
        return 0
    # Below 32 pixels the one-pixel lines would fall between the samples.
    if len(argv) == 4 and argv[1] == "--png" and argv[2].isdigit() and int(argv[2]) >= SIZE:
        with open(argv[3], "wb") as output:
            output.write(png_bytes(int(argv[2])))
        return 0
    if len(argv) == 2 and not argv[1].startswith("-"):
        with open(argv[1], "wb") as output:
            output.write(icon_bytes())
        return 0
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
