#!/bin/sh
# Measures the exports on the screen corpus (../shared/corpus, or
# $CORPUS_DIR): each sequence becomes a 10 fps video the way the recorder
# stores it, which zuvtool exports as an animated PNG and as a GIF; ffmpeg
# encodes the same frames with its apng encoder and with its two-pass
# palettegen/paletteuse GIF. Checks first that every frame of our animated PNG
# decodes (by ffmpeg) to the frame that was recorded. Prints per sequence and
# format the processor time per frame (user + system time of the processes,
# the best of 3 runs, so that other work on the machine counts little) and
# the bytes per frame, ours beside ffmpeg's with the ratios, and each GIF's
# peak signal-to-noise ratio against the recorded frames.
#   scripts/measure/measure_export.sh [NAME...]
set -eu

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
. "$ROOT/scripts/env.sh"
SEQUENCES=${*:-"term_log_1080 drag_1080 notepad_720"}

. "$ROOT/scripts/corpus.sh"
unpack_corpus $SEQUENCES

if [ -f "$BUILD_DIR/native/build.ninja" ]; then
    cmake --build "$BUILD_DIR/native" --target zuvtool video_from_frames >/dev/null
else
    sh "$ROOT/scripts/build.sh" native >/dev/null
fi
OUT="$BUILD_DIR/measure_export"
mkdir -p "$OUT"

/usr/bin/python3 - "$BUILD_DIR/native" "$CORPUS_UNPACKED" "$OUT" $SEQUENCES <<'EOF'
import os
import re
import subprocess
import sys

native, corpus, out, names = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4:]
zuvtool = os.path.join(native, "zuvtool", "zuvtool")
make_video = os.path.join(native, "tools", "video_from_frames")
RUNS = 3
RATE = 10


def cpu_seconds(*commands):
    """Best of RUNS of the user + system time of the commands run in turn."""
    best = None
    for _ in range(RUNS):
        total = 0.0
        for command in commands:
            child = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
            _, status, usage = os.wait4(child.pid, 0)
            err = child.stderr.read().decode()
            child.stderr.close()
            if os.waitstatus_to_exitcode(status) != 0:
                sys.exit("measure_export: %s failed: %s" % (command[0], err))
            total += usage.ru_utime + usage.ru_stime
        best = total if best is None else min(best, total)
    return best


def decoded(source, *input_options):
    """The frames as ffmpeg decodes them, at a constant 10 per second."""
    return subprocess.run(["ffmpeg", "-v", "error", *input_options, "-i", source, "-r", str(RATE),
                           "-f", "rawvideo", "-pix_fmt", "rgb24", "-"],
                          capture_output=True, check=True).stdout


def gif_psnr(gif, raw):
    result = subprocess.run(["ffmpeg", "-v", "info", "-i", gif, *raw, "-lavfi",
                             "[0:v]fps=%d,format=rgb24[a];[1:v]format=rgb24[b];[a][b]psnr" % RATE,
                             "-f", "null", "-"], capture_output=True, text=True, check=True)
    return float(re.search(r"PSNR .* average:([0-9.]+|inf)", result.stderr).group(1))


print("%-14s %-5s %12s %12s %8s %14s %14s %7s" % (
    "sequence", "", "ours ms/fr", "ffmpeg ms/fr", "faster", "ours bytes/fr", "ffmpeg bytes/fr",
    "size"))
for name in names:
    info = dict(line.strip().split("=", 1) for line in open(os.path.join(corpus, name + ".txt"))
                if "=" in line)
    w, h, frames = info["width"], info["height"], int(info["frames"])
    source = os.path.join(corpus, name + ".bgrx")
    raw = ["-f", "rawvideo", "-pixel_format", "bgr0", "-video_size", "%sx%s" % (w, h),
           "-framerate", str(RATE), "-i", source]
    video = os.path.join(out, name + ".zuv")
    subprocess.run([make_video, w, h, str(RATE), source, video], check=True)
    files = {k: os.path.join(out, name + k) for k in
             (".png", ".gif", ".ffmpeg.apng", ".ffmpeg.gif", ".palette.png")}

    ours_png = cpu_seconds([zuvtool, "apng", video, files[".png"]])
    if decoded(files[".png"]) != decoded(source, *raw[:-2]):
        sys.exit("measure_export: the animated PNG of %s is not the recorded frames" % name)
    ours_gif = cpu_seconds([zuvtool, "gif", video, files[".gif"]])
    ffmpeg = ["ffmpeg", "-y", "-v", "error", *raw]
    theirs_png = cpu_seconds(ffmpeg + ["-f", "apng", "-plays", "0", files[".ffmpeg.apng"]])
    theirs_gif = cpu_seconds(ffmpeg + ["-vf", "palettegen", files[".palette.png"]],
                             ffmpeg + ["-i", files[".palette.png"], "-lavfi", "paletteuse",
                                       files[".ffmpeg.gif"]])
    for kind, ours, theirs, ours_file, theirs_file in (
            ("apng", ours_png, theirs_png, files[".png"], files[".ffmpeg.apng"]),
            ("gif", ours_gif, theirs_gif, files[".gif"], files[".ffmpeg.gif"])):
        ours_bytes = os.path.getsize(ours_file) / frames
        theirs_bytes = os.path.getsize(theirs_file) / frames
        print("%-14s %-5s %12.1f %12.1f %7.1fx %14.0f %14.0f %7.3f" % (
            name, kind, 1000 * ours / frames, 1000 * theirs / frames, theirs / ours,
            ours_bytes, theirs_bytes, ours_bytes / theirs_bytes))
    print("%-14s gif peak signal-to-noise ratio: ours %.1f dB, ffmpeg's %.1f dB" % (
        name, gif_psnr(files[".gif"], raw), gif_psnr(files[".ffmpeg.gif"], raw)))
EOF
