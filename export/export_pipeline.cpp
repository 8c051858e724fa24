#include "export/export_pipeline.h"

#include <cstdlib>
#include <cstring>

#include "frame_surface.h"
#include "video_check.h"
#include "video_walk.h"

namespace {

// The pictures the export keeps beside the walk's own: the one waiting to be
// handed on until it is known how long it stays, and the one shown before it.
struct Pictures {
    uint32_t* pending;
    uint32_t* shown;
};

void ReleasePictures(Pictures* pictures) {
    std::free(pictures->pending);
    std::free(pictures->shown);
    *pictures = Pictures{};
}

int MakePictures(Pictures* pictures, uint32_t width, uint32_t height, bool keepPrevious) {
    *pictures = Pictures{};
    size_t pictureSize = FrameBufferSize(width, height, 4);
    if (pictureSize == 0) return 0;
    pictures->pending = static_cast<uint32_t*>(std::calloc(1, pictureSize));
    if (keepPrevious) pictures->shown = static_cast<uint32_t*>(std::calloc(1, pictureSize));
    return pictures->pending && (!keepPrevious || pictures->shown);
}

ExportPicture PictureOf(const uint32_t* pixels, uint32_t width, uint32_t height) {
    return ExportPicture{pixels, width, height, width};
}

void CopyRect(uint32_t* to, const ExportPicture& from, const ExportRect& rect) {
    size_t count = static_cast<size_t>(rect.right - rect.left + 1) * 4;
    for (uint32_t y = rect.top; y <= rect.bottom; y++)
        std::memcpy(to + static_cast<size_t>(y) * from.width + rect.left,
                    from.pixels + static_cast<size_t>(y) * from.stride + rect.left, count);
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
    VideoMemorySource memory;
    VideoSource source;
    VideoSourceOfMemory(&memory, &source, data, size);
    return ExportWalkVideoSource(&source, options, stats);
}

int ExportWalkVideoSource(const VideoSource* source, const ExportWalkOptions* options,
                          ExportWalkStats* stats) {
    VideoWalk walk;
    int started = VideoWalkBeginSource(&walk, source);
    Pictures pictures = {};
    int status = EXPORT_DONE;
    if (walk.reader.failure == VIDEO_READ_FAILED)
        status = EXPORT_READ_FAILED;
    else if (started == VIDEO_WALK_NOT_VIDEO)
        status = EXPORT_NOT_VIDEO;
    else if (started != VIDEO_WALK_READY ||
             !MakePictures(&pictures, walk.stats.width, walk.stats.height, options->keepPrevious))
        status = EXPORT_NO_MEMORY;
    if (status != EXPORT_DONE) {
        *stats = walk.stats;
        ReleasePictures(&pictures);
        VideoWalkEnd(&walk);
        return status;
    }
    const uint32_t width = walk.stats.width, height = walk.stats.height;
    const ExportRect whole = {0, 0, width - 1, height - 1};

    ExportFrame frame = {};
    frame.intervalMs = VideoFrameInterval(walk.stats.header.frameRate);
    frame.picture = PictureOf(pictures.pending, width, height);
    frame.previous = PictureOf(pictures.shown, width, height);
    bool pending = false;
    uint64_t frames = 0;
    while (!options->recordLimit || walk.stats.records < options->recordLimit) {
        int step = VideoWalkNext(&walk);
        if (step == VIDEO_STEP_END) break;
        if (step == VIDEO_STEP_READ_FAILED) {
            status = EXPORT_READ_FAILED;
            break;
        }
        if (step == VIDEO_STEP_NO_MEMORY || !FrameSurfaceLock(&walk.surface)) {
            status = EXPORT_NO_MEMORY;
            break;
        }
        uint64_t record = walk.stats.records - 1;
        ExportPicture decoded = {walk.surface.pixels, width, height,
                                 static_cast<uint32_t>(walk.surface.stride)};
        ExportRect changed;
        if (!pending) {
            CopyRect(pictures.pending, decoded, whole);
            frame.changed = whole;
            frame.firstRecord = 0;
            frame.records = 1;
            pending = true;
        } else if (step == VIDEO_STEP_DECODED &&
                   ExportChangedRect(&decoded, &frame.picture, &changed)) {
            frame.index = frames++;
            if (!options->frame(options->frameContext, &frame)) status = EXPORT_WRITE_FAILED;
            if (pictures.shown) CopyRect(pictures.shown, frame.picture, frame.changed);
            CopyRect(pictures.pending, decoded, changed);
            frame.changed = changed;
            frame.firstRecord = record;
            frame.records = 1;
        } else {
            frame.records++;
        }
        FrameSurfaceUnlock(&walk.surface);
        if (status != EXPORT_DONE) break;
        if (options->progress &&
            !options->progress(options->progressContext, VideoWalkPosition(&walk), source->size)) {
            status = EXPORT_CANCELLED;
            break;
        }
    }
    if (status == EXPORT_DONE && pending) {
        frame.index = frames++;
        if (!options->frame(options->frameContext, &frame)) status = EXPORT_WRITE_FAILED;
    }
    if (status == EXPORT_DONE && !pending) status = EXPORT_NO_FRAMES;
    *stats = walk.stats;
    ReleasePictures(&pictures);
    VideoWalkEnd(&walk);
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
    VideoMemorySource memory;
    VideoSource source;
    VideoSourceOfMemory(&memory, &source, data, size);
    return ExportVideoSource(&source, writer, sink, progress, context, stats);
}

int ExportVideoSource(const VideoSource* source, const ExportWriter* writer,
                      const ExportSink* sink, ExportProgress progress, void* context,
                      ExportWalkStats* stats) {
    // A delay is a whole number of milliseconds: a rate of 0, or above 1000,
    // gives frames that last no time, which no animated image can show.
    uint8_t bytes[VIDEO_HEADER_SIZE];
    size_t got = source->size < sizeof bytes ? static_cast<size_t>(source->size) : sizeof bytes;
    if (!VideoSourceReadAll(source, 0, bytes, got)) got = 0;
    VideoFileHeader header = VideoFileHeaderLoad(got ? bytes : nullptr, got);
    VideoHeaderVerdict verdict = VideoHeaderCheck(&header);
    if (verdict == VIDEO_HEADER_NO_FRAME_RATE ||
        (verdict == VIDEO_HEADER_PLAYABLE && VideoFrameInterval(header.frameRate) == 0)) {
        *stats = ExportWalkStats{};
        stats->header = header;
        return EXPORT_NO_FRAME_RATE;
    }
    WriterRun run = {writer, sink, false};
    ExportWalkOptions options = {WriteFrame, &run, progress, context, 0, writer->needsPrevious};
    int status = ExportWalkVideoSource(source, &options, stats);
    if (status == EXPORT_DONE && run.begun && !writer->end(writer->state)) status = EXPORT_WRITE_FAILED;
    writer->release(writer->state);
    return status;
}
