#!/usr/bin/env python3
"""Draws the icons, bitmaps and cursor of morvane and selfplayer.

    python3 tools/draw_images.py

rewrites every image under recorder/res/ and player/res/. The outputs are
committed, so building the programs needs no image tool; this script needs
nothing but the Python standard library.

Shapes are drawn on a supersampled canvas in output-pixel coordinates (floats,
x to the right, y downwards), averaged down to one colour per pixel, reduced to
a palette and written as BMP (8 bits per pixel), ICO (BITMAPINFOHEADER image
with an AND mask) or CUR (monochrome, with a hot spot).
"""

import math
import os
import struct
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# ---------------------------------------------------------------------------
# Colours: one purple/blue family shared by every image.

BLACK = (0, 0, 0)
WHITE = (255, 255, 255)
NAVY = (22, 20, 58)
FILM = (38, 32, 82)
FILM_EDGE = (70, 60, 140)
FRAME_BLUE = (78, 112, 204)
FRAME_LIGHT = (132, 168, 238)
HOLE = (226, 228, 248)
PURPLE = (132, 62, 206)
PURPLE_LIGHT = (226, 198, 255)
PURPLE_DARK = (58, 20, 112)
PENNANT = (72, 132, 240)
PENNANT_DARK = (40, 74, 170)
POLE = (150, 150, 182)
LAVENDER = (196, 182, 255)
SOFT_BLUE = (128, 150, 214)
RED = (222, 38, 54)
RED_LIGHT = (255, 156, 160)
RED_DARK = (132, 14, 30)
TOOL_FRAME = (158, 190, 236)
TOOL_EDGE = (28, 46, 128)
TOOL_GLYPH = (48, 40, 128)
PAGE = (250, 250, 255)
PAGE_EDGE = (92, 96, 150)
PAGE_FOLD = (200, 206, 236)


def mix(a, b, t):
    t = min(max(t, 0.0), 1.0)
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


# ---------------------------------------------------------------------------
# Canvas: a record of supersampled samples, None where nothing is drawn.

def new_canvas(width, height, background=None, supersample=4):
    ss = supersample
    return {"width": width, "height": height, "ss": ss,
            "samples": [background] * (width * ss * height * ss)}


def _paint_spans(canvas, top, bottom, spans_at, colour):
    """Paints, for every sample row between top and bottom (output units), the
    half-open x ranges that spans_at(y) returns. colour is an RGB triple or a
    function of (x, y) for shading."""
    ss = canvas["ss"]
    row_len = canvas["width"] * ss
    samples = canvas["samples"]
    first = max(0, math.ceil(top * ss - 0.5))
    last = min(canvas["height"] * ss, math.ceil(bottom * ss - 0.5))
    for sy in range(first, last):
        y = (sy + 0.5) / ss
        for xa, xb in spans_at(y):
            a = max(0, math.ceil(xa * ss - 0.5))
            b = min(row_len, math.ceil(xb * ss - 0.5))
            if b <= a:
                continue
            base = sy * row_len
            if callable(colour):
                for sx in range(a, b):
                    samples[base + sx] = colour((sx + 0.5) / ss, y)
            else:
                samples[base + a:base + b] = [colour] * (b - a)


def fill(canvas, colour):
    _paint_spans(canvas, 0, canvas["height"],
                 lambda y: [(0, canvas["width"])], colour)


def rect(canvas, x0, y0, x1, y1, colour):
    _paint_spans(canvas, y0, y1, lambda y: [(x0, x1)], colour)


def rounded_rect(canvas, x0, y0, x1, y1, radius, colour):
    def spans(y):
        d = max(y0 + radius - y, y - (y1 - radius), 0.0)
        inset = radius - math.sqrt(max(radius * radius - d * d, 0.0))
        return [(x0 + inset, x1 - inset)]
    _paint_spans(canvas, y0, y1, spans, colour)


def ellipse(canvas, cx, cy, rx, ry, colour):
    def spans(y):
        t = 1.0 - ((y - cy) / ry) ** 2
        if t <= 0:
            return []
        dx = rx * math.sqrt(t)
        return [(cx - dx, cx + dx)]
    _paint_spans(canvas, cy - ry, cy + ry, spans, colour)


