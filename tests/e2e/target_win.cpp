// The window the end-to-end scenario records: a known picture that changes
// while a recording is being written and then holds still, so that the
// recording's last frame can be compared with what the window showed.
//   e2e_target.exe X Y WATCHED_FILE
// The window appears with its top-left corner at X, Y. Once WATCHED_FILE
// exists (the recorder has started writing it), the picture takes one step
// every 100 ms for ten steps, then keeps the last one.
#include <windows.h>

#include <cstdlib>

static const char TARGET_CLASS[] = "morvane_e2e_target";
static const int CLIENT_WIDTH = 192;
static const int CLIENT_HEIGHT = 144;
static const int LAST_STEP = 10;

static const char* watched_file = "";
static int step = 0;

static void Fill(HDC dc, int x0, int y0, int x1, int y1, COLORREF colour) {
    RECT rect = {x0, y0, x1, y1};
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
}

// A red "F" on blue that moves one step right and down, and a band whose
// colour steps too: no symmetry, so a mirrored or swapped frame fails.
static void DrawStep(HDC dc, int at) {
    Fill(dc, 0, 0, CLIENT_WIDTH, CLIENT_HEIGHT, RGB(10, 40, 200));
    int x = 20 + 6 * at, y = 16 + 4 * at, unit = 12;
    COLORREF red = RGB(230, 30, 20);
    Fill(dc, x, y, x + unit, y + 5 * unit, red);
    Fill(dc, x, y, x + 3 * unit, y + unit, red);
    Fill(dc, x, y + 2 * unit, x + 2 * unit, y + 3 * unit, red);
    Fill(dc, 0, CLIENT_HEIGHT - 16, CLIENT_WIDTH, CLIENT_HEIGHT,
         RGB(20 * at, 255 - 20 * at, 128));
}

static LRESULT CALLBACK TargetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        DrawStep(dc, step);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_TIMER:
        if (step < LAST_STEP &&
            (step > 0 || GetFileAttributesA(watched_file) != INVALID_FILE_ATTRIBUTES)) {
            step++;
            InvalidateRect(window, nullptr, FALSE);
        }
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    if (__argc != 4) return 2;
    watched_file = __argv[3];
    WNDCLASSA window_class = {};
    window_class.lpfnWndProc = TargetProc;
    window_class.hInstance = instance;
    window_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
    window_class.lpszClassName = TARGET_CLASS;
    if (!RegisterClassA(&window_class)) return 1;
    DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_VISIBLE;
    RECT outer = {0, 0, CLIENT_WIDTH, CLIENT_HEIGHT};
    AdjustWindowRect(&outer, style, FALSE);
    HWND window = CreateWindowA(TARGET_CLASS, "Morvane Test Target", style,
                                std::atoi(__argv[1]), std::atoi(__argv[2]),
                                outer.right - outer.left, outer.bottom - outer.top, nullptr,
                                nullptr, instance, nullptr);
    if (!window) return 1;
    SetTimer(window, 1, 100, nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
