# Draws the printer icon of Pressavo.exe and writes it as resources/Pressavo.ico.
#
# Regenerate after editing a pixel map:  python3 resources/make-icon.py [output.ico]
# (default output: Pressavo.ico next to this script). Standard library only; the
# output is byte-for-byte the same on every run, so the .ico is checked in.
#
# The .ico holds classic BMP images (not PNG) so every Windows version and every
# resource compiler take it: 32x32 2 colours, 32x32 16 colours, 16x16 16 colours.

import os
import struct
import sys

# The 16 colours every 4-bit display has, in the order Windows uses for them
# (R, G, B).
VGA16 = [
    (0x00, 0x00, 0x00),  # 0 black
    (0x80, 0x00, 0x00),  # 1 dark red
    (0x00, 0x80, 0x00),  # 2 dark green
    (0x80, 0x80, 0x00),  # 3 dark yellow
    (0x00, 0x00, 0x80),  # 4 dark blue
    (0x80, 0x00, 0x80),  # 5 dark magenta
    (0x00, 0x80, 0x80),  # 6 dark cyan
    (0xC0, 0xC0, 0xC0),  # 7 light grey
    (0x80, 0x80, 0x80),  # 8 dark grey
    (0xFF, 0x00, 0x00),  # 9 red
    (0x00, 0xFF, 0x00),  # 10 green
    (0xFF, 0xFF, 0x00),  # 11 yellow
    (0x00, 0x00, 0xFF),  # 12 blue
    (0xFF, 0x00, 0xFF),  # 13 magenta
    (0x00, 0xFF, 0xFF),  # 14 cyan
    (0xFF, 0xFF, 0xFF),  # 15 white
]
MONO = [(0x00, 0x00, 0x00), (0xFF, 0xFF, 0xFF)]

# Characters of the pixel maps; '.' is transparent everywhere.
LEGEND_MONO = {"K": 0, "W": 1}
LEGEND_16 = {
    "K": 0,   # outlines, paper slots
    "g": 2,   # rim of the power light
    "n": 4,   # printed lines on the paper
    "s": 7,   # printer casing
    "d": 8,   # casing in shadow
    "G": 10,  # power light
    "W": 15,  # paper, lit edges
}

# 32x32, 2 colours: for monochrome displays, so shapes are told apart by
# outlines, and black stands in for the shaded parts.
PRINTER_32_MONO = """
................................
........KKKKKKKKKKKKKKKK........
........KWWWWWWWWWWWWWWK........
........KWWWWWWWWWWWWWWK........
........KWWKKKKKKKKKWWWK........
........KWWWWWWWWWWWWWWK........
........KWWKKKKKKKKKKKWK........
........KWWWWWWWWWWWWWWK........
........KWWKKKKKKWWWWWWK........
..KKKKKKKWWWWWWWWWWWWWWKKKKKKK..
..KWWWWKKKKKKKKKKKKKKKKKKWWWWK..
..KWWWWWWWWWWWWWWWWWWWWWWWWWKK..
..KWWWWWWWWWWWWWWWWWWKKKKWWWKK..
..KWWWWWWWWWWWWWWWWWWKKKKWWWKK..
..KWWWWWWWWWWWWWWWWWWKKKKWWWKK..
..KWWWWWWWWWWWWWWWWWWWWWWWWWKK..
..KWWKKKKKKKKKKKKKKKKKKKKKWWKK..
..KWWKKKKWWWWWWWWWWWWWWKKKWWKK..
..KWWKKKKWWKKKKKKKKKKWWKKKWWKK..
..KWWKKKKWWWWWWWWWWWWWWKKKWWKK..
..KWWWWWKWWKKKKKKKKKKWWKWWWWKK..
..KKKKKKKWWWWWWWWWWWWWWKKKKKKK..
........KWWKKKKKKWWWWWWK........
........KWWWWWWWWWWWWWWK........
........KWWWWWWWWWWWWWWK........
.KKKKKKKKKKKKKKKKKKKKKKKKKKKKKK.
.KWWWWWWWWWWWWWWWWWWWWWWWWWWWWK.
.KWWWWWWWWWWWWWWWWWWWWWWWWWWWWK.
.KKKKKKKKKKKKKKKKKKKKKKKKKKKKKK.
..KKKKKKKKKKKKKKKKKKKKKKKKKKKK..
................................
................................
"""

