#include "export/export_pipeline.h"

#include <cstdlib>
#include <cstring>

#include "byte_order.h"
#include "codec/frame_codec.h"
#include "codec/run_length.h"
#include "frame_surface.h"
#include "video_reader.h"

namespace {

// The decoding surface, which every record is applied to in turn; the
// picture waiting to be handed on until it is known how long it stays; the
// picture shown before it; and the planes of one record.
struct Walk {
    FrameSurface surface;
    bool surfaceMade;
    uint32_t width, height;
    uint8_t* planes;
    size_t planesSize;
    uint32_t* pending;
    uint32_t* shown;
};

enum RecordOutcome { RECORD_UNCHANGED, RECORD_APPLIED, RECORD_BAD, RECORD_NO_PICTURE };

void EndWalk(Walk* walk) {
    if (walk->surfaceMade) FrameSurfaceDestroy(&walk->surface);
    std::free(walk->planes);
    std::free(walk->pending);
    std::free(walk->shown);
    *walk = Walk{};
}

int StartWalk(Walk* walk, const VideoFileHeader& header, bool keepPrevious) {
    *walk = Walk{};
    if (!FrameSurfaceCreate(header.width, header.height, &walk->surface)) return EXPORT_NO_MEMORY;
    walk->surfaceMade = true;
    walk->width = static_cast<uint32_t>(walk->surface.width);
    walk->height = static_cast<uint32_t>(walk->surface.height);
    walk->planesSize = FrameBufferSize(walk->width, walk->height, 3);
    size_t pictureSize = FrameBufferSize(walk->width, walk->height, 4);
    if (walk->planesSize == 0 || pictureSize == 0) return EXPORT_NO_MEMORY;
    walk->planes = static_cast<uint8_t*>(std::malloc(walk->planesSize));
    walk->pending = static_cast<uint32_t*>(std::calloc(1, pictureSize));
    if (keepPrevious) walk->shown = static_cast<uint32_t*>(std::calloc(1, pictureSize));
    if (!walk->planes || !walk->pending || (keepPrevious && !walk->shown)) return EXPORT_NO_MEMORY;
    if (!FrameSurfaceLock(&walk->surface)) return EXPORT_NO_MEMORY;
    FrameSurfaceFill(&walk->surface, 0, 0, walk->surface.width - 1, walk->surface.height - 1, 0);
    FrameSurfaceUnlock(&walk->surface);
    return EXPORT_DONE;
}

ExportPicture PictureOf(const uint32_t* pixels, const Walk& walk) {
    return ExportPicture{pixels, walk.width, walk.height, walk.width};
}

void CopyRect(uint32_t* to, const ExportPicture& from, const ExportRect& rect) {
    size_t count = static_cast<size_t>(rect.right - rect.left + 1) * 4;
    for (uint32_t y = rect.top; y <= rect.bottom; y++)
        std::memcpy(to + static_cast<size_t>(y) * from.width + rect.left,
                    from.pixels + static_cast<size_t>(y) * from.stride + rect.left, count);
}

// Applies a record the way playback does, but only when it holds a whole
// picture: the recorder writes nothing else, so anything less is damage.
// Records of an unknown type leave the picture as it is, as the format says.
RecordOutcome ApplyRecord(Walk* walk, const VideoRecord& record, ExportWalkStats* stats) {
    FrameRecordHeader header = record.header;
    if (header.frameType == FRAME_UNCHANGED) {
        stats->recordsByType[FRAME_UNCHANGED]++;
        return RECORD_UNCHANGED;
    }
    if (header.frameType != FRAME_KEY && header.frameType != FRAME_DELTA) {
        stats->unknownRecords++;
        return RECORD_UNCHANGED;
    }
    if (header.left != 0 || header.top != 0 || header.right + 1u != walk->width ||
        header.bottom + 1u != walk->height)
        return RECORD_BAD;
    const uint8_t* planes = record.data;
    if (UnpackFrameData(&header, record.data, walk->planes, walk->planesSize))
        planes = walk->planes;
    if (header.dataSize != walk->planesSize) return RECORD_BAD;
    if (!FrameDeltaDecode(&walk->surface, &header, planes, walk->planesSize))
        return RECORD_NO_PICTURE;
    stats->recordsByType[header.frameType]++;
    return RECORD_APPLIED;
}

// Why the reader found no further record at offset `at`: the end of the
// data, a record that ends the video (with or without bytes after it), or
// bytes that are no whole record.
void NoteEnd(const uint8_t* data, size_t size, size_t at, ExportWalkStats* stats) {
    size_t left = size - at;
    if (left == 0) return;
    if (left >= FRAME_RECORD_HEADER_SIZE && LoadLE32(data + at) == 0) {
        if (left == FRAME_RECORD_HEADER_SIZE) return;
        stats->damage = VIDEO_ENDED_EARLY;
    } else {
        stats->damage = VIDEO_CUT_SHORT;
    }
    stats->damageOffset = at;
}

}  // namespace

uint64_t ExportCommonDivisor(uint64_t a, uint64_t b) {
    while (b) {
        uint64_t r = a % b;
        a = b;
        b = r;
    }
    return a;
}

