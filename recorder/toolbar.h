// The toolbar: four picture buttons (Capture, Play, Pause, Stop) at the
// bottom left of the main window. Moving the mouse over it shows a hint in
// the status line; releasing the button flashes the button and sends its
// command to main_window.
#pragma once

#include <windows.h>

constexpr char TOOLBAR_CLASS[] = "prog_tool";
constexpr int TOOLBAR_WIDTH = 96;
constexpr int TOOLBAR_HEIGHT = 24;
constexpr int TOOLBAR_BUTTON_WIDTH = 24;

LRESULT CALLBACK toolbar_proc(HWND toolbar, UINT message, WPARAM wparam, LPARAM lparam);
