#!/usr/bin/env python3
"""Draws Quenby's pictures and writes them as BMP and ICO files.

  state0.bmp .. state4.bmp   55 x 64 state pictures: a grey server tower with a
                             dark round badge at its lower right (0 green
                             triangle, 1 red square, 2..4 plain). The light blue
                             background (153, 153, 255) fills the bottom-left
                             pixel, which the window draws transparent.
  start.bmp pause.bmp stop.bmp
                             40 x 20 button glyphs: the 20 x 20 normal form, then
                             the grey embossed form shown while the button is
                             disabled. The silver background (192, 192, 192) is
                             drawn transparent.
  quenby.ico                 the program icon at 16, 20, 24, 32, 40, 48 and 64 pixels.
  tray_running.ico tray_stopped.ico tray_paused.ico tray_other.ico
                             the program icon with the state's sign in its
                             lower right corner, at the small-icon sizes of
                             every scale (16, 20, 24 and 32 pixels).

The bitmaps are drawn for the display scales 100% (the sizes above), 125%,
150% and 200% (files with the suffix _125, _150 and _200).

Usage: make_pictures.py OUTPUT_DIRECTORY
"""

import os
import struct
import sys

STATE_BACKGROUND = (153, 153, 255)
SILVER = (192, 192, 192)
GREEN = (0, 176, 0)
DARK_GREEN = (0, 96, 0)
RED = (208, 0, 0)
DARK_RED = (112, 0, 0)
BLACK = (0, 0, 0)
WHITE = (255, 255, 255)
BADGE = (40, 44, 56)
BADGE_RIM = (110, 116, 132)


