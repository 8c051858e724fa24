// The export pipeline: walks a video's records while it is sound (the
// engine's video walk) and hands on each picture a viewer sees once, with how
// many frame intervals it stays on screen (a run of records that leave the
// picture as it was becomes one longer frame) and the rectangle that changed
// since the picture before it. The writers of animated images build on it.
//
// Memory is sized from the surface that is made, whose sides the engine caps,
// never from the header alone: three pictures, one frame's planes and one
// record's stored data.
#pragma once

#include <cstddef>
#include <cstdint>

#include "export/export_sink.h"
#include "video_format.h"
#include "video_source.h"
#include "video_walk.h"

struct ExportRect {
    uint32_t left, top, right, bottom;  // inclusive
};

// Pixels as a surface holds them: 4 bytes blue, green, red, unused; rows top
// to bottom, stride pixels apart.
struct ExportPicture {
    const uint32_t* pixels;
    uint32_t width, height, stride;
};

struct ExportFrame {
    ExportPicture picture;   // what is shown from firstRecord on
    ExportPicture previous;  // what was shown before (black before the first); its
                             // pixels are null unless the walk keeps it
    ExportRect changed;      // where the two differ; the whole picture for the first
    uint64_t index;          // 0 for the first picture shown
    uint64_t firstRecord;    // number of the record that shows it
    uint64_t records;        // frame intervals it stays on screen, at least 1
    uint32_t intervalMs;     // of one record: 1000 / frame rate, the video's own time
};

enum ExportStatus {
    EXPORT_DONE = 0,
    EXPORT_NOT_VIDEO,       // no magic, or a width or height of 0
    EXPORT_NO_FRAME_RATE,   // a stored frame rate of 0 (or above 1000): records of no time
    EXPORT_NO_FRAMES,       // not one sound record
    EXPORT_NO_MEMORY,
    EXPORT_CANCELLED,       // the progress callback asked to stop
    EXPORT_WRITE_FAILED,    // the frame callback (a writer) failed
    EXPORT_BAD_FRAME,       // the frame asked for is not in the video
    EXPORT_READ_FAILED,     // the source could not be read (its file gone away)
};

// What the walk found: the engine's VideoWalkStats.
typedef VideoWalkStats ExportWalkStats;

// Bytes of the video walked so far and its length; returns 0 to cancel.
typedef int (*ExportProgress)(void* context, uint64_t done, uint64_t total);

struct ExportWalkOptions {
    // Called once per picture; returns 1 to go on, 0 to fail the walk
    // (EXPORT_WRITE_FAILED). The pixels are valid during the call only.
    int (*frame)(void* context, const ExportFrame* frame);
    void* frameContext;
    // Called after each record (EXPORT_CANCELLED when it returns 0). May be null.
    ExportProgress progress;
    void* progressContext;
    // Walk at most this many records (0: all of them).
    uint64_t recordLimit;
    // Keep the picture shown before each one (a picture's memory more).
    bool keepPrevious;
};

// Walks the video in data (size bytes; nothing beyond is read), filling stats
// as far as it got. Returns an ExportStatus; EXPORT_DONE also for a damaged
// video whose sound part was handed on whole (stats.damage says so).
int ExportWalkVideo(const uint8_t* data, size_t size, const ExportWalkOptions* options,
                    ExportWalkStats* stats);

// The same over a source, read one record at a time (VideoWalkBeginSource):
// a file of any length costs the memory of a short one. ExportWalkVideo is
// this over the bytes in memory.
int ExportWalkVideoSource(const VideoSource* source, const ExportWalkOptions* options,
                          ExportWalkStats* stats);

// The greatest common divisor of a and b (b when a is 0), for delays in
// lowest terms.
uint64_t ExportCommonDivisor(uint64_t a, uint64_t b);

// The smallest rectangle that holds every pixel in which two pictures of the
// same size differ: 1 with it, 0 when they are equal.
int ExportChangedRect(const ExportPicture* a, const ExportPicture* b, ExportRect* changed);


// A writer of one export format, driven by ExportVideo: begun with the size
// of the pictures and the frame interval before the first frame, handed every
// frame, ended after the last, and released in any case (also when it was
// never begun: its state starts zeroed). Each returns 1 on success.
struct ExportWriter {
    int (*begin)(void* writer, const ExportSink* sink, uint32_t width, uint32_t height,
                 uint32_t intervalMs);
    int (*frame)(void* writer, const ExportFrame* frame);
    int (*end)(void* writer);
    void (*release)(void* writer);
    void* state;
    bool needsPrevious;   // the frames' previous pictures (ExportWalkOptions)
};

// The ExportWriter of a writer whose operations take its own state record.
template <typename State, int (*Begin)(State*, const ExportSink*, uint32_t, uint32_t, uint32_t),
          int (*Frame)(State*, const ExportFrame*), int (*End)(State*), void (*Release)(State*)>
ExportWriter ExportWriterOf(State* state) {
    return ExportWriter{
        [](void* s, const ExportSink* sink, uint32_t width, uint32_t height, uint32_t interval) {
            return Begin(static_cast<State*>(s), sink, width, height, interval);
        },
        [](void* s, const ExportFrame* frame) { return Frame(static_cast<State*>(s), frame); },
        [](void* s) { return End(static_cast<State*>(s)); },
        [](void* s) { Release(static_cast<State*>(s)); }, state, false};
}

// Walks the video into the writer and the sink: refuses a video whose
// records have no time (VideoFrameInterval 0) before anything is written, ends the writer when the walk got to the end
// of what is sound, releases it always. Returns an ExportStatus.
int ExportVideo(const uint8_t* data, size_t size, const ExportWriter* writer,
                const ExportSink* sink, ExportProgress progress, void* context,
                ExportWalkStats* stats);
int ExportVideoSource(const VideoSource* source, const ExportWriter* writer,
                      const ExportSink* sink, ExportProgress progress, void* context,
                      ExportWalkStats* stats);
