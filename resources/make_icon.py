#!/usr/bin/env python3
"""Draws the program icon A_MAIN.ico: three overlapping outlined rectangles on
a transparent ground, green at the back, red with the white letters URI, blue
in front with the white letters DATA. Images of 32 and 16 pixels square, at 4
and 8 bits per pixel, each with its transparency mask; and for screens set to
a larger scale, where Windows would otherwise stretch the 32-pixel image,
48 and 64 pixels at 8 bits and 256 pixels as a PNG, drawn anew with finer
outlines and letters rather than enlarged.

Run it after changing the picture and commit the .ico beside it:
    python3 resources/make_icon.py resources/A_MAIN.ico
"""
import struct
import sys
import zlib

# The 16 colours of the standard Windows palette; the 8-bit images add softer
# shades after them.
VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
       (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255), (255, 0, 255),
       (0, 255, 255), (255, 255, 255)]
SOFT = {"green": (70, 170, 70), "red": (205, 45, 45), "blue": (45, 85, 200)}
BLACK, WHITE = 0, 15

GLYPHS = {
    "U": ["101", "101", "101", "101", "111"],
    "R": ["110", "101", "110", "101", "101"],
    "I": ["111", "010", "010", "010", "111"],
    "D": ["110", "101", "101", "101", "110"],
    "A": ["010", "101", "111", "101", "101"],
    "T": ["111", "010", "010", "010", "010"],
}

# The letters of the larger images, five by seven.
FINE_GLYPHS = {
    "U": ["10001", "10001", "10001", "10001", "10001", "10001", "01110"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "I": ["11111", "00100", "00100", "00100", "00100", "00100", "11111"],
    "D": ["11110", "10001", "10001", "10001", "10001", "10001", "11110"],
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "T": ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
}

# Per size: rectangles (left, top, right, bottom, inclusive) and where the
# words go (left, top, vertical scale).
LAYOUTS = {
    32: {"green": (1, 1, 19, 14), "red": (9, 5, 30, 19), "blue": (2, 15, 29, 30),
         "URI": (14, 7, 1), "DATA": (8, 18, 2)},
    16: {"green": (0, 0, 9, 7), "red": (4, 2, 15, 10), "blue": (1, 8, 14, 15)},
}


def colour_index(name, bits):
    if bits == 8:
        return 16 + list(SOFT).index(name)
    return {"green": 2, "red": 9, "blue": 12}[name]


def draw(size, bits):
    """Rows of palette indices, None where the ground shows through."""
    pixels = [[None] * size for _ in range(size)]
    layout = LAYOUTS[size]
    for name in ("green", "red", "blue"):
        left, top, right, bottom = layout[name]
        for y in range(top, bottom + 1):
            for x in range(left, right + 1):
                edge = x in (left, right) or y in (top, bottom)
                pixels[y][x] = BLACK if edge else colour_index(name, bits)
    for word in ("URI", "DATA"):
        if word in layout:
            left, top, scale = layout[word]
            for n, letter in enumerate(word):
                for row, bits_row in enumerate(GLYPHS[letter]):
                    for column, bit in enumerate(bits_row):
                        if bit == "1":
                            for s in range(scale):
                                pixels[top + row * scale + s][left + n * 4 + column] = WHITE
    if size == 16:
        # Too small for letters: a white stroke stands for each word.
        for x in range(7, 13):
            pixels[5][x] = WHITE
        for x in range(4, 12):
            pixels[11][x] = WHITE
            pixels[13][x] = WHITE
    return pixels


def draw_fine(size):
    """The 32-pixel picture at a larger size: rectangles in proportion, their
    outlines a little thinner than enlarged, the words in the finer letters,
    each centred in its rectangle (URI in the part the blue one leaves)."""
    scale = size / 32
    pixels = [[None] * size for _ in range(size)]
    outline = max(1, round(scale * 0.75))
    names = ("green", "red", "blue")
    boxes = {}
    for name in names:
        left, top, right, bottom = LAYOUTS[32][name]
        boxes[name] = [round(left * scale), round(top * scale), round((right + 1) * scale) - 1,
                       round((bottom + 1) * scale) - 1]
    # Where a rectangle shows only its outline beside the right edge of one in
    # front of it at 32 pixels (the red one beside the blue one), it shows only
    # its outline at every size, not a sliver of its colour within.
    for n, back in enumerate(names):
        for front in names[n + 1:]:
            behind, ahead = LAYOUTS[32][back], LAYOUTS[32][front]
            if behind[2] == ahead[2] + 1 and behind[1] <= ahead[3] and ahead[1] <= behind[3]:
                boxes[back][2] = boxes[front][2] + outline
    for name in names:
        left, top, right, bottom = boxes[name]
        for y in range(top, bottom + 1):
            for x in range(left, right + 1):
                edge = min(x - left, right - x, y - top, bottom - y) < outline
                pixels[y][x] = BLACK if edge else colour_index(name, 8)
    unit = max(1, int(scale))
    # (rectangle, bottom limit, horizontal and vertical size of a letter's pixel)
    words = {"URI": (boxes["red"], boxes["blue"][1], unit, unit),
             "DATA": (boxes["blue"], boxes["blue"][3], unit, max(unit + 1, int(scale * 1.5)))}
    for word, ((left, top, right, _), bottom, width, height) in words.items():
        pitch = 6 * width
        word_width = pitch * len(word) - width
        x0 = (left + right + 1 - word_width) // 2
        y0 = (top + bottom + 1 - 7 * height) // 2
        for n, letter in enumerate(word):
            for row, bits_row in enumerate(FINE_GLYPHS[letter]):
                for column, bit in enumerate(bits_row):
                    if bit != "1":
                        continue
                    for dy in range(height):
                        for dx in range(width):
                            pixels[y0 + row * height + dy][x0 + n * pitch + column * width + dx] = WHITE
    return pixels


def palette(bits):
    colours = list(VGA)
    if bits == 8:
        colours += list(SOFT.values())
        colours += [(0, 0, 0)] * (256 - len(colours))
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in colours)


