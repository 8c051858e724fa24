// A video whose records lie far into its file, beyond 4 GiB, yet which costs
// only its own bytes: the header puts the first record 3 GiB in, and that
// record's header puts its data 1.5 GiB further on, after which the other
// records follow as they were. Everything between is zeros, which a file
// system that keeps holes does not store.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "byte_order.h"
#include "video_format.h"
#include "video_source.h"

constexpr uint64_t FAR_FIRST_RECORD = 3ull << 30;
constexpr uint32_t FAR_HEADER_SIZE = 3u << 29;

struct FarPiece {
    uint64_t offset;
    std::vector<uint8_t> bytes;
};

struct FarVideo {
    std::vector<FarPiece> pieces;  // in order; zeros elsewhere
    uint64_t size;
};

// The far layout of a video written the recorder's way (records from byte
// 24 on, each with a 24-byte header), with at least one record.
inline FarVideo FarVideoOf(const std::vector<uint8_t>& video) {
    FarVideo laid;
    std::vector<uint8_t> header(video.begin(), video.begin() + VIDEO_HEADER_SIZE);
    StoreLE32(&header[20], static_cast<uint32_t>(FAR_FIRST_RECORD));
    std::vector<uint8_t> first(video.begin() + VIDEO_HEADER_SIZE,
                               video.begin() + VIDEO_HEADER_SIZE + FRAME_RECORD_HEADER_SIZE);
    StoreLE32(&first[0], FAR_HEADER_SIZE);
    std::vector<uint8_t> rest(video.begin() + VIDEO_HEADER_SIZE + FRAME_RECORD_HEADER_SIZE,
                              video.end());
    laid.pieces = {{0, header}, {FAR_FIRST_RECORD, first},
                  {FAR_FIRST_RECORD + FAR_HEADER_SIZE, rest}};
    laid.size = FAR_FIRST_RECORD + FAR_HEADER_SIZE + rest.size();
    return laid;
}

// A source over a far video held as its pieces, whose reads fail from
// failFrom on (never, by default): the way a file that goes away mid-read
// behaves.
struct FarSource {
    const FarVideo* video;
    uint64_t failFrom;
    uint64_t largestRead;
};

inline size_t ReadFar(void* context, uint64_t offset, uint8_t* buffer, size_t size) {
    FarSource* source = static_cast<FarSource*>(context);
    if (offset >= source->video->size) return 0;
    uint64_t end = offset + size < source->video->size ? offset + size : source->video->size;
    if (end > source->failFrom) end = offset < source->failFrom ? source->failFrom : offset;
    size_t count = static_cast<size_t>(end - offset);
    if (count > source->largestRead) source->largestRead = count;
    std::memset(buffer, 0, count);
    for (const FarPiece& piece : source->video->pieces) {
        uint64_t from = piece.offset > offset ? piece.offset : offset;
        uint64_t to = piece.offset + piece.bytes.size() < end ? piece.offset + piece.bytes.size()
                                                               : end;
        if (from < to)
            std::memcpy(buffer + (from - offset), piece.bytes.data() + (from - piece.offset),
                        static_cast<size_t>(to - from));
    }
    return count;
}

inline VideoSource FarVideoSource(FarSource* source, const FarVideo* video) {
    *source = FarSource{video, UINT64_MAX, 0};
    return VideoSource{ReadFar, source, video->size};
}