# 32x32, 16 colours: paper with printed lines going in at the top, a grey
# casing with a green power light, the printout coming out onto the tray.
PRINTER_32 = """
................................
........KKKKKKKKKKKKKKKK........
........KWWWWWWWWWWWWWWK........
........KWWWWWWWWWWWWWWK........
........KWWnnnnnnnnnWWWK........
........KWWWWWWWWWWWWWWK........
........KWWnnnnnnnnnnnWK........
........KWWWWWWWWWWWWWWK........
........KWWnnnnnnWWWWWWK........
..KKKKKKKWWWWWWWWWWWWWWKKKKKKK..
..KWWWWKKKKKKKKKKKKKKKKKKWWWWK..
..KWssssssssssssssssssssssssdK..
..KWsssssssssssssssssgggggssdK..
..KWsssssssssssssssssgGGGgssdK..
..KWsssssssssssssssssgGGGgssdK..
..KWsssssssssssssssssgggggssdK..
..KWsKKKKKKKKKKKKKKKKKKKKKKsdK..
..KWsdddKWWWWWWWWWWWWWWKdddsdK..
..KWsdddKWWnnnnnnnnnnWWKdddsdK..
..KWsdddKWWWWWWWWWWWWWWKdddsdK..
..KdddddKWWnnnnnnnnnnWWKdddddK..
..KKKKKKKWWWWWWWWWWWWWWKKKKKKK..
........KWWnnnnnnWWWWWWK........
........KWWWWWWWWWWWWWWK........
........KWWWWWWWWWWWWWWK........
.KKKKKKKKKKKKKKKKKKKKKKKKKKKKKK.
.KWWWWWWWWWWWWWWWWWWWWWWWWWWWWK.
.KssssssssssssssssssssssssssssK.
.KddddddddddddddddddddddddddddK.
..KKKKKKKKKKKKKKKKKKKKKKKKKKKK..
................................
................................
"""

# 16x16, 16 colours: the same printer with the details that survive at this size.
PRINTER_16 = """
................
....KKKKKKKK....
....KWWWWWWK....
....KWnnnnWK....
....KWWWWWWK....
.KKKKWnnnWKKKKK.
.KWssssssssGsdK.
.KWssssssssssdK.
.KsKKKKKKKKKKsK.
.KddKWWWWWWKddK.
.KKKKWnnnnWKKKK.
....KWWWWWWK....
KKKKKKKKKKKKKKKK
KWWWWWWWWWWWWWWK
KddddddddddddddK
.KKKKKKKKKKKKKK.
"""

# Written to the .ico in this order; Windows picks the best fit itself.
IMAGES = [
    (PRINTER_32_MONO, MONO, LEGEND_MONO, 1),
    (PRINTER_32, VGA16, LEGEND_16, 4),
    (PRINTER_16, VGA16, LEGEND_16, 4),
]


def parse_map(text, legend):
    """Returns the rows as lists of palette indices, None for transparent."""
    rows = text.strip("\n").split("\n")
    size = len(rows)
    pixels = []
    for y, row in enumerate(rows):
        if len(row) != size:
            raise ValueError(f"row {y} is {len(row)} pixels wide, the map is {size} rows high")
        line = []
        for x, ch in enumerate(row):
            if ch == ".":
                line.append(None)
            elif ch in legend:
                line.append(legend[ch])
            else:
                raise ValueError(f"unknown pixel {ch!r} at ({x}, {y})")
        pixels.append(line)
    return pixels


def pack_row(values, bits):
    """Packs one row of values most significant bits first, padded to 4 bytes."""
    per_byte = 8 // bits
    out = bytearray()
    for start in range(0, len(values), per_byte):
        byte = 0
        chunk = values[start:start + per_byte]
        for i, v in enumerate(chunk):
            byte |= v << (8 - bits * (i + 1))
        out.append(byte)
    out.extend(b"\0" * (-len(out) % 4))
    return bytes(out)


def icon_image(pixels, palette, bits):
    """The DIB of one icon image: header, palette, colour bitmap, AND mask."""
    size = len(pixels)
    rows = list(reversed(pixels))  # DIBs store the bottom row first
    # Transparent pixels are black in the colour bitmap so the screen shows
    # through unchanged where the mask is set.
    xor = b"".join(pack_row([0 if p is None else p for p in row], bits) for row in rows)
    mask = b"".join(pack_row([1 if p is None else 0 for p in row], 1) for row in rows)
    header = struct.pack(
        "<IiiHHIIiiII",
        40,                  # biSize
        size,                # biWidth
        size * 2,            # biHeight: colour bitmap and mask together
        1,                   # biPlanes
        bits,                # biBitCount
        0,                   # biCompression: BI_RGB
        len(xor) + len(mask),
        0, 0,                # no resolution
        0, 0,                # whole palette used, all of it important
    )
    assert len(palette) == 1 << bits
    quads = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    return header + quads + xor + mask


def build_ico():
    images = []
    for text, palette, legend, bits in IMAGES:
        pixels = parse_map(text, legend)
        images.append((len(pixels), len(palette), bits, icon_image(pixels, palette, bits)))
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))  # ICONDIR, type 1 = icon
    offset = 6 + 16 * len(images)
    for size, colours, bits, data in images:
        out += struct.pack("<BBBBHHII", size, size, colours, 0, 1, bits, len(data), offset)
        offset += len(data)
    for *_, data in images:
        out += data
    return bytes(out)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "Pressavo.ico")
    with open(target, "wb") as f:
        f.write(build_ico())


if __name__ == "__main__":
    main()
