// Recording real windows under Wine: the file is read back with the engine's
// own reader and decoded, and each picture is compared with what the window
// showed.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "engine.h"
#include "win32/frame_pacing_win.h"
#include "recording_stages.h"
#include "recording_support_win.h"
#include "test_pictures.h"
#include "video_reader.h"
#include "video_writer.h"

namespace {

const DWORD GENEROUS_MS = 10000;
const int WINDOW_X = 40, WINDOW_Y = 60, WINDOW_WIDTH = 160, WINDOW_HEIGHT = 120;

struct DecodedVideo {
    VideoFileHeader header = {};
    std::vector<FrameRecordHeader> records;
    std::vector<std::vector<uint32_t>> pictures;  // after each record, fourth byte cleared
    bool endsAfterLastRecord = false;             // nothing but complete records
};

DecodedVideo Decode(const std::vector<uint8_t>& video) {
    DecodedVideo decoded;
    VideoReader reader;
    if (!VideoReaderOpen(&reader, video.data(), video.size())) return decoded;
    decoded.header = reader.header;
    FrameSurface surface;
    if (!FrameSurfaceCreate(reader.header.width, reader.header.height, &surface)) return decoded;
    FrameSurfaceLock(&surface);
    FrameSurfaceFill(&surface, 0, 0, surface.width - 1, surface.height - 1, 0);
    FrameSurfaceUnlock(&surface);
    std::vector<uint8_t> work(RecordWorkSize(reader.header.width, reader.header.height));
    VideoRecord record;
    size_t completeEnd = reader.position;
    while (VideoReaderNext(&reader, &record)) {
        completeEnd = reader.position;
        decoded.records.push_back(record.header);
        VideoRecordApply(&record, &surface, work.data(), work.size());
        FrameSurfaceLock(&surface);
        std::vector<uint32_t> picture = PictureOf(&surface);
        FrameSurfaceUnlock(&surface);
        for (uint32_t& pixel : picture) pixel &= 0xFFFFFF;
        decoded.pictures.push_back(picture);
    }
    decoded.endsAfterLastRecord = completeEnd == video.size();
    FrameSurfaceDestroy(&surface);
    return decoded;
}

void MoveCursorTo(int x, int y) {
    SetCursorPos(x, y);
    WaitFor(
        [x, y] {
            POINT at;
            return GetCursorPos(&at) && at.x == x && at.y == y;
        },
        GENEROUS_MS);
}

// Away from the test window, so that its pictures are recorded as painted.
void MoveCursorAway() {
    MoveCursorTo(GetSystemMetrics(SM_CXSCREEN) - 2, GetSystemMetrics(SM_CYSCREEN) - 2);
}

void PressEscape() {
    keybd_event(VK_ESCAPE, 0, 0, 0);
    keybd_event(VK_ESCAPE, 0, KEYEVENTF_KEYUP, 0);
}

uint32_t FrameCount() {
    return EngineQuery(ENGINE_QUERY_FRAME_COUNT);
}

bool WaitForFrames(uint32_t count) {
    return WaitFor([count] { return FrameCount() >= count; }, GENEROUS_MS);
}

// One window serves every test: closing a window costs Wine seconds.
PictureWindow shown = {};

struct Recording : ::testing::Test {
    CaptureRect rect = {0, 0, WINDOW_WIDTH - 1, WINDOW_HEIGHT - 1};
    std::string path = TempFilePath("morvane_recording.zuv");