class Canvas:
    """Pixels drawn in design coordinates (the 100% picture's pixels) at a
    scale: a design pixel covers scale x scale pixels of the picture."""

    def __init__(self, width, height, background, scale=1.0):
        self.scale = scale
        self.width = int(round(width * scale))
        self.height = int(round(height * scale))
        self.pixels = [[background] * self.width for _ in range(self.height)]

    def put_px(self, x, y, colour):
        """One pixel of the picture itself."""
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def get(self, x, y):
        return self.pixels[y][x]

    def _span(self, first, last):
        """The picture's pixels that design pixels first..last cover."""
        return range(int(round(first * self.scale)), int(round((last + 1) * self.scale)))

    def put(self, x, y, colour):
        for py in self._span(y, y):
            for px in self._span(x, x):
                self.put_px(px, py, colour)

    def rect(self, left, top, right, bottom, colour):
        """Fills the rectangle including both corners."""
        for py in self._span(top, bottom):
            for px in self._span(left, right):
                self.put_px(px, py, colour)

    def disc(self, cx, cy, radius, colour):
        """A disc, smooth at every scale: each pixel's centre is tested in
        design coordinates."""
        for py in range(self.height):
            for px in range(self.width):
                x = (px + 0.5) / self.scale - 0.5
                y = (py + 0.5) / self.scale - 0.5
                if (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius:
                    self.put_px(px, py, colour)

    def triangle_right(self, left, top, bottom, colour, outline=None):
        """A triangle pointing right: its left side from top to bottom, its tip
        half-way down at a distance of half its height."""
        height = bottom - top
        for y in range(top, bottom + 1):
            reach = min(y - top, bottom - y)
            for x in range(left, left + reach + 1):
                edge = x == left or x == left + reach or y in (top, bottom)
                self.put(x, y, outline if (outline and edge) else colour)
        return height


def tower(canvas, left, top, right, bottom):
    """A grey server tower with light and dark bevels, drive bays, a vent and a
    power light."""
    canvas.rect(left, top, right, bottom, (150, 150, 156))
    canvas.rect(left, top, right, top, (230, 230, 236))
    canvas.rect(left, top, left, bottom, (230, 230, 236))
    canvas.rect(left + 1, bottom, right, bottom, (72, 72, 78))
    canvas.rect(right, top + 1, right, bottom, (72, 72, 78))
    width = right - left
    # Drive bays.
    for i in range(3):
        y = top + 5 + i * 6
        canvas.rect(left + 3, y, right - 3, y + 3, (118, 118, 124))
        canvas.rect(left + 3, y + 3, right - 3, y + 3, (206, 206, 212))
        canvas.rect(left + 5, y + 1, left + 5 + width // 3, y + 1, (60, 60, 66))
    # Power light.
    canvas.rect(left + 3, top + 25, left + 4, top + 26, (0, 220, 0))
    # Vent.
    for y in range(top + 31, bottom - 4, 3):
        canvas.rect(left + 4, y, right - 4, y, (110, 110, 116))


def state_picture(badge_symbol, scale):
    canvas = Canvas(55, 64, STATE_BACKGROUND, scale)
    tower(canvas, 6, 2, 36, 60)
    # Feet.
    canvas.rect(8, 61, 12, 62, (60, 60, 66))
    canvas.rect(30, 61, 34, 62, (60, 60, 66))
    cx, cy, radius = 41.0, 48.0, 12.5
    canvas.disc(cx, cy, radius, BADGE_RIM)
    canvas.disc(cx, cy, radius - 1.5, BADGE)
    if badge_symbol == "triangle":
        canvas.triangle_right(37, 42, 54, GREEN)
    elif badge_symbol == "square":
        canvas.rect(36, 43, 46, 53, RED)
    # The bottom-left pixel keeps the background: it names the transparent colour.
    canvas.put_px(0, canvas.height - 1, STATE_BACKGROUND)
    return canvas


def glyph(kind, scale):
    canvas = Canvas(20, 20, SILVER, scale)
    if kind == "start":
        canvas.triangle_right(6, 3, 16, GREEN, DARK_GREEN)
    elif kind == "pause":
        canvas.rect(5, 4, 8, 15, BLACK)
        canvas.rect(11, 4, 14, 15, BLACK)
    elif kind == "stop":
        canvas.rect(4, 4, 15, 15, DARK_RED)
        canvas.rect(5, 5, 14, 14, RED)
    return canvas


def with_disabled_form(normal):
    """The normal form beside its grey embossed form: every drawn pixel becomes
    dark grey with a white shadow one design pixel down and right."""
    both = Canvas(normal.width * 2, normal.height, SILVER)
    shift = max(1, int(round(normal.scale)))
    for y in range(normal.height):
        for x in range(normal.width):
            both.put_px(x, y, normal.get(x, y))
    drawn = [(x, y) for y in range(normal.height) for x in range(normal.width)
             if normal.get(x, y) != SILVER]
    for x, y in drawn:
        both.put_px(normal.width + x + shift, y + shift, WHITE)
    for x, y in drawn:
        both.put_px(normal.width + x, y, (128, 128, 128))
    return both


def bmp_bytes(canvas):
    """A 24-bit bottom-up BMP file."""
    row_size = (canvas.width * 3 + 3) & ~3
    rows = bytearray()
    for y in range(canvas.height - 1, -1, -1):
        row = bytearray()
        for x in range(canvas.width):
            r, g, b = canvas.get(x, y)
            row += bytes((b, g, r))
        row += b"\0" * (row_size - len(row))
        rows += row
    header = struct.pack("<IiiHHIIiiII", 40, canvas.width, canvas.height, 1, 24, 0, len(rows),
                         2835, 2835, 0, 0)
    file_header = struct.pack("<2sIHHI", b"BM", 14 + len(header) + len(rows), 0, 0,
                              14 + len(header))
    return file_header + header + rows


def icon_image(size):
    """The icon at one size: a small tower with a green triangle badge; the
    transparent parts are listed in the mask."""
    canvas = Canvas(size, size, None)
    scale = size / 32.0

    def s(v):
        return int(round(v * scale))

    if size >= 32:
        tower(canvas, s(5), s(1), s(22), s(30))
    else:
        canvas.rect(s(5), s(1), s(22), s(30), (150, 150, 156))
        canvas.rect(s(5), s(1), s(22), s(1), (230, 230, 236))
        canvas.rect(s(22), s(1), s(22), s(30), (72, 72, 78))
        canvas.rect(s(7), s(5), s(20), s(6), (60, 60, 66))
        canvas.rect(s(7), s(10), s(20), s(11), (60, 60, 66))
    canvas.disc(s(23), s(23), 8.5 * scale, BADGE_RIM)
    canvas.disc(s(23), s(23), 7.5 * scale, BADGE)
    canvas.triangle_right(s(20), s(19), s(27), GREEN)
    return canvas


def tray_icon_image(size, sign):
    """The program icon with a state's sign on a round badge in its lower
    right corner: running a green triangle, stopped a red square, paused two
    bars, any other state a grey dot."""
    canvas = icon_image(size)
    scale = size / 16.0
    cx = cy = size - 5.5 * scale
    canvas.disc(cx, cy, 5.5 * scale, WHITE)
    canvas.disc(cx, cy, 4.5 * scale, BADGE)

    def px(v):
        return int(round(v))

    if sign == "running":
        canvas.triangle_right(px(cx - 2 * scale), px(cy - 3 * scale), px(cy + 3 * scale), GREEN)
    elif sign == "stopped":
        canvas.rect(px(cx - 2.5 * scale), px(cy - 2.5 * scale), px(cx + 2 * scale),
                    px(cy + 2 * scale), RED)
    elif sign == "paused":
        canvas.rect(px(cx - 2.5 * scale), px(cy - 2.5 * scale), px(cx - 1 * scale),
                    px(cy + 2.5 * scale), WHITE)
        canvas.rect(px(cx + 1 * scale), px(cy - 2.5 * scale), px(cx + 2.5 * scale),
                    px(cy + 2.5 * scale), WHITE)
    else:
        canvas.disc(cx, cy, 2 * scale, (160, 160, 160))
    return canvas


def ico_bytes(canvases):
    images = []
    for canvas in canvases:
        size = canvas.width
        xor = bytearray()
        mask_row = ((size + 31) // 32) * 4
        mask = bytearray()
        for y in range(size - 1, -1, -1):
            row_mask = bytearray(mask_row)
            for x in range(size):
                colour = canvas.get(x, y)
                if colour is None:
                    xor += b"\0\0\0\0"
                    row_mask[x // 8] |= 0x80 >> (x % 8)
                else:
                    r, g, b = colour
                    xor += bytes((b, g, r, 255))
            mask += row_mask
        header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask),
                             0, 0, 0, 0)
        images.append((size, header + xor + mask))
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for _, data in images:
        out += data
    return bytes(out)


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


# The display scales drawn, in percent, and the suffix of their files: the
# program picks the nearest to its window's scale.
SCALES = [(100, ""), (125, "_125"), (150, "_150"), (200, "_200")]
# Icon sizes: the large and small icons and the tray's at every scale above.
ICON_SIZES = [64, 48, 40, 32, 24, 20, 16]
# The small-icon sizes at 100, 125, 150 and 200%.
TRAY_ICON_SIZES = [32, 24, 20, 16]


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for percent, suffix in SCALES:
        scale = percent / 100.0
        for index, symbol in enumerate(["triangle", "square", None, None, None]):
            write(os.path.join(out, "state%d%s.bmp" % (index, suffix)),
                  bmp_bytes(state_picture(symbol, scale)))
        for kind in ("start", "pause", "stop"):
            write(os.path.join(out, kind + suffix + ".bmp"),
                  bmp_bytes(with_disabled_form(glyph(kind, scale))))
    write(os.path.join(out, "quenby.ico"), ico_bytes([icon_image(size) for size in ICON_SIZES]))
    for sign in ("running", "stopped", "paused", "other"):
        write(os.path.join(out, "tray_%s.ico" % sign),
              ico_bytes([tray_icon_image(size, sign) for size in TRAY_ICON_SIZES]))


if __name__ == "__main__":
    main()
