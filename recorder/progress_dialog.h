// The recorder's progress windows (resources 114 and 115, modeless): the
// stages of a long operation, and an export's percentage with Cancel.
#pragma once

#include <windows.h>

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

// The progress window (dialog 114) of a long operation, owned by
// main_window and showing text at once; close_progress takes it away.
HWND open_progress(const char* text);
void close_progress(HWND progress);

// The progress window of an export (dialog 115), owned by main_window, with
// its percentage and Cancel, which sets *cancelled; close_progress takes it
// away.
HWND open_export_progress(bool* cancelled);

