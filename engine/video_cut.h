// Cutting a video: the records from a first to a last record number, both
// kept, written as a new video of the same size and frame rate whose pictures
// are exactly those of the range. The part starts with a key frame of the
// first record's picture, encoded as the recorder encodes one; the later
// records are copied as they stand, since each of them applies to the same
// picture as in the video it comes from. Copying saves encoding and packing
// every changed picture again, which is most of the work of a long cut.
//
// Only the sound part of a video is cut (the engine's video walk): a range
// that reaches into damage ends where the damage starts, and the stats say
// what it is. Memory is sized from the surface the walk makes: two pictures,
// one frame's planes and the recorder's work buffer, whatever the header says.
#pragma once

#include <cstddef>
#include <cstdint>

#include "video_reader.h"
#include "video_source.h"
#include "video_walk.h"

enum VideoCutStatus {
    VIDEO_CUT_DONE = 0,      // also a part cut short by damage: stats.damage says so
    VIDEO_CUT_NOT_VIDEO,     // no magic, or a width or height of 0
    VIDEO_CUT_NO_FRAME_RATE, // a stored frame rate of 0: its records have no time
    VIDEO_CUT_NO_FRAMES,     // not one sound record
    VIDEO_CUT_BAD_RANGE,     // first after last, or a record the sound part lacks
    VIDEO_CUT_NO_MEMORY,
    VIDEO_CUT_CANCELLED,     // the progress callback asked to stop
    VIDEO_CUT_WRITE_FAILED,  // the write callback failed
    VIDEO_CUT_READ_FAILED,   // the video could not be read (a file gone away)
};

// The last record of the sound part, as a range's end.
constexpr uint64_t VIDEO_CUT_TO_END = UINT64_MAX;

// Appends length bytes to the new video; 1 on success, 0 on failure.
typedef int (*VideoCutWrite)(void* context, const uint8_t* bytes, size_t length);
// How far the work is (done of total, any unit); returns 0 to cancel.
typedef int (*VideoCutProgress)(void* context, uint64_t done, uint64_t total);

struct VideoCutOptions {
    uint64_t first;          // record numbers, from 0; both are kept
    uint64_t last;           // VIDEO_CUT_TO_END: to the end of the sound part
    VideoCutWrite write;
    void* writeContext;
    VideoCutProgress progress;   // may be null
    void* progressContext;
};

// The one place where the cut and the seek open a video, read from source
// one record at a time: the walk that decodes it, and a reader that, stepped
// with the walk (one VideoReaderNext after each sound record the walk takes),
// hands on each record as stored, in a buffer of the walk's largest record.
// Returns VideoWalkBeginSource's result; VideoCutClose releases both in any
// case.
int VideoCutOpen(VideoWalk* walk, VideoReader* records, const VideoSource* source);
void VideoCutClose(VideoWalk* walk, VideoReader* records);

// The status of a video that VideoCutOpen opened with the result start:
// VIDEO_CUT_DONE when its records can be walked and have a time.
int VideoCutStartStatus(int start, const VideoWalkStats& stats);

// Writes the part of the video in data (size bytes; nothing beyond is read).
// A last record beyond the sound part of a damaged video ends the part at
// the damage (VIDEO_CUT_DONE, stats.damage set); in a sound video it is
// VIDEO_CUT_BAD_RANGE, as is a first record beyond the sound part. stats is
// filled as far as the walk got: stats.records is the number of records
// walked, so the part holds stats.records - first of them. Returns a
// VideoCutStatus; on failure some bytes may have been written already.
int VideoCut(const uint8_t* data, size_t size, const VideoCutOptions* options,
             VideoWalkStats* stats);
// The same from a source, whose context must outlive the call: memory stays
// bounded by the picture whatever the length of the video.
int VideoCutSource(const VideoSource* source, const VideoCutOptions* options,
                   VideoWalkStats* stats);

// Finds the range that keeps at most one second of unchanged picture before
// the first change and after the last one. A change is a record that brings
// picture data after record 0 (the recorder stores one only when the picture
// changed); a second is 1000 / interval records. A video without any change
// keeps its first second. Walks the whole sound part; same statuses as
// VideoCut (VIDEO_CUT_DONE with a damaged video too) and the same stats.
int VideoFindStillEnds(const uint8_t* data, size_t size, VideoCutProgress progress,
                       void* context, uint64_t* first, uint64_t* last, VideoWalkStats* stats);
int VideoFindStillEndsSource(const VideoSource* source, VideoCutProgress progress, void* context,
                             uint64_t* first, uint64_t* last, VideoWalkStats* stats);

// VideoFindStillEnds's range for a video of `records` sound records, from
// what a walk found: whether any record after record 0 brought picture data,
// and the first and the last that did.
void VideoStillEnds(uint64_t records, bool changed, uint64_t firstChange, uint64_t lastChange,
                    uint32_t intervalMs, uint64_t* first, uint64_t* last);

// The record shown at a time in milliseconds: record n is shown from
// n x interval on. 0 for an interval of 0.
uint64_t VideoRecordAtTime(uint64_t ms, uint32_t intervalMs);
