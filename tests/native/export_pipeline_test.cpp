#include <gtest/gtest.h>

#include <vector>

#include "byte_order.h"
#include "export/export_pipeline.h"
#include "far_video.h"
#include "test_pictures.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Seen {
    std::vector<uint32_t> picture, previous;
    ExportRect changed;
    uint64_t index, firstRecord, records;
};

struct Collector {
    std::vector<Seen> frames;
    int failAt = -1;
    int cancelAfter = -1;
    int progressCalls = 0;
};

std::vector<uint32_t> Pixels(const ExportPicture& p) {
    std::vector<uint32_t> out;
    for (uint32_t y = 0; y < p.height; y++)
        out.insert(out.end(), p.pixels + y * p.stride, p.pixels + y * p.stride + p.width);
    return out;
}

std::vector<uint32_t> Corners(const ExportRect& r) {
    return {r.left, r.top, r.right, r.bottom};
}

int Collect(void* context, const ExportFrame* frame) {
    Collector* c = static_cast<Collector*>(context);
    if (static_cast<int>(c->frames.size()) == c->failAt) return 0;
    c->frames.push_back({Pixels(frame->picture), Pixels(frame->previous), frame->changed,
                         frame->index, frame->firstRecord, frame->records});
    return 1;
}

int Progress(void* context, uint64_t done, uint64_t total) {
    Collector* c = static_cast<Collector*>(context);
    EXPECT_LE(done, total);
    return ++c->progressCalls != c->cancelAfter;
}

int Walk(const Bytes& video, Collector* c, ExportWalkStats* stats, uint64_t limit = 0) {
    ExportWalkOptions options = {Collect, c, Progress, c, limit, true};
    return ExportWalkVideo(video.data(), video.size(), &options, stats);
}

// A 24 x 16 recording at 10 fps, as the recorder makes one: an F, records
// that change nothing (one stored as a delta that only touches the fourth
// byte), the F moved, a pixel lit far from it.
struct Recording {
    Bytes video = VideoHeaderBytes(24, 16, 10);
    std::vector<std::vector<uint32_t>> pictures;  // after each record
    std::vector<size_t> offsets;                  // of each record
};

Recording MakeRecording() {
    Recording r;
    FrameSurface current, previous;
    FrameSurfaceCreate(24, 16, &current);
    FrameSurfaceCreate(24, 16, &previous);
    FrameSurfaceLock(&previous);
    FrameSurfaceFill(&previous, 0, 0, 23, 15, 0);
    std::vector<uint8_t> work(14 * 24 * 16);
    auto add = [&](uint32_t index) {
        r.offsets.push_back(r.video.size());
        EXPECT_TRUE(AppendRecord(&r.video, &current, &previous, index, &work));
        FrameSurfaceLock(&current);
        std::vector<uint32_t> picture = PictureOf(&current);
        for (uint32_t& p : picture) p &= 0xFFFFFF;  // the fourth byte is never stored
        r.pictures.push_back(picture);
    };
    FrameSurfaceLock(&current);
    DrawLetterF(&current, 2, 2, 2);
    add(0);
    add(1);
    add(2);
    FrameSurfaceLock(&current);
    current.pixels[5] |= 0x01000000;
    add(3);
    DrawLetterF(&current, 6, 3, 2);
    add(4);
    current.pixels[15 * 24 + 22] = Bgrx(255, 255, 255);
    add(5);
    add(6);
    FrameSurfaceDestroy(&current);
    FrameSurfaceDestroy(&previous);
    return r;
}

