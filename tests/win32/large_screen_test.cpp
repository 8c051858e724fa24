// A whole-screen recording on a screen larger than 2048 pixels both ways,
// run by large_screen.sh on a virtual screen of the size it names. The
// header and every record carry the whole screen, and the test window,
// placed across the 2048th column near the bottom, is in the last frame where
// it is on the screen; the script then holds the whole last frame to a grab of the
// screen that X itself made while the recording ran.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine.h"
#include "recording_support_win.h"
#include "test_pictures.h"

namespace {

const DWORD GENEROUS_MS = 120000;
const int WINDOW_WIDTH = 300, WINDOW_HEIGHT = 200;

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

TEST(LargeScreen, AWholeScreenRecordingHoldsTheWholeScreen) {
    int width = 0, height = 0;
    const char* screen = getenv("MORVANE_TEST_SCREEN");
    const char* video = getenv("MORVANE_TEST_VIDEO");
    const char* sync = getenv("MORVANE_TEST_SYNC");
    if (!screen || !video || !sync || sscanf(screen, "%dx%d", &width, &height) != 2)
        GTEST_SKIP() << "run by large_screen.sh";
    RECT desktop;
    ASSERT_TRUE(GetWindowRect(GetDesktopWindow(), &desktop));
    ASSERT_EQ(desktop.right - desktop.left, width);
    ASSERT_EQ(desktop.bottom - desktop.top, height);

    const int left = 1900, top = height - WINDOW_HEIGHT - 40;
    ASSERT_LE(left + WINDOW_WIDTH, width);
    ASSERT_LE(top + WINDOW_HEIGHT, height);
    PictureWindow shown = {};
    ASSERT_TRUE(PictureWindowOpen(&shown, left, top, WINDOW_WIDTH, WINDOW_HEIGHT));
    FrameSurfaceLock(&shown.picture);
    DrawLetterF(&shown.picture, 120, 60, 14);
    std::vector<uint32_t> painted = PictureOf(&shown.picture);
    FrameSurfaceUnlock(&shown.picture);
    for (uint32_t& pixel : painted) pixel &= 0xFFFFFF;
    PictureWindowShow(&shown);
    // X's grab of the screen has no cursor in it.
    while (ShowCursor(FALSE) >= 0) {
    }
    PumpFor(500);

    EngineInit();
    CaptureRect whole = {0, 0, width - 1, height - 1};
    ASSERT_EQ(EngineStartRecording(video, GetDesktopWindow(), &whole, 10), 1);
    EXPECT_TRUE(WaitFor([] { return EngineQuery(ENGINE_QUERY_FRAME_COUNT) >= 3; }, GENEROUS_MS));
    // The script grabs the screen now, and says so.
    std::string recording = std::string(sync) + "\\recording";
    CloseHandle(CreateFileA(recording.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    EXPECT_TRUE(WaitFor([&] { return Exists(std::string(sync) + "\\grabbed"); }, GENEROUS_MS));
    uint32_t grabbedAt = EngineQuery(ENGINE_QUERY_FRAME_COUNT);
    EXPECT_TRUE(WaitFor([&] { return EngineQuery(ENGINE_QUERY_FRAME_COUNT) >= grabbedAt + 2; },
                        GENEROUS_MS));
    EngineStop();
    while (ShowCursor(TRUE) < 0) {
    }

    LastPicture last = DecodeLastPicture(ReadWholeFile(video));
    EXPECT_TRUE(last.decoded);
    EXPECT_EQ(last.header.width, width);
    EXPECT_EQ(last.header.height, height);
    ASSERT_GE(last.records.size(), 5u);
    for (const FrameRecordHeader& record : last.records) {
        EXPECT_EQ(record.right, width - 1);
        EXPECT_EQ(record.bottom, height - 1);
    }
    ASSERT_EQ(last.picture.size(), static_cast<size_t>(width) * height);
    bool same = true;
    for (int y = 0; y < WINDOW_HEIGHT; y++)
        for (int x = 0; x < WINDOW_WIDTH; x++)
            same = same && last.picture[static_cast<size_t>(top + y) * width + left + x] ==
                               painted[y * WINDOW_WIDTH + x];
    EXPECT_TRUE(same) << "the test window in the last frame";
    PictureWindowClose(&shown);
}

}  // namespace
