// Every recording reads the picture the system composed, from the screen's
// device context: a window's own device context gives black for the windows
// the GPU draws on Windows 10 and 11, and shows neither the window nor the
// screen where another window lies over it.
#include "win32/screen_grab_win.h"

typedef HRESULT(WINAPI* DwmGetWindowAttributeFunction)(HWND, DWORD, PVOID, DWORD);

static const DWORD DWMWA_EXTENDED_FRAME_BOUNDS_VALUE = 9;

static ScreenArea AreaOf(const RECT& rect) {
    ScreenArea area = {rect.left, rect.top, 0, 0};
    if (rect.right > rect.left && rect.bottom > rect.top) {
        area.width = rect.right - rect.left;
        area.height = rect.bottom - rect.top;
    }
    return area;
}

static BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM context) {
    ScreenMonitors* monitors = reinterpret_cast<ScreenMonitors*>(context);
    if (monitors->count >= CAPTURE_MAX_MONITORS) return FALSE;
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    if (!GetMonitorInfoA(monitor, &info)) return TRUE;
    ScreenArea area = AreaOf(info.rcMonitor);
    if (area.width == 0) return TRUE;
    if (info.dwFlags & MONITORINFOF_PRIMARY) monitors->primary = monitors->count;
    monitors->areas[monitors->count++] = area;
    return TRUE;
}

static void ReadMetrics(int metrics[5]) {
    metrics[0] = GetSystemMetrics(SM_XVIRTUALSCREEN);
    metrics[1] = GetSystemMetrics(SM_YVIRTUALSCREEN);
    metrics[2] = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    metrics[3] = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    metrics[4] = GetSystemMetrics(SM_CMONITORS);
}

int ScreenMonitorsRead(ScreenMonitors* monitors) {
    *monitors = ScreenMonitors{};
    int metrics[5];
    ReadMetrics(metrics);
    monitors->virtualScreen = {metrics[0], metrics[1], metrics[2] > 0 ? metrics[2] : 0,
                               metrics[3] > 0 ? metrics[3] : 0};
    EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(monitors));
    if (monitors->count > 0) return 1;
    // No monitor described: the virtual screen stands for one.
    if (monitors->virtualScreen.width == 0 || monitors->virtualScreen.height == 0) return 0;
    monitors->areas[0] = monitors->virtualScreen;
    monitors->count = 1;
    return 0;
}

static DwmGetWindowAttributeFunction FindDwmGetWindowAttribute() {
    // Loaded by name: the program also runs where there is no DWM.
    static HMODULE dwmapi = LoadLibraryA("dwmapi.dll");
    if (!dwmapi) return nullptr;
    FARPROC found = GetProcAddress(dwmapi, "DwmGetWindowAttribute");
    return reinterpret_cast<DwmGetWindowAttributeFunction>(reinterpret_cast<void (*)()>(found));
}

int WindowVisibleFrame(HWND window, ScreenArea* frame) {
    static DwmGetWindowAttributeFunction getAttribute = FindDwmGetWindowAttribute();
    RECT rect = {};
    if (getAttribute &&
        SUCCEEDED(getAttribute(window, DWMWA_EXTENDED_FRAME_BOUNDS_VALUE, &rect, sizeof(rect)))) {
        *frame = AreaOf(rect);
        if (frame->width > 0) return 1;
    }
    if (!GetWindowRect(window, &rect)) return 0;
    *frame = AreaOf(rect);
    return frame->width > 0;
}

int ScreenGrabBegin(ScreenGrab* grab) {
    *grab = ScreenGrab{};
    ReadMetrics(grab->metrics);
    ScreenMonitorsRead(&grab->monitors);
    grab->screen = GetDC(nullptr);
    return grab->screen != nullptr;
}

void ScreenGrabEnd(ScreenGrab* grab) {
    if (grab->screen) ReleaseDC(nullptr, grab->screen);
    grab->screen = nullptr;
}

// Monitors come and go while a recording runs: read them again when the
// virtual screen or their number changes.
static void FollowMonitors(ScreenGrab* grab) {
    int metrics[5];
    ReadMetrics(metrics);
    for (int i = 0; i < 5; i++) {
        if (metrics[i] != grab->metrics[i]) {
            for (int j = 0; j < 5; j++) grab->metrics[j] = metrics[j];
            ScreenMonitorsRead(&grab->monitors);
            return;
        }
    }
}

void ScreenGrabCopy(ScreenGrab* grab, ScreenArea area, HDC surfaceDC, const FrameSurface* surface) {
    FollowMonitors(grab);
    CapturePiece pieces[CAPTURE_MAX_MONITORS];
    int blackFirst = 1;
    size_t count = CapturePieces(area, surface->width, surface->height, grab->monitors.areas,
                                 grab->monitors.count, pieces, CAPTURE_MAX_MONITORS, &blackFirst);
    if (blackFirst) PatBlt(surfaceDC, 0, 0, surface->width, surface->height, BLACKNESS);
    for (size_t i = 0; i < count; i++)
        BitBlt(surfaceDC, pieces[i].x, pieces[i].y, pieces[i].width, pieces[i].height, grab->screen,
               pieces[i].sourceX, pieces[i].sourceY, SRCCOPY);
}