TEST(ExportPipeline, HandsOnEachPictureOnceWithItsDurationAndChangedRectangle) {
    Recording r = MakeRecording();
    Collector c;
    ExportWalkStats stats;
    ASSERT_EQ(Walk(r.video, &c, &stats), EXPORT_DONE);
    EXPECT_EQ(stats.records, 7u);
    EXPECT_EQ(stats.recordsByType[FRAME_KEY], 1u);
    EXPECT_EQ(stats.recordsByType[FRAME_DELTA], 3u);
    EXPECT_EQ(stats.recordsByType[FRAME_UNCHANGED], 3u);
    EXPECT_EQ(stats.damage, VIDEO_SOUND);
    EXPECT_EQ(c.progressCalls, 7);
    ASSERT_EQ(c.frames.size(), 3u);

    // Records 0 to 3 show the same picture: the delta of record 3 touched
    // only a byte that is never stored.
    const Seen& first = c.frames[0];
    EXPECT_EQ(first.picture, r.pictures[0]);
    EXPECT_EQ(first.previous, std::vector<uint32_t>(24 * 16, 0));
    EXPECT_EQ(Corners(first.changed), (std::vector<uint32_t>{0, 0, 23, 15}));
    EXPECT_EQ(first.firstRecord, 0u);
    EXPECT_EQ(first.records, 4u);

    // The F moved from (2, 2) to (6, 3): the union of where it was and is.
    const Seen& moved = c.frames[1];
    EXPECT_EQ(moved.picture, r.pictures[4]);
    EXPECT_EQ(moved.previous, r.pictures[0]);
    EXPECT_EQ(Corners(moved.changed), (std::vector<uint32_t>{2, 2, 11, 12}));
    EXPECT_EQ(moved.firstRecord, 4u);
    EXPECT_EQ(moved.records, 1u);

    const Seen& lit = c.frames[2];
    EXPECT_EQ(lit.picture, r.pictures[5]);
    EXPECT_EQ(lit.previous, r.pictures[4]);
    EXPECT_EQ(Corners(lit.changed), (std::vector<uint32_t>{22, 15, 22, 15}));
    EXPECT_EQ(lit.index, 2u);
    EXPECT_EQ(lit.records, 2u);

    // A walk of the first 5 records ends with the picture of record 4.
    Collector limited;
    ASSERT_EQ(Walk(r.video, &limited, &stats, 5), EXPORT_DONE);
    ASSERT_EQ(limited.frames.size(), 2u);
    EXPECT_EQ(limited.frames[1].records, 1u);

    // A writer that fails, and a cancel, end the walk with their status.
    Collector failing;
    failing.failAt = 1;
    EXPECT_EQ(Walk(r.video, &failing, &stats), EXPORT_WRITE_FAILED);
    Collector cancelled;
    cancelled.cancelAfter = 2;
    EXPECT_EQ(Walk(r.video, &cancelled, &stats), EXPORT_CANCELLED);
    EXPECT_TRUE(cancelled.frames.empty());
}

TEST(ExportPipeline, StopsAtDamageAndHandsOnWhatIsSound) {
    Recording r = MakeRecording();
    ExportWalkStats stats;

    // Cut in the data of record 5: records 0 to 4 are sound.
    Bytes cut(r.video.begin(), r.video.begin() + static_cast<long>(r.offsets[5]) + 26);
    Collector c;
    ASSERT_EQ(Walk(cut, &c, &stats), EXPORT_DONE);
    EXPECT_EQ(stats.damage, VIDEO_CUT_SHORT);
    EXPECT_EQ(stats.damageOffset, r.offsets[5]);
    EXPECT_EQ(stats.records, 5u);
    ASSERT_EQ(c.frames.size(), 2u);
    EXPECT_EQ(c.frames[1].picture, r.pictures[4]);

    // A packed record whose stream gives less than a whole picture would
    // garble every delta after it: the walk ends before it.
    Bytes short_data = r.video;
    short_data[r.offsets[4] + 24] = 0;  // the stream's first token: the end marker
    Collector s;
    ASSERT_EQ(Walk(short_data, &s, &stats), EXPORT_DONE);
    EXPECT_EQ(stats.damage, VIDEO_BAD_RECORD);
    EXPECT_EQ(stats.damageOffset, r.offsets[4]);
    ASSERT_EQ(s.frames.size(), 1u);
    EXPECT_EQ(s.frames[0].records, 4u);

    // A record of size 0 ends the video: sound at the very end, damage when
    // bytes follow it.
    Bytes ended = r.video;
    ended.insert(ended.end(), 24, 0);
    Collector e;
    ASSERT_EQ(Walk(ended, &e, &stats), EXPORT_DONE);
    EXPECT_EQ(stats.damage, VIDEO_SOUND);
    ended.insert(ended.end(), 100, 7);
    ASSERT_EQ(Walk(ended, &e, &stats), EXPORT_DONE);
    EXPECT_EQ(stats.damage, VIDEO_ENDED_EARLY);
    EXPECT_EQ(stats.damageOffset, r.video.size());

    // Damage before the first record leaves nothing to hand on.
    Bytes headerOnly(r.video.begin(), r.video.begin() + 30);
    EXPECT_EQ(Walk(headerOnly, &e, &stats), EXPORT_NO_FRAMES);
    EXPECT_EQ(stats.damage, VIDEO_CUT_SHORT);
}

