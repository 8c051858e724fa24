#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <vector>

#include "byte_order.h"
#include "codec/frame_codec.h"
#include "engine.h"
#include "test_pictures.h"
#include "video_check.h"
#include "video_format.h"
#include "video_reader.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes RecordBytes(uint32_t headerSize, uint32_t dataSize, uint32_t type, uint32_t packed,
                  uint16_t right, uint16_t bottom) {
    FrameRecordHeader header = {headerSize, dataSize, type, packed, 0, right, 0, bottom};
    Bytes bytes(24);
    FrameRecordHeaderStore(&header, bytes.data());
    return bytes;
}

std::vector<VideoRecord> Walk(const Bytes& video) {
    VideoReader reader;
    std::vector<VideoRecord> records;
    if (!VideoReaderOpen(&reader, video.data(), video.size())) return records;
    VideoRecord record;
    while (VideoReaderNext(&reader, &record)) records.push_back(record);
    return records;
}

TEST(VideoFormat, SixteenBySixteenRecordingIsWrittenExactly) {
    FrameSurface current, previous;
    FrameSurfaceCreate(16, 16, &current);
    FrameSurfaceCreate(16, 16, &previous);
    FrameSurfaceLock(&current);
    FrameSurfaceLock(&previous);
    FrameSurfaceFill(&previous, 0, 0, 15, 15, 0);
    DrawLetterF(&current, 2, 2, 2);
    std::vector<uint8_t> work(14 * 16 * 16);
    Bytes video = VideoHeaderBytes(16, 16, 15);
    EXPECT_EQ(video, (Bytes{0x5F, 0x5A, 0x55, 0x56, 0x18, 0, 0, 0, 0, 0, 0, 0,
                            0x10, 0, 0x10, 0, 0, 0, 0x0F, 0, 0x18, 0, 0, 0}));
    ASSERT_TRUE(AppendRecord(&video, &current, &previous, 0, &work));
    ASSERT_TRUE(AppendRecord(&video, &current, &previous, 1, &work));
    uint32_t packedSize = LoadLE32(&video[24 + 4]);
    Bytes key(video.begin() + 24, video.begin() + 48);
    Bytes expectedKey = {0x18, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0x0F, 0, 0, 0, 0x0F, 0};
    StoreLE32(&expectedKey[4], packedSize);
    EXPECT_EQ(key, expectedKey);
    ASSERT_EQ(video.size(), 24u + 24u + packedSize + 24u);
    Bytes unchanged(video.end() - 24, video.end());
    EXPECT_EQ(unchanged, (Bytes{0x18, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                0, 0, 0x0F, 0, 0, 0, 0x0F, 0}));
    FrameSurfaceDestroy(&current);
    FrameSurfaceDestroy(&previous);
}

TEST(VideoFormat, ShortFileHeaderCountsMissingBytesAsZero) {
    Bytes video = VideoHeaderBytes(16, 16, 15);
    StoreLE32(&video[4], 20);
    StoreLE32(&video[20], 99);
    Bytes record = RecordBytes(24, 0, FRAME_UNCHANGED, 0, 15, 15);
    // The records start at offset 20, overlapping the stored bytes 20 to 23.
    video.resize(20);
    video.insert(video.end(), record.begin(), record.end());
    VideoReader reader;
    ASSERT_EQ(VideoReaderOpen(&reader, video.data(), video.size()), 1);
    EXPECT_EQ(reader.header.firstRecordOffset, 0u);
    EXPECT_EQ(reader.header.width, 16);
    EXPECT_EQ(Walk(video).size(), 1u);
}

TEST(VideoFormat, ReaderFollowsOffsetsAndStoredSizes) {
    Bytes video = VideoHeaderBytes(16, 16, 15);
    StoreLE32(&video[20], 40);
    video.resize(40, 0xAA);  // bytes 24 to 39 are ignored
    Bytes wide = RecordBytes(32, 5, FRAME_DELTA, 1, 15, 15);  // header of 32 bytes
    wide.resize(32, 0xBB);
    Bytes data = {0x81, 0x01, 0x00, 0xCC, 0xCC};  // a packed stream and trailing bytes
    video.insert(video.end(), wide.begin(), wide.end());
    video.insert(video.end(), data.begin(), data.end());
    Bytes next = RecordBytes(24, 0, FRAME_UNCHANGED, 0, 15, 15);
    video.insert(video.end(), next.begin(), next.end());
    std::vector<VideoRecord> records = Walk(video);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].data, video.data() + 40 + 32);
    EXPECT_EQ(records[0].header.dataSize, 5u);  // the stored, packed size
    EXPECT_EQ(records[1].header.frameType, FRAME_UNCHANGED);
}

