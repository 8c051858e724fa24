#include "video_walk.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>

#include "byte_order.h"
#include "codec/frame_codec.h"
#include "codec/run_length.h"
#include "video_check.h"

namespace {

// Why the reader found no further record at offset `at`: the end of the
// data, a record that ends the video (with or without bytes after it), or
// bytes that are no whole record.
void NoteEnd(const VideoReader& reader, uint64_t at, VideoWalkStats* stats) {
    uint64_t left = reader.size - at;
    if (left == 0) return;
    uint8_t size[4];
    if (left >= FRAME_RECORD_HEADER_SIZE && VideoReaderPeek(&reader, at, size, sizeof size) &&
        LoadLE32(size) == 0) {
        if (left == FRAME_RECORD_HEADER_SIZE) return;
        stats->damage = VIDEO_ENDED_EARLY;
    } else {
        stats->damage = VIDEO_CUT_SHORT;
    }
    stats->damageOffset = at;
}

// The picture, black, and the planes, once the reader is open.
int MakePicture(VideoWalk* walk) {
    VideoWalkStats* stats = &walk->stats;
    stats->header = walk->reader.header;
    if (walk->reader.failure == VIDEO_READ_FAILED) return VIDEO_WALK_NOT_VIDEO;
    VideoHeaderVerdict verdict = VideoHeaderCheck(&stats->header);
    if (verdict == VIDEO_HEADER_NOT_VIDEO || verdict == VIDEO_HEADER_NO_SIZE)
        return VIDEO_WALK_NOT_VIDEO;
    if (VideoFirstRecordOffset(&stats->header) > walk->reader.size) {
        stats->damage = VIDEO_CUT_SHORT;
        stats->damageOffset = walk->reader.size;
    }
    if (!FrameSurfaceCreate(stats->header.width, stats->header.height, &walk->surface))
        return VIDEO_WALK_NO_MEMORY;
    walk->surfaceMade = true;
    stats->width = static_cast<uint32_t>(walk->surface.width);
    stats->height = static_cast<uint32_t>(walk->surface.height);
    walk->planesSize = FrameBufferSize(stats->width, stats->height, 3);
    walk->recordCapacity = VideoRecordCapacity(stats->width, stats->height);
    if (walk->planesSize == 0 || walk->recordCapacity == 0) return VIDEO_WALK_NO_MEMORY;
    walk->planes = static_cast<uint8_t*>(std::malloc(walk->planesSize));
    if (!walk->planes || !FrameSurfaceLock(&walk->surface)) return VIDEO_WALK_NO_MEMORY;
    FrameSurfaceFill(&walk->surface, 0, 0, walk->surface.width - 1, walk->surface.height - 1, 0);
    FrameSurfaceUnlock(&walk->surface);
    return VIDEO_WALK_READY;
}

}  // namespace

int VideoWalkBegin(VideoWalk* walk, const uint8_t* data, size_t size) {
    *walk = VideoWalk{};
    VideoReaderOpen(&walk->reader, data, size);
    return MakePicture(walk);
}

// The header is read first with no buffer; once the picture's size is known,
// the reader is opened again with the buffer of its largest record.
int VideoWalkBeginSource(VideoWalk* walk, const VideoSource* source) {
    *walk = VideoWalk{};
    VideoReaderOpenSource(&walk->reader, source, nullptr, 0);
    int started = MakePicture(walk);
    if (started != VIDEO_WALK_READY) return started;
    walk->record = static_cast<uint8_t*>(std::malloc(walk->recordCapacity));
    if (!walk->record) return VIDEO_WALK_NO_MEMORY;
    VideoReaderOpenSource(&walk->reader, source, walk->record, walk->recordCapacity);
    if (walk->reader.failure == VIDEO_READ_FAILED) return VIDEO_WALK_NOT_VIDEO;
    return VIDEO_WALK_READY;
}

