#!/usr/bin/env python3
"""Draws the station's own pictures: the about box picture (About.bmp, 380 x 110, 24 bits),
the program icon (Varnex.ico) and the port dialog's icon (Port.ico). Run once after a change
and commit the results; the build only reads the files.

    python3 station/app/res/draw_pictures.py station/app/res
"""
import os
import struct
import sys

# A 5 x 7 pixel font for the few letters the pictures need.
GLYPHS = {
    "V": ["10001", "10001", "10001", "10001", "01010", "01010", "00100"],
    "a": ["00000", "00000", "01110", "00001", "01111", "10001", "01111"],
    "r": ["00000", "00000", "10110", "11001", "10000", "10000", "10000"],
    "n": ["00000", "00000", "10110", "11001", "10001", "10001", "10001"],
    "e": ["00000", "00000", "01110", "10001", "11111", "10000", "01110"],
    "x": ["00000", "00000", "10001", "01010", "00100", "01010", "10001"],
    " ": ["00000"] * 7,
}


def lerp(a, b, t):
    return int(round(a + (b - a) * t))


def mix(c1, c2, t):
    return tuple(lerp(x, y, t) for x, y in zip(c1, c2))


def about_picture(width=380, height=110):
    """Rows top first, pixels (r, g, b): a blue gradient, a light band and the product name."""
    top, bottom = (58, 110, 165), (20, 45, 80)
    rows = []
    for y in range(height):
        row = []
        for x in range(width):
            c = mix(top, bottom, y / (height - 1))
            # a diagonal sheen to the right
            s = max(0.0, 1.0 - abs((x - 2 * y) - 250) / 90.0) * 0.25
            c = mix(c, (255, 255, 255), s)
            row.append(c)
        rows.append(row)
    # a thin light band near the bottom, like a production line belt
    for y in range(height - 18, height - 14):
        for x in range(width):
            rows[y][x] = (232, 232, 232)
    text, scale, x0, y0 = "Varnex", 6, 24, 22
    for i, ch in enumerate(text):
        glyph = GLYPHS[ch]
        for gy, line in enumerate(glyph):
            for gx, bit in enumerate(line):
                if bit != "1":
                    continue
                for dy in range(scale):
                    for dx in range(scale):
                        px, py = x0 + (i * 6 + gx) * scale + dx, y0 + gy * scale + dy
                        if 0 <= px < width and 0 <= py < height:
                            rows[py][px] = (255, 255, 255)
    return rows


def bitmap_file(rows):
    height, width = len(rows), len(rows[0])
    row_bytes = (width * 3 + 3) // 4 * 4
    pixels = bytearray()
    for row in reversed(rows):  # bottom row first
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += b"\0" * (row_bytes - len(line))
        pixels += line
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(pixels), 0, 0, 14 + 40)
    return header + info + pixels


def icon_image(pixels):
    """One 32-bit icon image (BITMAPINFOHEADER, BGRA rows bottom first, AND mask)."""
    size = len(pixels)
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    data = bytearray()
    for row in reversed(pixels):
        for r, g, b, a in row:
            data += bytes((b, g, r, a))
    mask_row = (size + 31) // 32 * 4
    for row in reversed(pixels):
        bits = bytearray(mask_row)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        data += bits
    return info + data


def icon_file(images):
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    blobs = []
    for pixels in images:
        blob = icon_image(pixels)
        size = len(pixels)
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
        blobs.append(blob)
    return out + b"".join(blobs)


def canvas(size):
    return [[(0, 0, 0, 0) for _ in range(size)] for _ in range(size)]


def fill_rect(img, x0, y0, x1, y1, colour):
    for y in range(max(0, y0), min(len(img), y1)):
        for x in range(max(0, x0), min(len(img), x1)):
            img[y][x] = colour


def program_icon(size):
    """A phone with a green check mark on its screen."""
    img = canvas(size)
    k = size / 32.0
    s = lambda v: int(round(v * k))
    fill_rect(img, s(8), s(1), s(24), s(31), (40, 45, 55, 255))        # body
    fill_rect(img, s(10), s(4), s(22), s(24), (210, 230, 245, 255))    # screen
    fill_rect(img, s(14), s(26), s(18), s(29), (150, 150, 160, 255))   # key
    # check mark: a short and a long stroke
    for i in range(s(4)):
        fill_rect(img, s(11) + i, s(14) + i, s(11) + i + max(1, s(2)), s(14) + i + max(1, s(2)),
                  (0, 150, 40, 255))
    for i in range(s(8)):
        fill_rect(img, s(14) + i, s(17) - i, s(14) + i + max(1, s(2)), s(17) - i + max(1, s(2)),
                  (0, 150, 40, 255))
    return img


def port_icon(size):
    """A serial plug: a trapezoid shell with two rows of pins and a cable."""
    img = canvas(size)
    k = size / 32.0
    s = lambda v: int(round(v * k))
    for row in range(s(8), s(20)):
        inset = (row - s(8)) // 3
        fill_rect(img, s(3) + inset, row, s(29) - inset, row + 1, (60, 90, 140, 255))
    for i in range(5):
        fill_rect(img, s(7 + 4 * i), s(11), s(7 + 4 * i) + max(1, s(2)), s(13), (240, 210, 80, 255))
    for i in range(4):
        fill_rect(img, s(9 + 4 * i), s(15), s(9 + 4 * i) + max(1, s(2)), s(17), (240, 210, 80, 255))
    fill_rect(img, s(14), s(20), s(18), s(31), (30, 30, 30, 255))       # cable
    return img


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    with open(os.path.join(out, "About.bmp"), "wb") as f:
        f.write(bitmap_file(about_picture()))
    with open(os.path.join(out, "Varnex.ico"), "wb") as f:
        f.write(icon_file([program_icon(32), program_icon(16)]))
    with open(os.path.join(out, "Port.ico"), "wb") as f:
        f.write(icon_file([port_icon(32), port_icon(16)]))


if __name__ == "__main__":
    main()
