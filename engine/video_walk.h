// A walk through a video's records, applying each to a picture that starts
// black, as playback does, while the video is sound; the exports, zuvtool's
// survey and cuts build on it.
//
// The walk stops, and says where, at a record whose data does not decode to
// a whole picture (the rest of the chain of deltas would be wrong) and at
// bytes at the end that are not a whole record (a recording cut short); it
// also tells of bytes after a record that ends the video. Records of an
// unknown type leave the picture as it is, as the format says.
//
// Memory is sized from the surface that is made, whose sides the engine
// caps, never from the header alone: one picture and one frame's planes, and
// for a video read from a source one record's stored data.
#pragma once

#include <cstddef>
#include <cstdint>

#include "frame_surface.h"
#include "video_format.h"
#include "video_reader.h"

enum VideoDamage {
    VIDEO_SOUND = 0,
    VIDEO_CUT_SHORT,    // the last bytes are not a whole record
    VIDEO_BAD_RECORD,   // a record's data does not decode to a whole picture
    VIDEO_ENDED_EARLY,  // a record with headerSize 0 ends the video, bytes follow it
};

struct VideoWalkStats {
    VideoFileHeader header;
    uint32_t width, height;       // of the pictures decoded (the surface made)
    uint64_t records;             // records walked, all sound
    uint64_t recordsByType[3];    // FRAME_UNCHANGED, FRAME_KEY, FRAME_DELTA
    uint64_t unknownRecords;      // of another type: skipped
    VideoDamage damage;
    uint64_t damageOffset;        // where the bytes start that are not walked
};

enum VideoWalkStart {
    VIDEO_WALK_READY = 0,
    VIDEO_WALK_NOT_VIDEO,   // no magic, or a width or height of 0
    VIDEO_WALK_NO_MEMORY,
};

enum VideoWalkStep {
    VIDEO_STEP_UNCHANGED = 0,  // a sound record that left the picture as it was
    VIDEO_STEP_DECODED,        // a sound record decoded onto the picture
    VIDEO_STEP_END,            // no further sound record: stats.damage says why
    VIDEO_STEP_NO_MEMORY,      // the picture could not be drawn into
    VIDEO_STEP_READ_FAILED,    // the source could not be read (a file gone away)
};

struct VideoWalk {
    VideoReader reader;
    FrameSurface surface;   // the picture after the records walked
    bool surfaceMade;
    uint8_t* planes;        // one frame's planes, unpacked
    size_t planesSize;
    uint8_t* record;        // one record's stored data, read from a source
    size_t recordCapacity;  // the largest stored data the picture allows
    VideoWalkStats stats;
};

// Opens the video in data (size bytes; nothing beyond is ever read) and makes
// its picture, black. Returns a VideoWalkStart; stats.header is filled in any
// case. VideoWalkEnd releases the walk whatever this returned.
int VideoWalkBegin(VideoWalk* walk, const uint8_t* data, size_t size);

// The same over a source, read one record at a time into a buffer of the
// largest record the picture allows (VideoRecordCapacity): memory does not
// grow with the video. The source's context must outlive the walk. A header
// that cannot be read gives VIDEO_WALK_NOT_VIDEO with walk->reader.failure
// set to VIDEO_READ_FAILED.
int VideoWalkBeginSource(VideoWalk* walk, const VideoSource* source);

// Walks one record. The record's number is stats.records - 1 after
// VIDEO_STEP_UNCHANGED or VIDEO_STEP_DECODED. A record whose stored data is
// larger than any the picture allows is damage (VIDEO_BAD_RECORD), read from
// memory or a source alike.
int VideoWalkNext(VideoWalk* walk);

// Bytes of the video walked so far.
uint64_t VideoWalkPosition(const VideoWalk* walk);

void VideoWalkEnd(VideoWalk* walk);

// The words that say what the damage in stats is, for a video of size bytes,
// as the recorder's boxes and zuvtool show them (no capital, no full stop):
// "its last 100 bytes, from byte 2048 on, are not a whole frame, as when a
// recording is cut short". Writes at most capacity bytes, ended by a zero;
// "sound" for a sound video.
void VideoDamageDescribe(const VideoWalkStats* stats, uint64_t size, char* text,
                         size_t capacity);