// A record is applied the way playback does, but only when it holds a whole
// picture: the recorder writes nothing else, so anything less is damage.
int VideoWalkNext(VideoWalk* walk) {
    VideoWalkStats* stats = &walk->stats;
    if (stats->damage != VIDEO_SOUND && stats->damageOffset <= walk->reader.position)
        return VIDEO_STEP_END;
    uint64_t before = walk->reader.position;
    VideoRecord record;
    bool read = VideoReaderNext(&walk->reader, &record) != 0;
    if (walk->reader.failure == VIDEO_READ_FAILED) return VIDEO_STEP_READ_FAILED;
    bool tooLarge = walk->reader.failure == VIDEO_READ_TOO_LARGE ||
                    (read && record.header.dataSize > walk->recordCapacity);
    if (tooLarge) {
        stats->damage = VIDEO_BAD_RECORD;
        stats->damageOffset = before;
        walk->reader.position = before;
        return VIDEO_STEP_END;
    }
    if (!read) {
        NoteEnd(walk->reader, before, stats);
        return VIDEO_STEP_END;
    }
    FrameRecordHeader header = record.header;
    if (header.frameType == FRAME_UNCHANGED || (header.frameType != FRAME_KEY &&
                                                header.frameType != FRAME_DELTA)) {
        if (header.frameType == FRAME_UNCHANGED)
            stats->recordsByType[FRAME_UNCHANGED]++;
        else
            stats->unknownRecords++;
        stats->records++;
        return VIDEO_STEP_UNCHANGED;
    }
    bool whole = header.left == 0 && header.top == 0 && header.right + 1u == stats->width &&
                 header.bottom + 1u == stats->height;
    const uint8_t* planes = record.data;
    if (whole && UnpackFrameData(&header, record.data, walk->planes, walk->planesSize))
        planes = walk->planes;
    if (!whole || header.dataSize != walk->planesSize) {
        stats->damage = VIDEO_BAD_RECORD;
        stats->damageOffset = before;
        walk->reader.position = before;
        return VIDEO_STEP_END;
    }
    if (!FrameDeltaDecode(&walk->surface, &header, planes, walk->planesSize))
        return VIDEO_STEP_NO_MEMORY;
    stats->recordsByType[header.frameType]++;
    stats->records++;
    return VIDEO_STEP_DECODED;
}

uint64_t VideoWalkPosition(const VideoWalk* walk) {
    return walk->reader.position;
}

void VideoWalkEnd(VideoWalk* walk) {
    if (walk->surfaceMade) FrameSurfaceDestroy(&walk->surface);
    std::free(walk->planes);
    std::free(walk->record);
    walk->surfaceMade = false;
    walk->planes = nullptr;
    walk->record = nullptr;
}

void VideoDamageDescribe(const VideoWalkStats* stats, uint64_t size, char* text,
                         size_t capacity) {
    if (capacity == 0) return;
    uint64_t at = stats->damageOffset;
    uint64_t after = size > at ? size - at : 0;
    switch (stats->damage) {
    case VIDEO_CUT_SHORT:
        std::snprintf(text, capacity,
                      "its last %" PRIu64 " bytes, from byte %" PRIu64
                      " on, are not a whole frame, as when a recording is cut short",
                      after, at);
        return;
    case VIDEO_BAD_RECORD:
        std::snprintf(text, capacity,
                      "frame %" PRIu64 ", at byte %" PRIu64 ", does not decode to a whole picture",
                      stats->records, at);
        return;
    case VIDEO_ENDED_EARLY:
        std::snprintf(text, capacity,
                      "an empty frame header at byte %" PRIu64 " ends it; the %" PRIu64
                      " bytes after it are not read",
                      at, after > FRAME_RECORD_HEADER_SIZE ? after - FRAME_RECORD_HEADER_SIZE : 0);
        return;
    case VIDEO_SOUND:
        break;
    }
    std::snprintf(text, capacity, "sound");
}
