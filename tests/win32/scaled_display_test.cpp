// Recordings on a scaled display, run by scaled_display.sh with the Wine
// prefix set to a DPI above 96 and the X pointer put at a known place. This
// program carries the recorder's manifest, so it runs with the recorder's
// DPI awareness. What X says (the screen's size, the pointer's position) is
// the truth the recordings are held to: a whole-screen recording has the
// screen's pixel size, a window's recording its pixel size, and the cursor
// is drawn at its own size with its hot spot on the pointer's pixel.
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

const DWORD GENEROUS_MS = 20000;
const int WINDOW_WIDTH = 240, WINDOW_HEIGHT = 180;
// The test's own cursor: 32 x 32, whatever the DPI, with its hot spot off
// centre, so that a cursor drawn scaled, or not moved by its hot spot,
// lands elsewhere.
const int CURSOR_SIDE = 32, HOT_X = 11, HOT_Y = 7;
const uint32_t CURSOR_BODY = Bgrx(0, 230, 250), CURSOR_TIP = Bgrx(250, 0, 250);

// The cursor's shape: a wedge from the hot spot down and to the right.
bool InCursor(int x, int y) {
    int dx = x - HOT_X, dy = y - HOT_Y;
    return dx >= 0 && dy >= 0 && dy < 20 && dx <= dy / 2 + 3;
}

uint32_t CursorPixel(int x, int y) {
    return x == HOT_X && y == HOT_Y ? CURSOR_TIP : CURSOR_BODY;
}

HCURSOR MakeCursor() {
    std::vector<uint8_t> mask(CURSOR_SIDE * CURSOR_SIDE / 8, 0xFF);  // 1: the screen shows
    std::vector<uint32_t> colour(CURSOR_SIDE * CURSOR_SIDE, 0);
    for (int y = 0; y < CURSOR_SIDE; y++)
        for (int x = 0; x < CURSOR_SIDE; x++)
            if (InCursor(x, y)) {
                mask[y * CURSOR_SIDE / 8 + x / 8] &= static_cast<uint8_t>(~(0x80 >> (x % 8)));
                colour[y * CURSOR_SIDE + x] = CursorPixel(x, y);
            }
    ICONINFO info = {};
    info.fIcon = FALSE;
    info.xHotspot = HOT_X;
    info.yHotspot = HOT_Y;
    info.hbmMask = CreateBitmap(CURSOR_SIDE, CURSOR_SIDE, 1, 1, mask.data());
    info.hbmColor = CreateBitmap(CURSOR_SIDE, CURSOR_SIDE, 1, 32, colour.data());
    HCURSOR cursor = CreateIconIndirect(&info);
    DeleteObject(info.hbmMask);
    DeleteObject(info.hbmColor);
    return cursor;
}

bool ReadPair(const char* name, const char* format, int* first, int* second) {
    const char* text = getenv(name);
    return text && sscanf(text, format, first, second) == 2;
}

// The DPI awareness this process runs with.
int DpiAwareness() {
    typedef DPI_AWARENESS_CONTEXT(WINAPI * GetContext)();
    typedef DPI_AWARENESS(WINAPI * GetAwareness)(DPI_AWARENESS_CONTEXT);
    HMODULE user32 = GetModuleHandleA("USER32.DLL");
    auto getContext = reinterpret_cast<GetContext>(
        reinterpret_cast<void (*)()>(GetProcAddress(user32, "GetThreadDpiAwarenessContext")));
    auto getAwareness = reinterpret_cast<GetAwareness>(reinterpret_cast<void (*)()>(
        GetProcAddress(user32, "GetAwarenessFromDpiAwarenessContext")));
    if (!getContext || !getAwareness) return -1;
    return getAwareness(getContext());
}

LastPicture Record(HWND window, int width, int height, const char* name) {
    std::string path = TempFilePath(name);
    CaptureRect rect = {0, 0, width - 1, height - 1};
    EXPECT_EQ(EngineStartRecording(path.c_str(), window, &rect, 10), 1);
    EXPECT_TRUE(
        WaitFor([] { return EngineQuery(ENGINE_QUERY_FRAME_COUNT) >= 2; }, GENEROUS_MS));
    EngineStop();
    LastPicture last = DecodeLastPicture(ReadWholeFile(path));
    DeleteFileA(path.c_str());
    return last;
}

