#!/usr/bin/env python3
"""Draws the main window's toolbar bitmap: three 31 x 31 buttons side by side (settings, port
and instruments, about) as a 24-bit bitmap file. Run from the repository root:

    python3 station/app/res/draw_toolbar.py station/app/res/Toolbar.bmp
"""
import math
import struct
import sys

CELL = 31
WIDTH, HEIGHT = CELL * 3, CELL
FACE = (240, 240, 240)
INK = (60, 60, 70)
BLUE = (40, 100, 190)
GREEN = (30, 140, 60)


def blank():
    return [[FACE for _ in range(WIDTH)] for _ in range(HEIGHT)]


def put(img, x, y, colour):
    if 0 <= x < WIDTH and 0 <= y < HEIGHT:
        img[y][x] = colour


def disc(img, cx, cy, r, colour):
    for y in range(int(cy - r) - 1, int(cy + r) + 2):
        for x in range(int(cx - r) - 1, int(cx + r) + 2):
            if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                put(img, x, y, colour)


def rect(img, x0, y0, x1, y1, colour):
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            put(img, x, y, colour)


def gear(img, ox):
    cx, cy = ox + 15, 15
    for tooth in range(8):
        angle = tooth * math.pi / 4
        for step in range(9, 14):
            tx, ty = cx + step * math.cos(angle), cy + step * math.sin(angle)
            disc(img, tx, ty, 2.2, INK)
    disc(img, cx, cy, 10, INK)
    disc(img, cx, cy, 4, FACE)


def plug(img, ox):
    rect(img, ox + 9, 4, ox + 11, 11, INK)  # prongs
    rect(img, ox + 19, 4, ox + 21, 11, INK)
    rect(img, ox + 6, 11, ox + 24, 20, BLUE)  # body
    rect(img, ox + 13, 20, ox + 17, 27, INK)  # cable
    disc(img, ox + 15, 15, 2, GREEN)  # lamp


def about(img, ox):
    disc(img, ox + 15, 15, 13, BLUE)
    disc(img, ox + 15, 8, 2.2, FACE)
    rect(img, ox + 13, 12, ox + 17, 23, FACE)
    rect(img, ox + 11, 22, ox + 19, 24, FACE)


def write_bmp(path, img):
    row_size = (WIDTH * 3 + 3) // 4 * 4
    pixels = bytearray()
    for y in range(HEIGHT - 1, -1, -1):  # bottom-up rows
        row = bytearray()
        for r, g, b in img[y]:
            row += bytes((b, g, r))
        row += b"\0" * (row_size - len(row))
        pixels += row
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, "wb") as out:
        out.write(header + info + pixels)


def main():
    img = blank()
    gear(img, 0)
    plug(img, CELL)
    about(img, 2 * CELL)
    write_bmp(sys.argv[1] if len(sys.argv) > 1 else "Toolbar.bmp", img)


if __name__ == "__main__":
    main()
