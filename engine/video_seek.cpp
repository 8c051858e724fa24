#include "video_seek.h"

#include <cstdlib>
#include <cstring>

#include "video_check.h"

namespace {

bool AddPoint(VideoSeek* seek, size_t* capacity, uint64_t record, uint64_t offset) {
    if (seek->pointCount == *capacity) {
        size_t grown = *capacity ? *capacity * 2 : 64;
        void* points = std::realloc(seek->points, grown * sizeof(VideoSeekPoint));
        if (!points) return false;
        seek->points = static_cast<VideoSeekPoint*>(points);
        *capacity = grown;
    }
    seek->points[seek->pointCount++] = VideoSeekPoint{record, offset};
    return true;
}

// Sets the walk to take the record at offset as number `record` next. The
// records before it need not be walked again: the survey found them sound,
// and a whole key frame (or, at the first record, the black start) sets
// every picture byte that the walk's decoding ever changes. Where the reader
// stopped before (at the damage, or at a read that failed) is no reason to
// refuse the sound records: a read that fails again says so again.
void WalkFrom(VideoWalk* walk, uint64_t offset, uint64_t record) {
    walk->reader.failure = VIDEO_READ_OK;
    walk->reader.position = offset;
    walk->stats.records = record;
}

// The last key frame at or before the record, or null for none.
const VideoSeekPoint* PointBefore(const VideoSeek* seek, uint64_t record) {
    size_t low = 0, high = seek->pointCount;
    while (low < high) {
        size_t middle = low + (high - low) / 2;
        if (seek->points[middle].record <= record)
            low = middle + 1;
        else
            high = middle;
    }
    return low ? &seek->points[low - 1] : nullptr;
}

size_t PictureBytes(const FrameSurface& surface) {
    return static_cast<size_t>(surface.width) * static_cast<size_t>(surface.height) * 4;
}

void MakeKeptSlots(VideoSeek* seek) {
    size_t bytes = PictureBytes(seek->walk.surface);
    for (size_t i = 0; i < VIDEO_SEEK_KEPT; i++) {
        seek->kept[i].record = VIDEO_CUT_TO_END;
        if (bytes == 0 || (i + 1) * bytes > VIDEO_SEEK_KEPT_BYTES) continue;
        seek->kept[i].pixels = static_cast<uint32_t*>(std::malloc(bytes));
    }
}

// Copies the picture between the walk's surface and a kept one, row by row.
bool CopyPicture(FrameSurface* surface, uint32_t* kept, bool keep) {
    uint32_t* pixels = FrameSurfaceLock(surface);
    if (!pixels) return false;
    size_t row = static_cast<size_t>(surface->width) * 4;
    for (int32_t y = 0; y < surface->height; y++) {
        uint32_t* line = pixels + static_cast<size_t>(y) * surface->stride;
        uint32_t* copy = kept + static_cast<size_t>(y) * surface->width;
        if (keep)
            std::memcpy(copy, line, row);
        else
            std::memcpy(line, copy, row);
    }
    FrameSurfaceUnlock(surface);
    return true;
}

// Keeps the walk's picture, the one of record number `record`, in the slot
// used least recently.
void Keep(VideoSeek* seek, uint64_t record) {
    VideoSeekKept* slot = nullptr;
    for (VideoSeekKept& kept : seek->kept) {
        if (!kept.pixels) continue;
        if (kept.record == record) return;
        if (!slot || kept.record == VIDEO_CUT_TO_END ||
            (slot->record != VIDEO_CUT_TO_END && kept.used < slot->used))
            slot = &kept;
    }
    if (!slot || !CopyPicture(&seek->walk.surface, slot->pixels, true)) return;
    slot->record = record;
    slot->offset = VideoWalkPosition(&seek->walk);
    slot->used = ++seek->clock;
}

// The kept picture nearest before or at the record, or null.
VideoSeekKept* KeptBefore(VideoSeek* seek, uint64_t record) {
    VideoSeekKept* best = nullptr;
    for (VideoSeekKept& kept : seek->kept) {
        if (kept.pixels && kept.record <= record && (!best || kept.record > best->record))
            best = &kept;
    }
    return best;
}

}  // namespace

