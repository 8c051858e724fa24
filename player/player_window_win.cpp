// The player's window: its half-second timer with the elapsed time in the
// title, the picture on black behind the video, the menu commands and the
// About dialog.
#include <windows.h>
#include <shellapi.h>

#include "engine.h"
#include "player.h"
#include "player_ids.h"

static const UINT_PTR TICK_TIMER = 1;
static const UINT TICK_MS = 500;

// The picture's area as it is copied: one column and one row short of the
// 314 x 180 bitmap.
static const int PICTURE_WIDTH = 313;
static const int PICTURE_HEIGHT = 179;

static const char AUTHOR_PAGE[] = "http://www.example.org/";

// Centres window over owner, or puts it at the top-left corner when it would
// start too close to the screen's right or bottom edge.
static BOOL centre_window(HWND window, HWND owner) {
    if (!IsWindow(window) || !IsWindow(owner)) return FALSE;
    RECT outer, inner, desktop;
    GetWindowRect(owner, &outer);
    GetWindowRect(window, &inner);
    int x = outer.left + ((outer.right - outer.left) - (inner.right - inner.left)) / 2;
    int y = outer.top + ((outer.bottom - outer.top) - (inner.bottom - inner.top)) / 2;
    GetClientRect(GetDesktopWindow(), &desktop);
    if (x + 32 >= desktop.right || y + 32 >= desktop.bottom) x = y = 0;
    return SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

static void paint_background(HWND window, HDC dc) {
    RECT client;
    GetClientRect(window, &client);
    int width = client.right - client.left;
    int height = client.bottom - client.top;
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    if (width + 1 > PICTURE_WIDTH + 1 && height + 1 > PICTURE_HEIGHT + 1) {
        BitBlt(dc, (width + 1) / 2 - 157, (height + 1) / 2 - 90, PICTURE_WIDTH, PICTURE_HEIGHT,
               idle_picture, 0, 0, SRCCOPY);
    } else {
        SetStretchBltMode(dc, HALFTONE);
        SetBrushOrgEx(dc, 0, 0, nullptr);
        StretchBlt(dc, 0, 0, width + 1, height + 1, idle_picture, 0, 0, PICTURE_WIDTH,
                   PICTURE_HEIGHT, SRCCOPY);
    }
}

static void show_elapsed_time() {
    uint32_t ms = EngineQuery(ENGINE_QUERY_FRAME_COUNT) * EngineQuery(ENGINE_QUERY_FRAME_INTERVAL);
    char title[64];
    wsprintfA(title, "ZeVEVIZ Self-Playing Video - [%2.2i:%2.2i:%2.2i]", ms / 3600000,
              (ms / 60000) % 60, (ms / 1000) % 60);
    SetWindowTextA(player_window, title);
}

static void on_timer() {
    if (EngineQuery(ENGINE_QUERY_PLAYING) == 1)
        idle_ticks = 0;
    else
        idle_ticks++;
    show_elapsed_time();
}

static void open_author_page(HWND dialog) {
    SetDlgItemTextA(dialog, IDC_ABOUT_LINK, "Connecting... Please Wait...");
    ShellExecuteA(GetDesktopWindow(), "open", AUTHOR_PAGE, nullptr, nullptr, SW_SHOWNORMAL);
    SetDlgItemTextA(dialog, IDC_ABOUT_LINK, AUTHOR_PAGE);
}

static INT_PTR colour_static(HDC dc, HWND control) {
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, RGB(192, 192, 215));
    bool link = GetDlgCtrlID(control) == IDC_ABOUT_LINK;
    SetTextColor(dc, link ? RGB(0, 0, 255) : RGB(0, 0, 0));
    return reinterpret_cast<INT_PTR>(dialog_brush);
}

static INT_PTR CALLBACK player_about_proc(HWND dialog, UINT message, WPARAM wParam,
                                          LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        centre_window(dialog, player_window);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL:
            EndDialog(dialog, LOWORD(wParam));
            break;
        case IDC_ABOUT_LINK:
            open_author_page(dialog);
            break;
        }
        return TRUE;
    case WM_CTLCOLORSTATIC:
        return colour_static(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_CTLCOLORDLG:
        return reinterpret_cast<INT_PTR>(dialog_brush);
    }
    return FALSE;
}

static void on_command(WORD id) {
    switch (id) {
    case IDM_PLAY_VIDEO:
        EngineStop();
        if (!start_embedded_video())
            MessageBoxA(player_window,
                        "The ZeVEVIZ Engine cannot perform the requested action at this time.",
                        "Engine Error", MB_ICONWARNING);
        break;
    case IDM_PAUSE_VIDEO:
        EngineTogglePause();
        break;
    case IDM_STOP_VIDEO:
        EngineStop();
        break;
    case IDM_ABOUT:
        DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_PLAYER_ABOUT), player_window,
                        player_about_proc, 0);
        break;
    }
}

LRESULT CALLBACK player_window_proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        SetTimer(window, TICK_TIMER, TICK_MS, nullptr);
        return 0;
    case WM_DESTROY:
        KillTimer(window, TICK_TIMER);
        PostQuitMessage(0);
        return 0;
    case WM_SIZE:
        RedrawWindow(window, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE);
        return 0;
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_ERASEBKGND:
        paint_background(window, reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_COMMAND:
        on_command(LOWORD(wParam));
        return 0;
    case WM_TIMER:
        on_timer();
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
