// Prints a video's header and record count, and writes its last frame as a
// binary PPM picture: the end-to-end scenario compares recordings with what
// was on the screen through it.
//   video_last_frame video.zuv [last.ppm]
// Output: "width W height H fps F records N changed C", C the records that
// are not unchanged. Exit 1 for a file that is no
// video, whose frames do not decode, or that cannot be read or written.
#include <cstdio>
#include <vector>

#include "frame_surface.h"
#include "video_format.h"
#include "video_reader.h"

static bool ReadWhole(const char* path, std::vector<uint8_t>* bytes) {
    FILE* file = std::fopen(path, "rb");
    if (!file) return false;
    uint8_t block[65536];
    size_t got;
    while ((got = std::fread(block, 1, sizeof block, file)) > 0)
        bytes->insert(bytes->end(), block, block + got);
    bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

static bool WritePicture(const char* path, const FrameSurface* surface) {
    FILE* file = std::fopen(path, "wb");
    if (!file) return false;
    std::fprintf(file, "P6\n%d %d\n255\n", surface->width, surface->height);
    std::vector<uint8_t> row(3 * static_cast<size_t>(surface->width));
    for (int32_t y = 0; y < surface->height; y++) {
        const uint32_t* pixels = surface->pixels + static_cast<size_t>(y) * surface->stride;
        for (int32_t x = 0; x < surface->width; x++) {
            row[3 * x] = static_cast<uint8_t>(pixels[x] >> 16);
            row[3 * x + 1] = static_cast<uint8_t>(pixels[x] >> 8);
            row[3 * x + 2] = static_cast<uint8_t>(pixels[x]);
        }
        std::fwrite(row.data(), 1, row.size(), file);
    }
    return std::fclose(file) == 0;
}

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: video_last_frame video.zuv [last.ppm]\n");
        return 2;
    }
    std::vector<uint8_t> bytes;
    VideoReader reader;
    if (!ReadWhole(argv[1], &bytes) || !VideoReaderOpen(&reader, bytes.data(), bytes.size()) ||
        reader.header.width == 0 || reader.header.height == 0) {
        std::fprintf(stderr, "video_last_frame: %s is no video\n", argv[1]);
        return 1;
    }
    FrameSurface surface;
    if (!FrameSurfaceCreate(reader.header.width, reader.header.height, &surface)) return 1;
    FrameSurfaceLock(&surface);
    FrameSurfaceFill(&surface, 0, 0, surface.width - 1, surface.height - 1, 0);
    FrameSurfaceUnlock(&surface);
    std::vector<uint8_t> work(FrameBufferSize(surface.width, surface.height, 5));
    VideoRecord record;
    unsigned records = 0;
    unsigned changed = 0;
    bool decoded = true;
    while (VideoReaderNext(&reader, &record)) {
        records++;
        if (record.header.frameType != FRAME_UNCHANGED) changed++;
        if (record.header.frameType != FRAME_UNCHANGED &&
            !VideoRecordApply(&record, &surface, work.data(), work.size()))
            decoded = false;
    }
    std::printf("width %u height %u fps %u records %u changed %u\n", reader.header.width,
                reader.header.height, reader.header.frameRate, records, changed);
    FrameSurfaceLock(&surface);
    bool written = argc < 3 || WritePicture(argv[2], &surface);
    FrameSurfaceDestroy(&surface);
    if (!decoded)
        std::fprintf(stderr, "video_last_frame: a frame of %s does not decode\n", argv[1]);
    return decoded && written ? 0 : 1;
}
