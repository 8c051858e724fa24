// The rectangles a recording reads from the screen, on the layout of two
// monitors that the Windows tests also use: the primary at (0,0)-(1280,1024)
// and a second one left of it at (-800,0)-(0,600).
#include <gtest/gtest.h>

#include <cstring>

#include "capture_area.h"

namespace {

const ScreenArea PRIMARY = {0, 0, 1280, 1024};
const ScreenArea LEFT = {-800, 0, 800, 600};
const ScreenArea MONITORS[2] = {PRIMARY, LEFT};
const ScreenArea VIRTUAL = {-800, 0, 2080, 1024};

void ExpectArea(ScreenArea a, int32_t x, int32_t y, int32_t width, int32_t height) {
    EXPECT_EQ(a.x, x);
    EXPECT_EQ(a.y, y);
    EXPECT_EQ(a.width, width);
    EXPECT_EQ(a.height, height);
}

void ExpectPiece(const CapturePiece& p, int32_t sourceX, int32_t sourceY, int32_t x, int32_t y,
                 int32_t width, int32_t height) {
    EXPECT_EQ(p.sourceX, sourceX);
    EXPECT_EQ(p.sourceY, sourceY);
    EXPECT_EQ(p.x, x);
    EXPECT_EQ(p.y, y);
    EXPECT_EQ(p.width, width);
    EXPECT_EQ(p.height, height);
}

TEST(CapturePieces, WholeVirtualScreenCopiesEachMonitorAndLeavesTheGapBlack) {
    CapturePiece pieces[CAPTURE_MAX_MONITORS];
    int black = -1;
    size_t count = CapturePieces(VIRTUAL, 2080, 1024, MONITORS, 2, pieces, 16, &black);
    ASSERT_EQ(count, 2u);
    EXPECT_EQ(black, 1);  // below the left monitor, (-800,600)-(0,1024), is on none
    ExpectPiece(pieces[0], 0, 0, 800, 0, 1280, 1024);
    ExpectPiece(pieces[1], -800, 0, 0, 0, 800, 600);

    // Inside one monitor: a single copy, nothing to blacken.
    count = CapturePieces({-700, 100, 640, 480}, 640, 480, MONITORS, 2, pieces, 16, &black);
    ASSERT_EQ(count, 1u);
    EXPECT_EQ(black, 0);
    ExpectPiece(pieces[0], -700, 100, 0, 0, 640, 480);

    // A window pushed partly off the screen: what lies beyond is black.
    count = CapturePieces({1000, 900, 400, 300}, 400, 300, MONITORS, 2, pieces, 16, &black);
    ASSERT_EQ(count, 1u);
    EXPECT_EQ(black, 1);
    ExpectPiece(pieces[0], 1000, 900, 0, 0, 280, 124);

    // Wholly off every monitor: all black, nothing copied.
    count = CapturePieces({5000, 5000, 100, 100}, 100, 100, MONITORS, 2, pieces, 16, &black);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(black, 1);

    // A grab larger than its surface keeps the surface's top left part, and
    // the pieces never pass the capacity given.
    count = CapturePieces(VIRTUAL, 2048, 1024, MONITORS, 2, pieces, 1, &black);
    ASSERT_EQ(count, 1u);
    ExpectPiece(pieces[0], 0, 0, 800, 0, 1248, 1024);
}

TEST(CaptureFollowWindow, KeepsTheStartSizeWhereverTheFrameGoes) {
    // A window moved to the left monitor, grown meanwhile: cut at its size.
    ExpectArea(CaptureFollowWindow({-700, 50, 900, 700}, 0, 0, 400, 300), -700, 50, 400, 300);
    ExpectArea(CaptureFollowWindow({10, 20, 100, 100}, 5, 6, 400, 300), 15, 26, 400, 300);
    ExpectArea(CaptureFollowWindow({INT32_MAX - 1, 0, 10, 10}, 10, 0, 16, 16), INT32_MAX, 0, 16, 16);
}

TEST(CaptureCursorOrigin, IsRelativeToTheGrabTaken) {
    int32_t x = 0;
    int32_t y = 0;
    CaptureCursorOrigin({-800, 0, 2080, 1024}, -790, 5, 1, 2, &x, &y);
    EXPECT_EQ(x, 9);
    EXPECT_EQ(y, 3);
    CaptureCursorOrigin({100, 200, 640, 480}, 50, 150, 0, 0, &x, &y);  // left of and above it
    EXPECT_EQ(x, -50);
    EXPECT_EQ(y, -50);
}

TEST(CaptureMonitorAt, FindsTheMonitorUnderThePointOrTheNearest) {
    EXPECT_EQ(CaptureMonitorAt(MONITORS, 2, -400, 300), 1);
    EXPECT_EQ(CaptureMonitorAt(MONITORS, 2, -1, 599), 1);
    EXPECT_EQ(CaptureMonitorAt(MONITORS, 2, 0, 599), 0);
    EXPECT_EQ(CaptureMonitorAt(MONITORS, 2, -400, 700), 1);  // the gap below the left one
    EXPECT_EQ(CaptureMonitorAt(MONITORS, 2, -10, 1000), 0);   // nearer the primary
    EXPECT_EQ(CaptureMonitorAt(MONITORS, 0, 0, 0), -1);
}

TEST(CaptureSelector, DragsAndKeysKeepTheAreaInsideTheScreen) {
    // Either direction of drag spans both corners.
    ExpectArea(CaptureAreaFromDrag(100, 50, 739, 529, VIRTUAL), 100, 50, 640, 480);
    ExpectArea(CaptureAreaFromDrag(739, 529, 100, 50, VIRTUAL), 100, 50, 640, 480);
    ExpectArea(CaptureAreaFromDrag(-900, -5, -700, 10, VIRTUAL), -800, 0, 101, 11);
    ExpectArea(CaptureAreaFromDrag(5, 5, 5, 5, VIRTUAL), 5, 5, 1, 1);

    ScreenArea area = {100, 50, 640, 480};
    ExpectArea(CaptureAreaNudge(area, -10, 1, 0, VIRTUAL), 90, 51, 640, 480);
    ExpectArea(CaptureAreaNudge(area, -5000, -5000, 0, VIRTUAL), -800, 0, 640, 480);
    ExpectArea(CaptureAreaNudge(area, 5000, 5000, 0, VIRTUAL), 1280 - 640, 1024 - 480, 640, 480);
    ExpectArea(CaptureAreaNudge(area, 1, -10, 1, VIRTUAL), 100, 50, 641, 470);
    ExpectArea(CaptureAreaNudge(area, -5000, 5000, 1, VIRTUAL), 100, 50, 1, 974);
}

TEST(CaptureAreaFrame, LiesJustOutsideTheArea) {
    ScreenArea strips[4];
    ScreenArea area = {100, 50, 640, 480};
    CaptureAreaFrame(area, 2, strips);
    ExpectArea(strips[0], 98, 48, 644, 2);
    ExpectArea(strips[1], 98, 530, 644, 2);
    ExpectArea(strips[2], 98, 50, 2, 480);
    ExpectArea(strips[3], 740, 50, 2, 480);
    for (const ScreenArea& strip : strips)
        EXPECT_EQ(ScreenAreaIntersect(strip, area).width, 0);

    int32_t x = 0;
    int32_t y = 0;
    CaptureLabelOrigin(area, 80, 16, VIRTUAL, &x, &y);
    EXPECT_EQ(x, 660);
    EXPECT_EQ(y, 534);
    // At the bottom of the screen the label goes above the area.
    CaptureLabelOrigin({0, 600, 200, 424}, 80, 16, VIRTUAL, &x, &y);
    EXPECT_EQ(x, 120);
    EXPECT_EQ(y, 580);
}

TEST(CaptureDescribe, NamesAreasAndMonitors) {
    char text[64];
    EXPECT_EQ(CaptureDescribe(text, sizeof text, 0, {100, 50, 640, 480}),
              strlen("Area: 640 x 480 at (100, 50)"));
    EXPECT_STREQ(text, "Area: 640 x 480 at (100, 50)");
    CaptureDescribe(text, sizeof text, 2, LEFT);
    EXPECT_STREQ(text, "Monitor 2: 800 x 600 at (-800, 0)");
    EXPECT_EQ(CaptureDescribe(text, 8, 2, LEFT), 7u);
    EXPECT_STREQ(text, "Monitor");
}

}  // namespace
