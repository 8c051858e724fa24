// The playback thread at work: videos built in memory are played into a real
// window, from a file and from memory, and the window's client pixels are
// read back while playback holds a frame on pause.
#include <windows.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "engine.h"
#include "far_video_win.h"
#include "recording_support_win.h"
#include "test_pictures.h"
#include "video_format.h"
#include "video_writer.h"
#include "win32/video_file_source_win.h"

namespace {

const DWORD GENEROUS_MS = 10000;
const uint32_t RECORDER_BAND = 24;
const int CLIENT_WIDTH = 400, CLIENT_HEIGHT = 324;  // W = 400, H = 300 once the band is off
const COLORREF BACKGROUND_REF = RGB(40, 160, 90);
const uint32_t BACKGROUND = Bgrx(90, 160, 40);

HWND window = nullptr;

// A client-area picture: a width x height block of pixels, fourth byte clear.
struct Picture {
    int width, height;
    std::vector<uint32_t> pixels;
    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    bool operator==(const Picture& other) const {
        return width == other.width && height == other.height && pixels == other.pixels;
    }
};

// What the window shows in the rectangle at (x, y), as its own DC reads it.
Picture GrabClient(int x, int y, int width, int height) {
    Picture picture = {width, height, {}};
    FrameSurface grab;
    if (!FrameSurfaceCreate(width, height, &grab)) return picture;
    void* dcPlace = nullptr;
    HDC dc = static_cast<HDC>(FrameSurfaceGetDC(&dcPlace, nullptr, &grab));
    HDC windowDC = GetDC(window);
    BitBlt(dc, 0, 0, width, height, windowDC, x, y, SRCCOPY);
    ReleaseDC(window, windowDC);
    FrameSurfaceReleaseDC(&dcPlace, &grab);
    uint32_t* pixels = FrameSurfaceLock(&grab);
    for (int row = 0; row < height; row++)
        for (int column = 0; column < width; column++)
            picture.pixels.push_back(pixels[row * grab.stride + column] & 0xFFFFFF);
    FrameSurfaceDestroy(&grab);
    return picture;
}

bool AllOf(const Picture& picture, uint32_t value) {
    for (uint32_t pixel : picture.pixels)
        if (pixel != value) return false;
    return true;
}

// Repaints the whole client area with the background and waits until the
// screen shows it, so that no earlier picture passes for a fresh one.
void PaintBackground() {
    RedrawWindow(window, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_UPDATENOW);
    WaitFor([] { return AllOf(GrabClient(0, 0, CLIENT_WIDTH, CLIENT_HEIGHT), BACKGROUND); },
            GENEROUS_MS);
}

// A video built in memory the way the recording thread builds a file, and
// the picture each of its records leaves on the display surface.
struct TestVideo {
    std::vector<uint8_t> bytes;
    std::vector<Picture> shown;
    FrameSurface current, previous;
    std::vector<uint8_t> work;
};

void VideoBegin(TestVideo* video, int width, int height, uint16_t rate) {
    video->bytes =
        VideoHeaderBytes(static_cast<uint16_t>(width), static_cast<uint16_t>(height), rate);
    FrameSurfaceCreate(width, height, &video->current);
    FrameSurfaceCreate(width, height, &video->previous);
    FrameSurface* surfaces[2] = {&video->current, &video->previous};
    for (FrameSurface* surface : surfaces) {
        FrameSurfaceLock(surface);
        FrameSurfaceFill(surface, 0, 0, width - 1, height - 1, 0);
        FrameSurfaceUnlock(surface);
    }
    video->work.resize(RecordWorkSize(width, height));
}

// Draws a picture without symmetry: a fill, four differently coloured
// corners and a strip of noise along the top, which keeps records large.
void DrawMarked(FrameSurface* surface, uint32_t fill, uint32_t seed) {
    int32_t w = surface->width, h = surface->height;
    FrameSurfaceFill(surface, 0, 0, w - 1, h - 1, fill);
    FrameSurfaceFill(surface, 0, 0, 1, 1, Bgrx(10, 20, 240));
    FrameSurfaceFill(surface, w - 2, 0, w - 1, 1, Bgrx(240, 20, 10));
    FrameSurfaceFill(surface, 0, h - 2, 1, h - 1, Bgrx(250, 250, 250));
    FrameSurfaceFill(surface, w - 2, h - 2, w - 1, h - 1, Bgrx(5, 5, 5));
    std::mt19937 random(seed);
    for (int32_t y = 3; y < 3 + (h > 10 ? 6 : 0); y++)
        for (int32_t x = 3; x < w - 3; x++)
            surface->pixels[y * surface->stride + x] = random() & 0xFFFFFF;
}

void VideoAdd(TestVideo* video, uint32_t fill, uint32_t seed) {
    FrameSurfaceLock(&video->current);
    if (fill != 0 || seed != 0) DrawMarked(&video->current, fill, seed);
    Picture picture = {video->current.width, video->current.height, PictureOf(&video->current)};
    for (uint32_t& pixel : picture.pixels) pixel &= 0xFFFFFF;
    FrameSurfaceUnlock(&video->current);
    ASSERT_TRUE(AppendRecord(&video->bytes, &video->current, &video->previous,
                             static_cast<uint32_t>(video->shown.size()), &video->work));
    video->shown.push_back(picture);
}

// The same picture again: stored as an unchanged (type 0) record.
void VideoRepeat(TestVideo* video) {
    VideoAdd(video, 0, 0);
}

void VideoEnd(TestVideo* video) {
    FrameSurfaceDestroy(&video->current);
    FrameSurfaceDestroy(&video->previous);
}

uint32_t RecordTypeAt(const TestVideo& video, size_t record) {
    size_t position = VIDEO_HEADER_SIZE;
    FrameRecordHeader header = {};
    for (size_t i = 0; i <= record && position + 24 <= video.bytes.size(); i++) {
        header = FrameRecordHeaderLoad(&video.bytes[position], 24);
        position += header.headerSize + header.dataSize;
    }
    return header.frameType;
}

bool WriteWholeFile(const std::string& path, const uint8_t* data, size_t size) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool whole =
        WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr) && written == size;
    CloseHandle(file);
    return whole;
}

