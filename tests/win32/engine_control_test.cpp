// The control operations and their handshakes with a real recording thread.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <string>

#include "engine.h"
#include "recording_support_win.h"
#include "video_format.h"
#include "win32/worker_threads_win.h"

namespace {

const DWORD GENEROUS_MS = 10000;

// One window serves every test: closing a window costs Wine seconds.
PictureWindow shown = {};

struct EngineControl : ::testing::Test {
    CaptureRect rect = {0, 0, 63, 47};
    std::string path = TempFilePath("morvane_control.zuv");
    std::string otherPath = TempFilePath("morvane_control_other.zuv");

    static void SetUpTestSuite() { PictureWindowOpen(&shown, 20, 20, 64, 48); }
    static void TearDownTestSuite() { PictureWindowClose(&shown); }
    void SetUp() override {
        ASSERT_NE(shown.window, nullptr);
        EngineInit();
        engineState.paused = 0;
        DeleteFileA(path.c_str());
        DeleteFileA(otherPath.c_str());
    }
    void TearDown() override {
        EngineStop();
        engineState.paused = 0;
        DeleteFileA(path.c_str());
        DeleteFileA(otherPath.c_str());
    }
    int Start(const std::string& file, uint32_t rate = 30) {
        return EngineStartRecording(file.c_str(), shown.window, &rect, rate);
    }
    // Flags that a start leaves behind once the worker runs, and Stop clears.
    static void ExpectIdleFlags() {
        EXPECT_EQ(engineState.playing, 0);
        EXPECT_EQ(engineState.capturing, 0);
        EXPECT_EQ(engineState.finished, 0);
        EXPECT_EQ(engineState.starting, 0);
        EXPECT_EQ(engineState.stopRequested, 0);
    }
};

TEST_F(EngineControl, StopWithNoWorkerClearsTheFlagsAndKeepsPause) {
    engineState.paused = 1;
    engineState.finished = 1;
    engineState.starting = 1;
    engineState.stopRequested = 1;
    EXPECT_EQ(EngineStop(), 1);
    ExpectIdleFlags();
    EXPECT_EQ(engineState.paused, 1);
}

TEST_F(EngineControl, StartRunsTheWorkerAndStopWaitsForItsEnd) {
    ASSERT_EQ(Start(path), 1);
    EXPECT_EQ(EngineQuery(ENGINE_QUERY_CAPTURING), 1u);
    EXPECT_EQ(engineState.starting, 0);
    EXPECT_EQ(engineState.finished, 0);
    EXPECT_TRUE(WaitFor([] { return EngineQuery(ENGINE_QUERY_FRAME_COUNT) >= 2; }, GENEROUS_MS));
    EXPECT_EQ(EngineStop(), 1);
    ExpectIdleFlags();
    EXPECT_EQ(EngineQuery(ENGINE_QUERY_FRAME_COUNT), 0u);
    // The worker closed the file: it opens again, header and records inside.
    EXPECT_GE(ReadWholeFile(path).size(), 24u + 24u);
}

TEST_F(EngineControl, StartWhilePausedOnlyClearsThePause) {
    ASSERT_EQ(Start(path), 1);
    EngineTogglePause();
    EXPECT_EQ(EngineQuery(ENGINE_QUERY_PAUSED), 1u);
    EXPECT_EQ(Start(otherPath), 1);
    EXPECT_EQ(EngineQuery(ENGINE_QUERY_PAUSED), 0u);
    EXPECT_EQ(EngineQuery(ENGINE_QUERY_CAPTURING), 1u);
    EXPECT_EQ(FileSizeOf(otherPath), -1);
}

TEST_F(EngineControl, PauseStopThenTheFirstStartOnlyResumesAndTheSecondStarts) {
    ASSERT_EQ(Start(path), 1);
    EngineTogglePause();
    EngineStop();
    EXPECT_EQ(EngineQuery(ENGINE_QUERY_PAUSED), 1u);
    EXPECT_EQ(Start(otherPath), 1);
    EXPECT_EQ(EngineQuery(ENGINE_QUERY_CAPTURING), 0u);
    EXPECT_EQ(FileSizeOf(otherPath), -1);
    EXPECT_EQ(Start(otherPath), 1);
    EXPECT_EQ(EngineQuery(ENGINE_QUERY_CAPTURING), 1u);
    EXPECT_GE(FileSizeOf(otherPath), 24);
}

TEST_F(EngineControl, AnAreaUnderSixteenPixelsIsRefusedAfterTheRunningWorkerStopped) {
    ASSERT_EQ(Start(path), 1);
    CaptureRect narrow = {0, 0, 14, 15};
    EXPECT_EQ(EngineStartRecording(otherPath.c_str(), shown.window, &narrow, 30), 0);
    EXPECT_EQ(EngineQuery(ENGINE_QUERY_CAPTURING), 0u);
    CaptureRect low = {0, 0, 15, 14};
    EXPECT_EQ(EngineStartRecording(otherPath.c_str(), shown.window, &low, 30), 0);
    EXPECT_EQ(FileSizeOf(otherPath), -1);

    CaptureRect smallest = {0, 0, 15, 15};
    ASSERT_EQ(EngineStartRecording(otherPath.c_str(), shown.window, &smallest, 30), 1);
    EngineStop();
    std::vector<uint8_t> video = ReadWholeFile(otherPath);
    ASSERT_GE(video.size(), 24u);
    VideoFileHeader header = VideoFileHeaderLoad(video.data(), video.size());
    EXPECT_EQ(header.width, 16);
    EXPECT_EQ(header.height, 16);
}

TEST_F(EngineControl, AFileThatCannotBeCreatedFailsTheStartAndMarksTheWorkerFinished) {
    std::string missing = TempFilePath("morvane_no_such_folder\\video.zuv");
    EXPECT_EQ(Start(missing), 0);
    EXPECT_EQ(engineState.playing, 0);
    EXPECT_EQ(engineState.capturing, 0);
    EXPECT_EQ(engineState.starting, 0);
    EXPECT_EQ(engineState.finished, 1);
}

TEST_F(EngineControl, AFrameRateWithoutLow16BitsFailsTheStartAndLeavesAnExistingFileAlone) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, "keep", 4, &written, nullptr);
    CloseHandle(file);

    EXPECT_EQ(Start(path, 0), 0);
    EXPECT_EQ(Start(path, 0x10000), 0);
    EXPECT_EQ(engineState.capturing, 0);
    EXPECT_EQ(engineState.starting, 0);
    EXPECT_EQ(engineState.finished, 1);
    EXPECT_EQ(ReadWholeFile(path), (std::vector<uint8_t>{'k', 'e', 'e', 'p'}));
}

