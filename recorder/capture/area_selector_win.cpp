// The area selector: one topmost window over every monitor showing the
// picture the screen held as it opened, dimmed but for the area chosen.
// A frozen picture holds still under the user's aim and needs no see-through
// window, which would draw differently from one system to the next; dimming
// the rest shows at a glance exactly which pixels will be recorded.
#include <windows.h>

#include <cstdlib>

#include "capture/capture_dialogs.h"
#include "engine.h"
#include "frame_surface.h"
#include "recorder_globals.h"
#include "win32/screen_grab_win.h"

namespace {

const char SELECTOR_CLASS[] = "prog_area_selector";
constexpr int32_t DRAG_THRESHOLD = 3;  // pixels the pointer moves before a click is a drag
constexpr int32_t SMALL_STEP = 1;
constexpr int32_t LARGE_STEP = 10;  // with Shift
constexpr COLORREF FRAME_COLOUR = RGB(255, 48, 48);
constexpr int LABEL_CAPACITY = 64;

struct Selector {
    ScreenMonitors monitors;
    ScreenArea bounds;       // the virtual screen, the window's place
    FrameSurface shot;       // the screen as the selector opened
    FrameSurface dimmed;     // the same, darkened
    FrameSurface back;       // where each paint is composed
    CaptureChoice choice;    // area width 0: nothing chosen yet
    bool dragging;
    bool dragged;
    POINT dragStart;         // screen coordinates
    bool done;
    bool accepted;
};

Selector* selector;

// The monitors' numbers as the locator names them: the primary is 1, the
// others follow in the system's order.
int monitor_number(const ScreenMonitors& monitors, int index) {
    int primary = static_cast<int>(monitors.primary);
    if (index == primary) return 1;
    return index < primary ? index + 2 : index + 1;
}

POINT screen_point(LPARAM lparam) {
    POINT point = {static_cast<short>(LOWORD(lparam)) + selector->bounds.x,
                   static_cast<short>(HIWORD(lparam)) + selector->bounds.y};
    return point;
}

RECT client_rect_of(ScreenArea area) {
    RECT rect = {area.x - selector->bounds.x, area.y - selector->bounds.y,
                 area.x - selector->bounds.x + area.width, area.y - selector->bounds.y + area.height};
    return rect;
}

bool has_area() {
    return selector->choice.area.width > 0 && selector->choice.area.height > 0;
}

void set_area(HWND window, ScreenArea area, int monitorNumber) {
    selector->choice.isArea = 1;
    selector->choice.area = area;
    selector->choice.monitorNumber = monitorNumber;
    InvalidateRect(window, nullptr, FALSE);
}

void label_text(char* text) {
    wsprintfA(text, "%d x %d", static_cast<int>(selector->choice.area.width),
              static_cast<int>(selector->choice.area.height));
}

void draw_label(HDC dc) {
    char text[LABEL_CAPACITY];
    label_text(text);
    int length = lstrlenA(text);
    SIZE size = {};
    GetTextExtentPoint32A(dc, text, length, &size);
    const int32_t margin = 3;
    int32_t x = 0;
    int32_t y = 0;
    CaptureLabelOrigin(selector->choice.area, size.cx + 2 * margin, size.cy + 2 * margin,
                       selector->bounds, &x, &y);
    RECT box = {x - selector->bounds.x, y - selector->bounds.y,
                x - selector->bounds.x + size.cx + 2 * margin,
                y - selector->bounds.y + size.cy + 2 * margin};
    SetBkColor(dc, RGB(255, 255, 255));
    SetTextColor(dc, RGB(0, 0, 0));
    ExtTextOutA(dc, box.left + margin, box.top + margin, ETO_OPAQUE, &box, text,
                static_cast<UINT>(length), nullptr);
}

void paint(HWND window) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    void* dcPlace = nullptr;
    HDC back = static_cast<HDC>(FrameSurfaceGetDC(&dcPlace, nullptr, &selector->back));
    void* dimmedPlace = nullptr;
    HDC dimmed = static_cast<HDC>(FrameSurfaceGetDC(&dimmedPlace, nullptr, &selector->dimmed));
    void* shotPlace = nullptr;
    HDC shot = static_cast<HDC>(FrameSurfaceGetDC(&shotPlace, nullptr, &selector->shot));
    if (back && dimmed && shot) {
        const RECT& r = ps.rcPaint;
        BitBlt(back, r.left, r.top, r.right - r.left, r.bottom - r.top, dimmed, r.left, r.top,
               SRCCOPY);
        if (has_area()) {
            RECT area = client_rect_of(selector->choice.area);
            BitBlt(back, area.left, area.top, area.right - area.left, area.bottom - area.top, shot,
                   area.left, area.top, SRCCOPY);
            ScreenArea strips[4];
            CaptureAreaFrame(selector->choice.area, 1, strips);
            HBRUSH brush = CreateSolidBrush(FRAME_COLOUR);
            for (const ScreenArea& strip : strips) {
                RECT place = client_rect_of(strip);
                FillRect(back, &place, brush);
            }
            DeleteObject(brush);
            draw_label(back);
        }
        BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, back, r.left, r.top, SRCCOPY);
    }
    FrameSurfaceReleaseDC(&shotPlace, &selector->shot);
    FrameSurfaceReleaseDC(&dimmedPlace, &selector->dimmed);
    FrameSurfaceReleaseDC(&dcPlace, &selector->back);
    EndPaint(window, &ps);
}

