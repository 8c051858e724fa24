#include "video_cut.h"

#include <cstdlib>

#include "video_writer.h"

int VideoCutStartStatus(int start, const VideoWalkStats& stats) {
    if (start == VIDEO_WALK_NOT_VIDEO) return VIDEO_CUT_NOT_VIDEO;
    if (start != VIDEO_WALK_READY) return VIDEO_CUT_NO_MEMORY;
    if (VideoFrameInterval(stats.header.frameRate) == 0) return VIDEO_CUT_NO_FRAME_RATE;
    return VIDEO_CUT_DONE;
}

namespace {

int Report(VideoCutProgress progress, void* context, uint64_t done, uint64_t total) {
    return !progress || progress(context, done, total);
}

struct CutWriter {
    const VideoCutOptions* options;
    FrameSurface black;   // what the key frame is encoded against
    bool blackMade;
    uint8_t* work;
    size_t workSize;
};

int Write(CutWriter* writer, const FrameRecordHeader& header, const uint8_t* data) {
    const VideoCutOptions* o = writer->options;
    uint8_t stored[FRAME_RECORD_HEADER_SIZE];
    FrameRecordHeaderStore(&header, stored);
    return o->write(o->writeContext, stored, sizeof stored) &&
           (header.dataSize == 0 || o->write(o->writeContext, data, header.dataSize));
}

bool PrepareWriter(CutWriter* writer, uint32_t width, uint32_t height) {
    if (!FrameSurfaceCreate(width, height, &writer->black)) return false;
    writer->blackMade = true;
    if (!FrameSurfaceLock(&writer->black)) return false;
    FrameSurfaceFill(&writer->black, 0, 0, writer->black.width - 1, writer->black.height - 1, 0);
    FrameSurfaceUnlock(&writer->black);
    writer->workSize = RecordWorkSize(width, height);
    writer->work = writer->workSize ? static_cast<uint8_t*>(std::malloc(writer->workSize)) : nullptr;
    return writer->work != nullptr;
}

void ReleaseWriter(CutWriter* writer) {
    if (writer->blackMade) FrameSurfaceDestroy(&writer->black);
    std::free(writer->work);
    writer->blackMade = false;
    writer->work = nullptr;
}

// The part's file header and first record: the picture as a key frame, as
// the recorder stores its record 0 (unchanged when the picture is black).
// The memory for encoding it is held only meanwhile.
int WriteStart(CutWriter* writer, VideoWalk* walk) {
    const VideoWalkStats& stats = walk->stats;
    uint8_t stored[VIDEO_HEADER_SIZE];
    VideoFileHeader header = VideoFileHeaderMake(static_cast<uint16_t>(stats.width),
                                                 static_cast<uint16_t>(stats.height),
                                                 stats.header.frameRate);
    VideoFileHeaderStore(&header, stored);
    const VideoCutOptions* o = writer->options;
    if (!o->write(o->writeContext, stored, sizeof stored)) return VIDEO_CUT_WRITE_FAILED;
    FrameRecordHeader key;
    const uint8_t* data = nullptr;
    int status = VIDEO_CUT_NO_MEMORY;
    if (PrepareWriter(writer, stats.width, stats.height) &&
        VideoRecordEncode(&walk->surface, &writer->black, 0, writer->work, writer->workSize,
                          &key, &data))
        status = Write(writer, key, data) ? VIDEO_CUT_DONE : VIDEO_CUT_WRITE_FAILED;
    ReleaseWriter(writer);
    return status;
}

// A later record as it stands, with the header the recorder writes; one of
// an unknown type, which leaves the picture as it was, as an unchanged one.
int WriteCopy(CutWriter* writer, const VideoRecord& record, const VideoWalkStats& stats) {
    FrameRecordHeader header = record.header;
    header.headerSize = FRAME_RECORD_HEADER_SIZE;
    if (header.frameType != FRAME_KEY && header.frameType != FRAME_DELTA)
        header = VideoUnchangedRecordHeader(stats.width, stats.height);
    return Write(writer, header, record.data) ? VIDEO_CUT_DONE : VIDEO_CUT_WRITE_FAILED;
}

int CutWalk(VideoWalk* walk, VideoReader* copier, uint64_t size, const VideoCutOptions* o) {
    CutWriter writer = {};
    writer.options = o;
    int status = VIDEO_CUT_DONE;
    const VideoWalkStats& stats = walk->stats;
    while (status == VIDEO_CUT_DONE && (o->last == VIDEO_CUT_TO_END || stats.records <= o->last)) {
        int step = VideoWalkNext(walk);
        if (step == VIDEO_STEP_END) break;
        if (step == VIDEO_STEP_NO_MEMORY || step == VIDEO_STEP_READ_FAILED) {
            status = step == VIDEO_STEP_NO_MEMORY ? VIDEO_CUT_NO_MEMORY : VIDEO_CUT_READ_FAILED;
            break;
        }
        VideoRecord record;
        if (!VideoReaderNext(copier, &record)) {
            status = VIDEO_CUT_READ_FAILED;
            break;
        }
        uint64_t number = stats.records - 1;
        if (number == o->first)
            status = WriteStart(&writer, walk);
        else if (number > o->first)
            status = WriteCopy(&writer, record, stats);
        bool going = o->last == VIDEO_CUT_TO_END
                         ? Report(o->progress, o->progressContext, VideoWalkPosition(walk), size)
                         : Report(o->progress, o->progressContext, stats.records, o->last + 1);
        if (status == VIDEO_CUT_DONE && !going) status = VIDEO_CUT_CANCELLED;
    }
    if (status != VIDEO_CUT_DONE) return status;
    if (stats.records == 0) return VIDEO_CUT_NO_FRAMES;
    if (stats.records <= o->first) return VIDEO_CUT_BAD_RANGE;
    if (o->last != VIDEO_CUT_TO_END && stats.records <= o->last && stats.damage == VIDEO_SOUND)
        return VIDEO_CUT_BAD_RANGE;
    return VIDEO_CUT_DONE;
}

}  // namespace

