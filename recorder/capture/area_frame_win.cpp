// The frame around an area being recorded: four thin topmost strips just
// outside it, which take no input and never the focus.
#include <windows.h>

#include "capture/capture_dialogs.h"
#include "recorder_globals.h"

namespace {

constexpr int32_t FRAME_THICKNESS = 2;
constexpr COLORREF FRAME_COLOUR = RGB(255, 48, 48);
const char FRAME_CLASS[] = "prog_area_frame";

HWND strips[4];
HBRUSH frame_brush;

bool register_frame_class() {
    WNDCLASSA window_class = {};
    if (GetClassInfoA(program_instance, FRAME_CLASS, &window_class)) return true;
    if (!frame_brush) frame_brush = CreateSolidBrush(FRAME_COLOUR);
    window_class.lpfnWndProc = DefWindowProcA;
    window_class.hInstance = program_instance;
    window_class.hbrBackground = frame_brush;
    window_class.lpszClassName = FRAME_CLASS;
    return RegisterClassA(&window_class) != 0;
}

}  // namespace

void show_area_frame(ScreenArea area) {
    hide_area_frame();
    if (!register_frame_class()) return;
    ScreenArea places[4];
    CaptureAreaFrame(area, FRAME_THICKNESS, places);
    for (int i = 0; i < 4; i++) {
        strips[i] = CreateWindowExA(
            WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE | WS_EX_TRANSPARENT, FRAME_CLASS,
            "", WS_POPUP, places[i].x, places[i].y, places[i].width, places[i].height, nullptr,
            nullptr, program_instance, nullptr);
        if (strips[i]) ShowWindow(strips[i], SW_SHOWNOACTIVATE);
    }
}

void hide_area_frame() {
    for (HWND& strip : strips) {
        if (strip) DestroyWindow(strip);
        strip = nullptr;
    }
}
