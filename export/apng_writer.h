// Animated PNG, lossless: the first frame is the whole picture (IDAT, so that
// a viewer without animation shows it), every later frame only the rectangle
// that changed (fcTL offsets, dispose none, blend source). Each frame's delay
// is its records times the frame interval, an exact fraction of a second; a
// frame longer than a delay can say (65535 / 1000 s at least) is held by
// 1-pixel frames that change nothing.
// The animation loops for ever.
#pragma once

#include <cstddef>
#include <cstdint>

#include "export/export_pipeline.h"
#include "export/export_sink.h"
#include "export/png_encoder.h"

struct ApngWriter {
    PngEncoder png;
    uint32_t unitNumerator;    // one record's time, intervalMs / 1000 in lowest terms
    uint32_t unitDenominator;
    uint32_t sequence;      // of the next fcTL or fdAT chunk
    uint32_t frames;        // fcTL chunks written
    uint64_t countOffset;   // of the acTL chunk's data
};

// Writes the header and a frame count to be put back by ApngWriterEnd: the
// sink must be able to rewrite. 1 on success; 0 when it cannot (no rewrite,
// an interval of 0, no memory, a failed write).
int ApngWriterBegin(ApngWriter* writer, const ExportSink* sink, uint32_t width, uint32_t height,
                    uint32_t intervalMs);
// Appends one frame of the pipeline. 1 on success.
int ApngWriterFrame(ApngWriter* writer, const ExportFrame* frame);
// Ends the file and puts the frame count back. 1 on success.
int ApngWriterEnd(ApngWriter* writer);
void ApngWriterRelease(ApngWriter* writer);

// The whole export of the video in data (size bytes) into sink, with progress
// as the pipeline reports it. Returns an ExportStatus; stats tells what was
// walked and whether the video is damaged.
int ExportApng(const uint8_t* data, size_t size, const ExportSink* sink, ExportProgress progress,
               void* context, ExportWalkStats* stats);
// The same from a source, read one record at a time.
int ExportApngSource(const VideoSource* source, const ExportSink* sink, ExportProgress progress,
                     void* context, ExportWalkStats* stats);
