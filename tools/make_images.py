#!/usr/bin/env python3
"""Draws the program's tool-bar bitmaps and icons and writes them under res/.

Run from anywhere: python3 tools/make_images.py
Output (committed, so the build needs no Python):
  res/list_toolbar.bmp    5 images of 16 x 16: online, show responses, reload list,
                          update check, settings
  res/thread_toolbar.bmp  8 images: online, show thread list, reload thread, copy,
                          write, close thread, delete log, settings
  res/quorvex.ico         program icon, 32 x 32 and 16 x 16
  res/thread_none.ico, res/thread_held.ico, res/thread_new.ico, res/thread_fallen.ico
                          thread-list states 0, 1, 2 and 3 (fallen), 16 x 16
Tool-bar bitmaps are 8-bit with light grey (192, 192, 192) where the bar's own
face shows through; icons are 32-bit with alpha and a mask.
"""
import math
import os
import struct

FACE = (192, 192, 192)
SUB = 4  # subsamples per pixel side

BLACK = (0, 0, 0)
WHITE = (255, 255, 255)
DARK = (72, 72, 72)
GREY = (128, 128, 128)
LIGHT = (224, 224, 224)
BLUE = (24, 72, 184)
SKY = (112, 168, 240)
GREEN = (24, 128, 40)
LEAF = (96, 200, 96)
RED = (200, 24, 24)
PINK = (248, 120, 112)
YELLOW = (248, 208, 48)
ORANGE = (232, 128, 16)
BROWN = (120, 80, 40)
PAPER = (252, 252, 244)


# ---- shapes: predicates over a point in image units (0..16, y downward)

def disk(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r_in, r_out, a0=0.0, a1=360.0):
    """Ring between two radii, from angle a0 to a1 (degrees, clockwise from east)."""
    def f(x, y):
        d2 = (x - cx) ** 2 + (y - cy) ** 2
        if not r_in * r_in <= d2 <= r_out * r_out:
            return False
        a = math.degrees(math.atan2(y - cy, x - cx)) % 360.0
        lo, hi = a0 % 360.0, a1 % 360.0
        if a1 - a0 >= 360.0:
            return True
        return lo <= a <= hi if lo <= hi else (a >= lo or a <= hi)
    return f


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def line(x0, y0, x1, y1, width):
    def f(x, y):
        dx, dy = x1 - x0, y1 - y0
        length2 = dx * dx + dy * dy
        t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / length2))
        px, py = x0 + t * dx, y0 + t * dy
        return (x - px) ** 2 + (y - py) ** 2 <= (width / 2.0) ** 2
    return f


def polygon(points):
    def f(x, y):
        inside = False
        n = len(points)
        for i in range(n):
            xa, ya = points[i]
            xb, yb = points[(i + 1) % n]
            if (ya > y) != (yb > y):
                xc = xa + (y - ya) * (xb - xa) / (yb - ya)
                if x < xc:
                    inside = not inside
        return inside
    return f


def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


def minus(a, b):
    return lambda x, y: a(x, y) and not b(x, y)


class Canvas:
    """A square image of `size` pixels drawn in units of 16 (scaled)."""

    def __init__(self, size=16):
        self.size = size
        self.scale = size / 16.0
        self.px = [[None] * size for _ in range(size)]

    def mask(self, shape):
        out = [[False] * self.size for _ in range(self.size)]
        for j in range(self.size):
            for i in range(self.size):
                hits = 0
                for sj in range(SUB):
                    for si in range(SUB):
                        x = (i + (si + 0.5) / SUB) / self.scale
                        y = (j + (sj + 0.5) / SUB) / self.scale
                        hits += shape(x, y)
                out[j][i] = hits * 2 >= SUB * SUB
        return out

    def fill(self, shape, colour, outline=None):
        m = self.mask(shape)
        n = self.size
        if outline is not None:
            for j in range(n):
                for i in range(n):
                    if m[j][i]:
                        continue
                    for di, dj in ((1, 0), (-1, 0), (0, 1), (0, -1)):
                        a, b = i + di, j + dj
                        if 0 <= a < n and 0 <= b < n and m[b][a]:
                            self.px[j][i] = outline
                            break
        for j in range(n):
            for i in range(n):
                if m[j][i]:
                    self.px[j][i] = colour

    def edge(self, shape, colour):
        """Paints only the border pixels of the shape (inside it)."""
        m = self.mask(shape)
        n = self.size
        for j in range(n):
            for i in range(n):
                if not m[j][i]:
                    continue
                for di, dj in ((1, 0), (-1, 0), (0, 1), (0, -1)):
                    a, b = i + di, j + dj
                    if not (0 <= a < n and 0 <= b < n) or not m[b][a]:
                        self.px[j][i] = colour
                        break

    def dot(self, i, j, colour):
        self.px[j][i] = colour