    static void SetUpTestSuite() {
        PictureWindowOpen(&shown, WINDOW_X, WINDOW_Y, WINDOW_WIDTH, WINDOW_HEIGHT);
    }
    static void TearDownTestSuite() { PictureWindowClose(&shown); }
    void SetUp() override {
        ASSERT_NE(shown.window, nullptr);
        EngineInit();
        engineState.paused = 0;
        DeleteFileA(path.c_str());
        MoveCursorAway();
        Paint([](FrameSurface* picture) { DrawLetterF(picture, 10, 8, 6); });
    }
    void TearDown() override {
        EngineStop();
        engineState.paused = 0;
        GetAsyncKeyState(VK_ESCAPE);
        DeleteFileA(path.c_str());
    }
    // Draws a picture into the window and returns it as a grab sees it.
    template <typename Draw>
    std::vector<uint32_t> Paint(Draw draw) {
        FrameSurfaceLock(&shown.picture);
        draw(&shown.picture);
        FrameSurfaceUnlock(&shown.picture);
        PictureWindowShow(&shown);
        return GrabWindowPicture(shown.window, WINDOW_WIDTH, WINDOW_HEIGHT);
    }
    int Start(uint32_t rate = 30) {
        return EngineStartRecording(path.c_str(), shown.window, &rect, rate);
    }
};

TEST_F(Recording, StoresThePaintedPicturesInOrderWithUnchangedIntervalsAsBareRecords) {
    std::vector<std::vector<uint32_t>> painted;
    painted.push_back(Paint([](FrameSurface* p) { DrawLetterF(p, 10, 8, 6); }));
    DWORD started = GetTickCount();
    ASSERT_EQ(Start(30), 1);
    ASSERT_TRUE(WaitForFrames(8));
    painted.push_back(Paint([](FrameSurface* p) { DrawLetterF(p, 70, 30, 9); }));
    ASSERT_TRUE(WaitForFrames(20));
    painted.push_back(Paint([](FrameSurface* p) {
        FrameSurfaceFill(p, 0, 0, p->width - 1, p->height - 1, Bgrx(90, 200, 240));
        FrameSurfaceFill(p, 5, 100, 40, 115, Bgrx(0, 0, 0));
    }));
    ASSERT_TRUE(WaitForFrames(35));
    EngineStop();
    DWORD elapsed = GetTickCount() - started;

    DecodedVideo video = Decode(ReadWholeFile(path));
    EXPECT_EQ(video.header.width, WINDOW_WIDTH);
    EXPECT_EQ(video.header.height, WINDOW_HEIGHT);
    EXPECT_EQ(video.header.frameRate, 30);
    EXPECT_TRUE(video.endsAfterLastRecord);
    ASSERT_GE(video.records.size(), 36u);
    EXPECT_EQ(video.records[0].frameType, FRAME_KEY);

    size_t shownIndex = 0;
    for (size_t i = 0; i < video.records.size(); i++) {
        const FrameRecordHeader& record = video.records[i];
        EXPECT_EQ(record.headerSize, 24u);
        if (record.frameType == FRAME_UNCHANGED) {
            EXPECT_EQ(record.dataSize, 0u) << i;
        } else {
            EXPECT_EQ(record.packed, 1u) << i;
            EXPECT_EQ(record.right, WINDOW_WIDTH - 1) << i;
            EXPECT_EQ(record.bottom, WINDOW_HEIGHT - 1) << i;
            // A changed frame shows the next painted picture, never a repeat.
            if (i > 0) shownIndex++;
        }
        ASSERT_LT(shownIndex, painted.size()) << i;
        ASSERT_TRUE(video.pictures[i] == painted[shownIndex]) << "record " << i;
    }
    EXPECT_EQ(shownIndex, painted.size() - 1);

    // One record per 33 ms interval; a loaded machine may fall behind.
    size_t expected = elapsed / 33;
    EXPECT_LE(video.records.size(), expected + 3);
    EXPECT_GE(video.records.size(), expected / 3);
}

TEST_F(Recording, AnAllBlackWindowStartsWithAnUnchangedRecord) {
    Paint([](FrameSurface* p) { FrameSurfaceFill(p, 0, 0, p->width - 1, p->height - 1, 0); });
    ASSERT_EQ(Start(30), 1);
    ASSERT_TRUE(WaitForFrames(3));
    EngineStop();
    DecodedVideo video = Decode(ReadWholeFile(path));
    ASSERT_GE(video.records.size(), 3u);
    for (const FrameRecordHeader& record : video.records) {
        EXPECT_EQ(record.frameType, FRAME_UNCHANGED);
        EXPECT_EQ(record.dataSize, 0u);
    }
}

TEST_F(Recording, TheCursorAppearsAtItsPositionLessItsHotSpot) {
    const uint32_t background = Bgrx(40, 170, 90);
    std::vector<uint32_t> plain = Paint([background](FrameSurface* p) {
        FrameSurfaceFill(p, 0, 0, p->width - 1, p->height - 1, background);
    });
    const int cursorX = 70, cursorY = 50;
    MoveCursorTo(WINDOW_X + cursorX, WINDOW_Y + cursorY);
    // A cross has its hot spot in its middle, so a cursor drawn without
    // subtracting it lands elsewhere.
    HCURSOR cross = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_CROSS));
    SetCursor(cross);
    CURSORINFO info = {};
    info.cbSize = sizeof(info);
    ASSERT_TRUE(GetCursorInfo(&info));
    ASSERT_TRUE(info.flags & CURSOR_SHOWING);
    ASSERT_EQ(info.hCursor, cross);

    ASSERT_EQ(Start(30), 1);
    ASSERT_TRUE(WaitForFrames(3));
    EngineStop();
    MoveCursorAway();
    DecodedVideo video = Decode(ReadWholeFile(path));
    ASSERT_GE(video.records.size(), 3u);

    // The expected frame: the window's picture with the cursor drawn the way
    // the screen would show it at that point.
    FrameSurface expected;
    ASSERT_NE(FrameSurfaceCreate(WINDOW_WIDTH, WINDOW_HEIGHT, &expected), nullptr);
    FrameSurfaceLock(&expected);
    FrameSurfaceFill(&expected, 0, 0, WINDOW_WIDTH - 1, WINDOW_HEIGHT - 1, background);
    FrameSurfaceUnlock(&expected);
    ICONINFO icon = {};
    ASSERT_TRUE(GetIconInfo(info.hCursor, &icon));
    ASSERT_GT(icon.xHotspot + icon.yHotspot, 0u);
    if (icon.hbmMask) DeleteObject(icon.hbmMask);
    if (icon.hbmColor) DeleteObject(icon.hbmColor);
    void* dcPlace = nullptr;
    HDC dc = static_cast<HDC>(FrameSurfaceGetDC(&dcPlace, nullptr, &expected));
    DrawIcon(dc, cursorX - static_cast<int>(icon.xHotspot), cursorY - static_cast<int>(icon.yHotspot),
             info.hCursor);
    FrameSurfaceReleaseDC(&dcPlace, &expected);
    FrameSurfaceLock(&expected);
    std::vector<uint32_t> withCursor = PictureOf(&expected);
    for (uint32_t& pixel : withCursor) pixel &= 0xFFFFFF;
    FrameSurfaceUnlock(&expected);
    FrameSurfaceDestroy(&expected);

    ASSERT_FALSE(withCursor == plain);  // the cursor leaves a mark
    EXPECT_TRUE(video.pictures.back() == withCursor);
}

