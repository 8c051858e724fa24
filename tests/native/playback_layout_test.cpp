// Where playback draws a frame: centred when it fits, stretched otherwise,
// never into the bottom band.
#include <gtest/gtest.h>

#include "playback_layout.h"

namespace {

const uint32_t RECORDER_BAND = 24;

void ExpectRect(const FramePlacement& p, int32_t x, int32_t y, int32_t width, int32_t height) {
    EXPECT_EQ(p.visible, 1);
    EXPECT_EQ(p.x, x);
    EXPECT_EQ(p.y, y);
    EXPECT_EQ(p.width, width);
    EXPECT_EQ(p.height, height);
}

TEST(PlaybackLayout, SmallerFrameIsCentredAtNaturalSizeAboveTheBand) {
    // A 400 x 324 client area less the band leaves W = 400, H = 300.
    FramePlacement p = PlaybackPlaceFrame(400, 324, RECORDER_BAND, 100, 50);
    ExpectRect(p, 150, 125, 100, 50);
    EXPECT_EQ(p.stretched, 0);
    EXPECT_EQ(p.sourceWidth, 100);
    EXPECT_EQ(p.sourceHeight, 50);

    // Odd differences round down: (400 - 101 + 1) / 2 and (400 - 99 + 1) / 2.
    EXPECT_EQ(PlaybackPlaceFrame(400, 300, 0, 101, 300).x, 150);
    EXPECT_EQ(PlaybackPlaceFrame(400, 300, 0, 99, 300).x, 151);
    // The player keeps no band: the same frame sits 12 rows lower.
    ExpectRect(PlaybackPlaceFrame(400, 324, 0, 100, 50), 150, 137, 100, 50);
}

TEST(PlaybackLayout, OnePixelOverStillFitsAndIsCutToTheArea) {
    FramePlacement wide = PlaybackPlaceFrame(400, 324, RECORDER_BAND, 401, 50);
    EXPECT_EQ(wide.stretched, 0);
    ExpectRect(wide, 0, 125, 400, 50);

    // A frame one row taller than the area would reach the band's first row.
    FramePlacement tall = PlaybackPlaceFrame(400, 324, RECORDER_BAND, 100, 301);
    EXPECT_EQ(tall.stretched, 0);
    ExpectRect(tall, 150, 0, 100, 300);
    EXPECT_EQ(tall.sourceHeight, 300);

    FramePlacement exact = PlaybackPlaceFrame(400, 324, RECORDER_BAND, 400, 300);
    ExpectRect(exact, 0, 0, 400, 300);
}

TEST(PlaybackLayout, TwoPixelsOverIsStretchedInsideTheArea) {
    for (int side = 0; side < 2; side++) {
        int32_t width = side == 0 ? 402 : 100;
        int32_t height = side == 0 ? 50 : 302;
        FramePlacement p = PlaybackPlaceFrame(400, 324, RECORDER_BAND, width, height);
        EXPECT_EQ(p.stretched, 1);
        ExpectRect(p, 1, 1, 399, 299);
        EXPECT_EQ(p.sourceWidth, width);
        EXPECT_EQ(p.sourceHeight, height);
    }
    ExpectRect(PlaybackPlaceFrame(640, 480, 0, 2048, 2048), 1, 1, 639, 479);
}

TEST(PlaybackLayout, AnAreaWithoutRoomGetsNothing) {
    // Client area no taller than the band, a minimised window, tiny areas.
    EXPECT_EQ(PlaybackPlaceFrame(400, 24, RECORDER_BAND, 100, 50).visible, 0);
    EXPECT_EQ(PlaybackPlaceFrame(400, 10, RECORDER_BAND, 100, 50).visible, 0);
    EXPECT_EQ(PlaybackPlaceFrame(0, 0, 0, 100, 50).visible, 0);
    EXPECT_EQ(PlaybackPlaceFrame(1, 1, 0, 100, 50).visible, 0);
    EXPECT_EQ(PlaybackPlaceFrame(400, 324, 0xFFFFFFFFu, 16, 16).visible, 0);
    EXPECT_EQ(PlaybackPlaceFrame(400, 324, RECORDER_BAND, 0, 50).visible, 0);
    // Two pixels still hold a one-pixel stretched frame, and a frame of one
    // pixel fits a one-pixel area.
    ExpectRect(PlaybackPlaceFrame(2, 2, 0, 100, 50), 1, 1, 1, 1);
    ExpectRect(PlaybackPlaceFrame(1, 1, 0, 1, 1), 0, 0, 1, 1);
}

}  // namespace
