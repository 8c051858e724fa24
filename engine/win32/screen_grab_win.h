// Reading the screen: the monitors and the virtual screen they make, a
// window's visible frame, and the copy of a rectangle of the screen into a
// frame surface (monitors copied, the rest black).
#pragma once

#include <windows.h>

#include "capture_area.h"
#include "frame_surface.h"

struct ScreenMonitors {
    ScreenArea areas[CAPTURE_MAX_MONITORS];
    size_t count;
    size_t primary;              // index of the primary monitor in areas
    ScreenArea virtualScreen;    // SM_XVIRTUALSCREEN ... SM_CYVIRTUALSCREEN
};

// Reads the monitors in the system's order. 0 when none could be read; the
// virtual screen is read all the same.
int ScreenMonitorsRead(ScreenMonitors* monitors);

// The window's visible frame in screen coordinates: DWM's extended frame
// bounds, without the invisible resize borders of Windows 10 and 11, or the
// window rectangle where DWM gives none. 0 when the window has neither.
int WindowVisibleFrame(HWND window, ScreenArea* frame);

// The screen's device context and the monitors, held for a recording.
struct ScreenGrab {
    HDC screen;
    ScreenMonitors monitors;
    int metrics[5];  // what the monitors were read under, to notice a change
};

int ScreenGrabBegin(ScreenGrab* grab);
void ScreenGrabEnd(ScreenGrab* grab);

// Copies area of the screen to (0, 0) of the surface through its device
// context: every monitor's part with a plain copy (SRCCOPY: CAPTUREBLT makes
// the cursor flicker), the pixels on no monitor black. A part larger than the
// surface is cut at its right and bottom.
void ScreenGrabCopy(ScreenGrab* grab, ScreenArea area, HDC surfaceDC, const FrameSurface* surface);