TEST_F(Recording, AHiddenCursorIsNotDrawn) {
    const uint32_t background = Bgrx(40, 170, 90);
    std::vector<uint32_t> plain = Paint([background](FrameSurface* p) {
        FrameSurfaceFill(p, 0, 0, p->width - 1, p->height - 1, background);
    });
    MoveCursorTo(WINDOW_X + 70, WINDOW_Y + 50);
    SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_CROSS)));
    int shows = ShowCursor(FALSE);
    CURSORINFO info = {};
    info.cbSize = sizeof(info);
    GetCursorInfo(&info);
    bool hidden = !(info.flags & CURSOR_SHOWING);
    if (hidden) {
        EXPECT_EQ(Start(30), 1);
        EXPECT_TRUE(WaitForFrames(3));
        EngineStop();
    }
    while (shows < 0) shows = ShowCursor(TRUE);
    MoveCursorAway();
    ASSERT_TRUE(hidden) << "the system shows the cursor still";
    DecodedVideo video = Decode(ReadWholeFile(path));
    ASSERT_GE(video.records.size(), 3u);
    EXPECT_TRUE(video.pictures.back() == plain);
}

TEST_F(Recording, PauseWritesNothingAndResumeContinuesTheSameFile) {
    ASSERT_EQ(Start(30), 1);
    ASSERT_TRUE(WaitForFrames(3));
    EngineTogglePause();
    PumpFor(400);  // a frame under way when the pause came may still end
    int64_t pausedSize = FileSizeOf(path);
    uint32_t pausedCount = FrameCount();
    PumpFor(800);
    EXPECT_EQ(FileSizeOf(path), pausedSize);
    EXPECT_EQ(FrameCount(), pausedCount);
    EXPECT_EQ(EngineQuery(ENGINE_QUERY_CAPTURING), 1u);

    EngineTogglePause();
    EXPECT_TRUE(WaitFor([pausedSize, this] { return FileSizeOf(path) > pausedSize; }, GENEROUS_MS));
    ASSERT_TRUE(WaitForFrames(pausedCount + 3));
    EngineStop();
    std::vector<uint8_t> bytes = ReadWholeFile(path);
    DecodedVideo video = Decode(bytes);
    EXPECT_TRUE(video.endsAfterLastRecord);
    EXPECT_GE(video.records.size(), pausedCount + 3u);
}