// Bytes placed so that the last one is followed by a page the process may
// not read: a read beyond the video faults at once.
struct GuardedBytes {
    uint8_t* block;
    size_t blockSize;
    const uint8_t* data;
};

GuardedBytes GuardedCopy(const uint8_t* data, size_t size) {
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    size_t page = system.dwPageSize;
    size_t dataPages = (size + page - 1) / page;
    GuardedBytes guarded = {};
    guarded.blockSize = (dataPages + 1) * page;
    guarded.block = static_cast<uint8_t*>(
        VirtualAlloc(nullptr, guarded.blockSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    DWORD old = 0;
    VirtualProtect(guarded.block + dataPages * page, page, PAGE_NOACCESS, &old);
    uint8_t* start = guarded.block + dataPages * page - size;
    if (size) memcpy(start, data, size);
    guarded.data = start;
    return guarded;
}

void GuardedFree(GuardedBytes* guarded) {
    VirtualFree(guarded->block, 0, MEM_RELEASE);
}

void PressEscape() {
    INPUT keys[2] = {};
    keys[0].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = VK_ESCAPE;
    keys[1] = keys[0];
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, keys, sizeof(INPUT));
}

bool Playing() {
    return EngineQuery(ENGINE_QUERY_PLAYING) == 1;
}

struct Playback : ::testing::Test {
    std::string path = TempFilePath("morvane_playback.zuv");

    static void SetUpTestSuite() {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hbrBackground = CreateSolidBrush(BACKGROUND_REF);
        windowClass.lpszClassName = "morvane_test_playback";
        RegisterClassA(&windowClass);
        int x = (GetSystemMetrics(SM_CXSCREEN) - CLIENT_WIDTH) / 2;
        int y = (GetSystemMetrics(SM_CYSCREEN) - CLIENT_HEIGHT) / 2;
        window = CreateWindowExA(WS_EX_TOPMOST, "morvane_test_playback", "", WS_POPUP | WS_VISIBLE,
                                 x, y, CLIENT_WIDTH, CLIENT_HEIGHT, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
        UpdateWindow(window);
        PumpMessages();
    }
    static void TearDownTestSuite() {
        DestroyWindow(window);
        PumpMessages();
    }
    void SetUp() override {
        ASSERT_NE(window, nullptr);
        RECT client;
        GetClientRect(window, &client);
        ASSERT_EQ(client.right, CLIENT_WIDTH);
        ASSERT_EQ(client.bottom, CLIENT_HEIGHT);
        EngineInit();
        engineState.paused = 0;
        PaintBackground();
    }
    void TearDown() override {
        EngineStop();
        engineState.paused = 0;
        GetAsyncKeyState(VK_ESCAPE);  // leaves no press behind for the next test
        DeleteFileA(path.c_str());
    }

    int PlayMemory(const TestVideo& video, uint32_t band = RECORDER_BAND) {
        return EngineStartPlayback(reinterpret_cast<const char*>(video.bytes.data()), window, 1,
                                   video.bytes.size(), band);
    }
    // From a file, or from one whose records lie beyond 4 GiB (far_video.h).
    int PlayFile(const TestVideo& video, bool distant = false) {
        if (distant ? !WriteFarVideo(path, video.bytes)
                : !WriteWholeFile(path, video.bytes.data(), video.bytes.size()))
            return -1;
        return EngineStartPlayback(path.c_str(), window, 0, 0, RECORDER_BAND);
    }
    // Starts playback and pauses at once, holding the first frame.
    void PlayPaused(const TestVideo& video, uint32_t band = RECORDER_BAND) {
        ASSERT_EQ(PlayMemory(video, band), 1);
        EngineTogglePause();
    }
    // Moves on from the frame held on pause to the frame numbered `frame`
    // and holds that one.
    void StepTo(uint32_t frame) {
        EngineTogglePause();
        ASSERT_TRUE(
            WaitFor([&] { return EngineQuery(ENGINE_QUERY_FRAME_COUNT) >= frame; }, GENEROUS_MS));
        EngineTogglePause();
        ASSERT_EQ(EngineQuery(ENGINE_QUERY_FRAME_COUNT), frame) << "the pause came too late";
    }
    // Waits until the held frame shows at (x, y) as expected.
    static bool Shows(int x, int y, const Picture& expected) {
        return WaitFor(
            [&] { return GrabClient(x, y, expected.width, expected.height) == expected; },
            GENEROUS_MS);
    }
};

// Every pixel of the client area outside the rectangle is the background.
void ExpectBackgroundAround(int x, int y, int width, int height) {
    Picture client = GrabClient(0, 0, CLIENT_WIDTH, CLIENT_HEIGHT);
    int wrong = 0;
    for (int row = 0; row < CLIENT_HEIGHT; row++)
        for (int column = 0; column < CLIENT_WIDTH; column++) {
            bool inside = column >= x && column < x + width && row >= y && row < y + height;
            if (!inside && client.At(column, row) != BACKGROUND) wrong++;
        }
    EXPECT_EQ(wrong, 0) << "pixels drawn outside (" << x << ", " << y << ") " << width << " x "
                        << height;
}

TEST_F(Playback, FramesThatFitAreCentredAtNaturalSizeAndTheBandStaysFree) {
    struct Case {
        int width, height, x, y;
    } cases[] = {
        {100, 50, 150, 125},  // the recorder's example: W = 400, H = 300
        {37, 299, 182, 1},    // odd differences round down
        {400, 300, 0, 0},     // exactly the area
        {401, 301, 0, 0},     // one over in both directions still fits
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        TestVideo video;
        VideoBegin(&video, c.width, c.height, 1);
        VideoAdd(&video, Bgrx(200, 40, 10), 1);
        VideoEnd(&video);
        PaintBackground();
        PlayPaused(video);
        // The area shows the frame's top-left part, cut to W x H.
        int shownWidth = c.width < 400 ? c.width : 400,
            shownHeight = c.height < 300 ? c.height : 300;
        Picture expected = {shownWidth, shownHeight, {}};
        for (int y = 0; y < shownHeight; y++)
            for (int x = 0; x < shownWidth; x++) expected.pixels.push_back(video.shown[0].At(x, y));
        EXPECT_TRUE(Shows(c.x, c.y, expected));
        ExpectBackgroundAround(c.x, c.y, shownWidth, shownHeight);
        EngineStop();
        engineState.paused = 0;
    }
}

TEST_F(Playback, FramesTwoPixelsOverAreStretchedInsideTheArea) {
    const uint32_t fill = Bgrx(30, 60, 220);
    struct Case {
        int width, height;
        uint32_t band;
    } cases[] = {{402, 50, RECORDER_BAND}, {100, 302, RECORDER_BAND}, {402, 326, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << ", band " << c.band);
        TestVideo video;
        VideoBegin(&video, c.width, c.height, 1);
        FrameSurfaceLock(&video.current);
        FrameSurfaceFill(&video.current, 0, 0, c.width - 1, c.height - 1, fill);
        FrameSurfaceUnlock(&video.current);
        VideoAdd(&video, 0, 0);
        VideoEnd(&video);
        PaintBackground();
        PlayPaused(video, c.band);
        int areaHeight = CLIENT_HEIGHT - static_cast<int>(c.band);
        // Stretched over (1, 1) to (W - 1, H - 1): W - 1 by H - 1 pixels.
        Picture expected = {CLIENT_WIDTH - 1, areaHeight - 1, {}};
        expected.pixels.assign(static_cast<size_t>(expected.width) * expected.height,
                               fill & 0xFFFFFF);
        EXPECT_TRUE(Shows(1, 1, expected));
        ExpectBackgroundAround(1, 1, expected.width, expected.height);
        EngineStop();
        engineState.paused = 0;
    }
}

// Plays the video held frame by frame and returns what the window showed.
enum Source { FROM_MEMORY, FROM_FILE, FROM_FAR_FILE };

std::vector<Picture> HeldFrames(Playback* test, const TestVideo& video, Source from) {
    std::vector<Picture> seen;
    int started = from == FROM_MEMORY ? test->PlayMemory(video)
                                      : test->PlayFile(video, from == FROM_FAR_FILE);
    EXPECT_EQ(started, 1);
    if (started != 1) return seen;
    EngineTogglePause();
    int x = (400 - video.shown[0].width + 1) / 2, y = (300 - video.shown[0].height + 1) / 2;
    for (uint32_t frame = 0; frame < video.shown.size(); frame++) {
        if (frame > 0) test->StepTo(frame);
        EXPECT_TRUE(Playback::Shows(x, y, video.shown[frame])) << "frame " << frame;
        seen.push_back(GrabClient(x, y, video.shown[frame].width, video.shown[frame].height));
    }
    EngineStop();
    engineState.paused = 0;
    return seen;
}

// The same frames again from a file whose records lie beyond 4 GiB, which a
// 32-bit process could not map whole.
TEST_F(Playback, AFileAndTheSameBytesInMemoryShowTheSameFrames) {
    TestVideo video;
    VideoBegin(&video, 64, 48, 1);
    VideoAdd(&video, Bgrx(200, 40, 10), 1);   // key frame
    VideoAdd(&video, Bgrx(20, 200, 100), 2);  // delta
    VideoRepeat(&video);                      // unchanged: the previous picture again
    VideoAdd(&video, Bgrx(120, 0, 160), 3);   // delta after the unchanged record
    VideoEnd(&video);
    ASSERT_EQ(RecordTypeAt(video, 0), FRAME_KEY);
    ASSERT_EQ(RecordTypeAt(video, 2), FRAME_UNCHANGED);
    ASSERT_EQ(RecordTypeAt(video, 3), FRAME_DELTA);
    ASSERT_GE(video.bytes.size(), VIDEO_MIN_FILE_SIZE);

    std::vector<Picture> fromMemory = HeldFrames(this, video, FROM_MEMORY);
    PaintBackground();
    std::vector<Picture> fromFile = HeldFrames(this, video, FROM_FILE);
    ASSERT_EQ(fromMemory.size(), video.shown.size());
    EXPECT_TRUE(fromMemory == fromFile);
    EXPECT_TRUE(fromMemory[2] == video.shown[1]);
    PaintBackground();
    std::vector<Picture> fromFarFile = HeldFrames(this, video, FROM_FAR_FILE);
    EXPECT_TRUE(fromMemory == fromFarFile);
    // Played through, it ends as a short video does, and frees the file.
    ASSERT_EQ(PlayFile(video, true), 1);
    EXPECT_TRUE(WaitFor([] { return !Playing(); }, GENEROUS_MS));
    EXPECT_EQ(EngineQuery(ENGINE_QUERY_END_REASON), ENGINE_END_FINISHED);
    EXPECT_TRUE(DeleteFileA(path.c_str()));
}

TEST_F(Playback, TheEndLeavesCountZeroFlagsSetAndAsksForARepaint) {
    TestVideo video;
    VideoBegin(&video, 64, 48, 30);
    for (uint32_t i = 0; i < 20; i++) VideoAdd(&video, Bgrx(200, 40, 10 + 10 * i), i + 1);
    VideoEnd(&video);
    ASSERT_EQ(PlayFile(video), 1);
    EXPECT_EQ(EngineQuery(ENGINE_QUERY_FRAME_INTERVAL), 33u);
    ASSERT_TRUE(WaitFor([] { return EngineQuery(ENGINE_QUERY_FRAME_COUNT) >= 1; }, GENEROUS_MS));
    ValidateRect(window, nullptr);  // from here on only the playback asks for repaints
    DWORD start = GetTickCount();
    while (Playing() && GetTickCount() - start < GENEROUS_MS) Sleep(5);
    EXPECT_FALSE(Playing());
    EXPECT_EQ(EngineQuery(ENGINE_QUERY_FRAME_COUNT), 0u);
    EXPECT_EQ(engineState.finished, 1);
    EXPECT_EQ(engineState.starting, 0);
    EXPECT_EQ(engineState.stopRequested, 0);
    RECT update = {};
    EXPECT_TRUE(GetUpdateRect(window, &update, FALSE));
    EXPECT_EQ(update.right - update.left, CLIENT_WIDTH);
    EXPECT_EQ(update.bottom - update.top, CLIENT_HEIGHT);
    // The repaint takes the last frame away, and the file is free again.
    EXPECT_TRUE(
        WaitFor([] { return AllOf(GrabClient(0, 0, CLIENT_WIDTH, CLIENT_HEIGHT), BACKGROUND); },
                GENEROUS_MS));
    EXPECT_TRUE(DeleteFileA(path.c_str()));
}

TEST_F(Playback, EscapeAndStopEndPlaybackPromptlyButAnEarlierEscapeDoesNot) {
    TestVideo video;
    VideoBegin(&video, 64, 48, 15);
    VideoAdd(&video, Bgrx(200, 40, 10), 1);
    for (int i = 0; i < 300; i++) VideoRepeat(&video);  // 20 seconds
    VideoEnd(&video);

    // Escape pressed and released before the start.
    PressEscape();
    ASSERT_EQ(PlayMemory(video), 1);
    EXPECT_TRUE(WaitFor([] { return EngineQuery(ENGINE_QUERY_FRAME_COUNT) >= 3; }, GENEROUS_MS));
    EXPECT_TRUE(Playing());

    PressEscape();
    EXPECT_TRUE(WaitFor([] { return !Playing(); }, 2000));
    EXPECT_EQ(engineState.finished, 1);

    // Escape also ends a paused playback.
    PlayPaused(video);
    PressEscape();
    EXPECT_TRUE(WaitFor([] { return !Playing(); }, 2000));
    engineState.paused = 0;

    ASSERT_EQ(PlayFile(video), 1);
    DWORD start = GetTickCount();
    EngineStop();
    EXPECT_LT(GetTickCount() - start, 2000u);
    EXPECT_FALSE(Playing());
    EXPECT_EQ(EngineQuery(ENGINE_QUERY_FRAME_COUNT), 0u);
}

std::atomic<int> stopRoundsDone(0);

DWORD WINAPI Watchdog(LPVOID) {
    for (int waited = 0; waited < 180000; waited += 100) {
        if (stopRoundsDone) return 0;
        Sleep(100);
    }
    fprintf(stderr, "EngineStop from the window's thread deadlocked with the playback thread\n");
    fflush(stderr);
    ExitProcess(3);
}

TEST_F(Playback, StopFromTheWindowsThreadWhileDrawingNeverDeadlocks) {
    // Frames back to back (rate above 1000), each changed and stretched.
    TestVideo video;
    VideoBegin(&video, 480, 360, 2000);
    for (uint32_t i = 0; i < 20; i++) VideoAdd(&video, Bgrx(i * 12, 100, 200 - i * 9), i + 1);
    VideoEnd(&video);
    stopRoundsDone = 0;
    HANDLE watchdog = CreateThread(nullptr, 0, Watchdog, nullptr, 0, nullptr);
    for (int round = 0; round < 60; round++) {
        int started = round % 2 ? PlayMemory(video) : PlayFile(video);
        EXPECT_EQ(started, 1) << "round " << round;
        if (started != 1) break;
        // Let a few frames run into the window without handling its messages.
        DWORD start = GetTickCount();
        while (EngineQuery(ENGINE_QUERY_FRAME_COUNT) < static_cast<uint32_t>(round % 4) &&
               Playing() && GetTickCount() - start < GENEROUS_MS)
            Sleep(0);
        EngineStop();
        EXPECT_FALSE(Playing());
        if (round % 10 == 0) PumpMessages();
    }
    stopRoundsDone = 1;
    WaitForSingleObject(watchdog, INFINITE);
    CloseHandle(watchdog);
}

TEST_F(Playback, RefusedVideosStartNothingAndDrawNothing) {
    TestVideo video;
    VideoBegin(&video, 64, 48, 15);
    VideoAdd(&video, Bgrx(200, 40, 10), 1);
    VideoAdd(&video, Bgrx(20, 200, 100), 2);
    VideoEnd(&video);
    ASSERT_GE(video.bytes.size(), VIDEO_MIN_FILE_SIZE);

    auto expectRefused = [&](int started, const char* what) {
        EXPECT_EQ(started, 0) << what;
        EXPECT_FALSE(Playing()) << what;
        EXPECT_EQ(engineState.finished, 1) << what;
        EXPECT_EQ(engineState.starting, 0) << what;
        EXPECT_EQ(EngineQuery(ENGINE_QUERY_END_REASON), ENGINE_END_START_FAILED) << what;
        PumpFor(100);
        EXPECT_TRUE(AllOf(GrabClient(0, 0, CLIENT_WIDTH, CLIENT_HEIGHT), BACKGROUND)) << what;
        EngineStop();
    };
    DeleteFileA(path.c_str());
    expectRefused(EngineStartPlayback(path.c_str(), window, 0, 0, RECORDER_BAND), "missing file");
    expectRefused(EngineStartPlayback(nullptr, window, 0, 0, RECORDER_BAND), "no path");
    expectRefused(EngineStartPlayback(nullptr, window, 1, 4096, RECORDER_BAND), "no memory");

    // Cut to 1023 bytes this video would still play for seconds.
    TestVideo small;
    VideoBegin(&small, 16, 16, 15);
    VideoAdd(&small, Bgrx(200, 40, 10), 1);
    for (int i = 0; i < 60; i++) VideoRepeat(&small);
    VideoEnd(&small);
    ASSERT_TRUE(WriteWholeFile(path, small.bytes.data(), VIDEO_MIN_FILE_SIZE - 1));
    expectRefused(EngineStartPlayback(path.c_str(), window, 0, 0, RECORDER_BAND), "1023 bytes");
    ASSERT_TRUE(WriteWholeFile(path, small.bytes.data(), VIDEO_MIN_FILE_SIZE));
    EXPECT_EQ(EngineStartPlayback(path.c_str(), window, 0, 0, RECORDER_BAND), 1) << "1024 bytes";
    EngineStop();
    PaintBackground();

    struct Damage {
        size_t offset;
        uint8_t value;
        const char* what;
    } damages[] = {
        {0, '-', "wrong magic"},
        {12, 0, "zero width"},
        {14, 0, "zero height"},
        {18, 0, "zero frame rate"},
    };
    for (const Damage& damage : damages) {
        TestVideo damaged = video;
        damaged.bytes[damage.offset] = damage.value;
        expectRefused(PlayMemory(damaged), damage.what);
        expectRefused(PlayFile(damaged), damage.what);
    }
    expectRefused(EngineStartPlayback(reinterpret_cast<const char*>(video.bytes.data()), window, 1,
                                      16, RECORDER_BAND),
                  "a header cut before its frame rate");
}

size_t CommittedBytes() {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PagefileUsage;
}

TEST_F(Playback, ShortVideosAreASuccessAndClaimedSizesCostNoMoreThanTheSurface) {
    // A video that is over before the start operation first looks: a header
    // without records, and one frame at 100 frames per second.
    TestVideo empty;
    VideoBegin(&empty, 64, 48, 100);
    VideoEnd(&empty);
    empty.bytes.resize(VIDEO_MIN_FILE_SIZE, 0);
    TestVideo one;
    VideoBegin(&one, 64, 48, 100);
    VideoAdd(&one, Bgrx(200, 40, 10), 1);
    VideoEnd(&one);
    one.bytes.resize(std::max<size_t>(one.bytes.size(), VIDEO_MIN_FILE_SIZE), 0);
    for (const TestVideo* video : {&empty, &one}) {
        const char* what = video == &empty ? "no records" : "one frame";
        EXPECT_EQ(PlayMemory(*video), 1) << what;
        EXPECT_TRUE(WaitFor([] { return !Playing(); }, GENEROUS_MS)) << what;
        EXPECT_EQ(EngineQuery(ENGINE_QUERY_END_REASON), ENGINE_END_FINISHED) << what;
        EXPECT_EQ(PlayFile(*video), 1) << what;
        EXPECT_TRUE(WaitFor([] { return !Playing(); }, GENEROUS_MS)) << what;
        EngineStop();
    }

    // Headers that claim pictures far beyond the surface limit: played
    // within the memory the largest surface needs, whatever they claim.
    for (uint16_t side : {uint16_t(13107), uint16_t(65535)}) {
        std::vector<uint8_t> huge = HugeClaimVideo(65535, side, 30);
        size_t before = CommittedBytes();
        size_t most = before;
        ASSERT_EQ(EngineStartPlayback(reinterpret_cast<const char*>(huge.data()), window, 1,
                                      huge.size(), RECORDER_BAND),
                  1)
            << "65535 x " << side;
        EXPECT_TRUE(WaitFor([&] {
            most = std::max(most, CommittedBytes());
            return EngineQuery(ENGINE_QUERY_FRAME_COUNT) >= 3;
        }, GENEROUS_MS * 3)) << "65535 x " << side;
        most = std::max(most, CommittedBytes());
        EngineStop();
        size_t largest = 2 * FramePlanesSize(FRAME_SURFACE_MAX_SIDE, FRAME_SURFACE_MAX_SIDE) +
                         4u * FRAME_SURFACE_MAX_SIDE * FRAME_SURFACE_MAX_SIDE;
        EXPECT_LT(most - before, largest) << "65535 x " << side << ": " << (most - before) / 1048576
                                          << " MB";
    }
}

// Plays damaged bytes from memory, read up to a page the process may not
// read, until playback ends by itself.
void PlayDamaged(const std::vector<uint8_t>& bytes, const char* what, size_t detail) {
    GuardedBytes guarded = GuardedCopy(bytes.data(), bytes.size());
    int started = EngineStartPlayback(reinterpret_cast<const char*>(guarded.data), window, 1,
                                      bytes.size(), RECORDER_BAND);
    if (started) {
        EXPECT_TRUE(WaitFor([] { return !Playing(); }, GENEROUS_MS)) << what << " " << detail;
    }
    EXPECT_FALSE(Playing()) << what << " " << detail;
    EXPECT_EQ(engineState.finished, 1) << what << " " << detail;
    EXPECT_EQ(EngineQuery(ENGINE_QUERY_FRAME_COUNT), 0u) << what << " " << detail;
    EngineStop();
    GuardedFree(&guarded);
}

TEST_F(Playback, DamagedVideosPlayWhatIsSoundAndStopOrderly) {
    TestVideo video;
    VideoBegin(&video, 96, 64, 2000);
    for (uint32_t i = 0; i < 12; i++) {
        if (i % 4 == 3)
            VideoRepeat(&video);
        else
            VideoAdd(&video, Bgrx(200 - i * 10, 40 + i * 15, 10), i + 1);
    }
    VideoEnd(&video);
    const std::vector<uint8_t>& whole = video.bytes;

    for (size_t cut = 0; cut < whole.size(); cut += cut < 64 ? 1 : 97) {
        std::vector<uint8_t> truncated(whole.begin(), whole.begin() + cut);
        PlayDamaged(truncated, "cut at", cut);
    }
    // Cut just around every record boundary.
    for (size_t position = VIDEO_HEADER_SIZE; position + 24 <= whole.size();) {
        FrameRecordHeader header = FrameRecordHeaderLoad(&whole[position], 24);
        for (size_t cut = position + 23; cut <= position + 25 && cut < whole.size(); cut++)
            PlayDamaged(std::vector<uint8_t>(whole.begin(), whole.begin() + cut), "cut at", cut);
        position += header.headerSize + header.dataSize;
    }
    // Truncated files of at least 1024 bytes go through the mapping. Frames
    // follow back to back, so a start may find the playback already over.
    for (size_t cut = VIDEO_MIN_FILE_SIZE; cut < whole.size(); cut += 997) {
        ASSERT_TRUE(WriteWholeFile(path, whole.data(), cut));
        EngineStartPlayback(path.c_str(), window, 0, 0, RECORDER_BAND);
        EXPECT_TRUE(WaitFor([] { return !Playing(); }, GENEROUS_MS)) << "file cut at " << cut;
        EXPECT_EQ(engineState.finished, 1);
        EXPECT_EQ(EngineQuery(ENGINE_QUERY_FRAME_COUNT), 0u);
        EngineStop();
        EXPECT_TRUE(DeleteFileA(path.c_str())) << "the file stays open after playback";
    }

    uint32_t seed = GetTickCount();
    printf("damaged videos: seed %u\n", seed);
    std::mt19937 random(seed);
    for (int trial = 0; trial < 150; trial++) {
        std::vector<uint8_t> flipped = whole;
        int flips = 1 + static_cast<int>(random() % 8);
        for (int i = 0; i < flips; i++) {
            // The file header stays: a changed rate could make one trial last minutes.
            size_t at = VIDEO_HEADER_SIZE + random() % (flipped.size() - VIDEO_HEADER_SIZE);
            flipped[at] = static_cast<uint8_t>(random());
        }
        PlayDamaged(flipped, "seed and trial", seed * 1000u + trial);
    }
}

// Pages of a video in memory that become unreadable under the playback
// thread, as when the disk or share of a mapped file goes away: the playback
// ends through its normal end sequence and the process lives on. A file is
// read, not mapped: a read that fails ends its reader instead.
TEST_F(Playback, AVideoWhosePagesBecomeUnreadableEndsThePlaybackNotTheProcess) {
    TestVideo video;
    VideoBegin(&video, 96, 64, 30);
    for (uint32_t i = 0; i < 24; i++) VideoAdd(&video, Bgrx(200 - i * 8, 40 + i * 9, 10), i + 1);
    VideoEnd(&video);
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    const size_t page = system.dwPageSize;
    ASSERT_GE(video.bytes.size(), 3 * page);
    const size_t safePages = 1;  // the header and the first records stay readable

    auto expectEndedByTheFault = [&](const char* what) {
        EXPECT_TRUE(WaitFor([] { return !Playing(); }, GENEROUS_MS)) << what;
        EXPECT_EQ(engineState.finished, 1) << what;
        EXPECT_EQ(engineState.starting, 0) << what;
        EXPECT_EQ(engineState.stopRequested, 0) << what;
        EXPECT_EQ(EngineQuery(ENGINE_QUERY_FRAME_COUNT), 0u) << what;
        // The end sequence's repaint takes the last frame away.
        EXPECT_TRUE(WaitFor(
            [] { return AllOf(GrabClient(0, 0, CLIENT_WIDTH, CLIENT_HEIGHT), BACKGROUND); },
            GENEROUS_MS))
            << what;
        EngineStop();
    };

    const DWORD protections[] = {PAGE_NOACCESS, PAGE_READONLY | PAGE_GUARD};
    for (DWORD protection : protections) {
        SCOPED_TRACE(protection == PAGE_NOACCESS ? "no access" : "guard page");
        uint8_t* block = static_cast<uint8_t*>(
            VirtualAlloc(nullptr, video.bytes.size(), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        ASSERT_NE(block, nullptr);
        memcpy(block, video.bytes.data(), video.bytes.size());
        ASSERT_EQ(EngineStartPlayback(reinterpret_cast<const char*>(block), window, 1,
                                      video.bytes.size(), RECORDER_BAND),
                  1);
        EngineTogglePause();
        DWORD old = 0;
        ASSERT_TRUE(VirtualProtect(block + safePages * page, video.bytes.size() - safePages * page,
                                   protection, &old));
        EngineTogglePause();
        expectEndedByTheFault("from memory");
        VirtualFree(block, 0, MEM_RELEASE);
        PaintBackground();
    }

    // A file whose handle no longer reads, in place of one whose share went
    // away: the reader stops and says the read failed.
    ASSERT_TRUE(WriteWholeFile(path, video.bytes.data(), video.bytes.size()));
    VideoFileSource file;
    VideoSource source;
    ASSERT_TRUE(VideoFileSourceOpen(&file, &source, path.c_str()));
    std::vector<uint8_t> buffer(VideoRecordCapacity(96, 64));
    VideoReader reader;
    ASSERT_TRUE(VideoReaderOpenSource(&reader, &source, buffer.data(), buffer.size()));
    VideoRecord record;
    ASSERT_TRUE(VideoReaderNext(&reader, &record));
    EXPECT_EQ(record.header.frameType, FRAME_KEY);
    CloseHandle(static_cast<HANDLE>(file.file));
    file.file = nullptr;
    EXPECT_FALSE(VideoReaderNext(&reader, &record));
    EXPECT_EQ(reader.failure, VIDEO_READ_FAILED);
    EXPECT_TRUE(DeleteFileA(path.c_str()));

    // The engine plays on afterwards, to the end of an intact video.
    PaintBackground();
    ASSERT_EQ(PlayMemory(video), 1);
    EXPECT_TRUE(WaitFor([] { return !Playing(); }, GENEROUS_MS));
    EXPECT_EQ(engineState.finished, 1);
}

}  // namespace
