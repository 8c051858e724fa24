// YUV4MPEG2, the plain stream that other video tools read from a pipe (an MP4
// is one ffmpeg command away): one frame per record, at one frame per frame
// interval (1000 / interval a second), so that a run of unchanged records
// repeats its picture and the stream lasts as long as the video, in 4:4:4
// with the studio-range BT.601 conversion that untagged video is read with.
#pragma once

#include <cstddef>
#include <cstdint>

#include "export/export_pipeline.h"
#include "export/export_sink.h"

struct Y4mWriter {
    ExportSink sink;
    uint32_t width, height;
    uint8_t* planes;   // Y, Cb, Cr of the picture shown, kept from frame to frame
};

int Y4mWriterBegin(Y4mWriter* writer, const ExportSink* sink, uint32_t width, uint32_t height,
                   uint32_t intervalMs);
int Y4mWriterFrame(Y4mWriter* writer, const ExportFrame* frame);
int Y4mWriterEnd(Y4mWriter* writer);
void Y4mWriterRelease(Y4mWriter* writer);

// The whole export, as ExportApng. Needs no rewrite: it may go to a pipe.
int ExportY4m(const uint8_t* data, size_t size, const ExportSink* sink, ExportProgress progress,
              void* context, ExportWalkStats* stats);
