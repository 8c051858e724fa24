// Animated GIF, for services that take no animated PNG. Each frame stores
// the rectangle that changed, with a colour table of its own: exactly the
// rectangle's colours when they fit, else a reduced table (colour_palette.h).
// A frame may also mark the pixels of its rectangle that did not change as
// transparent, so that the picture below shows through: the writer codes the
// frame both ways and keeps the exact one, or the smaller when both are
// exact or neither is. Delays are in hundredths of a second, each frame's
// rounded so that the delays so far add up to the time of the records so far
// (records times the frame interval): the whole animation lasts exactly as
// long as the video, to the hundredth. A
// frame longer than 655.35 s is held by 1-pixel transparent frames. The
// animation loops for ever (the NETSCAPE2.0 extension).
#pragma once

#include <cstddef>
#include <cstdint>

#include "export/colour_palette.h"
#include "export/export_pipeline.h"
#include "export/export_sink.h"
#include "export/gif_lzw.h"

// How exact the colours came out.
struct GifExportStats {
    uint64_t framesExact;      // frames written with all their colours
    uint64_t framesQuantized;  // frames whose colours were reduced
    uint64_t pixelsQuantized;  // pixels coded in those frames
    double squaredError;       // over those pixels, summed over the three channels
};

// One way of coding a frame: its indices, table and coded bytes.
struct GifCandidate {
    uint8_t* indices;
    uint8_t* coded;
    size_t codedSize;
    uint64_t codedPixels;   // pixels given a colour (not marked unchanged)
    ColourTable table;
    bool transparent;   // the index after the table's colours marks unchanged pixels
    bool exact;
    double squaredError;
};

struct GifWriter {
    ExportSink sink;
    uint32_t intervalMs;
    uint64_t records;        // of the frames written so far
    uint64_t centiseconds;   // their delays added up
    size_t codedCapacity;
    GifCandidate candidates[2];
    GifLzwTable* lzw;
    ColourCounter* counter;
    ColourQuantizer* quantizer;
    GifExportStats stats;
};

// Writes the header for pictures of width x height (at most 65535 each).
// 1 on success; 0 for an interval of 0, no memory or a failed write.
int GifWriterBegin(GifWriter* writer, const ExportSink* sink, uint32_t width, uint32_t height,
                   uint32_t intervalMs);
int GifWriterFrame(GifWriter* writer, const ExportFrame* frame);
int GifWriterEnd(GifWriter* writer);
void GifWriterRelease(GifWriter* writer);

// The whole export, as ExportApng; gifStats (may be null) tells how exact
// the colours came out.
int ExportGif(const uint8_t* data, size_t size, const ExportSink* sink, ExportProgress progress,
              void* context, ExportWalkStats* stats, GifExportStats* gifStats);
// The same from a source, read one record at a time.
int ExportGifSource(const VideoSource* source, const ExportSink* sink, ExportProgress progress,
                    void* context, ExportWalkStats* stats, GifExportStats* gifStats);

// The peak signal-to-noise ratio of the reduced frames' pixels in decibels
// (per channel, against a peak of 255); 0 when no frame was reduced.
double GifPeakSignalToNoise(const GifExportStats* stats);
