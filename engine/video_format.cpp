#include "video_format.h"

#include <cstring>

#include "byte_order.h"

VideoFileHeader VideoFileHeaderMake(uint16_t width, uint16_t height, uint16_t frameRate) {
    VideoFileHeader header = {};
    header.magic = VIDEO_MAGIC;
    header.headerSize = VIDEO_HEADER_SIZE;
    header.width = width;
    header.height = height;
    header.frameRate = frameRate;
    header.firstRecordOffset = VIDEO_HEADER_SIZE;
    return header;
}

void VideoFileHeaderStore(const VideoFileHeader* header, uint8_t out[24]) {
    StoreLE32(out + 0, header->magic);
    StoreLE32(out + 4, header->headerSize);
    StoreLE32(out + 8, header->reserved8);
    StoreLE16(out + 12, header->width);
    StoreLE16(out + 14, header->height);
    StoreLE16(out + 16, header->reserved16);
    StoreLE16(out + 18, header->frameRate);
    StoreLE32(out + 20, header->firstRecordOffset);
}

void FrameRecordHeaderStore(const FrameRecordHeader* header, uint8_t out[24]) {
    StoreLE32(out + 0, header->headerSize);
    StoreLE32(out + 4, header->dataSize);
    StoreLE32(out + 8, header->frameType);
    StoreLE32(out + 12, header->packed);
    StoreLE16(out + 16, header->left);
    StoreLE16(out + 18, header->right);
    StoreLE16(out + 20, header->top);
    StoreLE16(out + 22, header->bottom);
}

// Copies the 24 header bytes, zero beyond the data and, when the stored
// headerSize is below 24, from that size on. The first keepBytes stay: the
// size field itself (and the file's magic, checked before the rule applies).
static void LoadHeaderBytes(uint8_t bytes[24], const uint8_t* data, size_t size,
                            size_t sizeOffset) {
    std::memset(bytes, 0, 24);
    size_t available = size < 24 ? size : 24;
    if (data && available) std::memcpy(bytes, data, available);
    size_t keepBytes = sizeOffset + 4;
    uint32_t headerSize = LoadLE32(bytes + sizeOffset);
    if (headerSize < 24) {
        size_t from = headerSize > keepBytes ? headerSize : keepBytes;
        std::memset(bytes + from, 0, 24 - from);
    }
}

VideoFileHeader VideoFileHeaderLoad(const uint8_t* data, size_t size) {
    uint8_t bytes[24];
    LoadHeaderBytes(bytes, data, size, 4);
    VideoFileHeader header;
    header.magic = LoadLE32(bytes + 0);
    header.headerSize = LoadLE32(bytes + 4);
    header.reserved8 = LoadLE32(bytes + 8);
    header.width = LoadLE16(bytes + 12);
    header.height = LoadLE16(bytes + 14);
    header.reserved16 = LoadLE16(bytes + 16);
    header.frameRate = LoadLE16(bytes + 18);
    header.firstRecordOffset = LoadLE32(bytes + 20);
    return header;
}

FrameRecordHeader FrameRecordHeaderLoad(const uint8_t* data, size_t size) {
    uint8_t bytes[24];
    LoadHeaderBytes(bytes, data, size, 0);
    FrameRecordHeader header;
    header.headerSize = LoadLE32(bytes + 0);
    header.dataSize = LoadLE32(bytes + 4);
    header.frameType = LoadLE32(bytes + 8);
    header.packed = LoadLE32(bytes + 12);
    header.left = LoadLE16(bytes + 16);
    header.right = LoadLE16(bytes + 18);
    header.top = LoadLE16(bytes + 20);
    header.bottom = LoadLE16(bytes + 22);
    return header;
}

uint32_t VideoFrameInterval(uint16_t frameRate) {
    return frameRate ? 1000u / frameRate : 0;
}

uint32_t FramePlanesSize(uint32_t width, uint32_t height) {
    uint64_t size = 3ull * width * height;
    return size > 0xFFFFFFFFull ? 0 : static_cast<uint32_t>(size);
}

size_t FrameBufferSize(uint32_t width, uint32_t height, uint32_t factor) {
    uint64_t pixels = static_cast<uint64_t>(width) * height;
    if (factor && pixels > 0xFFFFFFFFull / factor) return 0;
    uint64_t size = pixels * factor;
    if (size > static_cast<uint64_t>(SIZE_MAX)) return 0;
    return static_cast<size_t>(size);
}
