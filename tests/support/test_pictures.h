// Pictures and videos built in memory for the engine's tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "frame_surface.h"
#include "video_format.h"
#include "video_writer.h"

inline uint32_t Bgrx(uint8_t blue, uint8_t green, uint8_t red, uint8_t fourth = 0) {
    return blue | (green << 8) | (red << 16) | (static_cast<uint32_t>(fourth) << 24);
}

// A red "F" on blue: no symmetry, so a flipped, mirrored or channel-swapped
// picture never passes for the original.
inline void DrawLetterF(FrameSurface* surface, int32_t x, int32_t y, int32_t scale) {
    FrameSurfaceFill(surface, 0, 0, surface->width - 1, surface->height - 1, Bgrx(200, 40, 10));
    uint32_t red = Bgrx(20, 30, 230);
    FrameSurfaceFill(surface, x, y, x + scale - 1, y + 5 * scale - 1, red);
    FrameSurfaceFill(surface, x, y, x + 3 * scale - 1, y + scale - 1, red);
    FrameSurfaceFill(surface, x, y + 2 * scale, x + 2 * scale - 1, y + 3 * scale - 1, red);
}

// The locked surface's picture, row by row, stride removed.
inline std::vector<uint32_t> PictureOf(const FrameSurface* surface) {
    std::vector<uint32_t> picture;
    for (int32_t y = 0; y < surface->height; y++) {
        const uint32_t* row = surface->pixels + static_cast<intptr_t>(y) * surface->stride;
        picture.insert(picture.end(), row, row + surface->width);
    }
    return picture;
}

// Appends one record to a video in memory, as the recording thread would.
inline bool AppendRecord(std::vector<uint8_t>* video, FrameSurface* current,
                         FrameSurface* previous, uint32_t frameIndex, std::vector<uint8_t>* work) {
    FrameRecordHeader header;
    const uint8_t* data = nullptr;
    if (!VideoRecordEncode(current, previous, frameIndex, work->data(), work->size(), &header,
                           &data))
        return false;
    uint8_t stored[24];
    FrameRecordHeaderStore(&header, stored);
    video->insert(video->end(), stored, stored + 24);
    video->insert(video->end(), data, data + header.dataSize);
    // As in a recording, a copy that fails ends it (a one-pixel-wide
    // surface has no horizontal step).
    return header.frameType == FRAME_UNCHANGED ||
           FrameSurfaceCopyRect(previous, 0, 0, previous->width - 1, previous->height - 1, current,
                                0, 0, current->width - 1, current->height - 1);
}

inline std::vector<uint8_t> VideoHeaderBytes(uint16_t width, uint16_t height, uint16_t rate) {
    VideoFileHeader header = VideoFileHeaderMake(width, height, rate);
    std::vector<uint8_t> bytes(24);
    VideoFileHeaderStore(&header, bytes.data());
    return bytes;
}

// A video of the least size a video file has, 1,024 bytes, whose header
// claims a picture of width x height at rate: after the header as many key
// frames of the whole picture as fit, each one long run of 2^32 - 1 bytes
// that unpacks as far as the reader's buffer lets it.
inline std::vector<uint8_t> HugeClaimVideo(uint16_t width, uint16_t height, uint16_t rate) {
    std::vector<uint8_t> bytes = VideoHeaderBytes(width, height, rate);
    bytes.resize(VIDEO_MIN_FILE_SIZE, 0);
    const uint8_t run[] = {0x80, 0xFF, 0xFF, 0xFF, 0xFF, 0x40, 0x00};
    const size_t recordSize = FRAME_RECORD_HEADER_SIZE + sizeof run;
    for (size_t at = VIDEO_HEADER_SIZE; at + recordSize <= bytes.size(); at += recordSize) {
        FrameRecordHeader record = {FRAME_RECORD_HEADER_SIZE, sizeof run, FRAME_KEY, 1, 0,
                                    static_cast<uint16_t>(width - 1), 0,
                                    static_cast<uint16_t>(height - 1)};
        FrameRecordHeaderStore(&record, &bytes[at]);
        memcpy(&bytes[at + FRAME_RECORD_HEADER_SIZE], run, sizeof run);
    }
    return bytes;
}
