// Cutting a video and finding pictures in it, judged by the plain reference
// decoder: every picture of a part must be the original's at the same record.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "codec/frame_codec.h"
#include "codec/run_length.h"
#include "test_pictures.h"
#include "video_cut.h"
#include "video_seek.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Picture = std::vector<uint32_t>;

struct Decoded {
    VideoFileHeader header = {};
    std::vector<FrameRecordHeader> records;
    std::vector<Bytes> stored;       // each record's data as stored
    std::vector<Picture> pictures;   // after each record, fourth byte cleared
};

// Every record applied in order, from black, by the scalar codec and packer.
Decoded ReferenceDecode(const Bytes& video) {
    Decoded d;
    VideoReader reader;
    FrameSurface surface;
    if (!VideoReaderOpen(&reader, video.data(), video.size()) ||
        !FrameSurfaceCreate(reader.header.width, reader.header.height, &surface))
        return d;
    d.header = reader.header;
    FrameSurfaceLock(&surface);
    FrameSurfaceFill(&surface, 0, 0, surface.width - 1, surface.height - 1, 0);
    Bytes planes(3u * surface.width * surface.height);
    VideoRecord record;
    while (VideoReaderNext(&reader, &record)) {
        d.records.push_back(record.header);
        d.stored.emplace_back(record.data, record.data + record.header.dataSize);
        FrameRecordHeader header = record.header;
        const uint8_t* data = record.data;
        if (header.packed == 1) {
            header.dataSize = static_cast<uint32_t>(RunLengthUnpackScalar(
                planes.data(), planes.size(), record.data, record.header.dataSize));
            data = planes.data();
        }
        FrameDeltaDecodeScalar(&surface, &header, data, header.dataSize);
        FrameSurfaceLock(&surface);
        Picture picture = PictureOf(&surface);
        for (uint32_t& pixel : picture) pixel &= 0xFFFFFF;
        d.pictures.push_back(picture);
    }
    FrameSurfaceDestroy(&surface);
    return d;
}

// A 40 x 24 recording at 10 fps of `count` records, as the recorder stores
// it (key frames asked for every 120): the F still until record 50, moving
// on every third record from 51 to 180, still again but for changes at 240
// and 260.
Bytes MakeRecording(int count) {
    FrameSurface current, previous;
    FrameSurfaceCreate(40, 24, &current);
    FrameSurfaceCreate(40, 24, &previous);
    FrameSurfaceLock(&previous);
    FrameSurfaceFill(&previous, 0, 0, 39, 23, 0);
    Bytes video = VideoHeaderBytes(40, 24, 10);
    Bytes work(RecordWorkSize(40, 24));
    int step = 0;
    for (int i = 0; i < count; i++) {
        if ((i > 50 && i <= 180 && i % 3 == 0) || i == 240 || i == 260) step++;
        FrameSurfaceLock(&current);
        DrawLetterF(&current, 2 + step % 30, 1 + step % 7, 2);
        EXPECT_TRUE(AppendRecord(&video, &current, &previous, i, &work));
    }
    FrameSurfaceDestroy(&current);
    FrameSurfaceDestroy(&previous);
    return video;
}

int Append(void* context, const uint8_t* bytes, size_t length) {
    Bytes* out = static_cast<Bytes*>(context);
    out->insert(out->end(), bytes, bytes + length);
    return 1;
}

int CancelAtEight(void* context, uint64_t done, uint64_t total) {
    EXPECT_LE(done, total);
    return ++*static_cast<int*>(context) < 8;
}

int Cut(const Bytes& video, uint64_t first, uint64_t last, Bytes* part, VideoWalkStats* stats) {
    part->clear();
    VideoCutOptions options = {first, last, Append, part, nullptr, nullptr};
    return VideoCut(video.data(), video.size(), &options, stats);
}

// The part holds exactly the original's pictures first..last, starts with a
// key frame and copies the later records byte for byte.
void ExpectPart(const Decoded& original, const Bytes& part, uint64_t first, uint64_t last) {
    Decoded cut = ReferenceDecode(part);
    EXPECT_EQ(cut.header.width, original.header.width);
    EXPECT_EQ(cut.header.height, original.header.height);
    EXPECT_EQ(cut.header.frameRate, original.header.frameRate);
    ASSERT_EQ(cut.pictures.size(), last - first + 1) << first << ".." << last;
    EXPECT_EQ(cut.records[0].frameType, FRAME_KEY);
    for (uint64_t i = 0; i < cut.pictures.size(); i++) {
        ASSERT_EQ(cut.pictures[i], original.pictures[first + i]) << "record " << first + i;
        if (i == 0) continue;
        EXPECT_EQ(cut.records[i].frameType, original.records[first + i].frameType);
        EXPECT_EQ(cut.stored[i], original.stored[first + i]);
    }
}

