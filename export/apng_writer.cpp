#include "export/apng_writer.h"

#include <cstring>

namespace {

constexpr uint64_t DELAY_MAX = 65535;
constexpr uint32_t SEQUENCE_MAX = 0x7FFFFFFF;

// The most records one frame's delay can say: its numerator is 16 bits.
uint64_t LongestPiece(const ApngWriter* writer) {
    return DELAY_MAX / writer->unitNumerator;
}

// One fcTL chunk: the frame's rectangle and its delay, records times one
// record's time (records at most LongestPiece), in lowest terms.
int WriteFrameControl(ApngWriter* writer, const ExportRect& rect, uint64_t records) {
    if (writer->sequence >= SEQUENCE_MAX) return 0;
    uint64_t numerator = records * writer->unitNumerator;
    uint64_t divisor = ExportCommonDivisor(numerator, writer->unitDenominator);
    uint64_t denominator = writer->unitDenominator / divisor;
    numerator /= divisor;
    uint8_t control[26] = {};
    StoreBE32(control, writer->sequence++);
    StoreBE32(control + 4, rect.right - rect.left + 1);
    StoreBE32(control + 8, rect.bottom - rect.top + 1);
    StoreBE32(control + 12, rect.left);
    StoreBE32(control + 16, rect.top);
    control[20] = static_cast<uint8_t>(numerator >> 8);
    control[21] = static_cast<uint8_t>(numerator);
    control[22] = static_cast<uint8_t>(denominator >> 8);
    control[23] = static_cast<uint8_t>(denominator);
    // control[24] dispose none, control[25] blend source: the rectangle
    // replaces what was there, and the canvas stays as the frame left it.
    writer->frames++;
    return PngEncoderChunk(&writer->png, "fcTL", control, sizeof control);
}

int WriteImage(ApngWriter* writer, const ExportPicture& picture, const ExportRect& rect) {
    bool first = writer->frames == 1;
    return PngEncoderImage(&writer->png, &picture, &rect, first ? nullptr : &writer->sequence);
}

void AnimationControl(uint32_t frames, uint8_t out[8]) {
    StoreBE32(out, frames);
    StoreBE32(out + 4, 0);  // plays: 0 loops for ever
}

}  // namespace

int ApngWriterBegin(ApngWriter* writer, const ExportSink* sink, uint32_t width, uint32_t height,
                    uint32_t intervalMs) {
    *writer = ApngWriter{};
    if (!sink->rewrite || intervalMs == 0 || intervalMs > DELAY_MAX) return 0;
    uint64_t divisor = ExportCommonDivisor(intervalMs, 1000);
    writer->unitNumerator = static_cast<uint32_t>(intervalMs / divisor);
    writer->unitDenominator = static_cast<uint32_t>(1000 / divisor);
    if (!PngEncoderBegin(&writer->png, sink, width, PNG_DEFLATE_LEVEL)) return 0;
    uint8_t control[8];
    AnimationControl(0, control);
    if (!PngEncoderHeader(&writer->png, width, height)) return 0;
    writer->countOffset = writer->png.written + 8;
    return PngEncoderChunk(&writer->png, "acTL", control, sizeof control);
}

int ApngWriterFrame(ApngWriter* writer, const ExportFrame* frame) {
    uint64_t left = frame->records, most = LongestPiece(writer);
    uint64_t piece = left < most ? left : most;
    if (!WriteFrameControl(writer, frame->changed, piece) ||
        !WriteImage(writer, frame->picture, frame->changed))
        return 0;
    const ExportRect corner = {0, 0, 0, 0};
    for (left -= piece; left; left -= piece) {
        piece = left < most ? left : most;
        if (!WriteFrameControl(writer, corner, piece) ||
            !WriteImage(writer, frame->picture, corner))
            return 0;
    }
    return 1;
}

int ApngWriterEnd(ApngWriter* writer) {
    if (!PngEncoderChunk(&writer->png, "IEND", nullptr, 0)) return 0;
    uint8_t chunk[8 + 8 + 4];
    StoreBE32(chunk, 8);
    std::memcpy(chunk + 4, "acTL", 4);
    AnimationControl(writer->frames, chunk + 8);
    StoreBE32(chunk + 16, PngChunkCrc(chunk + 4, 12));
    const ExportSink& sink = writer->png.sink;
    return sink.rewrite(sink.context, writer->countOffset, chunk + 8, 12);
}

void ApngWriterRelease(ApngWriter* writer) {
    PngEncoderEnd(&writer->png);
}

int ExportApng(const uint8_t* data, size_t size, const ExportSink* sink, ExportProgress progress,
               void* context, ExportWalkStats* stats) {
    VideoMemorySource memory;
    VideoSource source;
    VideoSourceOfMemory(&memory, &source, data, size);
    return ExportApngSource(&source, sink, progress, context, stats);
}

int ExportApngSource(const VideoSource* source, const ExportSink* sink, ExportProgress progress,
                     void* context, ExportWalkStats* stats) {
    ApngWriter state = {};
    ExportWriter writer = ExportWriterOf<ApngWriter, ApngWriterBegin, ApngWriterFrame, ApngWriterEnd,
                                         ApngWriterRelease>(&state);
    return ExportVideoSource(source, &writer, sink, progress, context, stats);
}