void finish(bool accepted) {
    selector->done = true;
    selector->accepted = accepted;
}

// Enter: an area under the smallest recorded size is refused with a beep.
void accept() {
    if (!has_area() || selector->choice.area.width < SMALLEST_RECORDED_SIDE ||
        selector->choice.area.height < SMALLEST_RECORDED_SIDE) {
        MessageBeep(MB_ICONWARNING);
        return;
    }
    finish(true);
}

void key_down(HWND window, WPARAM key) {
    int32_t step = GetKeyState(VK_SHIFT) < 0 ? LARGE_STEP : SMALL_STEP;
    int resize = GetKeyState(VK_CONTROL) < 0;
    int32_t dx = 0;
    int32_t dy = 0;
    switch (key) {
    case VK_RETURN: accept(); return;
    case VK_ESCAPE: finish(false); return;
    case VK_LEFT: dx = -step; break;
    case VK_RIGHT: dx = step; break;
    case VK_UP: dy = -step; break;
    case VK_DOWN: dy = step; break;
    default: return;
    }
    if (!has_area()) return;
    ScreenArea moved = CaptureAreaNudge(selector->choice.area, dx, dy, resize, selector->bounds);
    const ScreenArea& was = selector->choice.area;
    if (moved.x == was.x && moved.y == was.y && moved.width == was.width &&
        moved.height == was.height)
        return;
    set_area(window, moved, 0);
}

void button_down(HWND window, LPARAM lparam) {
    SetCapture(window);
    selector->dragging = true;
    selector->dragged = false;
    selector->dragStart = screen_point(lparam);
}

void mouse_move(HWND window, LPARAM lparam) {
    if (!selector->dragging) return;
    POINT point = screen_point(lparam);
    if (!selector->dragged && abs(point.x - selector->dragStart.x) < DRAG_THRESHOLD &&
        abs(point.y - selector->dragStart.y) < DRAG_THRESHOLD)
        return;
    selector->dragged = true;
    set_area(window,
             CaptureAreaFromDrag(selector->dragStart.x, selector->dragStart.y, point.x, point.y,
                                 selector->bounds),
             0);
}

// A click without a drag chooses the monitor under the pointer; inside the
// area chosen it changes nothing, as it may be the first half of a double
// click that accepts it.
void button_up(HWND window, LPARAM lparam) {
    if (!selector->dragging) return;
    selector->dragging = false;
    ReleaseCapture();
    if (selector->dragged) return;
    POINT point = screen_point(lparam);
    if (has_area() && ScreenAreaContains(selector->choice.area, point.x, point.y)) return;
    int index = CaptureMonitorAt(selector->monitors.areas, selector->monitors.count, point.x,
                                 point.y);
    if (index < 0) return;
    set_area(window, selector->monitors.areas[index], monitor_number(selector->monitors, index));
}

void double_click(LPARAM lparam) {
    POINT point = screen_point(lparam);
    if (has_area() && ScreenAreaContains(selector->choice.area, point.x, point.y)) accept();
}

