#include "video_writer.h"

#include "codec/frame_codec.h"
#include "codec/run_length.h"

size_t RecordWorkSize(uint32_t width, uint32_t height) {
    return FrameBufferSize(width, height, 14);
}

size_t RecordPackOffset(uint32_t width, uint32_t height) {
    return FrameBufferSize(width, height, 7);
}

int VideoRecordEncode(FrameSurface* current, FrameSurface* previous, uint32_t frameIndex,
                      uint8_t* work, size_t workSize, FrameRecordHeader* header,
                      const uint8_t** data) {
    *header = FrameRecordHeader{};
    header->headerSize = FRAME_RECORD_HEADER_SIZE;
    header->frameType = frameIndex % KEY_FRAME_PERIOD == 0 ? FRAME_KEY : FRAME_DELTA;
    *data = work;
    size_t packOffset = RecordPackOffset(static_cast<uint32_t>(current->width),
                                         static_cast<uint32_t>(current->height));
    if (packOffset == 0 || packOffset > workSize) return 0;
    if (!FrameDeltaEncode(current, previous, header, work, packOffset)) return 0;
    if (header->frameType == FRAME_UNCHANGED) return 1;
    if (PackFrameData(header, work, work + packOffset, workSize - packOffset))
        *data = work + packOffset;
    return 1;
}