TEST(VideoFormat, ZeroHeaderSizeOrARecordRunningPastTheEndEndsTheVideo) {
    Bytes video = VideoHeaderBytes(16, 16, 15);
    Bytes unchanged = RecordBytes(24, 0, FRAME_UNCHANGED, 0, 15, 15);
    Bytes end = RecordBytes(0, 0, 0, 0, 0, 0);
    Bytes ended = video;
    for (const Bytes* part : {&unchanged, &end, &unchanged, &unchanged})
        ended.insert(ended.end(), part->begin(), part->end());
    EXPECT_EQ(Walk(ended).size(), 1u);

    Bytes cut = video;
    cut.insert(cut.end(), unchanged.begin(), unchanged.end());
    Bytes tooLong = RecordBytes(24, 100, FRAME_KEY, 0, 15, 15);
    cut.insert(cut.end(), tooLong.begin(), tooLong.end());
    cut.resize(cut.size() + 99);
    EXPECT_EQ(Walk(cut).size(), 1u);

    Bytes hugeHeader = video;
    Bytes huge = RecordBytes(0xFFFFFFF0u, 0xFFFFFFF0u, FRAME_KEY, 0, 15, 15);
    hugeHeader.insert(hugeHeader.end(), huge.begin(), huge.end());
    EXPECT_EQ(Walk(hugeHeader).size(), 0u);
}

TEST(VideoFormat, ReaderRefusesWhatIsNotAVideo) {
    VideoReader reader;
    Bytes video = VideoHeaderBytes(16, 16, 15);
    video[0] = 'X';
    EXPECT_EQ(VideoReaderOpen(&reader, video.data(), video.size()), 0);
    EXPECT_EQ(VideoReaderOpen(&reader, video.data(), 3), 0);
    EXPECT_EQ(VideoReaderOpen(&reader, nullptr, 100), 0);
}

// The one rule every reader applies to a header, and the quick test of a
// file that the Load dialog and the builder make with it.
TEST(VideoFormat, OneRuleTellsAPlayableHeader) {
    uint8_t stored[24];
    VideoFileHeader header = VideoFileHeaderMake(640, 480, 15);
    VideoFileHeaderStore(&header, stored);
    EXPECT_EQ(VideoHeaderCheck(&header), VIDEO_HEADER_PLAYABLE);
    EXPECT_TRUE(VideoFileCheck(stored, sizeof stored, VIDEO_MIN_FILE_SIZE));
    EXPECT_FALSE(VideoFileCheck(stored, sizeof stored, VIDEO_MIN_FILE_SIZE - 1));
    EXPECT_FALSE(VideoFileCheck(stored, 3, VIDEO_MIN_FILE_SIZE));
    // A rate above 1000 (an interval of 0) still plays, as fast as it decodes.
    header.frameRate = 1001;
    EXPECT_EQ(VideoHeaderCheck(&header), VIDEO_HEADER_PLAYABLE);
    header.frameRate = 0;
    EXPECT_EQ(VideoHeaderCheck(&header), VIDEO_HEADER_NO_FRAME_RATE);
    VideoFileHeaderStore(&header, stored);
    EXPECT_FALSE(VideoFileCheck(stored, sizeof stored, 4096));
    header.height = 0;
    EXPECT_EQ(VideoHeaderCheck(&header), VIDEO_HEADER_NO_SIZE);
    header.magic = 0;
    EXPECT_EQ(VideoHeaderCheck(&header), VIDEO_HEADER_NOT_VIDEO);

    header = VideoFileHeaderMake(16, 16, 15);
    EXPECT_EQ(VideoFirstRecordOffset(&header), 24u);
    header.firstRecordOffset = 0;
    header.headerSize = 20;
    EXPECT_EQ(VideoFirstRecordOffset(&header), 20u);

    CaptureRect smallest = {-20, -20, -5, -5};
    EXPECT_TRUE(CaptureRectRecordable(&smallest));
    smallest.right--;
    EXPECT_FALSE(CaptureRectRecordable(&smallest));
    CaptureRect widest = {0, 0, 0xFFFE, 100};
    EXPECT_TRUE(CaptureRectRecordable(&widest));
    widest.right++;
    EXPECT_FALSE(CaptureRectRecordable(&widest));
}

TEST(VideoFormat, SizesFromHostileDimensionsDoNotOverflow) {
    EXPECT_EQ(FramePlanesSize(16, 16), 768u);
    EXPECT_EQ(FramePlanesSize(65535, 65535), 0u);
    EXPECT_EQ(FrameBufferSize(65535, 65535, 14), 0u);
    EXPECT_EQ(FrameBufferSize(2048, 2048, 5), 2048u * 2048 * 5);
    EXPECT_EQ(VideoFrameInterval(0), 0u);
    EXPECT_EQ(VideoFrameInterval(15), 66u);
    EXPECT_EQ(VideoFrameInterval(1001), 0u);
}

// Random picture sequences of assorted sizes, recorded and played back.
class RoundTrip {
public:
    RoundTrip(uint32_t seed) : random_(seed) {}

