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
