// A video file as a source for the reader: read with ReadFile at 64-bit
// offsets, one record at a time, so that a file of any length can be played
// and exported by a 32-bit process. A file whose disk or network share goes
// away makes a read fail, which the reader reports; nothing is mapped, so
// no read of the video can fault.
#pragma once

#include "video_source.h"

struct VideoFileSource {
    void* file;  // HANDLE, null when closed
};

// Opens path for reading, others may read it too, with the sequential-scan
// hint, and makes source read it (source->size its length at the opening).
// 1 when opened; 0 leaves nothing open.
int VideoFileSourceOpen(VideoFileSource* file, VideoSource* source, const char* path);

void VideoFileSourceClose(VideoFileSource* file);