# ---- the pictures

def page(c, x0=3, y0=1, x1=12.99, y1=14.99, lines=True, fill=PAPER, ink=GREY):
    shape = polygon([(x0, y0), (x1 - 3, y0), (x1, y0 + 3), (x1, y1), (x0, y1)])
    c.fill(shape, fill)
    c.edge(shape, DARK)
    c.fill(polygon([(x1 - 3, y0), (x1 - 3, y0 + 3), (x1, y0 + 3)]), LIGHT)
    c.edge(polygon([(x1 - 3, y0), (x1 - 3, y0 + 3), (x1, y0 + 3)]), DARK)
    if lines:
        y = y0 + 5
        while y + 1 < y1:
            c.fill(rect(x0 + 2, y, x1 - 2.01, y + 0.99), ink)
            y += 2


def draw_online(c):
    # A globe: the network.
    c.fill(disk(8, 8, 6.6), SKY, outline=BLUE)
    c.fill(polygon([(4, 4.5), (7.5, 3.5), (8.5, 6), (6.5, 8.5), (7, 11), (5, 11), (3.5, 8)]), LEAF)
    c.fill(polygon([(10, 5), (12.5, 6.5), (13, 9.5), (11, 12), (9.5, 10), (10.5, 8)]), LEAF)
    c.edge(disk(8, 8, 6.6), BLUE)


def draw_show_responses(c):
    # A page of text: the thread's responses.
    page(c, lines=True, ink=BLUE)


def draw_thread_list(c):
    # Rows with bullets: the thread list.
    c.fill(rect(1, 2, 14.99, 13.99), PAPER)
    c.edge(rect(1, 2, 14.99, 13.99), DARK)
    for k in range(4):
        y = 3.5 + k * 2.5
        c.fill(rect(3, y, 4.99, y + 1.49), BLUE)
        c.fill(rect(6, y, 12.99, y + 1.49), GREY)


def draw_reload(c):
    # A circular arrow turning clockwise.
    arrow = union(ring(7.5, 8.5, 3.3, 5.7, 30, 270),
                  polygon([(7.5, 0.6), (11.8, 4.1), (7.5, 7.6)]))
    c.fill(arrow, LEAF, outline=GREEN)


def draw_update_check(c):
    # A list with a tick: which held threads have grown.
    c.fill(rect(1, 1, 11.99, 14.99), PAPER)
    c.edge(rect(1, 1, 11.99, 14.99), DARK)
    for k in range(5):
        y = 3 + k * 2.2
        c.fill(rect(3, y, 9.99, y + 0.99), GREY)
    c.fill(polygon([(5, 9), (8, 12), (14.5, 4), (15.5, 5.5), (8, 14.8), (3.8, 10.4)]), LEAF, outline=GREEN)


def draw_settings(c):
    # A gear with its drop-down menu of settings.
    teeth = []
    for k in range(8):
        a = math.radians(k * 45)
        teeth.append(line(8 + 4.2 * math.cos(a), 8 + 4.2 * math.sin(a),
                          8 + 6.6 * math.cos(a), 8 + 6.6 * math.sin(a), 2.6))
    gear = minus(union(disk(8, 8, 5.0), *teeth), disk(8, 8, 2.0))
    c.fill(gear, (168, 168, 176), outline=DARK)
    c.edge(disk(8, 8, 2.6), DARK)


def draw_copy(c):
    # Two pages: copy and paste.
    page(c, 1, 1, 9.99, 11.99, lines=True)
    page(c, 6, 4, 14.99, 14.99, lines=True, ink=BLUE)


def draw_write(c):
    # A pencil writing a line: post a response.
    c.fill(rect(1, 13.5, 9.99, 14.49), BLUE)
    body = polygon([(12, 1.2), (14.8, 4), (6, 12.8), (3.2, 10)])
    c.fill(body, YELLOW, outline=BROWN)
    c.fill(polygon([(3.2, 10), (6, 12.8), (1.6, 14.4)]), (240, 208, 160), outline=BROWN)
    c.fill(disk(2.1, 13.9, 0.8), BLACK)
    c.fill(polygon([(12, 1.2), (14.8, 4), (13.6, 5.2), (10.8, 2.4)]), PINK)


def draw_close(c):
    # A red cross: close the thread.
    c.fill(union(line(3.5, 3.5, 12.5, 12.5, 3.2), line(12.5, 3.5, 3.5, 12.5, 3.2)), (232, 64, 48), outline=(128, 0, 0))


def draw_delete(c):
    # A waste bin: delete the log.
    c.fill(rect(2, 3, 13.99, 4.99), GREY, outline=DARK)
    c.fill(rect(6, 1, 9.99, 2.99), GREY, outline=DARK)
    c.fill(polygon([(3.2, 5.5), (12.8, 5.5), (11.8, 15), (4.2, 15)]), LIGHT, outline=DARK)
    for x in (5.6, 7.6, 9.6):
        c.fill(rect(x, 7, x + 0.99, 13.49), GREY)


