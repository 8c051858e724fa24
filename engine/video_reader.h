// Walks the records of a video held in a byte range of known length, by the
// reader rules of the format: short headers read with zeros, the first record
// at firstRecordOffset (or headerSize when that is 0), each record skipped by
// its stored dataSize, a record header with headerSize 0 ending the video.
// A record whose header or data would run past the end also ends the video:
// nothing beyond the range is ever read.
#pragma once

#include <cstddef>
#include <cstdint>

#include "frame_surface.h"
#include "video_format.h"

struct VideoReader {
    const uint8_t* data;
    size_t size;
    size_t position;        // of the next record header
    VideoFileHeader header;
};

struct VideoRecord {
    FrameRecordHeader header;   // as stored, short-header rule applied
    const uint8_t* data;        // header.dataSize bytes, all within the range
};

// Reads the file header. Returns 1 when the data starts with the magic, else 0.
int VideoReaderOpen(VideoReader* reader, const uint8_t* data, size_t size);

// Takes the next record. Returns 1 with the record, or 0 at the end of the video.
int VideoReaderNext(VideoReader* reader, VideoRecord* record);

// Bytes of the buffer a record is unpacked into before it is applied to a
// surface of width x height: the three planes of a frame of that size, with
// the packer's bound as margin; 0 when that does not fit in memory. A record
// larger than the surface unpacks only as far as the buffer holds, and what
// it leaves out could not be shown anyway.
size_t VideoUnpackCapacity(uint32_t width, uint32_t height);

// Applies one record to the surface: unpacks it into the work buffer when it
// is packed, then decodes. Returns FrameDeltaDecode's result.
int VideoRecordApply(const VideoRecord* record, FrameSurface* surface, uint8_t* work,
                     size_t workCapacity);
