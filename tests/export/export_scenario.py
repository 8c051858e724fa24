#!/usr/bin/python3
"""Exports videos with zuvtool and judges the results with decoders we did not
write: Pillow and ffmpeg.

    export_scenario.py ZUVTOOL VIDEO_FROM_FRAMES WORK_DIR

The videos are made the way the recorder stores them (video_from_frames
encodes and packs each picture against the one before), from pictures drawn
here, so every expected pixel is known.
"""

import math
import os
import struct
import subprocess
import sys
import unittest

from PIL import Image, ImageChops, ImageDraw, ImageFilter

ZUVTOOL, VIDEO_FROM_FRAMES, WORK = sys.argv[1:4]
RATE = 15
# A record lasts the frame interval, 1000 / RATE whole milliseconds: the time
# the recorder keeps to and the player plays at.
INTERVAL_MS = 1000 // RATE
W, H = 160, 100


def path(name):
    return os.path.join(WORK, name)


def run(*args, stdin=None):
    done = subprocess.run(args, capture_output=True, stdin=stdin)
    return done.returncode, done.stdout.decode(errors="replace"), done.stderr.decode(errors="replace")


def read(name):
    with open(name, "rb") as f:
        return f.read()


def make_video(name, pictures, rate=RATE):
    raw = path(name + ".bgrx")
    with open(raw, "wb") as out:
        for picture in pictures:
            r, g, b = picture.split()
            out.write(Image.merge("RGBA", (b, g, r, Image.new("L", picture.size, 0))).tobytes())
    video = path(name + ".zuv")
    w, h = pictures[0].size
    code, _, err = run(VIDEO_FROM_FRAMES, str(w), str(h), str(rate), raw, video)
    assert code == 0, err
    os.remove(raw)
    return video


def shown(pictures):
    """The pictures a viewer sees, each with the records it stays."""
    runs = []
    for picture in pictures:
        data = picture.tobytes()
        if runs and runs[-1][0] == data:
            runs[-1][1] += 1
        else:
            runs.append([data, 1])
    return runs


