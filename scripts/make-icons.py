#!/usr/bin/env python3
"""Writes the program's icons and its transparent cursor into resources/.

The artwork is drawn here in code (a small console screen), so the binary files can be made
again at any time: python3 scripts/make-icons.py
"""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "resources")


def draw_console(size):
    """BGRA rows, top row first: a dark screen in a grey bezel, a green prompt, a stand."""
    px = [[(0, 0, 0, 0)] * size for _ in range(size)]
    s = size / 32.0

    def rect(x0, y0, x1, y1, colour):
        for y in range(int(y0 * s), int(y1 * s)):
            for x in range(int(x0 * s), int(x1 * s)):
                px[y][x] = colour

    rect(2, 3, 30, 24, (96, 96, 96, 255))      # bezel
    rect(4, 5, 28, 22, (64, 40, 24, 255))      # screen (dark blue, BGR order)
    rect(6, 8, 10, 10, (80, 220, 80, 255))     # prompt ">"
    rect(8, 10, 12, 12, (80, 220, 80, 255))
    rect(6, 12, 10, 14, (80, 220, 80, 255))
    rect(13, 12, 20, 14, (220, 220, 220, 255))  # cursor line
    rect(13, 24, 19, 27, (96, 96, 96, 255))    # neck
    rect(8, 27, 24, 29, (96, 96, 96, 255))     # foot
    return px


def icon_image(size):
    """One icon image: BITMAPINFOHEADER (height doubled), 32-bit XOR rows bottom-up, AND mask."""
    px = draw_console(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = b"".join(bytes(c) for row in reversed(px) for c in row)
    mask_stride = ((size + 31) // 32) * 4
    and_rows = []
    for row in reversed(px):
        bits = bytearray(mask_stride)
        for x, c in enumerate(row):
            if c[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        and_rows.append(bytes(bits))
    return header + xor + b"".join(and_rows)


def png_image(size):
    """One icon image as a PNG (RGBA rows, top row first): how icons of 256 pixels are stored."""
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    rows = b"".join(b"\0" + bytes(v for b, g, r, a in row for v in (r, g, b, a)) for row in draw_console(size))
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows, 9)) +
            chunk(b"IEND", b""))


def write_icon(name, sizes):
    images = [png_image(s) if s >= 256 else icon_image(s) for s in sizes]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, img in zip(sizes, images):
        data += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(data + b"".join(images))


def write_transparent_cursor(name):
    """32x32 monochrome cursor, hotspot (0, 0): AND mask all ones, XOR mask all zeros."""
    header = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 1, 0, 0, 0, 0, 2, 0)
    palette = struct.pack("<II", 0x00000000, 0x00FFFFFF)
    xor = bytes(4 * 32)
    and_mask = b"\xff" * (4 * 32)
    image = header + palette + xor + and_mask
    data = struct.pack("<HHH", 0, 2, 1)
    data += struct.pack("<BBBBHHII", 32, 32, 2, 0, 0, 0, len(image), 6 + 16)
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(data + image)


if __name__ == "__main__":
    # Every size a high-DPI system asks for: the small icon at 100 % to 300 % (16 to 48), the
    # large one at 100 % to 200 % (32 to 64), and 256 for Explorer's large views.
    sizes = [16, 20, 24, 32, 40, 48, 64, 256]
    write_icon("vuemere.ico", sizes)
    write_icon("small.ico", sizes)
    write_transparent_cursor("transparent.cur")