def draw_app(c):
    # A speech bubble with lines of text: a reader of boards.
    bubble = union(rect(1, 2, 14.99, 11.49), polygon([(4, 11), (8, 11), (3.5, 15)]))
    c.fill(bubble, (40, 112, 224), outline=(8, 40, 120))
    for k, w in enumerate((11, 9, 10)):
        y = 3.8 + k * 2.5
        c.fill(rect(3, y, 3 + w - 0.01, y + 1.19), WHITE)


def draw_state_none(c):
    page(c, 3, 1, 12.99, 14.99, lines=False, fill=WHITE)


def draw_state_held(c):
    page(c, 3, 1, 12.99, 14.99, lines=True, fill=(208, 228, 255), ink=BLUE)


def draw_state_new(c):
    page(c, 3, 1, 12.99, 14.99, lines=True, fill=(208, 228, 255), ink=BLUE)
    c.fill(disk(11.5, 11.5, 3.8), (232, 48, 32), outline=(120, 0, 0))
    c.fill(rect(11, 9, 11.99, 11.99), WHITE)
    c.fill(rect(11, 13, 11.99, 13.99), WHITE)


def draw_state_fallen(c):
    # The held page gone grey, its lines faded: the thread has fallen out of
    # its board and will not grow again.
    page(c, 3, 1, 12.99, 14.99, lines=True, fill=(150, 150, 150), ink=(226, 226, 226))


# ---- file writers

def write_bmp(path, images):
    """8-bit BMP with a colour table, images side by side; empty pixels get the
    bar's face colour. A colour table lets the bar swap that grey for its own
    face colour."""
    n = len(images)
    w, h = 16 * n, 16
    palette = [FACE]
    rows = []
    for y in range(h - 1, -1, -1):
        line_bytes = bytearray()
        for c in images:
            for x in range(16):
                # A drawn pixel in the face colour would vanish into the bar.
                assert c.px[y][x] != FACE
                colour = c.px[y][x] or FACE
                if colour not in palette:
                    palette.append(colour)
                line_bytes.append(palette.index(colour))
        line_bytes += b"\0" * (((w + 3) & ~3) - w)
        rows.append(bytes(line_bytes))
    assert len(palette) <= 256
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    data = b"".join(rows)
    offset = 14 + 40 + len(table)
    header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 8, 0, len(data), 2835, 2835, len(palette), len(palette))
    with open(path, "wb") as f:
        f.write(header + info + table + data)


def icon_image(c):
    n = c.size
    xor = bytearray()
    mask_row = ((n + 31) // 32) * 4
    mask = bytearray()
    for y in range(n - 1, -1, -1):
        bits = bytearray(mask_row)
        for x in range(n):
            p = c.px[y][x]
            if p is None:
                xor += bytes((0, 0, 0, 0))
                bits[x // 8] |= 0x80 >> (x % 8)
            else:
                r, g, b = p
                xor += bytes((b, g, r, 255))
        mask += bits
    info = struct.pack("<IiiHHIIiiII", 40, n, n * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return info + xor + mask


def write_ico(path, canvases):
    blobs = [icon_image(c) for c in canvases]
    head = struct.pack("<HHH", 0, 1, len(blobs))
    offset = 6 + 16 * len(blobs)
    entries = b""
    for c, blob in zip(canvases, blobs):
        size = c.size if c.size < 256 else 0
        entries += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    with open(path, "wb") as f:
        f.write(head + entries + b"".join(blobs))


def picture(draw, size=16):
    c = Canvas(size)
    draw(c)
    return c


def main():
    res = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "res")
    write_bmp(os.path.join(res, "list_toolbar.bmp"),
              [picture(d) for d in (draw_online, draw_show_responses, draw_reload,
                                    draw_update_check, draw_settings)])
    write_bmp(os.path.join(res, "thread_toolbar.bmp"),
              [picture(d) for d in (draw_online, draw_thread_list, draw_reload, draw_copy,
                                    draw_write, draw_close, draw_delete, draw_settings)])
    write_ico(os.path.join(res, "quorvex.ico"), [picture(draw_app, 32), picture(draw_app, 16)])
    write_ico(os.path.join(res, "thread_none.ico"), [picture(draw_state_none)])
    write_ico(os.path.join(res, "thread_held.ico"), [picture(draw_state_held)])
    write_ico(os.path.join(res, "thread_new.ico"), [picture(draw_state_new)])
    write_ico(os.path.join(res, "thread_fallen.ico"), [picture(draw_state_fallen)])


if __name__ == "__main__":
    main()
