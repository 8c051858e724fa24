// Measures the recording thread under Wine (scripts/measure/measure_recording.sh):
//  - the processor time used while an unchanging 640 x 480 window is
//    recorded at 15 frames per second for 10 s, as a share of one processor
//    (the whole process; its main thread only sleeps meanwhile);
//  - the frames stored per second of a 30 fps recording with the timer
//    resolution left at the system's default, waiting on the high-resolution
//    timer and on the Sleep fallback;
//  - the frames stored per second while a 1280 x 720 window is recorded at
//    30 frames per second and its text scrolls by one line at every frame,
//    the test program repainting it as the recorded program would.
// Each recording is read back and checked before its figure is printed.
//
//   measure_recording [SECONDS]
#include <windows.h>
#include <mmsystem.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine.h"
#include "win32/frame_pacing_win.h"
#include "recording_support_win.h"
#include "measure_support_win.h"
#include "test_pictures.h"
#include "text_page_win.h"
#include "video_reader.h"

namespace {

// Handles messages until the time has passed, sleeping in between.
void IdleFor(double seconds) {
    double end = Now() + seconds;
    while (Now() < end) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        PumpMessages();
    }
}

void MeasureUnchanging(double seconds, const std::string& path) {
    const int width = 640, height = 480;
    const uint32_t rate = 15;
    PictureWindow shown = {};
    if (!PictureWindowOpen(&shown, 0, 0, width, height)) return;
    FrameSurfaceLock(&shown.picture);
    DrawLetterF(&shown.picture, 40, 30, 40);
    FrameSurfaceUnlock(&shown.picture);
    PictureWindowShow(&shown);
    CaptureRect rect = {0, 0, width - 1, height - 1};

    double cpuBefore = ProcessCpuSeconds(), wallBefore = Now();
    if (!EngineStartRecording(path.c_str(), shown.window, &rect, rate)) {
        printf("cpu: the recording did not start\n");
        return;
    }
    IdleFor(seconds);
    EngineStop();
    double cpu = ProcessCpuSeconds() - cpuBefore, wall = Now() - wallBefore;
    CountedVideo video = CountRecords(path);
    printf("cpu: unchanging %dx%d window at %u fps for %.2f s: %u records (%u changed, %s), "
           "process CPU %.3f s = %.1f%% of one processor\n",
           width, height, rate, wall, video.records, video.changed,
           video.sound ? "file sound" : "FILE DAMAGED", cpu, 100.0 * cpu / wall);
    PictureWindowClose(&shown);
}

// Frames stored per second of a 30 fps recording of an unchanging window,
// with the timer resolution left as the system has it: this program raises
// nothing, so the figure shows how well the waits between frames hold.
void MeasureTiming(double seconds, const std::string& path, const char* how) {
    const int width = 640, height = 480;
    const uint32_t rate = 30;
    PictureWindow shown = {};
    if (!PictureWindowOpen(&shown, 0, 0, width, height)) return;
    FrameSurfaceLock(&shown.picture);
    DrawLetterF(&shown.picture, 40, 30, 40);
    FrameSurfaceUnlock(&shown.picture);
    PictureWindowShow(&shown);
    CaptureRect rect = {0, 0, width - 1, height - 1};

    double cpuBefore = ProcessCpuSeconds(), wallBefore = Now();
    if (!EngineStartRecording(path.c_str(), shown.window, &rect, rate)) {
        printf("timing: the recording did not start\n");
        return;
    }
    IdleFor(seconds);
    EngineStop();
    double cpu = ProcessCpuSeconds() - cpuBefore, wall = Now() - wallBefore;
    CountedVideo video = CountRecords(path);
    printf("timing: %s, unchanging %dx%d window at %u fps (interval %u ms) for %.2f s: %u records "
           "(%s) = %.2f frames stored per second of %.2f intervals; process CPU %.1f%% of one "
           "processor\n",
           how, width, height, rate, EngineQuery(ENGINE_QUERY_FRAME_INTERVAL), wall,
           video.records, video.sound ? "file sound" : "FILE DAMAGED", video.records / wall,
           1000.0 / EngineQuery(ENGINE_QUERY_FRAME_INTERVAL), 100.0 * cpu / wall);
    PictureWindowClose(&shown);
}

void MeasureScrolling(double seconds, const std::string& path) {
    const int width = 1280, height = 720;
    const uint32_t rate = 30;
    // The page is as tall as a surface may be; the scrolling wraps round it.
    const int pageLines = 128;
    const int scrollPositions = pageLines - height / LINE_HEIGHT - 1;
    FrameSurface page;
    if (!DrawTextPage(&page, width, pageLines)) return;
    PictureWindow shown = {};
    if (!PictureWindowOpen(&shown, 0, 0, width, height)) return;
    int scrolledLines = 0;
    auto showScrolled = [&] {
        BitBlt(static_cast<HDC>(shown.picture.dc), 0, 0, width, height, static_cast<HDC>(page.dc), 0,
               (scrolledLines % scrollPositions) * LINE_HEIGHT, SRCCOPY);
        PictureWindowShow(&shown);
    };
    showScrolled();
    CaptureRect rect = {0, 0, width - 1, height - 1};

    timeBeginPeriod(1);
    double cpuBefore = ProcessCpuSeconds();
    double start = Now();
    if (!EngineStartRecording(path.c_str(), shown.window, &rect, rate)) {
        printf("scroll: the recording did not start\n");
        timeEndPeriod(1);
        return;
    }
    // The window scrolls one line in the middle of every frame interval, so
    // that each grab, taken as an interval begins, finds a new picture.
    const double halfInterval = 0.5 / rate;
    uint32_t seenFrame = 0;
    double frameSeenAt = 0;
    bool scrolled = true;
    while (Now() - start < seconds) {
        uint32_t frame = EngineQuery(ENGINE_QUERY_FRAME_COUNT);
        if (frame != seenFrame) {
            seenFrame = frame;
            frameSeenAt = Now();
            scrolled = false;
        }
        if (!scrolled && Now() - frameSeenAt >= halfInterval) {
            scrolled = true;
            scrolledLines++;
            showScrolled();
        }
        PumpMessages();
        Sleep(1);
    }
    EngineStop();
    double wall = Now() - start;
    double cpu = ProcessCpuSeconds() - cpuBefore;
    timeEndPeriod(1);
    CountedVideo video = CountRecords(path);
    printf("scroll: %dx%d text scrolling a line per frame at %u fps for %.2f s: %u records "
           "(%u changed, %s) = %.2f frames stored per second of %u; process CPU %.1f%% of one "
           "processor, recording and repainting\n",
           width, height, rate, wall, video.records, video.changed,
           video.sound ? "file sound" : "FILE DAMAGED", video.records / wall, rate,
           100.0 * cpu / wall);
    PictureWindowClose(&shown);
    FrameSurfaceDestroy(&page);
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = argc > 1 ? atof(argv[1]) : 10.0;
    if (seconds <= 0) seconds = 10.0;
    EngineInit();
    std::string path = TempFilePath("morvane_measure_recording.zuv");
    MeasureTiming(seconds, path, "default timer resolution");
    framePacingHighResolutionTimerAllowed = 0;
    MeasureTiming(seconds, path, "default timer resolution, Sleep fallback");
    framePacingHighResolutionTimerAllowed = 1;
    MeasureUnchanging(seconds, path);
    MeasureScrolling(seconds, path);
    DeleteFileA(path.c_str());
    return 0;
}
