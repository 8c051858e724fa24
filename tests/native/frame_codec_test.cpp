#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "codec/frame_codec.h"
#include "test_pictures.h"

namespace {

struct Pair {
    FrameSurface current, previous;
    Pair(uint32_t w, uint32_t h) {
        FrameSurfaceCreate(w, h, &current);
        FrameSurfaceCreate(w, h, &previous);
        FrameSurfaceLock(&current);
        FrameSurfaceLock(&previous);
        FrameSurfaceFill(&current, 0, 0, w - 1, h - 1, 0);
        FrameSurfaceFill(&previous, 0, 0, w - 1, h - 1, 0);
    }
    ~Pair() {
        FrameSurfaceDestroy(&current);
        FrameSurfaceDestroy(&previous);
    }
    // Encodes with the requested type; the surfaces stay locked for the test.
    FrameRecordHeader Encode(uint32_t type, std::vector<uint8_t>* data) {
        FrameRecordHeader header = {};
        header.frameType = type;
        data->assign(3 * current.width * current.height, 0xEE);
        EXPECT_EQ(FrameDeltaEncode(&current, &previous, &header, data->data(), data->size()), 1);
        FrameSurfaceLock(&current);
        FrameSurfaceLock(&previous);
        return header;
    }
};

TEST(FrameCodec, WorkedExampleKeyAndDeltaInPlaneOrderRedGreenBlue) {
    Pair pair(2, 1);
    pair.previous.pixels[0] = Bgrx(10, 20, 30);
    pair.previous.pixels[1] = Bgrx(200, 0, 0);
    pair.current.pixels[0] = Bgrx(10, 20, 30);
    pair.current.pixels[1] = Bgrx(5, 6, 250);
    std::vector<uint8_t> data;
    FrameRecordHeader key = pair.Encode(FRAME_KEY, &data);
    EXPECT_EQ(key.frameType, FRAME_KEY);
    EXPECT_EQ(key.dataSize, 6u);
    EXPECT_EQ(data, (std::vector<uint8_t>{30, 250, 20, 6, 10, 5}));
    EXPECT_EQ(key.right, 1);
    EXPECT_EQ(key.bottom, 0);

    FrameRecordHeader delta = pair.Encode(FRAME_DELTA, &data);
    EXPECT_EQ(delta.frameType, FRAME_DELTA);
    EXPECT_EQ(data, (std::vector<uint8_t>{0, 250, 0, 6, 0, 61}));

    // Decoding the delta onto the previous picture wraps 200 + 61 to 5.
    ASSERT_EQ(FrameDeltaDecode(&pair.previous, &delta, data.data(), data.size()), 1);
    FrameSurfaceLock(&pair.previous);
    EXPECT_EQ(pair.previous.pixels[1], Bgrx(5, 6, 250));
}

TEST(FrameCodec, UnchangedPictureStoresNothingWhateverWasAsked) {
    Pair pair(16, 16);
    DrawLetterF(&pair.current, 2, 2, 2);
    DrawLetterF(&pair.previous, 2, 2, 2);
    std::vector<uint8_t> data;
    for (uint32_t type : {FRAME_KEY, FRAME_DELTA}) {
        FrameRecordHeader header = pair.Encode(type, &data);
        EXPECT_EQ(header.frameType, FRAME_UNCHANGED);
        EXPECT_EQ(header.dataSize, 0u);
    }
}

TEST(FrameCodec, FourthByteCountsAsChangeButIsNeverStored) {
    Pair pair(16, 16);
    pair.current.pixels[37] = 0x01000000u;
    std::vector<uint8_t> data;
    FrameRecordHeader header = pair.Encode(FRAME_DELTA, &data);
    EXPECT_EQ(header.frameType, FRAME_DELTA);
    EXPECT_EQ(header.dataSize, 768u);
    for (uint8_t b : data) EXPECT_EQ(b, 0);
}

TEST(FrameCodec, OneChangedPixelTouchesOnlyItsThreePlaneBytes) {
    Pair pair(16, 16);
    const int row = 5, column = 11, p = row * 16 + column;
    pair.current.pixels[p] = Bgrx(1, 2, 3);
    std::vector<uint8_t> data;
    FrameRecordHeader header = pair.Encode(FRAME_DELTA, &data);
    ASSERT_EQ(header.dataSize, 768u);
    for (int i = 0; i < 768; i++) {
        if (i == p || i == 256 + p || i == 512 + p) continue;
        EXPECT_EQ(data[i], 0) << "at " << i;
    }
    EXPECT_EQ(data[p], 3);
    EXPECT_EQ(data[256 + p], 2);
    EXPECT_EQ(data[512 + p], 1);
}

// The change test and the encoding taken apart, with the picture kept as
// it is encoded: the same bytes as the one call, and previous becomes the
// picture, fourth bytes included, only when it changed.
TEST(FrameCodec, TheTwoStepsGiveTheSameBytesAndCanKeepThePicture) {
    std::mt19937 random(11);
    for (uint32_t type : {FRAME_KEY, FRAME_DELTA}) {
        for (int change : {-1, 0, 7, 19}) {  // the first changed row, or none
            SCOPED_TRACE(testing::Message() << "type " << type << ", change " << change);
            Pair pair(37, 20);
            for (int y = 0; y < 20; y++)
                for (int x = 0; x < 37; x++) {
                    uint32_t pixel = random();
                    pair.previous.pixels[y * 37 + x] = pixel;
                    pair.current.pixels[y * 37 + x] = change >= 0 && y >= change && x % 3 == 0
                                                          ? pixel ^ (random() | 1)
                                                          : pixel;
                }
            std::vector<uint32_t> now = PictureOf(&pair.current);
            std::vector<uint32_t> before = PictureOf(&pair.previous);
            std::vector<uint8_t> whole;
            FrameRecordHeader expected = pair.Encode(type, &whole);
            int32_t row = FrameDeltaChangedRow(&pair.current, &pair.previous);
            EXPECT_EQ(row, change >= 0 ? change : 20);
            FrameRecordHeader header = {};
            header.frameType = type;
            std::vector<uint8_t> parts(whole.size(), 0xEE);
            ASSERT_EQ(FrameDeltaEncodeChanged(&pair.current, &pair.previous, row, 1, &header,
                                              parts.data(), parts.size()),
                      1);
            EXPECT_EQ(std::memcmp(&header, &expected, sizeof header), 0);
            EXPECT_EQ(parts, whole);
            FrameSurfaceLock(&pair.previous);
            EXPECT_EQ(PictureOf(&pair.previous), change >= 0 ? now : before);
        }
    }
}

TEST(FrameCodec, RefusesUnknownRequestsAndSmallBuffers) {
    Pair pair(16, 16);
    pair.current.pixels[0] = 1;
    FrameRecordHeader header = {};
    header.frameType = 3;
    header.dataSize = 99;
    std::vector<uint8_t> data(768);
    EXPECT_EQ(FrameDeltaEncode(&pair.current, &pair.previous, &header, data.data(), data.size()), 0);
    EXPECT_EQ(header.dataSize, 0u);
    EXPECT_EQ(header.frameType, 3u);
    header.frameType = FRAME_KEY;
    EXPECT_EQ(FrameDeltaEncode(&pair.current, &pair.previous, &header, data.data(), 767), 0);
}

TEST(FrameCodec, DecodeOfTypesZeroAndUnknownLeavesThePicture) {
    Pair pair(4, 4);
    DrawLetterF(&pair.current, 0, 0, 1);
    std::vector<uint32_t> before = PictureOf(&pair.current);
    std::vector<uint8_t> data(48, 9);
    FrameRecordHeader header = {24, 48, FRAME_UNCHANGED, 0, 0, 3, 0, 3};
    EXPECT_EQ(FrameDeltaDecode(&pair.current, &header, data.data(), data.size()), 1);
    header.frameType = 7;
    EXPECT_EQ(FrameDeltaDecode(&pair.current, &header, data.data(), data.size()), 0);
    FrameSurfaceLock(&pair.current);
    EXPECT_EQ(PictureOf(&pair.current), before);
}

TEST(FrameCodec, DecodeClipsAStoredRectangleLargerThanTheSurface) {
    Pair pair(4, 3);
    // A 6 x 5 key frame whose red plane holds 1, green 2, blue 3.
    std::vector<uint8_t> data(90);
    for (int i = 0; i < 90; i++) data[i] = static_cast<uint8_t>(1 + i / 30);
    FrameRecordHeader header = {24, 90, FRAME_KEY, 0, 0, 5, 0, 4};
    ASSERT_EQ(FrameDeltaDecode(&pair.current, &header, data.data(), data.size()), 1);
    FrameSurfaceLock(&pair.current);
    for (uint32_t p : PictureOf(&pair.current)) EXPECT_EQ(p, Bgrx(3, 2, 1));
}

TEST(FrameCodec, DecodeAppliesShortDataOnlyAsFarAsItGoes) {
    Pair pair(4, 4);
    std::vector<uint8_t> data(48, 0x80);
    FrameRecordHeader header = {24, 20, FRAME_KEY, 0, 0, 3, 0, 3};
    ASSERT_EQ(FrameDeltaDecode(&pair.current, &header, data.data(), 20), 1);
    FrameSurfaceLock(&pair.current);
    std::vector<uint32_t> picture = PictureOf(&pair.current);
    // The whole red plane and the first row of the green plane; no blue.
    for (int i = 0; i < 16; i++) EXPECT_EQ(picture[i], Bgrx(0, i < 4 ? 0x80 : 0, 0x80)) << i;
}

}  // namespace
