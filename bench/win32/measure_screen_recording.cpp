// Measures a recording of the whole screen made from the recorder's own
// window under Wine (scripts/measure/measure_screen_recording.sh): the built
// recorder is started, Capture is chosen, 30 fps and "Whole Screen" are
// picked in its dialogs as a person would, and while a 1280 x 720 window of
// this program scrolls its text by one line every frame interval, the
// recorder's frames stored per second and its processor time, as a share of
// one processor, are taken. The video is read back before the figures are
// printed.
//
//   measure_screen_recording [SECONDS]
#include <windows.h>
#include <mmsystem.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "measure_support_win.h"
#include "recorder_driver_win.h"
#include "resource_ids.h"
#include "text_page_win.h"

namespace {

double ProgramCpuSeconds(HANDLE process) {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
    auto seconds = [](const FILETIME& time) {
        return (static_cast<double>(time.dwHighDateTime) * 4294967296.0 + time.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

// Chooses Capture and answers the dialogs: the file, 30 fps, the whole
// screen, RECORD. False when a dialog did not come.
bool StartWholeScreenRecording(const RunningProgram& program, HWND main, const std::string& path) {
    Choose(main, ID_CAPTURE);
    HWND settings = WaitForProgramDialog(program, "Capture Settings");
    if (!settings) return false;
    SetDlgItemTextA(settings, IDC_DESTINATION_FILE, path.c_str());
    SetDlgItemTextA(settings, IDC_FRAME_RATE, "30 fps (NTSC)");
    Click(settings, IDOK);
    HWND locator = WaitForProgramDialog(program, "Locate Window To Capture");
    if (!locator) return false;
    Click(locator, IDC_WHOLE_SCREEN);
    WaitFor([&] { return ItemText(locator, IDC_WINDOW_INFO).find("DESKTOP") != std::string::npos; },
            5000);
    Click(locator, IDOK);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = argc > 1 ? atof(argv[1]) : 10.0;
    if (seconds <= 0) seconds = 10.0;
    const int width = 1280, height = 720;
    const double frameInterval = 1.0 / 30;
    std::string path = TempFilePath("morvane_measure_screen.zuv");
    DeleteFileA(path.c_str());

    const int pageLines = 128;
    const int scrollPositions = pageLines - height / LINE_HEIGHT - 1;
    FrameSurface page;
    PictureWindow shown = {};
    if (!DrawTextPage(&page, width, pageLines) || !PictureWindowOpen(&shown, 0, 0, width, height)) {
        printf("screen: the text window could not be made\n");
        return 1;
    }
    int scrolledLines = 0;
    auto showScrolled = [&] {
        BitBlt(static_cast<HDC>(shown.picture.dc), 0, 0, width, height,
               static_cast<HDC>(page.dc), 0, (scrolledLines % scrollPositions) * LINE_HEIGHT,
               SRCCOPY);
        PictureWindowShow(&shown);
    };
    showScrolled();

    RunningProgram program = StartProgram(WindowsPathOf(MORVANE_EXE), "");
    HWND main = program.started ? WaitForProgramWindow(program, "prog_main", 30000) : nullptr;
    if (!main || !StartWholeScreenRecording(program, main, path) ||
        !WaitFor([&] { return FileSizeOf(path) >= 0; }, 15000)) {
        printf("screen: the recording did not start\n");
        CloseProgram(&program, main);
        return 1;
    }

    timeBeginPeriod(1);
    // The script samples the recorder's processor time from the system at
    // these two lines: under Wine, GetProcessTimes of another process does
    // not count all of its threads.
    printf("screen: measuring\n");
    fflush(stdout);
    double start = Now();
    double cpuBefore = ProgramCpuSeconds(program.process.hProcess);
    double nextScroll = start + frameInterval;
    while (Now() - start < seconds) {
        if (Now() >= nextScroll) {
            nextScroll += frameInterval;
            scrolledLines++;
            showScrolled();
        }
        PumpMessages();
        Sleep(1);
    }
    double cpu = ProgramCpuSeconds(program.process.hProcess) - cpuBefore;
    double wall = Now() - start;
    printf("screen: measured %.2f s\n", wall);
    fflush(stdout);
    Choose(main, ID_STOP);
    WaitForFinishedVideo(path);
    double recorded = Now() - start;
    timeEndPeriod(1);
    CloseProgram(&program, main);

    CountedVideo video = CountRecords(path);
    printf("screen: %ux%u whole screen at %u fps from the recorder's window, %dx%d text scrolling "
           "%d lines in %.2f s: %u records (%u changed, %s) = %.2f frames stored per second; "
           "recorder process CPU %.1f%% of one processor by GetProcessTimes\n",
           video.header.width, video.header.height, video.header.frameRate, width, height,
           scrolledLines, recorded, video.records, video.changed,
           video.sound ? "file sound" : "FILE DAMAGED", video.records / recorded,
           100.0 * cpu / wall);
    PictureWindowClose(&shown);
    FrameSurfaceDestroy(&page);
    DeleteFileA(path.c_str());
    return 0;
}