def desktop(i):
    """A screen: a blue desktop, a window that moves, a red F with no
    symmetry, a clock that ticks every second, a blinking text cursor.
    Stills of several records in between; at most 256 colours."""
    picture = Image.new("RGB", (W, H), (20, 40, 200))
    d = ImageDraw.Draw(picture)
    step = min(i, 12)
    d.rectangle([10 + 4 * step, 20, 70 + 4 * step, 70], fill=(236, 236, 236), outline=(0, 0, 0))
    d.rectangle([12 + 4 * step, 22, 68 + 4 * step, 28], fill=(0, 0, 128))
    d.text((16 + 4 * step, 34), "log %d" % (i // 6), fill=(0, 0, 0))
    if (i // 4) % 2:
        d.rectangle([50 + 4 * step, 34, 51 + 4 * step, 44], fill=(0, 0, 0))
    d.rectangle([130, 80, 133, 95], fill=(220, 20, 20))
    d.rectangle([130, 80, 141, 83], fill=(220, 20, 20))
    d.rectangle([130, 86, 138, 89], fill=(220, 20, 20))
    d.text((120, 4), "0:%02d" % (i // RATE), fill=(255, 255, 0))
    return picture


def gradients(i):
    """Pictures of far more than 256 colours around a large white area:
    gradients, a photograph-like band of smoothed noise, and a band where
    each value is the mean of its left and upper neighbours, which only the
    PNG filter "average" predicts."""
    picture = Image.new("RGB", (W, H), (255, 255, 255))
    px = picture.load()
    for y in range(H):
        for x in range(W // 2):
            px[x, y] = (x * 3 % 256, y * 2 % 256, (x + y + 8 * i) % 256)
    noise = Image.merge("RGB", [Image.effect_noise((W // 2, H // 3), 60 + 10 * c)
                                .filter(ImageFilter.GaussianBlur(1.5)) for c in range(3)])
    picture.paste(noise, (0, H // 3))
    for y in range(2 * H // 3, H):
        for x in range(W // 2):
            if x == 0 or y == 2 * H // 3:
                px[x, y] = ((37 * x + 11 * y + i) % 256, (91 * x * y) % 256, (x * x + y) % 256)
            else:
                left, up = px[x - 1, y], px[x, y - 1]
                px[x, y] = tuple((a + b) >> 1 for a, b in zip(left, up))
    d = ImageDraw.Draw(picture)
    d.text((90, 40 + i), "text", fill=(0, 0, 0))
    return picture


def pillow_frames(name):
    """Every frame as the viewer sees it (composed onto what came before),
    with its duration in milliseconds; and the loop count."""
    with Image.open(name) as image:
        frames = []
        for k in range(image.n_frames):
            image.seek(k)
            frames.append((image.convert("RGB").tobytes(), image.info["duration"]))
        return frames, image.info.get("loop")


def apng_rectangles(name):
    """The rectangle of every frame control chunk, as (left, top, right, bottom)
    with right and bottom exclusive, the way Pillow gives boxes."""
    data = read(name)
    boxes, k = [], 8
    while k < len(data):
        length, kind = struct.unpack_from(">I4s", data, k)
        if kind == b"fcTL":
            w, h, x, y = struct.unpack_from(">IIII", data, k + 12)
            boxes.append((x, y, x + w, y + h))
        k += 12 + length
    return boxes


def ffmpeg_frames(name, w=W, h=H):
    code, _, err = run("ffmpeg", "-y", "-v", "error", "-i", name, "-fps_mode", "passthrough",
                       "-f", "rawvideo", "-pix_fmt", "rgb24", path("decoded.rgb"))
    assert code == 0, err
    data = read(path("decoded.rgb"))
    size = w * h * 3
    return [data[k:k + size] for k in range(0, len(data), size)]


def ffprobe_times(name):
    code, out, err = run("ffprobe", "-v", "error", "-show_entries", "frame=pts_time",
                         "-of", "csv=p=0", name)
    assert code == 0, err
    return [float(t) for t in out.split()]


def gif_delays(name):
    """The delays stored in the file, in hundredths of a second."""
    data = read(name)
    delays, k = [], 0
    while True:
        k = data.find(b"\x21\xf9\x04", k)
        if k < 0:
            return delays
        delays.append(struct.unpack_from("<H", data, k + 4)[0])
        k += 8


def hundredths(records):
    """The time of records in hundredths of a second, rounded half up."""
    return (records * INTERVAL_MS + 5) // 10


def psnr(a, b):
    se = sum((x - y) ** 2 for x, y in zip(a, b))
    return 99 if se == 0 else 10 * math.log10(255 ** 2 * len(a) / se)


class Exports(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        os.makedirs(WORK, exist_ok=True)
        cls.desktop = [desktop(i) for i in range(40)]
        cls.video = make_video("desktop", cls.desktop)

    def test_animated_png_is_every_picture_exact_with_its_duration(self):
        out = path("desktop.png")
        self.assertEqual(run(ZUVTOOL, "apng", self.video, out)[0], 0)
        expected = shown(self.desktop)
        frames, loop = pillow_frames(out)
        self.assertEqual(loop, 0)
        self.assertEqual(len(frames), len(expected))
        for (data, ms), (want, records) in zip(frames, expected):
            self.assertEqual(data, want)
            self.assertAlmostEqual(ms, records * INTERVAL_MS, places=6)
        self.assertEqual(ffmpeg_frames(out), [want for want, _ in expected])
        starts = [0]
        for _, records in expected[:-1]:
            starts.append(starts[-1] + records)
        for t, start in zip(ffprobe_times(out), starts):
            self.assertAlmostEqual(t, start * INTERVAL_MS / 1000, delta=0.001)
        # Each frame after the first stores only the rectangle that changed.
        pictures = [Image.frombytes("RGB", (W, H), want) for want, _ in expected]
        boxes = [(0, 0, W, H)] + [ImageChops.difference(a, b).getbbox()
                                  for a, b in zip(pictures, pictures[1:])]
        self.assertEqual(apng_rectangles(out), boxes)

    def test_gif_of_few_colours_is_exact_and_lasts_exactly_as_long(self):
        out = path("desktop.gif")
        code, _, err = run(ZUVTOOL, "gif", self.video, out)
        self.assertEqual((code, err), (0, ""))
        expected = shown(self.desktop)
        frames, loop = pillow_frames(out)
        self.assertEqual(loop, 0)
        self.assertEqual([data for data, _ in frames], [want for want, _ in expected])
        self.assertEqual(ffmpeg_frames(out), [want for want, _ in expected])
        delays = gif_delays(out)
        self.assertEqual(sum(delays), hundredths(len(self.desktop)))
        elapsed, records = 0, 0
        for delay, (_, count) in zip(delays, expected):
            elapsed += delay
            records += count
            self.assertLessEqual(abs(elapsed - records * INTERVAL_MS / 10), 0.5)

    def test_picture_and_pipe_exports(self):
        out = path("frame.png")
        code, _, err = run(ZUVTOOL, "png", self.video, out, "--frame", "17")
        self.assertEqual(code, 0, err)
        with Image.open(out) as picture:
            self.assertEqual(picture.convert("RGB").tobytes(), self.desktop[17].tobytes())
        code, _, err = run(ZUVTOOL, "png", self.video, out, "--frame", "40")
        self.assertEqual(code, 1)
        self.assertIn("numbered from 0 to 39", err)

        # A pipe into ffmpeg: one frame per record at the video's rate, colours
        # within the rounding of the conversion there and back.
        producer = subprocess.Popen([ZUVTOOL, "y4m", self.video, "-"], stdout=subprocess.PIPE)
        frames = subprocess.run(["ffmpeg", "-v", "error", "-f", "yuv4mpegpipe", "-i", "-",
                                 "-f", "rawvideo", "-pix_fmt", "rgb24", "-"],
                                stdin=producer.stdout, capture_output=True).stdout
        producer.stdout.close()
        self.assertEqual(producer.wait(), 0)
        size = W * H * 3
        self.assertEqual(len(frames), len(self.desktop) * size)
        for k in (0, 17, 39):
            got, want = frames[k * size:(k + 1) * size], self.desktop[k].tobytes()
            self.assertLessEqual(max(abs(a - b) for a, b in zip(got, want)), 6)
        self.assertEqual(run(ZUVTOOL, "y4m", self.video, path("desktop.y4m"))[0], 0)
        code, out, _ = run("ffprobe", "-v", "error", "-show_entries", "stream=r_frame_rate",
                           "-of", "csv=p=0", path("desktop.y4m"))
        self.assertEqual(out.strip(), "500/33")  # 1000 / 66 ms

    def test_many_colours_exact_in_png_close_in_gif(self):
        pictures = [gradients(i) for i in range(4)]
        video = make_video("gradients", pictures, rate=10)
        self.assertEqual(run(ZUVTOOL, "apng", video, path("gradients.png"))[0], 0)
        frames, _ = pillow_frames(path("gradients.png"))
        self.assertEqual([d for d, _ in frames], [p.tobytes() for p in pictures])

        code, _, err = run(ZUVTOOL, "gif", video, path("gradients.gif"))
        self.assertEqual(code, 0)
        self.assertIn("more than 256 colours", err)
        frames, _ = pillow_frames(path("gradients.gif"))
        self.assertEqual(len(frames), len(pictures))
        for (data, _), picture in zip(frames, pictures):
            self.assertGreater(psnr(data, picture.tobytes()), 30)
            # The white that covers half the picture, and the black text on
            # it, keep their exact colours: no seam against the screen.
            got = Image.frombytes("RGB", (W, H), data)
            self.assertEqual(got.crop((W // 2, 0, W, H)).tobytes(),
                             picture.crop((W // 2, 0, W, H)).tobytes())

    def test_long_still_is_held_by_frames_that_change_nothing(self):
        # 70,000 unchanged records after the desktop: longer than one frame
        # delay of either format can say.
        still = 70000
        data = read(self.video)
        unchanged = struct.pack("<IIIIHHHH", 24, 0, 0, 0, 0, W - 1, 0, H - 1)
        video = path("still.zuv")
        with open(video, "wb") as f:
            f.write(data + unchanged * still)
        records = len(self.desktop) + still
        self.assertEqual(run(ZUVTOOL, "apng", video, path("still.png"))[0], 0)
        frames, _ = pillow_frames(path("still.png"))
        self.assertEqual(frames[-1][0], self.desktop[-1].tobytes())
        self.assertAlmostEqual(sum(ms for _, ms in frames), records * INTERVAL_MS, places=3)
        self.assertEqual(run(ZUVTOOL, "gif", video, path("still.gif"))[0], 0)
        self.assertEqual(sum(gif_delays(path("still.gif"))), hundredths(records))
        frames, _ = pillow_frames(path("still.gif"))
        self.assertEqual(frames[-1][0], self.desktop[-1].tobytes())

    def test_damaged_video_exports_what_is_sound_and_says_so(self):
        data = read(self.video)
        # Cut in the middle of the last record: 39 whole records remain.
        cut = path("cut.zuv")
        with open(cut, "wb") as f:
            f.write(data[:len(data) - 5])
        code, out, _ = run(ZUVTOOL, "info", cut)
        self.assertEqual(code, 0)
        self.assertIn("records: 39", out)
        self.assertIn("state: damaged", out)
        code, _, err = run(ZUVTOOL, "check", cut)
        self.assertEqual(code, 1)
        self.assertIn("cut.zuv: damaged", err)
        self.assertEqual(run(ZUVTOOL, "check", self.video)[0], 0)
        code, _, err = run(ZUVTOOL, "apng", cut, path("cut.png"))
        self.assertEqual(code, 3)
        self.assertIn("cut.zuv: damaged", err)
        self.assertIn("39 records", err)
        frames, _ = pillow_frames(path("cut.png"))
        self.assertEqual([d for d, _ in frames], [d for d, _ in shown(self.desktop[:39])])

    def test_cut_keeps_exact_pictures_and_trims_still_ends(self):
        # Still ends around the desktop: a second is 15 records.
        pictures = [self.desktop[0]] * 20 + self.desktop + [self.desktop[-1]] * 30
        video = make_video("long", pictures)
        changes = [i for i in range(1, len(pictures))
                   if pictures[i].tobytes() != pictures[i - 1].tobytes()]
        part = path("part.zuv")

        def expect_part(first, last):
            data = read(part)
            self.assertEqual(struct.unpack_from("<I", data, 24 + 8)[0], 1)  # a key frame
            code, out, _ = run(ZUVTOOL, "info", part)
            self.assertEqual(code, 0)
            self.assertIn("records: %d\n" % (last - first + 1), out)
            self.assertEqual(run(ZUVTOOL, "apng", part, path("part.png"))[0], 0)
            frames, _ = pillow_frames(path("part.png"))
            expected = shown(pictures[first:last + 1])
            self.assertEqual([d for d, _ in frames], [d for d, _ in expected])
            self.assertEqual([round(ms) for _, ms in frames],
                             [r * INTERVAL_MS for _, r in expected])

        code, out, err = run(ZUVTOOL, "cut", video, part, "--trim-still")
        self.assertEqual(code, 0, err)
        first, last = changes[0] - 15, changes[-1] + 15
        self.assertIn("frames %d to %d of" % (first, last), out)
        expect_part(first, last)
        # 1.5 s shows record 22 (from 1.452 s); the end is kept.
        self.assertEqual(run(ZUVTOOL, "cut", "--from", "1.5", video, part, "--to=#50")[0], 0)
        expect_part(22, 50)
        self.assertEqual(run(ZUVTOOL, "cut", video, part, "--to", ".1")[0], 0)
        expect_part(0, 1)

        code, _, err = run(ZUVTOOL, "cut", video, part, "--from", "#90")
        self.assertEqual(code, 1)
        self.assertIn("long.zuv: has 90 frames, numbered from 0 to 89", err)
        self.assertEqual(run(ZUVTOOL, "cut", video, part, "--trim-still", "--to", "2")[0], 2)
        self.assertEqual(run(ZUVTOOL, "cut", video, part, "--from", "#9", "--to", "#8")[0], 2)
        self.assertEqual(run(ZUVTOOL, "cut", video, part, "--from", "1,5")[0], 2)
        # A damaged video is cut from its sound part and says so.
        damaged = path("damaged.zuv")
        with open(damaged, "wb") as f:
            f.write(read(video)[:-5])
        code, _, err = run(ZUVTOOL, "cut", damaged, part, "--from", "#80")
        self.assertEqual(code, 3)
        self.assertIn("damaged.zuv: damaged: its last", err)
        self.assertIn("ends with frame 88", err)
        expect_part(80, 88)

    def test_command_line_as_users_expect(self):
        code, out, _ = run(ZUVTOOL, "--help")
        self.assertEqual(code, 0)
        self.assertIn("usage: zuvtool", out)
        self.assertEqual(run(ZUVTOOL)[0], 2)
        code, _, err = run(ZUVTOOL, "mp4", self.video, path("x"))
        self.assertEqual(code, 2)
        self.assertIn("unknown command 'mp4'", err)
        self.assertEqual(run(ZUVTOOL, "png", self.video, path("x.png"))[0], 2)
        code, _, err = run(ZUVTOOL, "info", path("missing.zuv"))
        self.assertEqual(code, 1)
        self.assertIn("missing.zuv: No such file", err)

        # A failed export leaves the file the user had, and no temporary file.
        kept = path("kept.gif")
        with open(kept, "wb") as f:
            f.write(b"the user's own file")
        not_video = path("not_video.zuv")
        with open(not_video, "wb") as f:
            f.write(b"\0" * 2000)
        code, _, err = run(ZUVTOOL, "gif", not_video, kept)
        self.assertEqual(code, 1)
        self.assertIn("not_video.zuv: is no Morvane video", err)
        self.assertEqual(read(kept), b"the user's own file")
        self.assertEqual([n for n in os.listdir(WORK) if n.startswith(".kept")], [])
        code, _, err = run(ZUVTOOL, "apng", self.video, self.video)
        self.assertEqual(code, 1)
        self.assertIn("is the video itself", err)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
