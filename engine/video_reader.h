// Walks the records of a video held in a byte range of known length, by the
// reader rules of the format: short headers read with zeros, the first record
// at firstRecordOffset (or headerSize when that is 0), each record skipped by
// its stored dataSize, a record header with headerSize 0 ending the video.
// A record whose header or data would run past the end also ends the video:
// nothing beyond the range is ever read.
//
// The video is either a byte range in memory, whose records are handed on in
// place, or a source (video_source.h) read one record at a time into a
// buffer of the caller's: then the memory used is that buffer, whatever the
// length of the video, and positions go beyond 4 GB.
#pragma once

#include <cstddef>
#include <cstdint>

#include "frame_surface.h"
#include "video_format.h"
#include "video_source.h"

// Why a reader of a source stopped before the end of the video.
enum VideoReadFailure {
    VIDEO_READ_OK = 0,
    VIDEO_READ_TOO_LARGE,   // a record's data is larger than the buffer: position stays at it
    VIDEO_READ_FAILED,      // the source gave fewer bytes than it holds (a file gone away)
};

struct VideoReader {
    const uint8_t* data;    // the video in memory, or null when read from source
    uint64_t size;
    uint64_t position;      // of the next record header
    VideoFileHeader header;
    VideoSource source;
    uint8_t* buffer;        // a record's data read from source
    size_t capacity;
    VideoReadFailure failure;
};

struct VideoRecord {
    FrameRecordHeader header;   // as stored, short-header rule applied
    const uint8_t* data;        // header.dataSize bytes, valid until the next
                                // VideoReaderNext on the same reader
};

// Reads the file header. Returns 1 when the data starts with the magic, else 0.
int VideoReaderOpen(VideoReader* reader, const uint8_t* data, size_t size);

// The same over a source, whose records are read into buffer (capacity
// bytes; VideoRecordCapacity of the surface holds every record the picture
// allows). The source record is copied; its context must outlive the reader.
// Returns 0 also when the header cannot be read (failure says so).
int VideoReaderOpenSource(VideoReader* reader, const VideoSource* source, uint8_t* buffer,
                          size_t capacity);

// Takes the next record. Returns 1 with the record, or 0 at the end of the
// video, or when a record of a source could not be read (failure says why).
int VideoReaderNext(VideoReader* reader, VideoRecord* record);

// Copies size bytes at offset of the video, from memory or the source. 1
// when they were all there and read.
int VideoReaderPeek(const VideoReader* reader, uint64_t offset, uint8_t* bytes, size_t size);

// Bytes of the buffer a record is unpacked into before it is applied to a
// surface of width x height: the three planes of a frame of that size, with
// the packer's bound as margin; 0 when that does not fit in memory. A record
// larger than the surface unpacks only as far as the buffer holds, and what
// it leaves out could not be shown anyway.
size_t VideoUnpackCapacity(uint32_t width, uint32_t height);

// Bytes of the largest record data a picture of width x height allows: its
// three planes packed at worst (the same bound). The recorder never writes a
// larger one; a reader of a source stops at one.
size_t VideoRecordCapacity(uint32_t width, uint32_t height);

// Applies one record to the surface: unpacks it into the work buffer when it
// is packed, then decodes. Returns FrameDeltaDecode's result.
int VideoRecordApply(const VideoRecord* record, FrameSurface* surface, uint8_t* work,
                     size_t workCapacity);