def circle(canvas, cx, cy, r, colour):
    ellipse(canvas, cx, cy, r, r, colour)


def ring(canvas, cx, cy, r_outer, r_inner, colour):
    def spans(y):
        dy2 = (y - cy) ** 2
        if dy2 >= r_outer * r_outer:
            return []
        outer = math.sqrt(r_outer * r_outer - dy2)
        if dy2 >= r_inner * r_inner:
            return [(cx - outer, cx + outer)]
        inner = math.sqrt(r_inner * r_inner - dy2)
        return [(cx - outer, cx - inner), (cx + inner, cx + outer)]
    _paint_spans(canvas, cy - r_outer, cy + r_outer, spans, colour)


def polygon(canvas, points, colour):
    """Fills a polygon by the even-odd rule."""
    edges = list(zip(points, points[1:] + points[:1]))

    def spans(y):
        xs = []
        for (xa, ya), (xb, yb) in edges:
            if (ya <= y < yb) or (yb <= y < ya):
                xs.append(xa + (y - ya) * (xb - xa) / (yb - ya))
        xs.sort()
        return list(zip(xs[0::2], xs[1::2]))
    ys = [p[1] for p in points]
    _paint_spans(canvas, min(ys), max(ys), spans, colour)


def line(canvas, x0, y0, x1, y1, width, colour):
    length = math.hypot(x1 - x0, y1 - y0)
    nx = -(y1 - y0) / length * width / 2
    ny = (x1 - x0) / length * width / 2
    polygon(canvas, [(x0 + nx, y0 + ny), (x1 + nx, y1 + ny),
                     (x1 - nx, y1 - ny), (x0 - nx, y0 - ny)], colour)


def shaded_ball(cx, cy, r, light, base, dark):
    """Colour function of a ball lit from the upper left."""
    hx, hy = cx - 0.4 * r, cy - 0.45 * r

    def colour(x, y):
        t = math.hypot(x - hx, y - hy) / (1.45 * r)
        if t < 0.45:
            return mix(light, base, t / 0.45)
        return mix(base, dark, (t - 0.45) / 0.55)
    return colour


def vertical_gradient(y0, y1, top, bottom):
    return lambda x, y: mix(top, bottom, (y - y0) / (y1 - y0))


# ---------------------------------------------------------------------------
# Pixel font: 5 columns, cap height 7, descenders 2 rows below.

