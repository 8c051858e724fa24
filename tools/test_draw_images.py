#!/usr/bin/env python3
"""Checks the committed images and the writers that made them.

    python3 tools/test_draw_images.py

The files are read back by a decoder written here from the file layouts, not
by the writers' own code, so a wrong header field, a flipped row order or a
palette index without a colour shows up.
"""

import os
import struct
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.dont_write_bytecode = True
import draw_images as di  # noqa: E402

ROOT = di.ROOT

# path: (kind, width, height, bits per pixel)
EXPECTED = {
    "recorder/res/morvane.ico": ("icon", 32, 32, 8),
    "recorder/res/morvane_small.ico": ("icon", 16, 16, 8),
    "recorder/res/locator.ico": ("icon", 32, 32, 4),
    "recorder/res/document.ico": ("icon", 32, 32, 8),
    "recorder/res/toolbar.bmp": ("bitmap", 96, 24, 8),
    "recorder/res/picture.bmp": ("bitmap", 314, 180, 8),
    "recorder/res/locator.cur": ("cursor", 32, 32, 1),
    "player/res/player.ico": ("icon", 32, 32, 8),
    "player/res/player_small.ico": ("icon", 16, 16, 8),
    "player/res/picture.bmp": ("bitmap", 314, 180, 8),
}


def read(path):
    with open(os.path.join(ROOT, path), "rb") as f:
        return f.read()