TEST(VideoCut, PartsHoldTheOriginalPicturesFromAKeyFrameWithTheRestCopied) {
    Bytes video = MakeRecording(300);
    Decoded original = ReferenceDecode(video);
    ASSERT_EQ(original.pictures.size(), 300u);
    VideoWalkStats stats;
    Bytes part;
    // Within a run of deltas, across key frames, single records, the ends.
    const uint64_t ranges[][2] = {{0, 299}, {10, 20}, {61, 245}, {119, 121}, {130, 130},
                                  {0, 0},   {299, 299}, {240, 299}};
    for (const auto& range : ranges) {
        ASSERT_EQ(Cut(video, range[0], range[1], &part, &stats), VIDEO_CUT_DONE);
        ExpectPart(original, part, range[0], range[1]);
        EXPECT_EQ(stats.damage, VIDEO_SOUND);
        // Its duration: one frame interval per record.
        EXPECT_EQ(ReferenceDecode(part).records.size(), range[1] - range[0] + 1);
    }
    ASSERT_EQ(Cut(video, 200, VIDEO_CUT_TO_END, &part, &stats), VIDEO_CUT_DONE);
    ExpectPart(original, part, 200, 299);

    EXPECT_EQ(Cut(video, 20, 10, &part, &stats), VIDEO_CUT_BAD_RANGE);
    EXPECT_EQ(Cut(video, 300, 300, &part, &stats), VIDEO_CUT_BAD_RANGE);
    EXPECT_EQ(Cut(video, 10, 300, &part, &stats), VIDEO_CUT_BAD_RANGE);
    EXPECT_EQ(stats.records, 300u);

    // A write that fails, and a cancel, end the cut with that status.
    VideoCutOptions failing = {5, 40, [](void*, const uint8_t*, size_t) { return 0; }, nullptr,
                               nullptr, nullptr};
    EXPECT_EQ(VideoCut(video.data(), video.size(), &failing, &stats), VIDEO_CUT_WRITE_FAILED);
    int calls = 0;
    VideoCutOptions cancelled = {5, 40, Append, &part, CancelAtEight, &calls};
    EXPECT_EQ(VideoCut(video.data(), video.size(), &cancelled, &stats), VIDEO_CUT_CANCELLED);
    EXPECT_EQ(calls, 8);

    Bytes noRate = video;
    noRate[18] = 0;
    noRate[19] = 0;
    EXPECT_EQ(Cut(noRate, 0, 1, &part, &stats), VIDEO_CUT_NO_FRAME_RATE);
    Bytes header = VideoHeaderBytes(40, 24, 10);
    EXPECT_EQ(Cut(header, 0, 0, &part, &stats), VIDEO_CUT_NO_FRAMES);
    header[0] = 'X';
    EXPECT_EQ(Cut(header, 0, 0, &part, &stats), VIDEO_CUT_NOT_VIDEO);
}

TEST(VideoCut, StillEndsKeepOneSecondAroundTheChanges) {
    Bytes video = MakeRecording(300);
    uint64_t first = 0, last = 0;
    VideoWalkStats stats;
    // Changes from 51 to 180, at 240 and 260; 10 records make a second.
    ASSERT_EQ(VideoFindStillEnds(video.data(), video.size(), nullptr, nullptr, &first, &last,
                                 &stats),
              VIDEO_CUT_DONE);
    EXPECT_EQ(first, 41u);
    EXPECT_EQ(last, 270u);
    // The change near the end keeps what is left; no change keeps the first second.
    Bytes shorter = MakeRecording(265);
    VideoFindStillEnds(shorter.data(), shorter.size(), nullptr, nullptr, &first, &last, &stats);
    EXPECT_EQ(last, 264u);
    Bytes still = MakeRecording(45);
    VideoFindStillEnds(still.data(), still.size(), nullptr, nullptr, &first, &last, &stats);
    EXPECT_EQ(first, 0u);
    EXPECT_EQ(last, 9u);
    Bytes one = MakeRecording(1);
    VideoFindStillEnds(one.data(), one.size(), nullptr, nullptr, &first, &last, &stats);
    EXPECT_EQ(last, 0u);

    EXPECT_EQ(VideoRecordAtTime(1000, 66), 15u);  // shown from 990 ms
    EXPECT_EQ(VideoRecordAtTime(989, 66), 14u);
    EXPECT_EQ(VideoRecordAtTime(0, 100), 0u);
}

