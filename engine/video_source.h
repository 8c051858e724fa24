// Where a video's bytes come from when they are read in pieces: a file of
// any size, read at 64-bit offsets, or a block in memory. The reader copies
// each record out of it into a buffer of its own, so that no more of the
// video than one record is ever held at once.
#pragma once

#include <cstddef>
#include <cstdint>

struct VideoSource {
    // Copies up to size bytes from offset on into buffer and returns how many
    // it copied: fewer only where the source ends or the read fails. Never
    // writes beyond size bytes of buffer.
    size_t (*read)(void* context, uint64_t offset, uint8_t* buffer, size_t size);
    void* context;
    uint64_t size;  // bytes of the video
};

// A video held in memory, as a source. The record must outlive the source.
struct VideoMemorySource {
    const uint8_t* data;
    size_t size;
};

// Makes source read the size bytes at data (none when data is null) through
// memory.
void VideoSourceOfMemory(VideoMemorySource* memory, VideoSource* source, const uint8_t* data,
                         size_t size);

// Reads exactly size bytes at offset into buffer. 1 when they were all read.
int VideoSourceReadAll(const VideoSource* source, uint64_t offset, uint8_t* buffer, size_t size);
