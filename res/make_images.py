#!/usr/bin/env python3
"""Draws the program's icons and menu images at build time.

app.ico          - the program icon (16, 32 and 48 pixels): a small rate graph
tray_idle.ico    - tray state: no traffic (grey bars)
tray_up.ico      - upload only (green, the upload colour)
tray_down.ico    - download only (red, the download colour)
tray_both.ico    - both ways (yellow, the overlap colour)
menu_images.bmp  - five 16x16 menu item images in one strip (show, options,
                   stopwatch, reports, help); magenta is the transparent colour
"""
import struct
import sys
from pathlib import Path

RED = (255, 0, 0)
GREEN = (0, 204, 0)
YELLOW = (255, 255, 0)
GREY = (128, 128, 128)
DARK = (24, 28, 36)
FRAME = (90, 100, 120)
WHITE = (255, 255, 255)
BLACK = (0, 0, 0)
BLUE = (40, 90, 200)
MAGENTA = (255, 0, 255)


class Canvas:
    def __init__(self, w, h, fill=None):
        self.w, self.h = w, h
        self.px = [[fill for _ in range(w)] for _ in range(h)]  # None = transparent

    def set(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        for y in range(y0, y1):
            for x in range(x0, x1):
                self.set(x, y, c)

    def line(self, x0, y0, x1, y1, c):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            self.set(x0, y0, c)
            if x0 == x1 and y0 == y1:
                break
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy


def graph_icon(size, down, up, both):
    """A framed dark panel with download bars and the upload part in front."""
    c = Canvas(size, size)
    s = size / 16.0
    c.rect(0, 0, size, size, FRAME)
    c.rect(max(1, round(s)), max(1, round(s)), size - max(1, round(s)), size - max(1, round(s)), DARK)
    heights_down = [5, 8, 6, 10, 12, 9, 13]
    heights_up = [2, 3, 4, 3, 6, 5, 4]
    inner = size - 2 * max(1, round(s))
    bar = max(1, inner // 7)
    left = max(1, round(s)) + (inner - bar * 7) // 2
    bottom = size - max(1, round(s))
    for i, (hd, hu) in enumerate(zip(heights_down, heights_up)):
        x0 = left + i * bar
        x1 = x0 + max(1, bar - (1 if bar > 2 else 0))
        hd_px = round(hd * inner / 14)
        hu_px = round(hu * inner / 14)
        common = min(hd_px, hu_px)
        c.rect(x0, bottom - common, x1, bottom, both)
        c.rect(x0, bottom - hd_px, x1, bottom - common, down)
        if hu_px > hd_px:
            c.rect(x0, bottom - hu_px, x1, bottom - hd_px, up)
    return c


def state_icon(colour):
    """16x16 tray icon: two arrows, lit in the state's colour or grey."""
    c = Canvas(16, 16)
    c.rect(0, 0, 16, 16, FRAME)
    c.rect(1, 1, 15, 15, DARK)
    down_c = colour if colour in (RED, YELLOW) else GREY
    up_c = colour if colour in (GREEN, YELLOW) else GREY
    if colour == YELLOW:
        down_c, up_c = RED, GREEN
    # Download arrow (left, pointing down).
    c.rect(4, 3, 6, 10, down_c)
    for i in range(4):
        c.rect(2 + i, 9 + i, 8 - i, 10 + i, down_c)
    # Upload arrow (right, pointing up).
    c.rect(10, 6, 12, 13, up_c)
    for i in range(4):
        c.rect(8 + i, 6 - i, 14 - i, 7 - i, up_c)
    if colour == YELLOW:
        c.rect(1, 14, 15, 15, YELLOW)
    return c


def ico_image(canvas):
    w, h = canvas.w, canvas.h
    xor = bytearray()
    for y in range(h - 1, -1, -1):
        for x in range(w):
            p = canvas.px[y][x]
            if p is None:
                xor += bytes((0, 0, 0, 0))  # black where the mask is 1
            else:
                xor += bytes((p[2], p[1], p[0], 255))
    row_bytes = ((w + 31) // 32) * 4
    mask = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray(row_bytes)
        for x in range(w):
            if canvas.px[y][x] is None:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return header + bytes(xor) + bytes(mask)


def write_ico(path, canvases):
    images = [ico_image(c) for c in canvases]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for c, img in zip(canvases, images):
        out += struct.pack("<BBBBHHII", c.w % 256, c.h % 256, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    for img in images:
        out += img
    Path(path).write_bytes(bytes(out))


def menu_strip():
    c = Canvas(80, 16, MAGENTA)
    # 0: show window - a small window frame.
    c.rect(1, 2, 15, 14, BLUE)
    c.rect(2, 5, 14, 13, WHITE)
    c.rect(3, 8, 5, 12, RED)
    c.rect(6, 9, 8, 12, GREEN)
    c.rect(9, 7, 11, 12, RED)
    # 1: options - a gear-like square with a hole.
    o = 16
    c.rect(o + 3, 3, o + 13, 13, GREY)
    for (x, y) in ((7, 1), (7, 13), (1, 7), (13, 7)):
        c.rect(o + x, y, o + x + 2, y + 2, GREY)
    c.rect(o + 6, 6, o + 10, 10, MAGENTA)
    # 2: stopwatch - a dial with a hand.
    o = 32
    for y in range(16):
        for x in range(16):
            d = (x - 7.5) ** 2 + (y - 8.5) ** 2
            if d <= 42:
                c.set(o + x, y, BLACK if d > 30 else WHITE)
    c.rect(o + 7, 0, o + 9, 2, BLACK)
    c.line(o + 8, 9, o + 8, 4, RED)
    c.line(o + 8, 9, o + 11, 9, BLACK)
    # 3: reports - a sheet with lines.
    o = 48
    c.rect(o + 3, 1, o + 13, 15, BLACK)
    c.rect(o + 4, 2, o + 12, 14, WHITE)
    for y in (4, 7, 10):
        c.rect(o + 5, y, o + 11, y + 1, BLUE)
    # 4: help - a question mark in a blue disc.
    o = 64
    for y in range(16):
        for x in range(16):
            if (x - 7.5) ** 2 + (y - 7.5) ** 2 <= 56:
                c.set(o + x, y, BLUE)
    for (x0, y0, x1, y1) in ((6, 3, 10, 4), (10, 4, 11, 7), (8, 7, 10, 8), (7, 8, 9, 10), (7, 11, 9, 13)):
        c.rect(o + x0, y0, o + x1, y1, WHITE)
    return c


def write_bmp(path, canvas):
    w, h = canvas.w, canvas.h
    row = (w * 3 + 3) & ~3
    data = bytearray()
    for y in range(h - 1, -1, -1):
        line = bytearray()
        for x in range(w):
            p = canvas.px[y][x] or MAGENTA
            line += bytes((p[2], p[1], p[0]))
        line += bytes(row - len(line))
        data += line
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    Path(path).write_bytes(header + info + bytes(data))


def main(out_dir):
    out = Path(out_dir)
    out.mkdir(parents=True, exist_ok=True)
    write_ico(out / "app.ico", [graph_icon(s, RED, GREEN, YELLOW) for s in (16, 32, 48)])
    write_ico(out / "tray_idle.ico", [state_icon(GREY)])
    write_ico(out / "tray_up.ico", [state_icon(GREEN)])
    write_ico(out / "tray_down.ico", [state_icon(RED)])
    write_ico(out / "tray_both.ico", [state_icon(YELLOW)])
    write_bmp(out / "menu_images.bmp", menu_strip())


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else ".")
