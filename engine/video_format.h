// The ".zuv" video format: one file header, then one frame record per frame
// interval of the recording, in recording order. Nothing else: no index, no
// frame count, no end record. All numbers are unsigned and little-endian.
//
// File header, 24 bytes:
//   0  u32 magic              "_ZUV" (5F 5A 55 56)
//   4  u32 headerSize         24; below 24, the missing bytes count as 0
//   8  u32 reserved           0
//  12  u16 width              pixels of the recorded area, never 0
//  14  u16 height             pixels of the recorded area, never 0
//  16  u16 reserved           0
//  18  u16 frameRate          frames per second; interval = 1000 / frameRate ms
//  20  u32 firstRecordOffset  24; 0 means "at headerSize"
//
// Frame record header, 24 bytes, followed by dataSize bytes of data:
//   0  u32 headerSize         24; 0 ends the video; the data starts here + headerSize
//   4  u32 dataSize           bytes stored after the header; the next record
//                             follows them
//   8  u32 frameType          0 unchanged (no data), 1 key, 2 delta
//  12  u32 packed             1: the data is a packed stream; else raw planes
//  16  u16 left, right        inclusive columns of the frame rectangle (0, width - 1)
//  20  u16 top, bottom        inclusive rows (0, height - 1)
//
// Frame data (types 1 and 2): three planes of W x H bytes, red, then green,
// then blue, each row by row from the top, W = right - left + 1 and
// H = bottom - top + 1. A key frame holds the channel values; a delta frame
// holds (current - previous) mod 256 per byte, against the picture that all
// earlier records produce from a black start.
//
// Packed stream (packed = 1): tokens, each led by a control byte c, ending
// with the end marker 00:
//   00          end marker
//   01..7F      literal: the next c + 1 bytes
//   80 n:u32 v  long run: n copies of v
//   81..FF v    short run: (c - 0x80) + 1 copies of v
//
// Key frames are requested at every record number divisible by 120; a frame
// whose picture did not change is stored as type 0 whatever was requested.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr uint32_t VIDEO_MAGIC = 0x56555A5Fu;  // "_ZUV" read little-endian
constexpr uint32_t VIDEO_HEADER_SIZE = 24;
constexpr uint32_t FRAME_RECORD_HEADER_SIZE = 24;
constexpr uint32_t KEY_FRAME_PERIOD = 120;
// The check that tells a video file from anything else refuses shorter files.
constexpr uint32_t VIDEO_MIN_FILE_SIZE = 1024;

constexpr uint32_t FRAME_UNCHANGED = 0;
constexpr uint32_t FRAME_KEY = 1;
constexpr uint32_t FRAME_DELTA = 2;

struct VideoFileHeader {
    uint32_t magic;
    uint32_t headerSize;
    uint32_t reserved8;
    uint16_t width;
    uint16_t height;
    uint16_t reserved16;
    uint16_t frameRate;
    uint32_t firstRecordOffset;
};

struct FrameRecordHeader {
    uint32_t headerSize;
    uint32_t dataSize;
    uint32_t frameType;
    uint32_t packed;
    uint16_t left;
    uint16_t right;
    uint16_t top;
    uint16_t bottom;
};

// The header a recording of width x height at frameRate writes.
VideoFileHeader VideoFileHeaderMake(uint16_t width, uint16_t height, uint16_t frameRate);

// Stores a header as its 24 stored bytes.
void VideoFileHeaderStore(const VideoFileHeader* header, uint8_t out[24]);
void FrameRecordHeaderStore(const FrameRecordHeader* header, uint8_t out[24]);

// Reads a header from the first min(size, 24) bytes of data; missing bytes,
// and the bytes from a stored headerSize below 24 on, count as 0. The file
// header keeps its magic, and both keep their size field, whatever that size
// says. Reads nothing beyond size.
VideoFileHeader VideoFileHeaderLoad(const uint8_t* data, size_t size);
FrameRecordHeader FrameRecordHeaderLoad(const uint8_t* data, size_t size);

// Milliseconds per frame at a stored frame rate; 0 for a rate of 0, which
// callers refuse before they pace anything.
uint32_t VideoFrameInterval(uint16_t frameRate);

// 3 x width x height, the size of one frame's planes; 0 when the product
// would not fit in 32 bits.
uint32_t FramePlanesSize(uint32_t width, uint32_t height);

// width x height x factor as a buffer size, or 0 when it does not fit in
// a size_t (32-bit programs) or exceeds 2^32 - 1.
size_t FrameBufferSize(uint32_t width, uint32_t height, uint32_t factor);