namespace {

// The survey of a seek whose source is set: notes the key frames and the
// still ends, and shows record 0.
int Begin(VideoSeek* seek, VideoCutProgress progress, void* context) {
    seek->shown = VIDEO_CUT_TO_END;
    for (VideoSeekKept& kept : seek->kept) kept.record = VIDEO_CUT_TO_END;
    VideoReader records;
    int status = VideoCutStartStatus(VideoCutOpen(&seek->walk, &records, &seek->source),
                                     seek->walk.stats);
    uint64_t size = seek->source.size;
    size_t capacity = 0;
    bool changed = false;
    uint64_t firstChange = 0, lastChange = 0;
    while (status == VIDEO_CUT_DONE) {
        int step = VideoWalkNext(&seek->walk);
        if (step == VIDEO_STEP_END) break;
        if (step == VIDEO_STEP_NO_MEMORY || step == VIDEO_STEP_READ_FAILED) {
            status = step == VIDEO_STEP_NO_MEMORY ? VIDEO_CUT_NO_MEMORY : VIDEO_CUT_READ_FAILED;
            break;
        }
        uint64_t offset = records.position;
        uint64_t number = seek->walk.stats.records - 1;
        VideoRecord record;
        if (!VideoReaderNext(&records, &record)) {
            status = VIDEO_CUT_READ_FAILED;
            break;
        }
        if (step == VIDEO_STEP_DECODED && number > 0) {
            if (!changed) firstChange = number;
            changed = true;
            lastChange = number;
        }
        if (step == VIDEO_STEP_DECODED && record.header.frameType == FRAME_KEY &&
            !AddPoint(seek, &capacity, number, offset))
            status = VIDEO_CUT_NO_MEMORY;
        if (progress && !progress(context, VideoWalkPosition(&seek->walk), size))
            status = VIDEO_CUT_CANCELLED;
    }
    std::free(records.buffer);
    seek->stats = seek->walk.stats;
    seek->records = seek->stats.records;
    VideoStillEnds(seek->records, changed, firstChange, lastChange,
                   VideoFrameInterval(seek->stats.header.frameRate), &seek->stillFirst,
                   &seek->stillLast);
    if (status == VIDEO_CUT_DONE && seek->records == 0) status = VIDEO_CUT_NO_FRAMES;
    if (status == VIDEO_CUT_DONE) MakeKeptSlots(seek);
    if (status == VIDEO_CUT_DONE && !VideoSeekShow(seek, 0)) status = VIDEO_CUT_NO_MEMORY;
    return status;
}

}  // namespace

int VideoSeekBegin(VideoSeek* seek, const uint8_t* data, size_t size, VideoCutProgress progress,
                   void* context) {
    *seek = VideoSeek{};
    VideoSourceOfMemory(&seek->memory, &seek->source, data, size);
    return Begin(seek, progress, context);
}

int VideoSeekBeginSource(VideoSeek* seek, const VideoSource* source, VideoCutProgress progress,
                         void* context) {
    *seek = VideoSeek{};
    seek->source = *source;
    return Begin(seek, progress, context);
}

int VideoSeekShow(VideoSeek* seek, uint64_t record) {
    if (record >= seek->records) return 0;
    if (record == seek->shown) return 1;
    VideoWalk* walk = &seek->walk;
    const VideoSeekPoint* point = PointBefore(seek, record);
    VideoSeekKept* kept = KeptBefore(seek, record);
    // Start from whichever picture is nearest before the record: the one
    // shown, a kept one, or the key frame's.
    uint64_t from = point ? point->record : 0;
    bool fromShown = seek->shown != VIDEO_CUT_TO_END && seek->shown < record && seek->shown >= from;
    if (fromShown) from = seek->shown;
    if (kept && kept->record >= from && (!fromShown || kept->record > from)) {
        if (!CopyPicture(&walk->surface, kept->pixels, false)) return 0;
        kept->used = ++seek->clock;
        WalkFrom(walk, kept->offset, kept->record + 1);
    } else if (!fromShown) {
        if (point) {
            WalkFrom(walk, point->offset, point->record);
        } else {
            if (!FrameSurfaceLock(&walk->surface)) return 0;
            FrameSurfaceFill(&walk->surface, 0, 0, walk->surface.width - 1,
                             walk->surface.height - 1, 0);
            FrameSurfaceUnlock(&walk->surface);
            WalkFrom(walk, VideoFirstRecordOffset(&seek->stats.header), 0);
        }
    }
    seek->shown = VIDEO_CUT_TO_END;
    while (walk->stats.records <= record) {
        int step = VideoWalkNext(walk);
        if (step != VIDEO_STEP_DECODED && step != VIDEO_STEP_UNCHANGED) return 0;
        uint64_t number = walk->stats.records - 1;
        if (number % VIDEO_SEEK_KEEP_EVERY == 0 && number > 0) Keep(seek, number);
    }
    seek->shown = record;
    return 1;
}

void VideoSeekEnd(VideoSeek* seek) {
    VideoWalkEnd(&seek->walk);
    for (VideoSeekKept& kept : seek->kept) {
        std::free(kept.pixels);
        kept.pixels = nullptr;
    }
    std::free(seek->points);
    seek->points = nullptr;
    seek->pointCount = 0;
}