TEST_F(EngineControl, TheIntervalComesFromTheLow16BitsOfTheRateAndOutlivesTheWorker) {
    const struct {
        uint32_t rate;
        uint32_t interval;
    } cases[] = {{30, 33}, {15, 66}, {0x10000 + 25, 40}, {1000, 1}, {1001, 0}};
    for (const auto& c : cases) {
        ASSERT_EQ(Start(path, c.rate), 1) << c.rate;
        EXPECT_EQ(EngineQuery(ENGINE_QUERY_FRAME_INTERVAL), c.interval) << c.rate;
        EngineStop();
        EXPECT_EQ(EngineQuery(ENGINE_QUERY_FRAME_INTERVAL), c.interval) << c.rate;
        std::vector<uint8_t> video = ReadWholeFile(path);
        ASSERT_GE(video.size(), 24u);
        EXPECT_EQ(VideoFileHeaderLoad(video.data(), video.size()).frameRate, c.rate & 0xFFFF);
    }
}

TEST_F(EngineControl, QueryAnswersItsFiveSelectorsAndZeroForOthers) {
    EXPECT_EQ(EngineQuery(0), 0u);
    EXPECT_EQ(EngineQuery(6), 0u);
    EXPECT_EQ(EngineQuery(ENGINE_QUERY_FRAME_COUNT), 0u);
    EXPECT_EQ(EngineQuery(ENGINE_QUERY_PLAYING), 0u);
    EXPECT_EQ(EngineQuery(ENGINE_QUERY_CAPTURING), 0u);
    EngineTogglePause();
    EXPECT_EQ(EngineQuery(ENGINE_QUERY_PAUSED), 1u);
    EngineTogglePause();
    EXPECT_EQ(EngineQuery(ENGINE_QUERY_PAUSED), 0u);
    ASSERT_EQ(Start(path), 1);
    EXPECT_EQ(EngineQuery(ENGINE_QUERY_CAPTURING), 1u);
    EXPECT_EQ(EngineQuery(ENGINE_QUERY_PLAYING), 0u);
    EXPECT_TRUE(WaitFor([] { return EngineQuery(ENGINE_QUERY_FRAME_COUNT) >= 3; }, GENEROUS_MS));
    EXPECT_EQ(EngineQuery(99), 0u);
}

TEST_F(EngineControl, ResetClearsTheFlagsWithoutWaitingAndTheWorkerEndsAtItsNextFrame) {
    ASSERT_EQ(Start(path), 1);
    EXPECT_EQ(EngineReset(), 1);
    EXPECT_EQ(engineState.capturing, 0);
    // The worker ends on its own: its end sequence raises finished.
    EXPECT_TRUE(WaitFor([] { return engineState.finished == 1; }, GENEROUS_MS));
}