int VideoCutOpen(VideoWalk* walk, VideoReader* records, const VideoSource* source) {
    *records = VideoReader{};
    int start = VideoWalkBeginSource(walk, source);
    if (start != VIDEO_WALK_READY) return start;
    uint8_t* buffer = static_cast<uint8_t*>(std::malloc(walk->recordCapacity));
    if (!buffer) return VIDEO_WALK_NO_MEMORY;
    VideoReaderOpenSource(records, source, buffer, walk->recordCapacity);
    return start;
}

void VideoCutClose(VideoWalk* walk, VideoReader* records) {
    std::free(records->buffer);
    records->buffer = nullptr;
    VideoWalkEnd(walk);
}

int VideoCut(const uint8_t* data, size_t size, const VideoCutOptions* options,
             VideoWalkStats* stats) {
    VideoMemorySource memory;
    VideoSource source;
    VideoSourceOfMemory(&memory, &source, data, size);
    return VideoCutSource(&source, options, stats);
}

int VideoCutSource(const VideoSource* source, const VideoCutOptions* options,
                   VideoWalkStats* stats) {
    VideoWalk walk;
    VideoReader copier;
    int status = VideoCutStartStatus(VideoCutOpen(&walk, &copier, source), walk.stats);
    if (status == VIDEO_CUT_DONE && options->first > options->last) status = VIDEO_CUT_BAD_RANGE;
    if (status == VIDEO_CUT_DONE) status = CutWalk(&walk, &copier, source->size, options);
    *stats = walk.stats;
    VideoCutClose(&walk, &copier);
    return status;
}

int VideoFindStillEnds(const uint8_t* data, size_t size, VideoCutProgress progress,
                       void* context, uint64_t* first, uint64_t* last, VideoWalkStats* stats) {
    VideoMemorySource memory;
    VideoSource source;
    VideoSourceOfMemory(&memory, &source, data, size);
    return VideoFindStillEndsSource(&source, progress, context, first, last, stats);
}

int VideoFindStillEndsSource(const VideoSource* source, VideoCutProgress progress, void* context,
                             uint64_t* first, uint64_t* last, VideoWalkStats* stats) {
    VideoWalk walk;
    VideoReader unused;
    int status = VideoCutStartStatus(VideoCutOpen(&walk, &unused, source), walk.stats);
    uint64_t size = source->size;
    bool changed = false;
    uint64_t firstChange = 0, lastChange = 0;
    while (status == VIDEO_CUT_DONE) {
        int step = VideoWalkNext(&walk);
        if (step == VIDEO_STEP_END) break;
        if (step == VIDEO_STEP_NO_MEMORY) status = VIDEO_CUT_NO_MEMORY;
        if (step == VIDEO_STEP_READ_FAILED) status = VIDEO_CUT_READ_FAILED;
        if (status != VIDEO_CUT_DONE) break;
        uint64_t number = walk.stats.records - 1;
        if (step == VIDEO_STEP_DECODED && number > 0) {
            if (!changed) firstChange = number;
            changed = true;
            lastChange = number;
        }
        if (status == VIDEO_CUT_DONE && !Report(progress, context, VideoWalkPosition(&walk), size))
            status = VIDEO_CUT_CANCELLED;
    }
    *stats = walk.stats;
    VideoCutClose(&walk, &unused);
    if (status != VIDEO_CUT_DONE) return status;
    if (stats->records == 0) return VIDEO_CUT_NO_FRAMES;
    VideoStillEnds(stats->records, changed, firstChange, lastChange,
                   VideoFrameInterval(stats->header.frameRate), first, last);
    return VIDEO_CUT_DONE;
}

void VideoStillEnds(uint64_t records, bool changed, uint64_t firstChange, uint64_t lastChange,
                    uint32_t intervalMs, uint64_t* first, uint64_t* last) {
    uint64_t second = intervalMs ? 1000 / intervalMs : 1;
    if (second == 0) second = 1;
    uint64_t end = records ? records - 1 : 0;
    if (!changed) {
        *first = 0;
        *last = second - 1 < end ? second - 1 : end;
    } else {
        *first = firstChange > second ? firstChange - second : 0;
        *last = end - lastChange > second ? lastChange + second : end;
    }
}

uint64_t VideoRecordAtTime(uint64_t ms, uint32_t intervalMs) {
    return intervalMs ? ms / intervalMs : 0;
}