GLYPHS = {
    "M": ["#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"],
    "S": [".####", "#....", "#....", ".###.", "....#", "....#", "####."],
    "P": ["####.", "#...#", "#...#", "####.", "#....", "#....", "#...."],
    "V": ["#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."],
    "a": [".....", ".....", ".###.", "....#", ".####", "#...#", ".####"],
    "c": [".....", ".....", ".###.", "#....", "#....", "#...#", ".###."],
    "d": ["....#", "....#", ".##.#", "#..##", "#...#", "#...#", ".####"],
    "e": [".....", ".....", ".###.", "#...#", "#####", "#....", ".###."],
    "f": ["..##.", ".#..#", ".#...", "###..", ".#...", ".#...", ".#..."],
    "g": [".....", ".....", ".####", "#...#", "#...#", "#...#", ".####",
          "....#", ".###."],
    "i": ["..#..", ".....", ".##..", "..#..", "..#..", "..#..", ".###."],
    "l": [".##..", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."],
    "n": [".....", ".....", "#.##.", "##..#", "#...#", "#...#", "#...#"],
    "o": [".....", ".....", ".###.", "#...#", "#...#", "#...#", ".###."],
    "r": [".....", ".....", "#.##.", "##..#", "#....", "#....", "#...."],
    "s": [".....", ".....", ".####", "#....", ".###.", "....#", "####."],
    "v": [".....", ".....", "#...#", "#...#", "#...#", ".#.#.", "..#.."],
    "y": [".....", ".....", "#...#", "#...#", "#...#", "#...#", ".####",
          "....#", ".###."],
    "-": [".....", ".....", ".....", ".###.", ".....", ".....", "....."],
    " ": ["....."] * 7,
}


def text_width(text, scale):
    return (len(text) * 6 - 1) * scale


def text(canvas, x, y, string, scale, colour):
    """Draws string with its cap top at (x, y); each font pixel is a
    scale x scale square."""
    for i, ch in enumerate(string):
        for row, bits in enumerate(GLYPHS[ch]):
            for col, bit in enumerate(bits):
                if bit == "#":
                    gx = x + (i * 6 + col) * scale
                    gy = y + row * scale
                    rect(canvas, gx, gy, gx + scale, gy + scale, colour)


# ---------------------------------------------------------------------------
# From samples to palette indices.

def resolve(canvas):
    """Averages each pixel's samples. Returns one RGB triple per pixel, top
    row first, or None where less than half the pixel is drawn."""
    ss = canvas["ss"]
    width, height = canvas["width"], canvas["height"]
    row_len = width * ss
    samples = canvas["samples"]
    pixels = []
    for py in range(height):
        for px in range(width):
            total = [0, 0, 0]
            count = 0
            for sy in range(py * ss, py * ss + ss):
                base = sy * row_len + px * ss
                for s in samples[base:base + ss]:
                    if s is not None:
                        total[0] += s[0]
                        total[1] += s[1]
                        total[2] += s[2]
                        count += 1
            if count * 2 < ss * ss:
                pixels.append(None)
            else:
                pixels.append(tuple((c + count // 2) // count for c in total))
    return pixels


def _median_cut(weighted, wanted):
    boxes = [sorted(weighted.items())]
    while len(boxes) < wanted:
        best, best_range, axis = None, 0, 0
        for i, box in enumerate(boxes):
            if len(box) < 2:
                continue
            for ch in range(3):
                values = [c[ch] for c, _ in box]
                spread = (max(values) - min(values)) * len(box)
                if spread > best_range:
                    best, best_range, axis = i, spread, ch
        if best is None:
            break
        box = sorted(boxes.pop(best), key=lambda item: (item[0][axis], item[0]))
        half = sum(n for _, n in box) / 2
        running, cut = 0, 1
        for cut in range(1, len(box)):
            running += box[cut - 1][1]
            if running >= half:
                break
        boxes.extend([box[:cut], box[cut:]])
    palette = []
    for box in boxes:
        n = sum(count for _, count in box)
        palette.append(tuple((sum(c[ch] * k for c, k in box) + n // 2) // n
                             for ch in range(3)))
    return sorted(set(palette))


def quantise(pixels, max_colours, reserved=()):
    """Reduces pixels to at most max_colours palette entries, the reserved
    colours first. Returns (palette, indices); undrawn pixels get index 0."""
    weighted = {}
    for p in pixels:
        if p is not None and p not in reserved:
            weighted[p] = weighted.get(p, 0) + 1
    room = max_colours - len(reserved)
    if len(weighted) <= room:
        chosen = sorted(weighted)
    else:
        chosen = [c for c in _median_cut(weighted, room) if c not in reserved]
    palette = list(reserved) + chosen
    nearest = {}
    for colour in weighted:
        nearest[colour] = min(range(len(palette)), key=lambda i: (
            2 * (palette[i][0] - colour[0]) ** 2
            + 4 * (palette[i][1] - colour[1]) ** 2
            + 3 * (palette[i][2] - colour[2]) ** 2, i))
    for i, colour in enumerate(reserved):
        nearest[colour] = i
    indices = [0 if p is None else nearest[p] for p in pixels]
    return palette, indices


# ---------------------------------------------------------------------------
# File writers. BMP rows are stored bottom-up, each padded to 4 bytes.

def _packed_rows(indices, width, height, bpp):
    stride = (width * bpp + 31) // 32 * 4
    out = bytearray()
    for y in range(height - 1, -1, -1):
        row = bytearray(stride)
        for x in range(width):
            value = indices[y * width + x]
            bit = x * bpp
            row[bit // 8] |= value << (8 - bpp - bit % 8)
        out += row
    return bytes(out)


def _info_header(width, height, bpp, image_size, colours_used):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bpp, 0,
                       image_size, 3780, 3780, colours_used, 0)


def _palette_bytes(palette, entries):
    padded = list(palette) + [BLACK] * (entries - len(palette))
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in padded)


def bmp_file(width, height, palette, indices):
    """An uncompressed 8-bit bitmap file holding only the colours used."""
    bits = _packed_rows(indices, width, height, 8)
    info = _info_header(width, height, 8, len(bits), len(palette))
    colours = _palette_bytes(palette, len(palette))
    offset = 14 + len(info) + len(colours)
    header = struct.pack("<2sIHHI", b"BM", offset + len(bits), 0, 0, offset)
    return header + info + colours + bits


def _icon_image(width, height, bpp, palette, indices, mask):
    """The DIB of one icon or cursor image: colour bits, then the AND mask
    (1 = transparent); the header's height counts both."""
    xor_bits = _packed_rows(indices, width, height, bpp)
    and_bits = _packed_rows(mask, width, height, 1)
    info = _info_header(width, height * 2, bpp, len(xor_bits) + len(and_bits), 0)
    return info + _palette_bytes(palette, 1 << bpp) + xor_bits + and_bits


def _icon_dir(kind, entries, images):
    out = struct.pack("<HHH", 0, kind, len(images))
    offset = 6 + 16 * len(images)
    for entry, image in zip(entries, images):
        out += entry + struct.pack("<II", len(image), offset)
        offset += len(image)
    return out + b"".join(images)


def ico_file(width, height, bpp, pixels):
    """A one-image icon file; black is palette entry 0, the colour under the
    transparent pixels."""
    palette, indices = quantise(pixels, 1 << bpp, reserved=(BLACK,))
    mask = [1 if p is None else 0 for p in pixels]
    image = _icon_image(width, height, bpp, palette, indices, mask)
    count = 0 if bpp >= 8 else 1 << bpp
    entry = struct.pack("<BBBBHH", width % 256, height % 256, count, 0, 1, bpp)
    return _icon_dir(1, [entry], [image])


def cur_file(width, height, hot_x, hot_y, pixels):
    """A monochrome cursor: pixels are BLACK, WHITE or None (transparent)."""
    indices = [1 if p == WHITE else 0 for p in pixels]
    mask = [1 if p is None else 0 for p in pixels]
    image = _icon_image(width, height, 1, [BLACK, WHITE], indices, mask)
    entry = struct.pack("<BBBBHH", width % 256, height % 256, 2, 0, hot_x, hot_y)
    return _icon_dir(2, [entry], [image])


def bmp_from_canvas(canvas):
    palette, indices = quantise(resolve(canvas), 256)
    return bmp_file(canvas["width"], canvas["height"], palette, indices)


def ico_from_canvas(canvas, bpp):
    return ico_file(canvas["width"], canvas["height"], bpp, resolve(canvas))


# ---------------------------------------------------------------------------
# Motifs.

def film_strip(c, x0, y0, x1, y1, frames):
    """A horizontal strip: sprocket holes along both edges, frames between."""
    h = y1 - y0
    rounded_rect(c, x0, y0, x1, y1, h * 0.08, FILM)
    hole_h = h * 0.16
    margin = h * 0.08
    pitch = h * 0.36
    x = x0 + pitch * 0.3
    while x + pitch * 0.45 <= x1:
        for hy in (y0 + margin, y1 - margin - hole_h):
            rounded_rect(c, x, hy, x + pitch * 0.45, hy + hole_h,
                         hole_h * 0.3, HOLE)
        x += pitch
    fy0, fy1 = y0 + h * 0.32, y1 - h * 0.32
    gap = h * 0.07
    fw = (x1 - x0 - gap * (frames + 1)) / frames
    for i in range(frames):
        fx = x0 + gap + i * (fw + gap)
        rect(c, fx, fy0, fx + fw, fy1,
             vertical_gradient(fy0, fy1, FRAME_LIGHT, FRAME_BLUE))


def ball(c, cx, cy, r):
    circle(c, cx, cy, r, shaded_ball(cx, cy, r, PURPLE_LIGHT, PURPLE,
                                     PURPLE_DARK))


def pennant(c, pole_x, top, bottom, length, width):
    rect(c, pole_x - width * 0.09, top - width * 0.05, pole_x + width * 0.09,
         bottom, POLE)
    circle(c, pole_x, top, width * 0.14, POLE)
    polygon(c, [(pole_x + width * 0.09, top), (pole_x + length, top + width / 2),
                (pole_x + width * 0.09, top + width)],
            lambda x, y: mix(PENNANT, PENNANT_DARK, (x - pole_x) / length))


def draw_program_icon(size):
    s = size / 32.0
    c = new_canvas(size, size)
    pennant(c, 6 * s, 2 * s, 14 * s, 14 * s, 8 * s)
    if size >= 32:
        film_strip(c, 0.5, 11.5, 27.5, 25.5, 3)
    else:
        rect(c, 0, 6, 13, 12.5, FILM)
        for x in (1, 4, 7, 10):
            rect(c, x, 6.5, x + 1.5, 7.5, HOLE)
            rect(c, x, 11, x + 1.5, 12, HOLE)
        rect(c, 1, 8.5, 12, 10, FRAME_LIGHT)
    ball(c, 22 * s, 22 * s, 9.3 * s)
    return c


def draw_document_icon():
    c = new_canvas(32, 32)
    fold = 8
    page = [(4, 0.5), (27.5 - fold, 0.5), (27.5, 0.5 + fold), (27.5, 31.5),
            (4, 31.5)]
    polygon(c, page, PAGE_EDGE)
    polygon(c, [(5, 1.5), (26.5 - fold, 1.5), (26.5, 1.5 + fold), (26.5, 30.5),
                (5, 30.5)], PAGE)
    polygon(c, [(27.5 - fold, 0.5), (27.5 - fold, 0.5 + fold),
                (27.5, 0.5 + fold)], PAGE_EDGE)
    polygon(c, [(28.5 - fold - 1, 2.5), (28.5 - fold - 1, 0.5 + fold - 1 + 0.5),
                (26.5 - 0.5, 0.5 + fold - 1 + 0.5)], PAGE_FOLD)
    film_strip(c, 7, 11, 25, 20, 2)
    ball(c, 21, 25, 5.5)
    return c


def draw_player_icon(size):
    s = size / 32.0
    c = new_canvas(size, size)
    if size >= 32:
        film_strip(c, 0.5, 3.5, 31.5, 15.5, 3)
    else:
        rect(c, 0, 1.5, 16, 7.5, FILM)
        for x in (1, 4, 7, 10, 13):
            rect(c, x, 2, x + 1.5, 3, HOLE)
            rect(c, x, 6, x + 1.5, 7, HOLE)
        rect(c, 1, 4, 15, 5, FRAME_LIGHT)
    ball(c, 17 * s, 19 * s, 12.3 * s)
    polygon(c, [(13 * s, 12.5 * s), (24.5 * s, 19 * s), (13 * s, 25.5 * s)],
            WHITE)
    return c


def draw_locator_icon():
    c = new_canvas(32, 32)
    cx = cy = 16
    circle(c, cx, cy, 14, PURPLE_DARK)
    ring(c, cx, cy, 13, 10.5, PURPLE)
    ring(c, cx, cy, 10.5, 8, WHITE)
    ring(c, cx, cy, 8, 5.5, FRAME_BLUE)
    ring(c, cx, cy, 5.5, 3, WHITE)
    circle(c, cx, cy, 3, RED)
    rect(c, 15.5, 0, 16.5, 32, NAVY)
    rect(c, 0, 15.5, 32, 16.5, NAVY)
    return c


def draw_toolbar():
    c = new_canvas(96, 24, WHITE)
    glyph_cy = 10.5
    for i in range(4):
        x0 = 24 * i
        rect(c, x0, 0, x0 + 24, 24, TOOL_FRAME)
        rect(c, x0 + 1, 1, x0 + 23, 21, WHITE)
        rect(c, x0 + 1, 21, x0 + 23, 24, TOOL_EDGE)
        cx = x0 + 12
        if i == 0:
            circle(c, cx, glyph_cy, 6.5,
                   shaded_ball(cx, glyph_cy, 6.5, RED_LIGHT, RED, RED_DARK))
        elif i == 1:
            polygon(c, [(cx - 4.5, glyph_cy - 6.5), (cx + 6, glyph_cy),
                        (cx - 4.5, glyph_cy + 6.5)], TOOL_GLYPH)
        elif i == 2:
            rect(c, cx - 5, glyph_cy - 6, cx - 1.5, glyph_cy + 6, TOOL_GLYPH)
            rect(c, cx + 1.5, glyph_cy - 6, cx + 5, glyph_cy + 6, TOOL_GLYPH)
        else:
            rect(c, cx - 5.5, glyph_cy - 5.5, cx + 5.5, glyph_cy + 5.5,
                 TOOL_GLYPH)
    return c


def _title(c, string, y, scale):
    """A pixel-font title centred in the shown 313-pixel width, lit from above
    and lifted off the black by a purple shadow."""
    x = (313 - text_width(string, scale)) // 2
    text(c, x + scale // 2 + 1, y + scale // 2 + 1, string, scale, PURPLE_DARK)
    text(c, x, y, string, scale,
         vertical_gradient(y, y + 7 * scale, WHITE, LAVENDER))


def draw_recorder_picture():
    c = new_canvas(314, 180, BLACK, supersample=3)
    film_strip(c, -4, 18, 236, 62, 5)
    ball(c, 262, 40, 31)
    _title(c, "Morvane", 92, 6)
    sub = "screen recorder"
    text(c, (313 - text_width(sub, 2)) // 2, 148, sub, 2, SOFT_BLUE)
    return c


def draw_player_picture():
    c = new_canvas(314, 180, BLACK, supersample=2)
    for y0 in (20, 108):
        rect(c, 0, y0, 313, y0 + 16, FILM_EDGE)
        for x in range(5, 313, 16):
            rect(c, x, y0 + 4, x + 7, y0 + 12, BLACK)
    circle(c, 156.5, 72, 30, PURPLE)
    polygon(c, [(146, 57), (174, 72), (146, 87)], WHITE)
    sub = "Self-Playing Video"
    text(c, (313 - text_width(sub, 2)) // 2, 134, sub, 2, LAVENDER)
    return c


def draw_locator_cursor():
    """A crosshair: black lines in a white outline, open at the centre except
    for one black dot at the hot spot (15, 15)."""
    c = new_canvas(32, 32, supersample=1)
    white_arms = [(14, 0, 17, 12), (14, 19, 17, 31), (0, 14, 12, 17),
                  (19, 14, 31, 17), (14, 14, 17, 17)]
    for x0, y0, x1, y1 in white_arms:
        rect(c, x0, y0, x1, y1, WHITE)
    black_arms = [(15, 1, 16, 11), (15, 20, 16, 30), (1, 15, 11, 16),
                  (20, 15, 30, 16), (15, 15, 16, 16)]
    for x0, y0, x1, y1 in black_arms:
        rect(c, x0, y0, x1, y1, BLACK)
    return c


CURSOR_HOT_SPOT = (15, 15)


def render_all():
    """Every output file: path relative to the repository -> bytes."""
    cursor = draw_locator_cursor()
    return {
        "recorder/res/morvane.ico": ico_from_canvas(draw_program_icon(32), 8),
        "recorder/res/morvane_small.ico":
            ico_from_canvas(draw_program_icon(16), 8),
        "recorder/res/locator.ico": ico_from_canvas(draw_locator_icon(), 4),
        "recorder/res/document.ico": ico_from_canvas(draw_document_icon(), 8),
        "recorder/res/toolbar.bmp": bmp_from_canvas(draw_toolbar()),
        "recorder/res/picture.bmp": bmp_from_canvas(draw_recorder_picture()),
        "recorder/res/locator.cur": cur_file(32, 32, *CURSOR_HOT_SPOT,
                                             resolve(cursor)),
        "player/res/player.ico": ico_from_canvas(draw_player_icon(32), 8),
        "player/res/player_small.ico": ico_from_canvas(draw_player_icon(16), 8),
        "player/res/picture.bmp": bmp_from_canvas(draw_player_picture()),
    }


def main():
    for path, data in sorted(render_all().items()):
        full = os.path.join(ROOT, path)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "wb") as f:
            f.write(data)
        print("%-34s %6d bytes" % (path, len(data)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