def decode_dib(data, offset, end, mask_too):
    """Decodes one DIB (header, palette, bits[, AND mask]) lying in
    data[offset:end]. Returns a record with top-down pixel lists."""
    (size, width, height, planes, bpp, compression, _image_size, _xppm, _yppm,
     used, _important) = struct.unpack_from("<IiiHHIIiiII", data, offset)
    assert size == 40 and planes == 1 and compression == 0, (size, compression)
    rows = height // 2 if mask_too else height
    assert rows > 0 and width > 0
    entries = used if used else 1 << bpp
    palette_at = offset + size
    palette = [struct.unpack_from("<BBBB", data, palette_at + 4 * i)[2::-1]
               for i in range(entries)]
    stride = (width * bpp + 31) // 32 * 4
    bits_at = palette_at + 4 * entries
    mask_stride = (width + 31) // 32 * 4
    needed = bits_at + stride * rows + (mask_stride * rows if mask_too else 0)
    assert needed == end, (needed, end)

    def unpack(at, row_stride, depth):
        out = []
        for y in range(rows):
            row = data[at + (rows - 1 - y) * row_stride:][:row_stride]
            for x in range(width):
                bit = x * depth
                out.append(row[bit // 8] >> (8 - depth - bit % 8)
                           & ((1 << depth) - 1))
        return out
    indices = unpack(bits_at, stride, bpp)
    mask = unpack(bits_at + stride * rows, mask_stride, 1) if mask_too else None
    return {"width": width, "height": rows, "bpp": bpp, "used": used,
            "palette": palette, "indices": indices, "mask": mask}


def decode_bmp(data):
    magic, file_size, _r1, _r2, offset = struct.unpack_from("<2sIHHI", data, 0)
    assert magic == b"BM" and file_size == len(data)
    dib = decode_dib(data, 14, len(data), False)
    entries = dib["used"] if dib["used"] else 1 << dib["bpp"]
    assert offset == 14 + 40 + 4 * entries
    return dib


def decode_icon_file(data):
    """Returns (resource type, directory entry fields, image record)."""
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    assert reserved == 0 and count == 1
    w, h, colours, res, f1, f2, size, offset = struct.unpack_from(
        "<BBBBHHII", data, 6)
    assert res == 0 and offset == 22 and offset + size == len(data)
    dib = decode_dib(data, offset, len(data), True)
    return kind, (w, h, colours, f1, f2), dib


def rgb(dib):
    return [dib["palette"][i] for i in dib["indices"]]


class CommittedImages(unittest.TestCase):
    def test_committed_files_are_what_the_script_draws(self):
        drawn = di.render_all()
        self.assertEqual(sorted(drawn), sorted(EXPECTED))
        for path, data in drawn.items():
            self.assertEqual(read(path), data,
                             path + " is stale: run tools/draw_images.py")

    def test_sizes_depths_and_palettes(self):
        for path, (kind, width, height, bpp) in EXPECTED.items():
            with self.subTest(path=path):
                data = read(path)
                if kind == "bitmap":
                    dib = decode_bmp(data)
                else:
                    res_type, entry, dib = decode_icon_file(data)
                    self.assertEqual(res_type, 2 if kind == "cursor" else 1)
                    self.assertEqual(entry[:2], (width % 256, height % 256))
                    if kind == "icon":
                        colours = 0 if bpp == 8 else 1 << bpp
                        self.assertEqual(entry[2:], (colours, 1, bpp))
                self.assertEqual((dib["width"], dib["height"], dib["bpp"]),
                                 (width, height, bpp))
                self.assertLess(max(dib["indices"]), len(dib["palette"]))

    def test_icon_pixels_under_the_mask_are_black(self):
        # Where the AND mask lets the screen through, the colour bits are
        # XORed onto it: anything but black would tint the background.
        for path, (kind, *_rest) in EXPECTED.items():
            if kind == "bitmap":
                continue
            with self.subTest(path=path):
                _kind, _entry, dib = decode_icon_file(read(path))
                colours = rgb(dib)
                clear = [c for c, m in zip(colours, dib["mask"]) if m]
                self.assertTrue(clear, "no transparent pixel at all")
                self.assertEqual(set(clear), {(0, 0, 0)})
                self.assertIn(0, dib["mask"], "nothing drawn")

    def test_cursor_hot_spot_is_the_crosshair_centre(self):
        _kind, entry, dib = decode_icon_file(read("recorder/res/locator.cur"))
        hot_x, hot_y = entry[3], entry[4]
        self.assertEqual((hot_x, hot_y), (15, 15))
        at = hot_y * 32 + hot_x
        self.assertEqual(dib["mask"][at], 0)
        self.assertEqual(rgb(dib)[at], (0, 0, 0))
        drawn = [i for i, m in enumerate(dib["mask"]) if not m]
        xs = [i % 32 for i in drawn]
        ys = [i // 32 for i in drawn]
        self.assertEqual((min(xs) + max(xs)) / 2, hot_x)
        self.assertEqual((min(ys) + max(ys)) / 2, hot_y)

    def test_unshown_last_row_and_column_of_pictures_are_plain_black(self):
        for path in ("recorder/res/picture.bmp", "player/res/picture.bmp"):
            with self.subTest(path=path):
                dib = decode_bmp(read(path))
                colours = rgb(dib)
                w, h = dib["width"], dib["height"]
                edge = colours[(h - 1) * w:] + colours[w - 1::w]
                self.assertEqual(set(edge), {(0, 0, 0)})
                self.assertGreater(len(set(colours)), 4, "picture is empty")

    def test_toolbar_faces_have_light_frame_and_dark_lower_edge(self):
        dib = decode_bmp(read("recorder/res/toolbar.bmp"))
        colours = rgb(dib)
        for face in range(4):
            x0 = 24 * face
            with self.subTest(face=face):
                self.assertEqual(colours[x0 + 12], di.TOOL_FRAME)
                self.assertEqual(colours[22 * 96 + x0 + 12], di.TOOL_EDGE)
                self.assertEqual(colours[2 * 96 + x0 + 2], di.WHITE)


class Writers(unittest.TestCase):
    # An "F" has no symmetry: a picture stored upside down or mirrored fails.
    F = ["#####.",
         "#.....",
         "####..",
         "#.....",
         "#....."]

    def f_pixels(self, ink, paper):
        return [ink if ch == "#" else paper for row in self.F for ch in row]

    def test_bitmap_keeps_orientation(self):
        blue, red = (20, 40, 200), (210, 30, 40)
        pixels = self.f_pixels(red, blue)
        palette, indices = di.quantise(pixels, 256)
        dib = decode_bmp(di.bmp_file(6, 5, palette, indices))
        self.assertEqual(rgb(dib), pixels)

    def test_icons_keep_orientation_and_transparency_at_every_depth(self):
        for bpp in (4, 8):
            with self.subTest(bpp=bpp):
                pixels = self.f_pixels((200, 30, 40), None)
                _kind, _entry, dib = decode_icon_file(
                    di.ico_file(6, 5, bpp, pixels))
                self.assertEqual(dib["mask"],
                                 [1 if p is None else 0 for p in pixels])
                self.assertEqual(rgb(dib),
                                 [p or (0, 0, 0) for p in pixels])

    def test_cursor_keeps_orientation_and_hot_spot(self):
        pixels = self.f_pixels(di.WHITE, None)
        pixels[-1] = di.BLACK
        kind, entry, dib = decode_icon_file(di.cur_file(6, 5, 4, 3, pixels))
        self.assertEqual(kind, 2)
        self.assertEqual(entry[3:], (4, 3))
        self.assertEqual(rgb(dib), [p or (0, 0, 0) for p in pixels])
        self.assertEqual(dib["mask"], [1 if p is None else 0 for p in pixels])

    def test_quantise_keeps_reserved_black_first_and_within_the_limit(self):
        pixels = [(r, g, 128) for r in range(0, 256, 8) for g in range(0, 256, 8)]
        pixels += [None, (0, 0, 0)]
        palette, indices = di.quantise(pixels, 16, reserved=((0, 0, 0),))
        self.assertLessEqual(len(palette), 16)
        self.assertEqual(palette[0], (0, 0, 0))
        self.assertEqual(indices[-2:], [0, 0])
        # Every colour maps to a close entry, not just to any entry.
        worst = max(sum(abs(a - b) for a, b in zip(p, palette[i]))
                    for p, i in zip(pixels[:-2], indices))
        self.assertLess(worst, 120)


if __name__ == "__main__":
    unittest.main()
