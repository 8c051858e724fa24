// The recorder's About dialog (resource 108, modal) and progress window
// (resource 114, modeless).
#pragma once

#include <windows.h>

// DialogBoxParamA(program_instance, IDD_ABOUT, main_window, about_proc, 0).
INT_PTR CALLBACK about_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// CreateDialogParamA(program_instance, IDD_PROGRESS, main_window, progress_proc, 0),
// then SetWindowTextA on the window for each stage: the text appears at once
// in the box, even while the caller keeps the thread busy; DestroyWindow at
// the end.
INT_PTR CALLBACK progress_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// CreateDialogParamA(program_instance, IDD_EXPORT_PROGRESS, main_window,
// export_progress_proc, address of a bool): the window of an export, whose
// caller sets the percentage (IDC_EXPORT_PERCENT) and gives it its messages;
// Cancel, Escape or closing it sets the bool.
INT_PTR CALLBACK export_progress_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

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
