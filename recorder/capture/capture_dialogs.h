// The dialogs of a recording's choices: the capture settings and the window
// locator.
#pragma once

#include <windows.h>

// The capture settings dialog (resource 105, modal): the destination file
// and the frame rate of the next recording. On OK they are stored in
// current_file and capture_fps. Returns 1 on OK, 0 on Cancel or when the
// dialog could not be shown.
int run_capture_settings();
INT_PTR CALLBACK capture_settings_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// The window locator (resource 104, modal): the user drags the locator onto
// the window to record, or chooses the whole screen. Returns the chosen
// window (the main window when nothing was chosen), or null on Cancel or when
// the dialog could not be shown.
HWND run_locator();
INT_PTR CALLBACK locator_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
// The window procedure that replaces the locator control's own.
LRESULT CALLBACK locator_control_proc(HWND control, UINT message, WPARAM wparam, LPARAM lparam);
