#include "video_reader.h"

#include <cstring>

#include "codec/frame_codec.h"
#include "codec/run_length.h"
#include "video_check.h"

// The file header from the first bytes, and the first record's position.
static int OpenHeader(VideoReader* reader, const uint8_t* bytes, size_t got) {
    reader->header = VideoFileHeaderLoad(got ? bytes : nullptr, got);
    if (got < 4 || reader->header.magic != VIDEO_MAGIC) {
        reader->position = reader->size;
        return 0;
    }
    uint32_t first = VideoFirstRecordOffset(&reader->header);
    reader->position = first < reader->size ? first : reader->size;
    return 1;
}

int VideoReaderOpen(VideoReader* reader, const uint8_t* data, size_t size) {
    *reader = VideoReader{};
    reader->data = data;
    reader->size = data ? size : 0;
    return OpenHeader(reader, data, static_cast<size_t>(reader->size));
}

int VideoReaderOpenSource(VideoReader* reader, const VideoSource* source, uint8_t* buffer,
                          size_t capacity) {
    *reader = VideoReader{};
    reader->source = *source;
    reader->size = source->read ? source->size : 0;
    reader->buffer = buffer;
    reader->capacity = buffer ? capacity : 0;
    uint8_t bytes[VIDEO_HEADER_SIZE];
    size_t want = reader->size < sizeof bytes ? static_cast<size_t>(reader->size) : sizeof bytes;
    if (!VideoReaderPeek(reader, 0, bytes, want)) {
        reader->failure = VIDEO_READ_FAILED;
        reader->position = reader->size;
        return 0;
    }
    return OpenHeader(reader, bytes, want);
}

int VideoReaderPeek(const VideoReader* reader, uint64_t offset, uint8_t* bytes, size_t size) {
    if (offset > reader->size || size > reader->size - offset) return 0;
    if (!reader->data) return VideoSourceReadAll(&reader->source, offset, bytes, size);
    if (size) std::memcpy(bytes, reader->data + offset, size);
    return 1;
}

int VideoReaderNext(VideoReader* reader, VideoRecord* record) {
    if (reader->failure != VIDEO_READ_OK) return 0;
    uint64_t left = reader->size - reader->position;
    if (left < FRAME_RECORD_HEADER_SIZE) return 0;
    uint8_t bytes[FRAME_RECORD_HEADER_SIZE];
    if (!VideoReaderPeek(reader, reader->position, bytes, sizeof bytes)) {
        reader->failure = VIDEO_READ_FAILED;
        return 0;
    }
    FrameRecordHeader header = FrameRecordHeaderLoad(bytes, sizeof bytes);
    if (header.headerSize == 0) return 0;
    if (header.headerSize > left || header.dataSize > left - header.headerSize) {
        reader->position = reader->size;
        return 0;
    }
    uint64_t dataAt = reader->position + header.headerSize;
    if (reader->data) {
        record->data = reader->data + static_cast<size_t>(dataAt);
    } else if (header.dataSize > reader->capacity) {
        reader->failure = VIDEO_READ_TOO_LARGE;
        return 0;
    } else if (!VideoSourceReadAll(&reader->source, dataAt, reader->buffer, header.dataSize)) {
        reader->failure = VIDEO_READ_FAILED;
        return 0;
    } else {
        record->data = reader->buffer;
    }
    record->header = header;
    reader->position = dataAt + header.dataSize;
    return 1;
}

size_t VideoUnpackCapacity(uint32_t width, uint32_t height) {
    size_t planes = FrameBufferSize(width, height, 3);
    size_t bound = RunLengthPackBound(planes);
    return planes == 0 || bound < planes ? 0 : bound;
}

size_t VideoRecordCapacity(uint32_t width, uint32_t height) {
    return VideoUnpackCapacity(width, height);
}

int VideoRecordApply(const VideoRecord* record, FrameSurface* surface, uint8_t* work,
                     size_t workCapacity) {
    FrameRecordHeader header = record->header;
    if (UnpackFrameData(&header, record->data, work, workCapacity))
        return FrameDeltaDecode(surface, &header, work, header.dataSize);
    return FrameDeltaDecode(surface, &header, record->data, header.dataSize);
}
