#include "video_check.h"

VideoHeaderVerdict VideoHeaderCheck(const VideoFileHeader* header) {
    if (header->magic != VIDEO_MAGIC) return VIDEO_HEADER_NOT_VIDEO;
    if (header->width == 0 || header->height == 0) return VIDEO_HEADER_NO_SIZE;
    if (header->frameRate == 0) return VIDEO_HEADER_NO_FRAME_RATE;
    return VIDEO_HEADER_PLAYABLE;
}

uint32_t VideoFirstRecordOffset(const VideoFileHeader* header) {
    return header->firstRecordOffset ? header->firstRecordOffset : header->headerSize;
}

int VideoFileCheck(const uint8_t* headerBytes, size_t size, uint64_t fileSize) {
    if (fileSize < VIDEO_MIN_FILE_SIZE || size < 4) return 0;
    VideoFileHeader header = VideoFileHeaderLoad(headerBytes, size);
    return VideoHeaderCheck(&header) == VIDEO_HEADER_PLAYABLE;
}
