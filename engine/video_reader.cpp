#include "video_reader.h"

#include "codec/frame_codec.h"
#include "codec/run_length.h"
#include "video_check.h"

int VideoReaderOpen(VideoReader* reader, const uint8_t* data, size_t size) {
    reader->data = data;
    reader->size = data ? size : 0;
    reader->header = VideoFileHeaderLoad(reader->data, reader->size);
    if (reader->size < 4 || reader->header.magic != VIDEO_MAGIC) {
        reader->position = reader->size;
        return 0;
    }
    uint32_t first = VideoFirstRecordOffset(&reader->header);
    reader->position = first < reader->size ? first : reader->size;
    return 1;
}

int VideoReaderNext(VideoReader* reader, VideoRecord* record) {
    size_t left = reader->size - reader->position;
    if (left < FRAME_RECORD_HEADER_SIZE) return 0;
    const uint8_t* start = reader->data + reader->position;
    FrameRecordHeader header = FrameRecordHeaderLoad(start, FRAME_RECORD_HEADER_SIZE);
    if (header.headerSize == 0) return 0;
    if (header.headerSize > left || header.dataSize > left - header.headerSize) {
        reader->position = reader->size;
        return 0;
    }
    record->header = header;
    record->data = start + header.headerSize;
    reader->position += static_cast<size_t>(header.headerSize) + header.dataSize;
    return 1;
}

size_t VideoUnpackCapacity(uint32_t width, uint32_t height) {
    size_t planes = FrameBufferSize(width, height, 3);
    size_t bound = RunLengthPackBound(planes);
    return planes == 0 || bound < planes ? 0 : bound;
}

int VideoRecordApply(const VideoRecord* record, FrameSurface* surface, uint8_t* work,
                     size_t workCapacity) {
    FrameRecordHeader header = record->header;
    if (UnpackFrameData(&header, record->data, work, workCapacity))
        return FrameDeltaDecode(surface, &header, work, header.dataSize);
    return FrameDeltaDecode(surface, &header, record->data, header.dataSize);
}