TEST(VideoCut, DamagedVideosAreCutFromTheirSoundPart) {
    Bytes video = MakeRecording(150);
    Decoded original = ReferenceDecode(video);
    VideoWalkStats stats;
    Bytes part;
    // Cut short inside the last record: records 0 to 148 are sound.
    Bytes short_ = video;
    short_.resize(video.size() - 3);
    ASSERT_EQ(Cut(short_, 100, VIDEO_CUT_TO_END, &part, &stats), VIDEO_CUT_DONE);
    EXPECT_EQ(stats.damage, VIDEO_CUT_SHORT);
    ExpectPart(original, part, 100, 148);
    ASSERT_EQ(Cut(short_, 100, 149, &part, &stats), VIDEO_CUT_DONE);
    ExpectPart(original, part, 100, 148);
    EXPECT_EQ(Cut(short_, 149, 149, &part, &stats), VIDEO_CUT_BAD_RANGE);
    // Before the damage, a part is cut as from a sound video.
    ASSERT_EQ(Cut(short_, 3, 7, &part, &stats), VIDEO_CUT_DONE);
    EXPECT_EQ(stats.damage, VIDEO_SOUND);

    // A record whose data no longer makes a whole picture ends the sound part.
    Bytes bad = video;
    VideoReader reader;
    VideoReaderOpen(&reader, bad.data(), bad.size());
    VideoRecord record;
    size_t at = 0;
    for (int i = 0; i <= 72; i++) {
        at = reader.position;
        VideoReaderNext(&reader, &record);
    }
    ASSERT_EQ(record.header.frameType, FRAME_DELTA);
    bad[at + 4] = 2;  // dataSize: a stream of 2 bytes
    bad[at + 5] = bad[at + 6] = bad[at + 7] = 0;
    ASSERT_EQ(Cut(bad, 60, VIDEO_CUT_TO_END, &part, &stats), VIDEO_CUT_DONE);
    EXPECT_EQ(stats.damage, VIDEO_BAD_RECORD);
    ExpectPart(original, part, 60, 71);
    uint64_t first = 0, last = 0;
    ASSERT_EQ(VideoFindStillEnds(bad.data(), bad.size(), nullptr, nullptr, &first, &last, &stats),
              VIDEO_CUT_DONE);
    EXPECT_EQ(last, 71u);
    EXPECT_EQ(stats.damage, VIDEO_BAD_RECORD);
}

TEST(VideoSeek, JumpsInAnyOrderShowTheOriginalPictures) {
    Bytes video = MakeRecording(300);
    Decoded original = ReferenceDecode(video);
    VideoSeek seek;
    ASSERT_EQ(VideoSeekBegin(&seek, video.data(), video.size(), nullptr, nullptr), VIDEO_CUT_DONE);
    EXPECT_EQ(seek.records, 300u);
    EXPECT_EQ(seek.pointCount, 3u);  // key frames at 0, 120 and 240
    EXPECT_EQ(seek.stillFirst, 41u);  // as VideoFindStillEnds finds them
    EXPECT_EQ(seek.stillLast, 270u);
    unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    // Pictures kept on the way (every 30th record) serve the steps back.
    std::vector<uint64_t> jumps = {0, 299, 1, 120, 119, 121, 121, 240, 5, 6, 7, 250, 100, 95, 65, 64};
    for (int i = 0; i < 60; i++) jumps.push_back(random() % 300);
    for (uint64_t record : jumps) {
        ASSERT_TRUE(VideoSeekShow(&seek, record)) << record;
        FrameSurfaceLock(&seek.walk.surface);
        Picture picture = PictureOf(&seek.walk.surface);
        FrameSurfaceUnlock(&seek.walk.surface);
        ASSERT_EQ(picture, original.pictures[record]) << "record " << record << ", seed " << seed;
    }
    EXPECT_FALSE(VideoSeekShow(&seek, 300));
    VideoSeekEnd(&seek);

    // A damaged video is shown as far as it is sound.
    Bytes short_ = video;
    short_.resize(video.size() - 3);
    ASSERT_EQ(VideoSeekBegin(&seek, short_.data(), short_.size(), nullptr, nullptr),
              VIDEO_CUT_DONE);
    EXPECT_EQ(seek.records, 299u);
    EXPECT_EQ(seek.stats.damage, VIDEO_CUT_SHORT);
    EXPECT_TRUE(VideoSeekShow(&seek, 298));
    EXPECT_FALSE(VideoSeekShow(&seek, 299));
    VideoSeekEnd(&seek);
}

}  // namespace