LRESULT CALLBACK selector_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (!selector) return DefWindowProcA(window, message, wparam, lparam);
    switch (message) {
    case WM_PAINT:
        paint(window);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_KEYDOWN:
        key_down(window, wparam);
        return 0;
    case WM_LBUTTONDOWN:
        button_down(window, lparam);
        return 0;
    case WM_MOUSEMOVE:
        mouse_move(window, lparam);
        return 0;
    case WM_LBUTTONUP:
        button_up(window, lparam);
        return 0;
    case WM_LBUTTONDBLCLK:
        double_click(lparam);
        return 0;
    case WM_CLOSE:
        finish(false);
        return 0;
    default:
        return DefWindowProcA(window, message, wparam, lparam);
    }
}

bool register_selector_class() {
    WNDCLASSA window_class = {};
    if (GetClassInfoA(program_instance, SELECTOR_CLASS, &window_class)) return true;
    window_class.style = CS_DBLCLKS;
    window_class.lpfnWndProc = selector_proc;
    window_class.hInstance = program_instance;
    window_class.hCursor = LoadCursorA(nullptr, IDC_CROSS);
    window_class.lpszClassName = SELECTOR_CLASS;
    return RegisterClassA(&window_class) != 0;
}

// Halves every colour: the darkened picture around the area.
void dim(FrameSurface* surface) {
    if (!FrameSurfaceLock(surface)) return;
    for (int32_t y = 0; y < surface->height; y++) {
        uint32_t* row = surface->pixels + static_cast<size_t>(y) * surface->stride;
        for (int32_t x = 0; x < surface->width; x++) row[x] = (row[x] >> 1) & 0x007F7F7Fu;
    }
    FrameSurfaceUnlock(surface);
}

// The three pictures of the selector, the screen copied into the first two.
bool take_pictures(Selector* s) {
    uint32_t width = static_cast<uint32_t>(s->bounds.width);
    uint32_t height = static_cast<uint32_t>(s->bounds.height);
    if (!FrameSurfaceCreate(width, height, &s->shot)) return false;
    if (!FrameSurfaceCreate(width, height, &s->dimmed)) {
        FrameSurfaceDestroy(&s->shot);
        return false;
    }
    if (!FrameSurfaceCreate(width, height, &s->back)) {
        FrameSurfaceDestroy(&s->dimmed);
        FrameSurfaceDestroy(&s->shot);
        return false;
    }
    ScreenGrab grab;
    if (ScreenGrabBegin(&grab)) {
        FrameSurface* copies[2] = {&s->shot, &s->dimmed};
        for (FrameSurface* copy : copies) {
            void* place = nullptr;
            HDC dc = static_cast<HDC>(FrameSurfaceGetDC(&place, nullptr, copy));
            if (dc) ScreenGrabCopy(&grab, s->bounds, dc, copy);
            FrameSurfaceReleaseDC(&place, copy);
        }
    }
    ScreenGrabEnd(&grab);
    dim(&s->dimmed);
    return true;
}

void release_pictures(Selector* s) {
    FrameSurfaceDestroy(&s->back);
    FrameSurfaceDestroy(&s->dimmed);
    FrameSurfaceDestroy(&s->shot);
}

// Runs the selector's own modal loop until it is done; a quit message on
// the way is posted again for the program's loop.
void run_loop(HWND window) {
    MSG message;
    while (!selector->done && IsWindow(window)) {
        BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        if (got == -1) break;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

}  // namespace

int run_area_selector(HWND owner, const CaptureChoice* initial, CaptureChoice* chosen) {
    if (selector || !register_selector_class()) return 0;
    Selector* s = static_cast<Selector*>(calloc(1, sizeof(Selector)));
    if (!s) return 0;
    ScreenMonitorsRead(&s->monitors);
    s->bounds = s->monitors.virtualScreen;
    if (s->bounds.width <= 0 || s->bounds.height <= 0 || !take_pictures(s)) {
        free(s);
        return 0;
    }
    if (initial && initial->isArea) s->choice = *initial;
    selector = s;
    HWND window = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, SELECTOR_CLASS, "Select Area",
                                  WS_POPUP, s->bounds.x, s->bounds.y, s->bounds.width,
                                  s->bounds.height, owner, nullptr, program_instance, nullptr);
    int result = 0;
    if (window) {
        EnableWindow(owner, FALSE);
        ShowWindow(window, SW_SHOW);
        SetForegroundWindow(window);
        SetFocus(window);
        run_loop(window);
        result = s->accepted ? 1 : 0;
        if (result) *chosen = s->choice;
        EnableWindow(owner, TRUE);
        DestroyWindow(window);
        SetForegroundWindow(owner);
    }
    selector = nullptr;
    release_pictures(s);
    free(s);
    return result;
}
