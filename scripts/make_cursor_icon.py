#!/usr/bin/env python3
"""Draws the Windows player's two pictures and writes them as resource files.

    make_cursor_icon.py CURSOR_FILE ICON_FILE

CURSOR_FILE: a 32 x 32 monochrome pointing hand, hot spot at the fingertip
(6, 0), as a .cur file. ICON_FILE: a 32 x 32 16-colour blue question mark as
a .ico file. Both are drawn below, pixel by pixel; the output depends on
nothing else, so every build writes the same bytes.
"""

import struct
import sys

SIZE = 32

# '.' transparent, 'X' black, 'o' white.
HAND = [
    "......XX",
    ".....XooX",
    ".....XooX",
    ".....XooX",
    ".....XooX",
    ".....XooXXX",
    ".....XooXooXXX",
    ".....XooXooXooXX",
    ".....XooXooXooXoX",
    ".XX..XooXooXooXoX",
    ".XoX.XooooooooooX",
    ".XooXXooooooooooX",
    "..XoXXooooooooooX",
    "..XooXoooooooooX",
    "...XooooooooooooX",
    "...XoooooooooooX",
    "....XooooooooooX",
    "....XoooooooooX",
    ".....XooooooooX",
    ".....XooooooooX",
    ".....XXXXXXXXXX",
]
HOT_SPOT = (6, 0)

# '.' transparent, 'N' navy outline, 'B' blue, 'W' white highlight.
QUESTION = [
    "",
    "",
    "...........NNNNNNNNN",
    ".........NNBBBBBBBBBNN",
    "........NBBWWBBBBBBBBBN",
    ".......NBBWBBBNNNNNBBBBN",
    ".......NBBBBN.....NBBBBN",
    ".......NBBBBN.....NBBBBN",
    "........NNNN......NBBBBN",
    "..................NBBBBN",
    ".................NBBBBN",
    "................NBBBBN",
    "...............NBBBBN",
    "..............NBBBBN",
    ".............NBBBBN",
    ".............NBBBBN",
    ".............NBBBBN",
    ".............NBBBBN",
    ".............NNNNNN",
    "",
    "",
    ".............NNNNNN",
    ".............NBWBBN",
    ".............NBBBBN",
    ".............NBBBBN",
    ".............NNNNNN",
]

# The standard 16-colour palette as red, green, blue.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
ICON_COLOURS = {"N": 4, "B": 12, "W": 15}


def grid(rows):
    """The drawing padded to SIZE x SIZE with transparent pixels."""
    assert len(rows) <= SIZE and all(len(r) <= SIZE for r in rows)
    return [r.ljust(SIZE, ".") for r in rows] + ["." * SIZE] * (SIZE - len(rows))


def pack_bits(bits):
    """One row of 1-bit pixels, most significant bit first, padded to 4 bytes."""
    out = bytearray((len(bits) + 7) // 8)
    for i, bit in enumerate(bits):
        if bit:
            out[i // 8] |= 0x80 >> (i % 8)
    return bytes(out) + b"\0" * (-len(out) % 4)


def dib_header(bit_count, image_bytes):
    # Height counts the colour image and the mask together.
    return struct.pack("<IiiHHIIiiII", 40, SIZE, 2 * SIZE, 1, bit_count, 0, image_bytes,
                       0, 0, 0, 0)


def icon_file(kind, width_height, colour_count, field4, field6, image):
    """ICONDIR and its one entry; for a cursor fields 4 and 6 hold the hot spot."""
    directory = struct.pack("<HHH", 0, kind, 1)
    entry = struct.pack("<BBBBHHII", width_height, width_height, colour_count, 0, field4,
                        field6, len(image), 6 + 16)
    return directory + entry + image


def make_cursor():
    rows = grid(HAND)
    x, y = HOT_SPOT
    assert rows[y][x] == "X", "the hot spot must lie on the fingertip"
    # Rows are stored bottom-up. XOR 1 = white; AND 1 = transparent.
    xor = b"".join(pack_bits([c == "o" for c in r]) for r in reversed(rows))
    mask = b"".join(pack_bits([c == "." for c in r]) for r in reversed(rows))
    colours = struct.pack("<4B4B", 0, 0, 0, 0, 255, 255, 255, 0)
    image = dib_header(1, len(xor) + len(mask)) + colours + xor + mask
    return icon_file(2, SIZE, 2, x, y, image)


def make_icon():
    rows = grid(QUESTION)
    pixels = bytearray()
    for r in reversed(rows):
        values = [ICON_COLOURS.get(c, 0) for c in r]
        for i in range(0, SIZE, 2):
            pixels.append(values[i] << 4 | values[i + 1])
    mask = b"".join(pack_bits([c == "." for c in r]) for r in reversed(rows))
    colours = b"".join(struct.pack("<4B", b, g, r, 0) for r, g, b in PALETTE)
    image = dib_header(4, len(pixels) + len(mask)) + colours + bytes(pixels) + mask
    return icon_file(1, SIZE, 16, 1, 4, image)


def main(argv):
    if len(argv) != 3:
        sys.stderr.write(__doc__)
        return 2
    for path, data in ((argv[1], make_cursor()), (argv[2], make_icon())):
        with open(path, "wb") as out:
            out.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