TEST(ExportPipeline, RefusesWhatCannotBeShownAndSizesFromTheSurface) {
    ExportWalkStats stats;
    Collector c;
    Bytes notVideo(2000, 0);
    EXPECT_EQ(Walk(notVideo, &c, &stats), EXPORT_NOT_VIDEO);
    EXPECT_EQ(Walk(VideoHeaderBytes(0, 16, 10), &c, &stats), EXPORT_NOT_VIDEO);

    // A header claiming 65535 columns: the pictures are as wide as the
    // widest surface, and a record claiming the header's width is damage.
    Bytes wide = VideoHeaderBytes(65535, 2, 10);
    FrameRecordHeader record = {24, 0, FRAME_UNCHANGED, 0, 0, 65534, 0, 1};
    Bytes stored(24);
    FrameRecordHeaderStore(&record, stored.data());
    wide.insert(wide.end(), stored.begin(), stored.end());
    record.frameType = FRAME_KEY;
    record.dataSize = 10;
    FrameRecordHeaderStore(&record, stored.data());
    wide.insert(wide.end(), stored.begin(), stored.end());
    wide.insert(wide.end(), 10, 0);
    ASSERT_EQ(Walk(wide, &c, &stats), EXPORT_DONE);
    EXPECT_EQ(stats.width, FRAME_SURFACE_MAX_SIDE);
    EXPECT_EQ(stats.height, 2u);
    EXPECT_EQ(stats.damage, VIDEO_BAD_RECORD);
    ASSERT_EQ(c.frames.size(), 1u);
    EXPECT_EQ(c.frames[0].picture.size(), FRAME_SURFACE_MAX_SIDE * 2u);

    // Every writer is refused a video without a frame rate before it writes.
    Bytes still = VideoHeaderBytes(4, 4, 0);
    ExportWriter writer = {};
    EXPECT_EQ(ExportVideo(still.data(), still.size(), &writer, nullptr, nullptr, nullptr, &stats),
              EXPORT_NO_FRAME_RATE);
}