def row_bytes(values, bits):
    out = bytearray()
    if bits == 8:
        out += bytes(values)
    elif bits == 4:
        for i in range(0, len(values), 2):
            out.append((values[i] << 4) | values[i + 1])
    else:
        for i in range(0, len(values), 8):
            byte = 0
            for k in range(8):
                byte = (byte << 1) | values[i + k]
            out.append(byte)
    while len(out) % 4:
        out.append(0)
    return bytes(out)


def image(size, bits):
    pixels = draw(size, bits) if size in LAYOUTS else draw_fine(size)
    colour_rows = b"".join(row_bytes([p if p is not None else 0 for p in row], bits) for row in reversed(pixels))
    mask_rows = b"".join(row_bytes([1 if p is None else 0 for p in row], 1) for row in reversed(pixels))
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, len(colour_rows) + len(mask_rows),
                         0, 0, 0, 0)
    return header + palette(bits) + colour_rows + mask_rows


def png(size):
    """The picture as a PNG of 8-bit RGBA, as icons of 256 pixels are stored."""
    colours = [VGA[i] for i in range(16)] + list(SOFT.values())
    rows = b""
    for row in draw_fine(size):
        rows += b"\0" + b"".join(bytes((0, 0, 0, 0)) if p is None else bytes(colours[p]) + b"\xff" for p in row)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows, 9)) +
            chunk(b"IEND", b""))


def icon():
    images = [(32, 4), (16, 4), (32, 8), (16, 8), (48, 8), (64, 8), (256, 32)]
    blobs = [png(size) if size == 256 else image(size, bits) for size, bits in images]
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for (size, bits), blob in zip(images, blobs):
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 16 if bits == 4 else 0, 0, 1, bits, len(blob),
                                 offset)
        offset += len(blob)
    return directory + b"".join(blobs)


if __name__ == "__main__":
    with open(sys.argv[1] if len(sys.argv) > 1 else "A_MAIN.ico", "wb") as out:
        out.write(icon())