TEST_F(Recording, EscapeEndsTheRecordingPromptlyAlsoWhilePaused) {
    ASSERT_EQ(Start(30), 1);
    ASSERT_TRUE(WaitForFrames(2));
    PressEscape();
    EXPECT_TRUE(WaitFor([] { return EngineQuery(ENGINE_QUERY_CAPTURING) == 0; }, 2000));
    EXPECT_EQ(engineState.finished, 1);
    EXPECT_EQ(EngineQuery(ENGINE_QUERY_END_REASON), ENGINE_END_STOPPED);  // asked for: no report
    EXPECT_TRUE(Decode(ReadWholeFile(path)).endsAfterLastRecord);
    GetAsyncKeyState(VK_ESCAPE);

    ASSERT_EQ(Start(30), 1);
    ASSERT_TRUE(WaitForFrames(2));
    EngineTogglePause();
    PressEscape();
    EXPECT_TRUE(WaitFor([] { return EngineQuery(ENGINE_QUERY_CAPTURING) == 0; }, 2000));
    EXPECT_EQ(EngineQuery(ENGINE_QUERY_PAUSED), 1u);  // the pause is the user's; it stays
}

TEST_F(Recording, AnEscapePressedBeforeTheRecordingDoesNotEndIt) {
    PressEscape();
    PumpFor(50);
    ASSERT_EQ(Start(30), 1);
    ASSERT_TRUE(WaitForFrames(6));
    EXPECT_EQ(EngineQuery(ENGINE_QUERY_CAPTURING), 1u);
}