    void Run(uint32_t width, uint32_t height, int frames) {
        FrameSurface current, previous, shown;
        FrameSurfaceCreate(width, height, &current);
        FrameSurfaceCreate(width, height, &previous);
        FrameSurfaceCreate(width, height, &shown);
        for (FrameSurface* s : {&current, &previous, &shown}) {
            FrameSurfaceLock(s);
            FrameSurfaceFill(s, 0, 0, width - 1, height - 1, 0);
        }
        std::vector<uint8_t> work(RecordWorkSize(width, height));
        Bytes video = VideoHeaderBytes(width, height, 30);
        std::vector<std::vector<uint32_t>> pictures;
        for (int i = 0; i < frames; i++) {
            FrameSurfaceLock(&current);
            Change(&current);
            pictures.push_back(PictureOf(&current));
            ASSERT_TRUE(AppendRecord(&video, &current, &previous, i, &work));
        }
        std::vector<uint8_t> unpacked(FrameBufferSize(width, height, 5));
        VideoReader reader;
        ASSERT_EQ(VideoReaderOpen(&reader, video.data(), video.size()), 1);
        VideoRecord record;
        int index = 0;
        while (VideoReaderNext(&reader, &record)) {
            ASSERT_LT(index, frames);
            if (index % KEY_FRAME_PERIOD != 0) {
                EXPECT_NE(record.header.frameType, FRAME_KEY);
            }
            VideoRecordApply(&record, &shown, unpacked.data(), unpacked.size());
            FrameSurfaceLock(&shown);
            // The fourth byte is never stored: compare colours only.
            std::vector<uint32_t> picture = PictureOf(&shown), expected = pictures[index];
            for (auto& p : expected) p &= 0x00FFFFFF;
            ASSERT_EQ(picture, expected) << "frame " << index << " of " << width << "x" << height;
            index++;
        }
        EXPECT_EQ(index, frames);
        for (FrameSurface* s : {&current, &previous, &shown}) FrameSurfaceDestroy(s);
    }

private:
    void Change(FrameSurface* s) {
        switch (random_() % 4) {
            case 0: break;  // unchanged
            case 1: {       // a small change
                int32_t x = random_() % s->width, y = random_() % s->height;
                FrameSurfaceFill(s, x, y, x + random_() % 5, y + random_() % 3, random_() & 0xFFFFFF);
                break;
            }
            case 2:  // a flat area over much of the picture
                FrameSurfaceFill(s, random_() % s->width, 0, s->width - 1, random_() % s->height,
                                 random_() & 0xFFFFFF);
                break;
            default:  // everything changes, noise included
                for (int32_t y = 0; y < s->height; y++)
                    for (int32_t x = 0; x < s->width; x++)
                        s->pixels[y * s->stride + x] = random_() % 3 ? random_() & 0xFFFFFF : 0;
        }
    }
    std::mt19937 random_;
};

TEST(VideoFormat, RecordedPicturesComeBackExactly) {
    uint32_t seed = std::random_device{}();
    std::printf("round-trip seed %u\n", seed);
    RoundTrip trip(seed);
    const uint32_t sizes[][2] = {{16, 16}, {17, 31}, {64, 3}, {2, 1}, {100, 40}};
    for (auto& size : sizes) trip.Run(size[0], size[1], 40);
    trip.Run(24, 20, 250);  // key frames at 0, 120 and 240
}

TEST(VideoFormat, TruncatedAndDamagedVideosAreReadWithinBounds) {
    FrameSurface current, previous, shown;
    FrameSurfaceCreate(20, 18, &current);
    FrameSurfaceCreate(20, 18, &previous);
    FrameSurfaceCreate(20, 18, &shown);
    for (FrameSurface* s : {&current, &previous}) {
        FrameSurfaceLock(s);
        FrameSurfaceFill(s, 0, 0, 19, 17, 0);
    }
    std::vector<uint8_t> work(RecordWorkSize(20, 18));
    Bytes video = VideoHeaderBytes(20, 18, 10);
    for (int i = 0; i < 6; i++) {
        FrameSurfaceLock(&current);
        DrawLetterF(&current, i, i, 2 + i % 2);
        AppendRecord(&video, &current, &previous, i, &work);
    }
    std::vector<uint8_t> unpacked(FrameBufferSize(20, 18, 5));
    auto play = [&](const Bytes& bytes) {
        // A copy of exactly the given length, so the sanitizer sees any stray read.
        std::vector<uint8_t> exact(bytes);
        VideoReader reader;
        if (!VideoReaderOpen(&reader, exact.data(), exact.size())) return;
        VideoRecord record;
        while (VideoReaderNext(&reader, &record))
            VideoRecordApply(&record, &shown, unpacked.data(), unpacked.size());
    };
    for (size_t length = 0; length <= video.size(); length++)
        play(Bytes(video.begin(), video.begin() + length));
    uint32_t seed = std::random_device{}();
    std::printf("damage seed %u\n", seed);
    std::mt19937 random(seed);
    for (int round = 0; round < 300; round++) {
        Bytes damaged = video;
        for (int flips = 1 + random() % 8; flips > 0; flips--)
            damaged[24 + random() % (damaged.size() - 24)] = static_cast<uint8_t>(random());
        play(damaged);
        Bytes noise(24 + random() % 400);
        for (auto& b : noise) b = static_cast<uint8_t>(random());
        std::copy(video.begin(), video.begin() + 24, noise.begin());
        play(noise);
    }
    for (FrameSurface* s : {&current, &previous, &shown}) FrameSurfaceDestroy(s);
}

}  // namespace
