// The countdown before a recording: a small window over everything that
// shows the seconds left and never takes the focus from the program about to
// be recorded.
#include <windows.h>

#include <cstdio>

#include "capture/recording_session.h"
#include "recorder_globals.h"
#include "resource_ids.h"
#include "window_utils.h"

namespace {

constexpr DWORD COUNTDOWN_POLL_MS = 50;

bool running = false;
bool cancelled = false;
HFONT seconds_font = nullptr;

// The seconds in a font as tall as their control.
void make_seconds_font(HWND dialog) {
    HWND seconds = GetDlgItem(dialog, IDC_COUNTDOWN_SECONDS);
    RECT rect;
    GetClientRect(seconds, &rect);
    LOGFONTA font = {};
    GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
    font.lfHeight = -(rect.bottom - rect.top);
    font.lfWeight = FW_BOLD;
    seconds_font = CreateFontIndirectA(&font);
    if (seconds_font)
        SendMessageA(seconds, WM_SETFONT, reinterpret_cast<WPARAM>(seconds_font), FALSE);
}

// Centres the window over area, kept on the screen that holds area's middle.
void place_over(HWND window, const RECT& area) {
    RECT own;
    GetWindowRect(window, &own);
    int width = own.right - own.left;
    int height = own.bottom - own.top;
    int x = (area.left + area.right) / 2 - width / 2;
    int y = (area.top + area.bottom) / 2 - height / 2;
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    POINT middle = {(area.left + area.right) / 2, (area.top + area.bottom) / 2};
    if (GetMonitorInfoA(MonitorFromPoint(middle, MONITOR_DEFAULTTONEAREST), &monitor)) {
        const RECT& work = monitor.rcWork;
        if (x + width > work.right) x = work.right - width;
        if (y + height > work.bottom) y = work.bottom - height;
        if (x < work.left) x = work.left;
        if (y < work.top) y = work.top;
    }
    SetWindowPos(window, HWND_TOPMOST, x, y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
}

void show_seconds(HWND window, uint32_t seconds) {
    char text[16];
    snprintf(text, sizeof text, "%u", seconds);
    SetDlgItemTextA(window, IDC_COUNTDOWN_SECONDS, text);
    UpdateWindow(window);
}

// Runs the recorder's messages until one arrives or COUNTDOWN_POLL_MS pass;
// false when the program is to end.
bool pump_messages() {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, COUNTDOWN_POLL_MS, QS_ALLINPUT);
    bool ended = false;
    return pump_waiting_messages(nullptr, &ended);
}

}  // namespace

INT_PTR CALLBACK countdown_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        make_seconds_font(dialog);
        return FALSE;  // the focus stays where it is
    case WM_CTLCOLORSTATIC:
        SetBkMode(reinterpret_cast<HDC>(wparam), TRANSPARENT);
        return reinterpret_cast<INT_PTR>(dialog_brush);
    case WM_CTLCOLORDLG:
        return reinterpret_cast<INT_PTR>(dialog_brush);
    case WM_DESTROY:
        if (seconds_font) DeleteObject(seconds_font);
        seconds_font = nullptr;
        return FALSE;
    default:
        return FALSE;
    }
}

int run_countdown(uint32_t seconds, const RECT& area, const char* hint) {
    // Unowned: a window owned by the main window would be hidden with it.
    HWND window = CreateDialogParamA(program_instance, MAKEINTRESOURCEA(IDD_COUNTDOWN), nullptr,
                                     countdown_proc, 0);
    if (window) {
        SetDlgItemTextA(window, IDC_COUNTDOWN_HINT, hint);
        show_seconds(window, seconds);
        place_over(window, area);
        ShowWindow(window, SW_SHOWNOACTIVATE);
        UpdateWindow(window);
    }
    running = true;
    cancelled = false;
    // A press of Escape from before (closing a dialog) is still reported
    // once as "pressed since the last poll": this read takes it.
    GetAsyncKeyState(VK_ESCAPE);
    DWORD start = GetTickCount();
    uint32_t shown = seconds;
    for (;;) {
        uint32_t left = countdown_seconds_left(seconds, GetTickCount() - start);
        if (left == 0) break;
        if (GetAsyncKeyState(VK_ESCAPE) != 0) cancelled = true;
        if (cancelled) break;
        if (window && left != shown) show_seconds(window, left);
        shown = left;
        if (!pump_messages()) cancelled = true;
    }
    running = false;
    if (window) DestroyWindow(window);
    return cancelled ? 0 : 1;
}

void cancel_countdown() {
    cancelled = true;
}

int countdown_running() {
    return running ? 1 : 0;
}
