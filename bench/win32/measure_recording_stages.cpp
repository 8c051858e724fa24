// Measures where the time of a whole-screen recording goes under Wine
// (scripts/measure/measure_recording_stages.sh): the desktop window, or with
// AREA (as 640x480) that part of the screen from its top left corner, is
// recorded through the engine for SECONDS, with the recording thread's stage hook set,
// while the screen shows what the script put on it. Prints the mean time per
// grab of each stage, the grabs, records and changed records per second, and
// what the recording's surfaces and work buffer take. The script reads the
// processor share and the peak memory from /proc between the lines
// "stages: ready", "stages: measuring" and "stages: measured".
//
//   measure_recording_stages [SECONDS] [FRAMES_PER_SECOND] [AREA]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine.h"
#include "frame_surface.h"
#include "measure_support_win.h"
#include "recording_stages.h"
#include "recording_support_win.h"
#include "video_reader.h"
#include "video_writer.h"

namespace {

// Written by the recording thread only, read once it has ended.
int64_t stageTicks[RECORDING_STAGE_COUNT];
uint32_t stageCalls[RECORDING_STAGE_COUNT];

void CountStage(RecordingStage stage, int64_t ticks) {
    stageTicks[stage] += ticks;
    stageCalls[stage]++;
}

double MiB(double bytes) {
    return bytes / (1024.0 * 1024.0);
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = argc > 1 ? atof(argv[1]) : 10.0;
    if (seconds <= 0) seconds = 10.0;
    uint32_t rate = argc > 2 ? static_cast<uint32_t>(atoi(argv[2])) : 30;
    if (rate == 0) rate = 30;
    std::string path = TempFilePath("morvane_measure_stages.zuv");
    DeleteFileA(path.c_str());

    HWND desktop = GetDesktopWindow();
    RECT screen;
    GetWindowRect(desktop, &screen);
    CaptureRect whole = {0, 0, screen.right - screen.left - 1, screen.bottom - screen.top - 1};
    const char* recorded_what = "whole screen";
    int areaWidth = 0;
    int areaHeight = 0;
    if (argc > 3 && sscanf(argv[3], "%dx%d", &areaWidth, &areaHeight) == 2 && areaWidth > 0 &&
        areaHeight > 0) {
        // No window: a fixed part of the screen.
        desktop = nullptr;
        whole = {0, 0, areaWidth - 1, areaHeight - 1};
        recorded_what = "area";
    }
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);

    EngineInit();
    printf("stages: ready\n");
    fflush(stdout);
    Sleep(1500);  // the script reads the idle program's memory meanwhile

    recordingStageHook = CountStage;
    double start = Now();
    if (!EngineStartRecording(path.c_str(), desktop, &whole, rate)) {
        printf("stages: the recording did not start\n");
        return 1;
    }
    double cpuBefore = ProcessCpuSeconds();
    printf("stages: measuring\n");
    fflush(stdout);
    while (Now() - start < seconds) {
        PumpMessages();
        Sleep(20);
    }
    double cpu = ProcessCpuSeconds() - cpuBefore;
    printf("stages: measured\n");
    fflush(stdout);
    EngineStop();
    double recorded = Now() - start;
    recordingStageHook = nullptr;

    CountedVideo video = CountRecords(path);
    uint32_t grabs = stageCalls[RECORDING_STAGE_GRAB];
    uint32_t width = video.header.width, height = video.header.height;
    uint32_t side = FRAME_SURFACE_MAX_SIDE;
    uint32_t surfaceWidth = width < side ? width : side;
    uint32_t surfaceHeight = height < side ? height : side;
    double buffers = 2.0 * 4 * surfaceWidth * surfaceHeight +
                     static_cast<double>(RecordWorkSize(surfaceWidth, surfaceHeight));
    printf("stages: %ux%u %s at %u fps for %.2f s: %u grabs = %.2f per second, "
           "%u records = %.2f per second (%u changed = %.2f per second, %s), "
           "file duration %.2f s\n",
           width, height, recorded_what, video.header.frameRate, recorded, grabs, grabs / recorded,
           video.records, video.records / recorded, video.changed, video.changed / recorded,
           video.sound ? "file sound" : "FILE DAMAGED",
           video.records * static_cast<double>(VideoFrameInterval(video.header.frameRate)) / 1000);
    double total = 0;
    for (uint32_t stage = 0; stage < RECORDING_STAGE_COUNT; stage++) {
        if (!stageCalls[stage]) continue;
        double ms = 1000.0 * static_cast<double>(stageTicks[stage]) /
                    static_cast<double>(frequency.QuadPart);
        total += ms;
        printf("stages:   %-11s %8.2f ms per grab (%u times)\n",
               RecordingStageName(static_cast<RecordingStage>(stage)), grabs ? ms / grabs : 0.0,
               stageCalls[stage]);
    }
    printf("stages:   %-11s %8.2f ms per grab\n", "all", grabs ? total / grabs : 0.0);
    printf("stages: surfaces and work buffer %.1f MiB; process CPU %.1f%% of one processor by "
           "GetProcessTimes\n",
           MiB(buffers), 100.0 * cpu / (recorded > 0 ? recorded : 1));
    DeleteFileA(path.c_str());
    return video.sound ? 0 : 1;
}