// The pixels of a width x height block of a picture, from (x, y).
std::vector<uint32_t> Block(const std::vector<uint32_t>& picture, int pictureWidth, int x, int y,
                            int width, int height) {
    std::vector<uint32_t> block;
    for (int row = y; row < y + height; row++)
        for (int column = x; column < x + width; column++)
            block.push_back(picture[static_cast<size_t>(row) * pictureWidth + column]);
    return block;
}

TEST(ScaledDisplay, RecordingsHaveThePixelSizesAndTheCursorItsHotSpotOnThePointer) {
    int dpi = getenv("MORVANE_TEST_DPI") ? atoi(getenv("MORVANE_TEST_DPI")) : 0;
    int screenWidth, screenHeight, pointerX, pointerY;
    if (!dpi || !ReadPair("MORVANE_TEST_SCREEN", "%dx%d", &screenWidth, &screenHeight) ||
        !ReadPair("MORVANE_TEST_POINTER", "%d,%d", &pointerX, &pointerY))
        GTEST_SKIP() << "run by scaled_display.sh";
    HDC screen = GetDC(nullptr);
    int logicalDpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    ASSERT_EQ(logicalDpi, dpi) << "the prefix's DPI is not in effect";
    EXPECT_EQ(DpiAwareness(), DPI_AWARENESS_PER_MONITOR_AWARE);
    POINT pointer;
    ASSERT_TRUE(GetCursorPos(&pointer));
    EXPECT_EQ(pointer.x, pointerX);
    EXPECT_EQ(pointer.y, pointerY);

    // A window under the pointer, which shows the test's cursor over it.
    const int left = pointerX - 90, top = pointerY - 70;
    PictureWindow shown = {};
    ASSERT_TRUE(PictureWindowOpen(&shown, left, top, WINDOW_WIDTH, WINDOW_HEIGHT));
    FrameSurfaceLock(&shown.picture);
    DrawLetterF(&shown.picture, 30, 20, 12);
    std::vector<uint32_t> expected = PictureOf(&shown.picture);
    FrameSurfaceUnlock(&shown.picture);
    PictureWindowShow(&shown);
    HCURSOR cursor = MakeCursor();
    ASSERT_NE(cursor, nullptr);
    SetClassLongPtrA(shown.window, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(cursor));
    SetCursor(cursor);
    PumpFor(300);
    CURSORINFO info = {};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetCursorInfo(&info));
    ASSERT_EQ(info.hCursor, cursor);
    // What the window looks like with the cursor on it, composed here from
    // the cursor's own pixels rather than drawn by the system.
    for (uint32_t& pixel : expected) pixel &= 0xFFFFFF;
    const int cursorX = pointerX - left - HOT_X, cursorY = pointerY - top - HOT_Y;
    for (int y = 0; y < CURSOR_SIDE; y++)
        for (int x = 0; x < CURSOR_SIDE; x++)
            if (InCursor(x, y))
                expected[(cursorY + y) * WINDOW_WIDTH + cursorX + x] = CursorPixel(x, y);

    RECT desktop, placed;
    ASSERT_TRUE(GetWindowRect(GetDesktopWindow(), &desktop));
    ASSERT_TRUE(GetWindowRect(shown.window, &placed));
    LastPicture whole = Record(GetDesktopWindow(), desktop.right - desktop.left,
                               desktop.bottom - desktop.top, "morvane_scaled_screen.zuv");
    LastPicture window = Record(shown.window, placed.right - placed.left,
                                placed.bottom - placed.top, "morvane_scaled_window.zuv");
    SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
    PictureWindowClose(&shown);
    DestroyCursor(cursor);

    EXPECT_TRUE(whole.decoded);
    EXPECT_EQ(whole.header.width, screenWidth);
    EXPECT_EQ(whole.header.height, screenHeight);
    ASSERT_FALSE(whole.records.empty());
    EXPECT_EQ(whole.records.back().right + 1, screenWidth);
    EXPECT_EQ(whole.records.back().bottom + 1, screenHeight);
    ASSERT_EQ(whole.picture.size(), static_cast<size_t>(screenWidth) * screenHeight);
    EXPECT_TRUE(Block(whole.picture, screenWidth, left, top, WINDOW_WIDTH, WINDOW_HEIGHT) ==
                expected)
        << "the window with the cursor, in the whole screen";

    EXPECT_TRUE(window.decoded);
    EXPECT_EQ(window.header.width, WINDOW_WIDTH);
    EXPECT_EQ(window.header.height, WINDOW_HEIGHT);
    EXPECT_TRUE(window.picture == expected) << "the window with the cursor";
}

}  // namespace