int ExportChangedRect(const ExportPicture* a, const ExportPicture* b, ExportRect* changed) {
    size_t rowBytes = static_cast<size_t>(a->width) * 4;
    auto rowA = [a](uint32_t y) { return a->pixels + static_cast<size_t>(y) * a->stride; };
    auto rowB = [b](uint32_t y) { return b->pixels + static_cast<size_t>(y) * b->stride; };
    uint32_t top = 0;
    while (top < a->height && std::memcmp(rowA(top), rowB(top), rowBytes) == 0) top++;
    if (top == a->height) return 0;
    uint32_t bottom = a->height - 1;
    while (bottom > top && std::memcmp(rowA(bottom), rowB(bottom), rowBytes) == 0) bottom--;
    uint32_t left = a->width, right = 0;
    for (uint32_t y = top; y <= bottom; y++) {
        const uint32_t* pa = rowA(y);
        const uint32_t* pb = rowB(y);
        uint32_t x = 0;
        while (x < left && pa[x] == pb[x]) x++;
        if (x < left) left = x;
        x = a->width - 1;
        while (x > right && pa[x] == pb[x]) x--;
        if (x > right) right = x;
    }
    *changed = ExportRect{left, top, right, bottom};
    return 1;
}

int ExportWalkVideo(const uint8_t* data, size_t size, const ExportWalkOptions* options,
                    ExportWalkStats* stats) {
    *stats = ExportWalkStats{};
    VideoReader reader;
    if (!VideoReaderOpen(&reader, data, size)) return EXPORT_NOT_VIDEO;
    stats->header = reader.header;
    if (reader.header.width == 0 || reader.header.height == 0) return EXPORT_NOT_VIDEO;
    uint32_t first = reader.header.firstRecordOffset ? reader.header.firstRecordOffset
                                                     : reader.header.headerSize;
    if (first > size) {
        stats->damage = VIDEO_CUT_SHORT;
        stats->damageOffset = size;
    }

    Walk walk;
    int status = StartWalk(&walk, reader.header, options->keepPrevious);
    if (status != EXPORT_DONE) {
        EndWalk(&walk);
        return status;
    }
    stats->width = walk.width;
    stats->height = walk.height;
    const ExportRect whole = {0, 0, walk.width - 1, walk.height - 1};

    ExportFrame frame = {};
    frame.intervalMs = VideoFrameInterval(reader.header.frameRate);
    frame.picture = PictureOf(walk.pending, walk);
    frame.previous = PictureOf(walk.shown, walk);
    bool pending = false;
    while (!options->recordLimit || stats->records < options->recordLimit) {
        size_t before = reader.position;
        VideoRecord record;
        if (!VideoReaderNext(&reader, &record)) {
            NoteEnd(data, size, before, stats);
            break;
        }
        RecordOutcome outcome = ApplyRecord(&walk, record, stats);
        if (outcome == RECORD_BAD) {
            stats->damage = VIDEO_BAD_RECORD;
            stats->damageOffset = before;
            break;
        }
        if (outcome == RECORD_NO_PICTURE || !FrameSurfaceLock(&walk.surface)) {
            status = EXPORT_NO_MEMORY;
            break;
        }
        ExportPicture decoded = {walk.surface.pixels, walk.width, walk.height,
                                 static_cast<uint32_t>(walk.surface.stride)};
        ExportRect changed;
        if (!pending) {
            CopyRect(walk.pending, decoded, whole);
            frame.changed = whole;
            frame.firstRecord = 0;
            frame.records = 1;
            pending = true;
        } else if (outcome == RECORD_APPLIED &&
                   ExportChangedRect(&decoded, &frame.picture, &changed)) {
            frame.index = stats->frames++;
            if (!options->frame(options->frameContext, &frame)) status = EXPORT_WRITE_FAILED;
            if (walk.shown) CopyRect(walk.shown, frame.picture, frame.changed);
            CopyRect(walk.pending, decoded, changed);
            frame.changed = changed;
            frame.firstRecord = stats->records;
            frame.records = 1;
        } else {
            frame.records++;
        }
        FrameSurfaceUnlock(&walk.surface);
        stats->records++;
        if (status != EXPORT_DONE) break;
        if (options->progress && !options->progress(options->progressContext, reader.position, size)) {
            status = EXPORT_CANCELLED;
            break;
        }
    }
    if (status == EXPORT_DONE && pending) {
        frame.index = stats->frames++;
        if (!options->frame(options->frameContext, &frame)) status = EXPORT_WRITE_FAILED;
    }
    if (status == EXPORT_DONE && !pending) status = EXPORT_NO_FRAMES;
    EndWalk(&walk);
    return status;
}

namespace {

struct WriterRun {
    const ExportWriter* writer;
    const ExportSink* sink;
    bool begun;
};

int WriteFrame(void* context, const ExportFrame* frame) {
    WriterRun* run = static_cast<WriterRun*>(context);
    if (!run->begun) {
        if (!run->writer->begin(run->writer->state, run->sink, frame->picture.width,
                                frame->picture.height, frame->intervalMs))
            return 0;
        run->begun = true;
    }
    return run->writer->frame(run->writer->state, frame);
}

}  // namespace

int ExportVideo(const uint8_t* data, size_t size, const ExportWriter* writer,
                const ExportSink* sink, ExportProgress progress, void* context,
                ExportWalkStats* stats) {
    VideoReader reader;
    if (VideoReaderOpen(&reader, data, size) && reader.header.width && reader.header.height &&
        VideoFrameInterval(reader.header.frameRate) == 0) {
        *stats = ExportWalkStats{};
        stats->header = reader.header;
        return EXPORT_NO_FRAME_RATE;
    }
    WriterRun run = {writer, sink, false};
    ExportWalkOptions options = {WriteFrame, &run, progress, context, 0, writer->needsPrevious};
    int status = ExportWalkVideo(data, size, &options, stats);
    if (status == EXPORT_DONE && run.begun && !writer->end(writer->state)) status = EXPORT_WRITE_FAILED;
    writer->release(writer->state);
    return status;
}
