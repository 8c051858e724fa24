#include "video_writer.h"

#include "codec/frame_codec.h"
#include "codec/run_length.h"

size_t RecordWorkSize(uint32_t width, uint32_t height) {
    return FrameBufferSize(width, height, 6);
}

size_t RecordPackOffset(uint32_t width, uint32_t height) {
    return FrameBufferSize(width, height, 3);
}

FrameRecordHeader VideoUnchangedRecordHeader(uint32_t width, uint32_t height) {
    FrameRecordHeader header = {};
    header.headerSize = FRAME_RECORD_HEADER_SIZE;
    header.frameType = FRAME_UNCHANGED;
    header.right = static_cast<uint16_t>(width - 1);
    header.bottom = static_cast<uint16_t>(height - 1);
    return header;
}

int VideoRecordTestChange(FrameSurface* current, FrameSurface* previous, uint32_t frameIndex,
                          FrameRecordHeader* header, int32_t* changedRow) {
    *header = FrameRecordHeader{};
    header->headerSize = FRAME_RECORD_HEADER_SIZE;
    header->frameType = frameIndex % KEY_FRAME_PERIOD == 0 ? FRAME_KEY : FRAME_DELTA;
    *changedRow = FrameDeltaChangedRow(current, previous);
    return *changedRow >= 0;
}

int VideoRecordEncodePlanes(FrameSurface* current, FrameSurface* previous, int32_t changedRow,
                            int keepInPrevious, uint8_t* work, size_t workSize,
                            FrameRecordHeader* header) {
    size_t packOffset = RecordPackOffset(static_cast<uint32_t>(current->width),
                                         static_cast<uint32_t>(current->height));
    if (packOffset == 0 || packOffset > workSize) return 0;
    return FrameDeltaEncodeChanged(current, previous, changedRow, keepInPrevious, header, work,
                                   packOffset);
}

void VideoRecordPack(uint8_t* work, size_t workSize, FrameRecordHeader* header,
                     const uint8_t** data) {
    *data = work;
    if (header->frameType == FRAME_UNCHANGED) return;
    size_t packOffset = RecordPackOffset(static_cast<uint32_t>(header->right) - header->left + 1,
                                         static_cast<uint32_t>(header->bottom) - header->top + 1);
    if (packOffset == 0 || packOffset > workSize) return;
    if (PackFrameData(header, work, work + packOffset, workSize - packOffset))
        *data = work + packOffset;
}

int VideoRecordEncode(FrameSurface* current, FrameSurface* previous, uint32_t frameIndex,
                      uint8_t* work, size_t workSize, FrameRecordHeader* header,
                      const uint8_t** data) {
    *data = work;
    int32_t changedRow = 0;
    if (!VideoRecordTestChange(current, previous, frameIndex, header, &changedRow) ||
        !VideoRecordEncodePlanes(current, previous, changedRow, 0, work, workSize, header))
        return 0;
    VideoRecordPack(work, workSize, header, data);
    return 1;
}