// A worker ending just as Stop asks: it has already cleared stopRequested,
// so the request raised after that stays up, and only the run flag falling
// to 0 can end Stop's wait.
DWORD WINAPI WorkerThatMissesTheRequest(LPVOID) {
    while (!engineState.stopRequested) Sleep(1);
    Sleep(100);
    engineState.capturing = 0;
    return 0;
}

DWORD WINAPI CallStop(LPVOID) {
    EngineStop();
    return 0;
}

TEST_F(EngineControl, StopEndsWhenTheRunFlagFallsThoughTheRequestWasNeverCleared) {
    engineState.capturing = 1;
    HANDLE worker = CreateThread(nullptr, 0, WorkerThatMissesTheRequest, nullptr, 0, nullptr);
    ASSERT_NE(worker, nullptr);
    HANDLE stopper = CreateThread(nullptr, 0, CallStop, nullptr, 0, nullptr);
    ASSERT_NE(stopper, nullptr);
    EXPECT_EQ(WaitForSingleObject(stopper, GENEROUS_MS), WAIT_OBJECT_0);
    WaitForSingleObject(worker, GENEROUS_MS);
    CloseHandle(worker);
    CloseHandle(stopper);
    ExpectIdleFlags();
}

// Ends the process when a test hangs, so the hang is reported rather than
// waited for.
std::atomic<int> handOverDone(0);

DWORD WINAPI HandOverWatchdog(LPVOID) {
    for (int waited = 0; waited < 120000; waited += 100) {
        if (handOverDone) return 0;
        Sleep(100);
    }
    fprintf(stderr, "a start or stop after a failed start-up never returned\n");
    fflush(stderr);
    ExitProcess(3);
}

// A start that fails in start-up, followed at once by starts and stops: the
// failed worker's flags never leak into the next start, which runs its own
// worker on its own record, and every stop returns with the worker gone.
TEST_F(EngineControl, StartsAndStopsRightAfterAFailedStartUpGetTheirOwnResults) {
    std::string missing = TempFilePath("morvane_no_such_folder\\video.zuv");
    handOverDone = 0;
    HANDLE watchdog = CreateThread(nullptr, 0, HandOverWatchdog, nullptr, 0, nullptr);
    ASSERT_NE(watchdog, nullptr);
    for (int round = 0; round < 40; round++) {
        SCOPED_TRACE(testing::Message() << "round " << round);
        int failed = round % 2 ? EngineStartPlayback(missing.c_str(), shown.window, 0, 0, 0)
                               : Start(missing, 15);
        EXPECT_EQ(failed, 0);
        EXPECT_EQ(engineState.finished, 1);
        EXPECT_EQ(engineState.starting, 0);
        const std::string& file = round % 3 ? path : otherPath;
        ASSERT_EQ(Start(file, 1000), 1);
        EXPECT_EQ(engineState.capturing, 1);
        EXPECT_EQ(engineState.starting, 0);
        EXPECT_EQ(engineState.finished, 0);
        if (round % 4 == 0) {
            EXPECT_TRUE(WaitFor([] { return EngineQuery(ENGINE_QUERY_FRAME_COUNT) >= 1; },
                                GENEROUS_MS));
        }
        EXPECT_EQ(EngineStop(), 1);
        ExpectIdleFlags();
        // The worker recorded into the file its own start named.
        std::vector<uint8_t> video = ReadWholeFile(file);
        ASSERT_GE(video.size(), 24u);
        EXPECT_EQ(VideoFileHeaderLoad(video.data(), video.size()).width, 64);
    }
    handOverDone = 1;
    WaitForSingleObject(watchdog, INFINITE);
    CloseHandle(watchdog);
}

// A worker whose failing start-up is slow between its writes: the start
// returns only after its last one.
DWORD WINAPI SlowlyFailingWorker(LPVOID params) {
    EngineParams copied = *static_cast<const EngineParams*>(params);
    engineState.frameInterval = copied.frameRate;
    engineState.starting = 0;
    Sleep(150);
    engineState.stopRequested = 0;
    Sleep(150);
    EngineWorkerStartFailed(&engineState.capturing);
    return 0;
}

TEST_F(EngineControl, AStartWaitsForTheLastWriteOfAWorkerThatFailed) {
    EngineParams params = {};
    params.frameRate = 77;
    engineState.starting = 1;
    EXPECT_EQ(EngineRunWorker(SlowlyFailingWorker, &params, &engineState.capturing), 0);
    EXPECT_EQ(engineState.frameInterval, 77u);
    EXPECT_EQ(engineState.finished, 1);
    EXPECT_EQ(engineState.starting, 0);
    EXPECT_EQ(engineState.capturing, 0);
}

}  // namespace
