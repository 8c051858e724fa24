// What a choice of the locator hands the engine. Every recording reads the
// screen, so a window is recorded as it is seen, with whatever lies over it.
#include <windows.h>

#include "capture/capture_dialogs.h"
#include "win32/screen_grab_win.h"

int capture_target(const CaptureChoice* choice, HWND* window, CaptureRect* rect) {
    ScreenArea area = choice->area;
    *window = nullptr;
    if (!choice->isArea) {
        if (!choice->window || !IsWindow(choice->window)) return 0;
        if (choice->window == GetDesktopWindow()) {
            // Every monitor: the whole virtual screen.
            ScreenMonitors monitors;
            ScreenMonitorsRead(&monitors);
            area = monitors.virtualScreen;
        } else {
            // The window's visible frame now fixes the recording's size; the
            // recording follows the frame's corner.
            ScreenArea frame;
            if (!WindowVisibleFrame(choice->window, &frame)) return 0;
            *window = choice->window;
            area = {0, 0, frame.width, frame.height};
        }
    }
    *rect = {area.x, area.y, static_cast<int32_t>(static_cast<int64_t>(area.x) + area.width - 1),
             static_cast<int32_t>(static_cast<int64_t>(area.y) + area.height - 1)};
    return 1;
}
