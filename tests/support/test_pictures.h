// Pictures and videos built in memory for the engine's tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "frame_surface.h"
#include "video_format.h"
#include "video_reader.h"
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

// Appends one record to a video in memory, as the recording thread does: a
// changed picture is kept in previous as it is encoded.
inline bool AppendRecord(std::vector<uint8_t>* video, FrameSurface* current,
                         FrameSurface* previous, uint32_t frameIndex, std::vector<uint8_t>* work) {
    FrameRecordHeader header;
    const uint8_t* data = nullptr;
    int32_t changedRow = 0;
    if (!VideoRecordTestChange(current, previous, frameIndex, &header, &changedRow) ||
        !VideoRecordEncodePlanes(current, previous, changedRow, 1, work->data(), work->size(),
                                 &header))
        return false;
    VideoRecordPack(work->data(), work->size(), &header, &data);
    uint8_t stored[24];
    FrameRecordHeaderStore(&header, stored);
    video->insert(video->end(), stored, stored + 24);
    video->insert(video->end(), data, data + header.dataSize);
    return true;
}

inline std::vector<uint8_t> VideoHeaderBytes(uint16_t width, uint16_t height, uint16_t rate) {
    VideoFileHeader header = VideoFileHeaderMake(width, height, rate);
    std::vector<uint8_t> bytes(24);
    VideoFileHeaderStore(&header, bytes.data());
    return bytes;
}

// A video read back: its header, its record headers, and the picture its
// last record leaves on a black start, fourth byte cleared.
struct LastPicture {
    VideoFileHeader header = {};
    std::vector<FrameRecordHeader> records;
    std::vector<uint32_t> picture;
    bool decoded = false;  // every record applied and nothing after the last
};

inline LastPicture DecodeLastPicture(const std::vector<uint8_t>& video) {
    LastPicture last;
    VideoReader reader;
    FrameSurface surface;
    if (!VideoReaderOpen(&reader, video.data(), video.size()) ||
        !FrameSurfaceCreate(reader.header.width, reader.header.height, &surface))
        return last;
    last.header = reader.header;
    FrameSurfaceLock(&surface);
    FrameSurfaceFill(&surface, 0, 0, surface.width - 1, surface.height - 1, 0);
    FrameSurfaceUnlock(&surface);
    std::vector<uint8_t> work(RecordWorkSize(surface.width, surface.height));
    VideoRecord record;
    bool applied = true;
    size_t end = reader.position;
    while (VideoReaderNext(&reader, &record)) {
        end = reader.position;
        last.records.push_back(record.header);
        applied = VideoRecordApply(&record, &surface, work.data(), work.size()) && applied;
    }
    last.decoded = applied && end == video.size();
    FrameSurfaceLock(&surface);
    last.picture = PictureOf(&surface);
    FrameSurfaceUnlock(&surface);
    for (uint32_t& pixel : last.picture) pixel &= 0xFFFFFF;
    FrameSurfaceDestroy(&surface);
    return last;
}

// The colours of the quadrants of MakeQuadrantVideo's picture, 0x00RRGGBB:
// top left, top right, bottom left, bottom right.
inline uint32_t QuadrantColour(int quadrant) {
    static const uint32_t COLOURS[4] = {0x1E3CC8, 0x28B43C, 0xE6E6DC, 0xDC2814};
    return COLOURS[quadrant & 3];
}

// A video of frames records at rate: a picture of four coloured quadrants,
// then the same picture again (unchanged records). Shown whole, scaled or
// not, each quadrant of the area it is drawn in has its colour.
inline std::vector<uint8_t> MakeQuadrantVideo(uint16_t width, uint16_t height, uint16_t rate,
                                              int frames) {
    FrameSurface current, previous;
    std::vector<uint8_t> video;
    if (!FrameSurfaceCreate(width, height, &current)) return video;
    if (!FrameSurfaceCreate(width, height, &previous)) {
        FrameSurfaceDestroy(&current);
        return video;
    }
    FrameSurfaceLock(&previous);
    FrameSurfaceFill(&previous, 0, 0, width - 1, height - 1, 0);
    FrameSurfaceLock(&current);
    int32_t halfWidth = width / 2, halfHeight = height / 2;
    for (int quadrant = 0; quadrant < 4; quadrant++) {
        int32_t x = quadrant % 2 ? halfWidth : 0, y = quadrant / 2 ? halfHeight : 0;
        FrameSurfaceFill(&current, x, y, quadrant % 2 ? width - 1 : halfWidth - 1,
                         quadrant / 2 ? height - 1 : halfHeight - 1, QuadrantColour(quadrant));
    }
    std::vector<uint8_t> work(RecordWorkSize(width, height));
    video = VideoHeaderBytes(width, height, rate);
    for (int i = 0; i < frames; i++) AppendRecord(&video, &current, &previous, i, &work);
    FrameSurfaceDestroy(&current);
    FrameSurfaceDestroy(&previous);
    return video;
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