// A recording whose records lie beyond 4 GiB of its source is read one
// record at a time, never more than the largest record its picture allows,
// and walks exactly like the same records in memory; its damage is placed
// where it lies, and a source that can no longer be read is not mistaken
// for the video's end.
TEST(ExportPipeline, AVideoFarIntoItsSourceWalksInBoundedPiecesLikeItsBytesInMemory) {
    Recording r = MakeRecording();
    Collector near;
    ExportWalkStats nearStats;
    ASSERT_EQ(Walk(r.video, &near, &nearStats), EXPORT_DONE);

    FarVideo laid = FarVideoOf(r.video);
    FarSource farSource;
    VideoSource source = FarVideoSource(&farSource, &laid);
    auto walkFar = [&](Collector* c, ExportWalkStats* stats) {
        ExportWalkOptions options = {Collect, c, Progress, c, 0, true};
        return ExportWalkVideoSource(&source, &options, stats);
    };
    auto expectSameFrames = [](const Collector& a, const Collector& b, size_t count) {
        ASSERT_EQ(a.frames.size(), count);
        ASSERT_GE(b.frames.size(), count);
        for (size_t i = 0; i < count; i++) {
            EXPECT_EQ(a.frames[i].picture, b.frames[i].picture) << "frame " << i;
            EXPECT_EQ(a.frames[i].previous, b.frames[i].previous) << "frame " << i;
            EXPECT_EQ(Corners(a.frames[i].changed), Corners(b.frames[i].changed)) << "frame " << i;
            EXPECT_EQ(a.frames[i].firstRecord, b.frames[i].firstRecord) << "frame " << i;
            EXPECT_EQ(a.frames[i].records, b.frames[i].records) << "frame " << i;
        }
    };
    Collector c;
    ExportWalkStats stats;
    ASSERT_EQ(walkFar(&c, &stats), EXPORT_DONE);
    EXPECT_EQ(stats.records, 7u);
    EXPECT_EQ(stats.damage, VIDEO_SOUND);
    expectSameFrames(c, near, near.frames.size());
    EXPECT_EQ(c.progressCalls, 7);
    EXPECT_LE(farSource.largestRead, VideoRecordCapacity(24, 16));
    EXPECT_GT(laid.size, 4ull << 30);

    // Where record n lies in the far layout.
    auto farOffset = [&](size_t record) {
        return FAR_FIRST_RECORD + FAR_HEADER_SIZE + (r.offsets[record] - VIDEO_HEADER_SIZE - 24);
    };
    // Cut in the data of record 5.
    laid.size = farOffset(5) + 26;
    source.size = laid.size;
    Collector cut;
    ASSERT_EQ(walkFar(&cut, &stats), EXPORT_DONE);
    EXPECT_EQ(stats.damage, VIDEO_CUT_SHORT);
    EXPECT_EQ(stats.damageOffset, farOffset(5));
    EXPECT_EQ(stats.records, 5u);
    expectSameFrames(cut, near, 2);
    char words[160];
    VideoDamageDescribe(&stats, laid.size, words, sizeof words);
    EXPECT_EQ(std::string(words), "its last 26 bytes, from byte " + std::to_string(farOffset(5)) +
                                      " on, are not a whole frame, as when a recording is cut "
                                      "short");

    // Reads fail from inside record 4's data on: what came before is handed
    // on, and the walk says that the source failed, not that the video ended.
    laid.size = FarVideoOf(r.video).size;
    source.size = laid.size;
    farSource.failFrom = farOffset(4) + 30;
    Collector failed;
    EXPECT_EQ(walkFar(&failed, &stats), EXPORT_READ_FAILED);
    EXPECT_EQ(stats.records, 4u);
    EXPECT_TRUE(failed.frames.empty());  // the first picture lasts until record 4
    farSource.failFrom = 10;
    EXPECT_EQ(walkFar(&failed, &stats), EXPORT_READ_FAILED);

    // A record larger than any its picture allows is damage, from memory and
    // from a source alike, even when its stream would unpack: a packed key
    // frame with bytes after its end marker.
    Bytes padded(r.video.begin(), r.video.begin() + static_cast<long>(r.offsets[1]));
    FrameRecordHeader first = FrameRecordHeaderLoad(&padded[r.offsets[0]], 24);
    ASSERT_EQ(first.packed, 1u);
    size_t larger = VideoRecordCapacity(24, 16) + 1;
    padded.resize(r.offsets[0] + 24 + larger, 0);
    StoreLE32(&padded[r.offsets[0] + 4], static_cast<uint32_t>(larger));
    padded.insert(padded.end(), r.video.begin() + static_cast<long>(r.offsets[1]), r.video.end());
    Collector fromMemory;
    EXPECT_EQ(Walk(padded, &fromMemory, &stats), EXPORT_NO_FRAMES);
    EXPECT_EQ(stats.damage, VIDEO_BAD_RECORD);
    EXPECT_EQ(stats.damageOffset, r.offsets[0]);
    FarVideo farPadded = FarVideoOf(padded);
    source = FarVideoSource(&farSource, &farPadded);
    Collector fromSource;
    EXPECT_EQ(walkFar(&fromSource, &stats), EXPORT_NO_FRAMES);
    EXPECT_EQ(stats.damage, VIDEO_BAD_RECORD);
    EXPECT_EQ(stats.damageOffset, FAR_FIRST_RECORD);
    EXPECT_LE(farSource.largestRead, 24u);
}

}  // namespace
