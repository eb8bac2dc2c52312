#!/usr/bin/env python3
"""Draws the program's icon, the finder mark icon, the "FINDER" cursor and the browse button's
folder picture into ui/res/.

Run it again only to change a picture; its output is committed."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "ui", "res")

# The 16 colours of the standard Windows palette, as (B, G, R).
PALETTE = [(0, 0, 0), (0, 0, 128), (0, 128, 0), (0, 128, 128), (128, 0, 0), (128, 0, 128),
           (128, 128, 0), (192, 192, 192), (128, 128, 128), (0, 0, 255), (0, 255, 0),
           (0, 255, 255), (255, 0, 0), (255, 0, 255), (255, 255, 0), (255, 255, 255)]
BLACK, OLIVE, TEAL, SILVER, GREY, WHITE, YELLOW, MAGENTA = 0, 3, 6, 7, 8, 15, 11, 13


def key_cap(size):
    """A keyboard key seen from above, teal with a white "V" and a yellow spark."""
    pixels = [[None] * size for _ in range(size)]
    s = size / 32.0
    margin, radius = int(2 * s), max(2, int(5 * s))
    for y in range(size):
        for x in range(size):
            inside = margin <= x < size - margin and margin <= y < size - margin
            cx = min(max(x, margin + radius), size - margin - radius - 1)
            cy = min(max(y, margin + radius), size - margin - radius - 1)
            if inside and (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2:
                edge = (x - cx) ** 2 + (y - cy) ** 2 > (radius - 1.5) ** 2 or \
                    x in (margin, size - margin - 1) or y in (margin, size - margin - 1)
                pixels[y][x] = BLACK if edge else (GREY if y > size - margin - 4 * s else TEAL)
    # The letter V.
    top, bottom = int(8 * s), int(22 * s)
    for y in range(top, bottom + 1):
        t = (y - top) / float(bottom - top)
        for half in (-1, 1):
            x = int(size / 2 + half * (1 - t) * 8 * s)
            for dx in range(max(1, int(2.5 * s))):
                xx = x - dx if half > 0 else x + dx
                if 0 <= xx < size:
                    pixels[y][xx] = WHITE
    for dy in range(max(1, int(3 * s))):
        for dx in range(max(1, int(3 * s))):
            pixels[int(5 * s) + dy][size - int(9 * s) + dx] = YELLOW
    return pixels


def finder_mark():
    """A 15 x 15 ring with a cross, black with white edging, centre (7, 7); None is clear."""
    pixels = [[None] * 15 for _ in range(15)]
    black = set()
    for y in range(15):
        for x in range(15):
            d2 = (x - 7) ** 2 + (y - 7) ** 2
            if 25 <= d2 <= 40 or (x == 7 and y not in (6, 8)) or (y == 7 and x not in (6, 8)):
                black.add((x, y))
    for y in range(15):
        for x in range(15):
            if (x, y) in black:
                pixels[y][x] = BLACK
            elif any((x + dx, y + dy) in black for dx in (-1, 0, 1) for dy in (-1, 0, 1)):
                pixels[y][x] = WHITE
    return pixels


def folder():
    """A 16 x 16 closed folder, yellow with a black outline and an olive front edge; None is
    the clear ground."""
    pixels = [[None] * 16 for _ in range(16)]
    for y in range(2, 14):
        for x in range(1, 15):
            tab = y in (2, 3) and 1 <= x <= 6
            body = y >= 4
            if not (tab or body):
                continue
            outline = x in (1, 14) or y == 13 or (tab and (y == 2 or x == 6)) or (body and y == 4 and x > 6)
            pixels[y][x] = BLACK if outline else (OLIVE if y == 5 else YELLOW)
    return pixels


def bitmap_4bpp(pixels, clear):
    """A bitmap file of the 16-colour palette; clear pixels take the colour `clear`."""
    size = len(pixels)
    rows = b""
    for row in rows_bottom_up(pixels):
        data = bytearray()
        for x in range(0, size, 2):
            hi = clear if row[x] is None else row[x]
            lo = clear if row[x + 1] is None else row[x + 1]
            data.append((hi << 4) | lo)
        while len(data) % 4:
            data.append(0)
        rows += bytes(data)
    info = struct.pack("<IiiHHIIiiII", 40, size, size, 1, 4, 0, len(rows), 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for b, g, r in PALETTE)
    offset = 14 + len(info) + len(palette)
    return struct.pack("<2sIHHI", b"BM", offset + len(rows), 0, 0, offset) + info + palette + rows


def rows_bottom_up(pixels):
    return list(reversed(pixels))


def mask_bits(pixels, width):
    """AND mask: 1 where the pixel is clear; rows padded to 32 bits."""
    out = b""
    for row in rows_bottom_up(pixels):
        bits = [1 if (x >= len(row) or row[x] is None) else 0 for x in range(width)]
        out += pack_bits(bits)
    return out


def pack_bits(bits):
    data = bytearray()
    for i in range(0, len(bits), 8):
        byte = 0
        for b in bits[i:i + 8]:
            byte = (byte << 1) | b
        byte <<= 8 - len(bits[i:i + 8])
        data.append(byte)
    while len(data) % 4:
        data.append(0)
    return bytes(data)


def dib_4bpp(pixels, size):
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for b, g, r in PALETTE)
    xor = b""
    for row in rows_bottom_up(pixels):
        data = bytearray()
        for x in range(0, size, 2):
            hi = row[x] if row[x] is not None else 0
            lo = row[x + 1] if row[x + 1] is not None else 0
            data.append((hi << 4) | lo)
        while len(data) % 4:
            data.append(0)
        xor += bytes(data)
    return header + palette + xor + mask_bits(pixels, size)


def dib_1bpp(pixels, size):
    """Monochrome: colour bit 1 for white, 0 for black; clear pixels have colour 0, mask 1."""
    grid = [[(pixels[y][x] if y < len(pixels) and x < len(pixels[y]) else None)
             for x in range(size)] for y in range(size)]
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 1, 0, 0, 0, 0, 2, 0)
    palette = struct.pack("<BBBBBBBB", 0, 0, 0, 0, 255, 255, 255, 0)
    xor = b"".join(pack_bits([1 if p == WHITE else 0 for p in row]) for row in rows_bottom_up(grid))
    return header + palette + xor + mask_bits(grid, size)


def write_group(path, images, cursor_hotspot=None):
    kind = 2 if cursor_hotspot else 1
    data = struct.pack("<HHH", 0, kind, len(images))
    offset = 6 + 16 * len(images)
    for size, colours, dib in images:
        planes, bits = (cursor_hotspot if cursor_hotspot else (1, 4 if colours == 16 else 1))
        data += struct.pack("<BBBBHHII", size, size, colours if colours < 256 else 0, 0,
                            planes, bits, len(dib), offset)
        offset += len(dib)
    data += b"".join(dib for _, _, dib in images)
    with open(path, "wb") as f:
        f.write(data)


def main():
    os.makedirs(OUT, exist_ok=True)
    write_group(os.path.join(OUT, "vakro.ico"),
                [(32, 16, dib_4bpp(key_cap(32), 32)), (16, 16, dib_4bpp(key_cap(16), 16))])
    write_group(os.path.join(OUT, "finder.ico"), [(16, 2, dib_1bpp(finder_mark(), 16))])
    write_group(os.path.join(OUT, "finder.cur"), [(32, 2, dib_1bpp(finder_mark(), 32))],
                cursor_hotspot=(0, 0))
    # Magenta is the clear colour of button pictures.
    with open(os.path.join(OUT, "browse.bmp"), "wb") as f:
        f.write(bitmap_4bpp(folder(), MAGENTA))


if __name__ == "__main__":
    main()
