#include "export/y4m_writer.h"

#include <cstdio>
#include <cstdlib>

#include "video_format.h"

namespace {

// BT.601 in studio range (Y 16 to 235, Cb and Cr 16 to 240), 16-bit fixed point.
void Convert(uint32_t pixel, uint8_t* y, uint8_t* cb, uint8_t* cr) {
    int r = static_cast<int>((pixel >> 16) & 255);
    int g = static_cast<int>((pixel >> 8) & 255);
    int b = static_cast<int>(pixel & 255);
    *y = static_cast<uint8_t>((16829 * r + 33039 * g + 6416 * b + (16 << 16) + 32768) >> 16);
    *cb = static_cast<uint8_t>((-9714 * r - 19070 * g + 28784 * b + (128 << 16) + 32768) >> 16);
    *cr = static_cast<uint8_t>((28784 * r - 24103 * g - 4681 * b + (128 << 16) + 32768) >> 16);
}

}  // namespace

int Y4mWriterBegin(Y4mWriter* writer, const ExportSink* sink, uint32_t width, uint32_t height,
                   uint32_t intervalMs) {
    *writer = Y4mWriter{*sink, width, height, nullptr};
    size_t size = FrameBufferSize(width, height, 3);
    if (intervalMs == 0 || size == 0) return 0;
    writer->planes = static_cast<uint8_t*>(std::malloc(size));
    if (!writer->planes) return 0;
    uint32_t divisor = static_cast<uint32_t>(ExportCommonDivisor(1000, intervalMs));
    char header[128];
    int length = std::snprintf(header, sizeof header,
                               "YUV4MPEG2 W%u H%u F%u:%u Ip A1:1 C444 XCOLORRANGE=LIMITED\n",
                               width, height, 1000 / divisor, intervalMs / divisor);
    return sink->write(sink->context, reinterpret_cast<const uint8_t*>(header),
                       static_cast<size_t>(length));
}

int Y4mWriterFrame(Y4mWriter* writer, const ExportFrame* frame) {
    size_t plane = static_cast<size_t>(writer->width) * writer->height;
    const ExportRect& rect = frame->changed;
    for (uint32_t y = rect.top; y <= rect.bottom; y++) {
        const uint32_t* row = frame->picture.pixels + static_cast<size_t>(y) * frame->picture.stride;
        size_t at = static_cast<size_t>(y) * writer->width;
        for (uint32_t x = rect.left; x <= rect.right; x++)
            Convert(row[x], writer->planes + at + x, writer->planes + plane + at + x,
                    writer->planes + 2 * plane + at + x);
    }
    static const uint8_t marker[] = {'F', 'R', 'A', 'M', 'E', '\n'};
    const ExportSink& sink = writer->sink;
    for (uint64_t i = 0; i < frame->records; i++) {
        if (!sink.write(sink.context, marker, sizeof marker) ||
            !sink.write(sink.context, writer->planes, 3 * plane))
            return 0;
    }
    return 1;
}

int Y4mWriterEnd(Y4mWriter*) {
    return 1;
}

void Y4mWriterRelease(Y4mWriter* writer) {
    std::free(writer->planes);
    writer->planes = nullptr;
}

int ExportY4m(const uint8_t* data, size_t size, const ExportSink* sink, ExportProgress progress,
              void* context, ExportWalkStats* stats) {
    Y4mWriter state = {};
    ExportWriter writer = ExportWriterOf<Y4mWriter, Y4mWriterBegin, Y4mWriterFrame, Y4mWriterEnd,
                                         Y4mWriterRelease>(&state);
    return ExportVideo(data, size, &writer, sink, progress, context, stats);
}
