#include "toolbar.h"

#include "recorder_globals.h"
#include "resource_ids.h"

namespace {

// The four button faces, bitmap 106; one toolbar exists at a time.
HDC button_faces;
HBITMAP button_faces_bitmap;

const char* const BUTTON_HINTS[4] = {
    " Start Recording",
    " Play The Current File",
    " Pause Playback",
    " Stop Recording / Playback",
};

constexpr int FLASH_INVERSIONS = 6;  // even: the button ends as it was
constexpr DWORD FLASH_PAUSE_MS = 60;

void on_create() {
    button_faces = CreateCompatibleDC(nullptr);
    button_faces_bitmap = static_cast<HBITMAP>(LoadImageA(program_instance,
        MAKEINTRESOURCEA(IDB_TOOLBAR), IMAGE_BITMAP, TOOLBAR_WIDTH, TOOLBAR_HEIGHT, LR_DEFAULTCOLOR));
    SelectObject(button_faces, button_faces_bitmap);
}

void on_paint(HWND toolbar) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(toolbar, &paint);
    BitBlt(dc, 0, 0, TOOLBAR_WIDTH, TOOLBAR_HEIGHT, button_faces, 0, 0, SRCCOPY);
    EndPaint(toolbar, &paint);
}

void on_mouse_move(LPARAM lparam) {
    unsigned x = LOWORD(lparam) & 0x7FFF;
    unsigned button = x < 72 ? x / TOOLBAR_BUTTON_WIDTH : 3;
    SetWindowTextA(status_line, BUTTON_HINTS[button]);
}

void on_button_up(HWND toolbar, LPARAM lparam) {
    int button = LOWORD(lparam) / TOOLBAR_BUTTON_WIDTH;
    HDC dc = GetDC(toolbar);
    RECT face = {button * TOOLBAR_BUTTON_WIDTH, 0, button * TOOLBAR_BUTTON_WIDTH + TOOLBAR_BUTTON_WIDTH,
                 TOOLBAR_HEIGHT};
    for (int i = 0; i < FLASH_INVERSIONS; ++i) {
        if (i > 0) Sleep(FLASH_PAUSE_MS);
        InvertRect(dc, &face);
        GdiFlush();
    }
    ReleaseDC(toolbar, dc);
    InvalidateRect(toolbar, nullptr, FALSE);

    WORD command = ID_STOP;
    if (button == 0) command = ID_CAPTURE;
    if (button == 1) command = ID_PLAY;
    if (button == 2) command = ID_PAUSE;
    SendMessageA(main_window, WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

void on_destroy() {
    // The device context first: a bitmap still selected into one cannot be deleted.
    DeleteDC(button_faces);
    DeleteObject(button_faces_bitmap);
    button_faces = nullptr;
    button_faces_bitmap = nullptr;
    PostQuitMessage(0);
}

}  // namespace

LRESULT CALLBACK toolbar_proc(HWND toolbar, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CREATE:
        on_create();
        return 0;
    case WM_ERASEBKGND:
        return 0;
    case WM_PAINT:
        on_paint(toolbar);
        return 0;
    case WM_MOUSEMOVE:
        on_mouse_move(lparam);
        return 0;
    case WM_LBUTTONUP:
        on_button_up(toolbar, lparam);
        return 0;
    case WM_CLOSE:
        DestroyWindow(toolbar);
        return 0;
    case WM_DESTROY:
        on_destroy();
        return 0;
    default:
        return DefWindowProcA(toolbar, message, wparam, lparam);
    }
}
