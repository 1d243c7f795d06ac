#!/usr/bin/env python3
"""Draws the three tray icons from face.txt as 32x32, 16-colour .ico files with
a transparency mask: the one face, neutral with a thin light grey outline, gain
with a blue and cyan halo and blue eyes, loss with a red and magenta halo and
red eyes. Usage: mkicons.py [OUTDIR] (default: the folder above this one)."""
import os
import struct
import sys

# The standard 16-colour palette, as (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
    (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
    (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, SILVER, RED, YELLOW, BLUE, MAGENTA, CYAN = 0, 7, 9, 11, 12, 13, 14
CLEAR = None

# face.txt: '.' outside, 'f' face, 'e' eyes, 'k' mouth, 'o' outline, 'h' inner halo, 'H' outer halo.
VARIANTS = {
    "Vellitor": {".": CLEAR, "f": YELLOW, "e": BLACK, "k": BLACK, "o": SILVER, "h": CLEAR, "H": CLEAR},
    "GainIcon": {".": CLEAR, "f": YELLOW, "e": BLUE, "k": BLACK, "o": BLACK, "h": CYAN, "H": BLUE},
    "LoseIcon": {".": CLEAR, "f": YELLOW, "e": RED, "k": BLACK, "o": BLACK, "h": MAGENTA, "H": RED},
}


def ico(pixels):
    size = 32
    xor = bytearray()
    mask = bytearray()
    for row in reversed(pixels):  # bitmaps run bottom-up
        for x in range(0, size, 2):
            a, b = (row[x] or 0), (row[x + 1] or 0)
            xor.append(a << 4 | b)
        bits = 0
        for x in range(size):
            bits = bits << 1 | (row[x] is CLEAR)
        mask += struct.pack(">I", bits)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, len(xor) + len(mask), 0, 0, 16, 0)
    image = header + palette + bytes(xor) + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), 22)
    return directory + image


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(here)
    with open(os.path.join(here, "face.txt")) as f:
        rows = [line.rstrip("\n") for line in f if line.strip()]
    assert len(rows) == 32 and all(len(r) == 32 for r in rows), "face.txt must be 32 rows of 32"
    for name, colours in VARIANTS.items():
        pixels = [[colours[c] for c in row] for row in rows]
        with open(os.path.join(out, name + ".ico"), "wb") as f:
            f.write(ico(pixels))


if __name__ == "__main__":
    main()