double Seconds() {
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// On the high-resolution timer and on the Sleep fallback alike, frames come
// no sooner than one interval apart, and not far later either.
TEST_F(Recording, BothWaysOfWaitingKeepFramesAnIntervalApart) {
    for (uint8_t timerAllowed : {1, 0}) {
        SCOPED_TRACE(timerAllowed ? "high-resolution timer" : "Sleep fallback");
        framePacingHighResolutionTimerAllowed = timerAllowed;
        double start = Seconds();
        ASSERT_EQ(Start(30), 1);
        double running = Seconds();
        EXPECT_TRUE(WaitForFrames(20));
        double seen = Seconds();
        uint32_t framesSeen = FrameCount();
        EngineStop();
        double intervals = (Seconds() - start) * 1000 / 33;
        DecodedVideo video = Decode(ReadWholeFile(path));
        EXPECT_TRUE(video.endsAfterLastRecord);
        EXPECT_GE(video.records.size(), 20u);
        EXPECT_LE(video.records.size(), intervals + 1);
        EXPECT_GE(framesSeen, (seen - running) * 1000 / 33 / 2);
    }
    framePacingHighResolutionTimerAllowed = 1;
}

TEST_F(Recording, AnAreaWiderThanASurfaceStoresItsSizeAndRecordsTheLimitedFrame) {
    const int32_t width = FRAME_SURFACE_MAX_SIDE + 8;
    CaptureRect wide = {0, 0, width - 1, WINDOW_HEIGHT - 1};
    ASSERT_EQ(EngineStartRecording(path.c_str(), shown.window, &wide, 30), 1);
    ASSERT_TRUE(WaitForFrames(2));
    EngineStop();
    std::vector<uint8_t> bytes = ReadWholeFile(path);
    VideoReader reader;
    ASSERT_TRUE(VideoReaderOpen(&reader, bytes.data(), bytes.size()));
    EXPECT_EQ(reader.header.width, width);
    EXPECT_EQ(reader.header.height, WINDOW_HEIGHT);
    VideoRecord record;
    ASSERT_TRUE(VideoReaderNext(&reader, &record));
    EXPECT_EQ(record.header.frameType, FRAME_KEY);
    EXPECT_EQ(record.header.right, FRAME_SURFACE_MAX_SIDE - 1);
    EXPECT_EQ(record.header.bottom, WINDOW_HEIGHT - 1);
}

// Every grab made slow, as on a loaded machine: nearly two and a half frame
// intervals at 30 frames per second.
const DWORD SLOW_GRAB_MS = 80;

void SlowGrab(RecordingStage stage, int64_t) {
    if (stage == RECORDING_STAGE_GRAB) Sleep(SLOW_GRAB_MS);
}

TEST_F(Recording, SlowFramesKeepRealTimeWithUnchangedRecordsForTheIntervalsMissed) {
    recordingStageHook = SlowGrab;
    double start = Seconds();
    ASSERT_EQ(Start(30), 1);
    double running = Seconds();
    // The picture changes all the time, so every capture is a changed record
    // and every unchanged one stands for an interval without a capture.
    uint8_t shade = 0;
    while (Seconds() - running < 2.5) {
        shade = static_cast<uint8_t>(shade + 7);
        FrameSurfaceLock(&shown.picture);
        FrameSurfaceFill(&shown.picture, 0, 0, WINDOW_WIDTH - 1, WINDOW_HEIGHT - 1,
                         Bgrx(shade, 90, 255 - shade));
        FrameSurfaceUnlock(&shown.picture);
        PictureWindowShow(&shown);
        PumpFor(10);
    }
    double seen = Seconds();
    uint32_t counted = FrameCount();
    EngineStop();
    double stopped = Seconds();
    recordingStageHook = nullptr;

    std::vector<uint8_t> bytes = ReadWholeFile(path);
    DecodedVideo video = Decode(bytes);
    EXPECT_TRUE(video.endsAfterLastRecord);
    // One record per interval of the time recorded, which began between the
    // start's call and its return and ended between the stop's.
    double intervals = 1000.0 / 33;
    EXPECT_GE(video.records.size(), (seen - running) * intervals - 1);
    EXPECT_LE(video.records.size(), (stopped - start) * intervals + 1);
    // The status clock counts records: it keeps real time too, behind by at
    // most the frame under way.
    EXPECT_GE(counted, (seen - running) * intervals - 1 - SLOW_GRAB_MS / 33 - 1);
    size_t captures = 0, unchanged = 0;
    FrameRecordHeader bare = VideoUnchangedRecordHeader(WINDOW_WIDTH, WINDOW_HEIGHT);
    for (const FrameRecordHeader& record : video.records) {
        if (record.frameType == FRAME_UNCHANGED) {
            unchanged++;
            EXPECT_EQ(std::memcmp(&record, &bare, sizeof bare), 0);
        } else {
            captures++;
            EXPECT_EQ(record.packed, 1u);
        }
    }
    EXPECT_LE(captures, (stopped - start) * 1000 / SLOW_GRAB_MS + 1);
    EXPECT_GE(unchanged, captures - 1);
}

// Holds all of the free address space of this 32-bit process but for a few
// blocks, until it goes out of scope.
struct AddressSpaceHold {
    std::vector<void*> taken;
    AddressSpaceHold(int blocks, size_t blockBytes) {
        std::vector<void*> spared;
        for (int i = 0; i < blocks; i++)
            spared.push_back(VirtualAlloc(nullptr, blockBytes, MEM_RESERVE, PAGE_NOACCESS));
        for (size_t size = size_t(1) << 30; size >= 65536; size /= 2) {
            while (void* range = VirtualAlloc(nullptr, size, MEM_RESERVE, PAGE_NOACCESS))
                taken.push_back(range);
        }
        for (void* range : spared)
            if (range) VirtualFree(range, 0, MEM_RELEASE);
    }
    ~AddressSpaceHold() {
        for (void* range : taken) VirtualFree(range, 0, MEM_RELEASE);
    }
};

// The 32-bit build, which users run, is where memory runs out. A 64-bit
// process's address space cannot be filled: Wine keeps a byte for every page
// a process reserves.
TEST_F(Recording, AStartWhoseMemoryCannotBeHadTouchesNoFile) {
    if (sizeof(void*) != 4) GTEST_SKIP() << "a 64-bit address space cannot be filled";
    // Surfaces of 8 MB each, where no free range is larger than 4 MB.
    CaptureRect large = {0, 0, 1919, 1079};
    std::string absent = TempFilePath("morvane_recording_absent.zuv");
    const char earlier[] = "an earlier recording the user keeps";
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(file, earlier, sizeof earlier, &written, nullptr);
    CloseHandle(file);
    DeleteFileA(absent.c_str());
    int overExisting, overAbsent;
    {
        AddressSpaceHold hold(3, 4 << 20);
        overExisting = EngineStartRecording(path.c_str(), shown.window, &large, 30);
        overAbsent = EngineStartRecording(absent.c_str(), shown.window, &large, 30);
    }
    EXPECT_EQ(overExisting, 0);
    EXPECT_EQ(overAbsent, 0);
    EXPECT_EQ(EngineQuery(ENGINE_QUERY_CAPTURING), 0u);
    std::vector<uint8_t> kept = ReadWholeFile(path);
    EXPECT_EQ(std::string(kept.begin(), kept.end()), std::string(earlier, sizeof earlier));
    EXPECT_EQ(FileSizeOf(absent), -1);
    // With the memory back, the same start records.
    ASSERT_EQ(EngineStartRecording(absent.c_str(), shown.window, &large, 30), 1);
    EXPECT_TRUE(WaitForFrames(1));
    EngineStop();
    EXPECT_GT(FileSizeOf(absent), 24);
    DeleteFileA(absent.c_str());
}

// Run by its own test entry with the file size limited by the system
// (MORVANE_TEST_FILE_LIMIT bytes): a write that meets the limit is short,
// as on a full disk.
TEST_F(Recording, AShortWriteEndsTheRecordingAndKeepsEveryCompleteRecord) {
    const char* limitText = getenv("MORVANE_TEST_FILE_LIMIT");
    if (!limitText) GTEST_SKIP() << "needs a file size limit";
    int64_t limit = _atoi64(limitText);
    // Noise changes every byte, so each frame stores about 3 bytes a pixel.
    const int width = 640, height = 480;
    PictureWindow noisy = {};
    ASSERT_TRUE(PictureWindowOpen(&noisy, 300, 200, width, height));
    std::mt19937 random(7);
    std::vector<std::vector<uint32_t>> painted;
    auto paintNoise = [&] {
        PictureWindowShowNoise(&noisy, &random);
        painted.push_back(GrabWindowPicture(noisy.window, width, height));
    };
    paintNoise();
    CaptureRect area = {0, 0, width - 1, height - 1};
    ASSERT_EQ(EngineStartRecording(path.c_str(), noisy.window, &area, 10), 1);
    uint32_t paintedAt = 0;
    bool ended = WaitFor(
        [&] {
            if (FrameCount() > paintedAt && EngineQuery(ENGINE_QUERY_CAPTURING)) {
                paintedAt = FrameCount();
                paintNoise();
            }
            return EngineQuery(ENGINE_QUERY_CAPTURING) == 0;
        },
        60000);
    EXPECT_TRUE(ended);
    EXPECT_EQ(engineState.finished, 1);
    EXPECT_EQ(EngineQuery(ENGINE_QUERY_END_REASON), ENGINE_END_WRITE_FAILED);
    EngineStop();
    PictureWindowClose(&noisy);

    std::vector<uint8_t> bytes = ReadWholeFile(path);
    EXPECT_LE(static_cast<int64_t>(bytes.size()), limit);
    DecodedVideo video = Decode(bytes);
    EXPECT_TRUE(video.endsAfterLastRecord);
    ASSERT_GE(video.records.size(), 2u);
    // Every record kept is whole: each decodes to a picture that was shown.
    for (size_t i = 0; i < video.pictures.size(); i++) {
        bool known = false;
        for (const auto& picture : painted) known = known || video.pictures[i] == picture;
        EXPECT_TRUE(known) << "record " << i;
    }
}

TEST_F(Recording, TheDesktopWindowRecordsTheWholeScreen) {
    std::vector<uint32_t> picture = Paint([](FrameSurface* p) { DrawLetterF(p, 20, 12, 7); });
    HWND desktop = GetDesktopWindow();
    RECT screen;
    ASSERT_TRUE(GetWindowRect(desktop, &screen));
    int width = screen.right - screen.left, height = screen.bottom - screen.top;
    EXPECT_EQ(width, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(height, GetSystemMetrics(SM_CYSCREEN));
    CaptureRect whole = {0, 0, width - 1, height - 1};
    ASSERT_EQ(EngineStartRecording(path.c_str(), desktop, &whole, 10), 1);
    ASSERT_TRUE(WaitForFrames(1));
    EngineStop();

    DecodedVideo video = Decode(ReadWholeFile(path));
    EXPECT_EQ(video.header.width, width);
    EXPECT_EQ(video.header.height, height);
    ASSERT_GE(video.records.size(), 1u);
    EXPECT_EQ(video.records[0].frameType, FRAME_KEY);
    int side = FRAME_SURFACE_MAX_SIDE;
    EXPECT_EQ(video.records[0].right, (width < side ? width : side) - 1);
    EXPECT_EQ(video.records[0].bottom, (height < side ? height : side) - 1);
    // The test window sits where it is on the screen.
    const std::vector<uint32_t>& frame = video.pictures[0];
    bool same = true;
    for (int y = 0; y < WINDOW_HEIGHT; y++)
        for (int x = 0; x < WINDOW_WIDTH; x++)
            same = same && frame[(WINDOW_Y + y) * width + WINDOW_X + x] ==
                               picture[y * WINDOW_WIDTH + x];
    EXPECT_TRUE(same);
}

}  // namespace
