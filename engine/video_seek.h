// The picture at any record of a video, for a window that jumps around in it
// (the recorder's cut window): a first walk through the sound part notes
// where its whole key frames are; a jump then decodes from the last of them
// at or before the record asked for, or steps on from the picture shown, or
// from a picture kept on an earlier jump, whichever is nearest. Pictures are
// kept at every VIDEO_SEEK_KEEP_EVERY-th record that a jump passes, the
// least recently used giving way: a step back, or a jump within the stretch
// between two key frames already visited, then decodes at most that many
// records instead of up to 119. Only the sound part is reached.
//
// Memory: the walk's picture and planes, sized from its surface, at most
// VIDEO_SEEK_KEPT pictures kept (fewer when they would take more than
// VIDEO_SEEK_KEPT_BYTES), and one note of 16 bytes per key frame.
#pragma once

#include <cstddef>
#include <cstdint>

#include "video_cut.h"
#include "video_walk.h"

struct VideoSeekPoint {
    uint64_t record;   // a key frame that replaces the whole picture
    uint64_t offset;   // where its record starts
};

constexpr uint64_t VIDEO_SEEK_KEEP_EVERY = 30;
constexpr size_t VIDEO_SEEK_KEPT = 4;
constexpr size_t VIDEO_SEEK_KEPT_BYTES = 64u << 20;

struct VideoSeekKept {
    uint32_t* pixels;   // the picture, rows back to back; null for a slot not made
    uint64_t record;    // VIDEO_CUT_TO_END while the slot is empty
    uint64_t offset;    // where the record after it starts
    uint64_t used;      // when it was last kept or used
};

struct VideoSeek {
    VideoMemorySource memory;  // the video, when it is in memory
    VideoSource source;        // where its records are read from
    VideoWalk walk;        // its surface holds the picture of record `shown`
    uint64_t shown;        // VIDEO_CUT_TO_END before the first picture
    VideoSeekPoint* points;
    size_t pointCount;
    uint64_t records;      // sound records: the numbers 0 to records - 1 can be shown
    VideoWalkStats stats;  // of the whole sound part
    uint64_t stillFirst;   // the range that trims the still ends (VideoFindStillEnds)
    uint64_t stillLast;
    VideoSeekKept kept[VIDEO_SEEK_KEPT];
    uint64_t clock;
};

// Walks the video in data (size bytes; it must stay there until
// VideoSeekEnd) once, reporting progress, and shows record 0. Returns a
// VideoCutStatus: VIDEO_CUT_DONE (a damaged video too, stats.damage says so),
// VIDEO_CUT_NOT_VIDEO, VIDEO_CUT_NO_FRAME_RATE, VIDEO_CUT_NO_FRAMES,
// VIDEO_CUT_NO_MEMORY or VIDEO_CUT_CANCELLED. VideoSeekEnd releases the
// record whatever this returned.
int VideoSeekBegin(VideoSeek* seek, const uint8_t* data, size_t size, VideoCutProgress progress,
                   void* context);
// The same from a source, whose context must stay until VideoSeekEnd.
int VideoSeekBeginSource(VideoSeek* seek, const VideoSource* source, VideoCutProgress progress,
                         void* context);

// Makes walk.surface hold the picture of the record (below `records`).
// 1 when it does; 0 for a record out of range or no memory.
int VideoSeekShow(VideoSeek* seek, uint64_t record);

void VideoSeekEnd(VideoSeek* seek);
