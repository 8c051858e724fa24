// Makes a video out of raw pictures the way the recorder stores them: each
// picture encoded against the one before it (a key frame every 120 records)
// and packed. The export tests and measurements make their videos with it.
//   video_from_frames WIDTH HEIGHT FPS FRAMES.bgrx OUT.zuv
// FRAMES.bgrx holds the pictures back to back, 4 bytes a pixel in memory
// order blue, green, red, unused, rows top to bottom. Exit 1 on any failure.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "frame_surface.h"
#include "video_format.h"
#include "video_writer.h"

static bool ParseSide(const char* text, unsigned limit, unsigned* value) {
    char* end = nullptr;
    unsigned long parsed = std::strtoul(text, &end, 10);
    if (!*text || *end || parsed == 0 || parsed > limit) return false;
    *value = static_cast<unsigned>(parsed);
    return true;
}

static bool MakeSurface(unsigned width, unsigned height, FrameSurface* surface) {
    if (!FrameSurfaceCreate(width, height, surface)) return false;
    FrameSurfaceLock(surface);
    FrameSurfaceFill(surface, 0, 0, surface->width - 1, surface->height - 1, 0);
    FrameSurfaceUnlock(surface);
    return true;
}

int main(int argc, char** argv) {
    unsigned width, height, rate;
    if (argc != 6 || !ParseSide(argv[1], FRAME_SURFACE_MAX_SIDE, &width) ||
        !ParseSide(argv[2], FRAME_SURFACE_MAX_SIDE, &height) || !ParseSide(argv[3], 1000, &rate)) {
        std::fprintf(stderr, "usage: video_from_frames WIDTH HEIGHT FPS FRAMES.bgrx OUT.zuv\n");
        return 2;
    }
    FILE* in = std::fopen(argv[4], "rb");
    FILE* out = std::fopen(argv[5], "wb");
    FrameSurface current, previous;
    if (!in || !out || !MakeSurface(width, height, &current) ||
        !MakeSurface(width, height, &previous)) {
        std::fprintf(stderr, "video_from_frames: cannot open %s or %s\n", argv[4], argv[5]);
        return 1;
    }
    uint8_t header[VIDEO_HEADER_SIZE];
    VideoFileHeader fileHeader = VideoFileHeaderMake(static_cast<uint16_t>(width),
                                                     static_cast<uint16_t>(height),
                                                     static_cast<uint16_t>(rate));
    VideoFileHeaderStore(&fileHeader, header);
    bool ok = std::fwrite(header, 1, sizeof header, out) == sizeof header;
    std::vector<uint8_t> work(RecordWorkSize(width, height));
    size_t frameBytes = static_cast<size_t>(width) * height * 4;
    uint32_t index = 0;
    while (ok) {
        uint32_t* pixels = FrameSurfaceLock(&current);
        size_t got = std::fread(pixels, 1, frameBytes, in);
        FrameSurfaceUnlock(&current);
        if (got != frameBytes) {
            ok = got == 0 && !std::ferror(in);
            break;
        }
        FrameRecordHeader record;
        const uint8_t* data = nullptr;
        uint8_t stored[FRAME_RECORD_HEADER_SIZE];
        ok = VideoRecordEncode(&current, &previous, index++, work.data(), work.size(), &record,
                               &data);
        FrameRecordHeaderStore(&record, stored);
        ok = ok && std::fwrite(stored, 1, sizeof stored, out) == sizeof stored &&
             std::fwrite(data, 1, record.dataSize, out) == record.dataSize;
        if (record.frameType != FRAME_UNCHANGED)
            FrameSurfaceCopyRect(&previous, 0, 0, previous.width - 1, previous.height - 1, &current,
                                 0, 0, current.width - 1, current.height - 1);
    }
    std::fclose(in);
    ok = std::fclose(out) == 0 && ok;
    FrameSurfaceDestroy(&current);
    FrameSurfaceDestroy(&previous);
    if (!ok) std::fprintf(stderr, "video_from_frames: could not make %s\n", argv[5]);
    return ok ? 0 : 1;
}
