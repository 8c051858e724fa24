#include <windows.h>

#include "progress_dialog.h"
#include "recorder_globals.h"
#include "resource_ids.h"

namespace {

void keep_on_top(HWND dialog) {
    SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOSENDCHANGING);
}

// The caller works on this thread without a message loop, so the new text is
// painted here and now, and the main window gets its pending repaint.
void show_stage(HWND dialog, const char* text) {
    SetDlgItemTextA(dialog, IDC_PROGRESS_TEXT, text);
    RedrawWindow(dialog, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    if (IsWindow(main_window)) UpdateWindow(main_window);
    // The window's own text stays empty; SetWindowTextA reports success.
    SetWindowLongPtrA(dialog, DWLP_MSGRESULT, TRUE);
}

}  // namespace

INT_PTR CALLBACK progress_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_ACTIVATE:
    case WM_SHOWWINDOW:
        keep_on_top(dialog);
        return FALSE;
    case WM_SETTEXT:
        show_stage(dialog, reinterpret_cast<const char*>(lparam));
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) EndDialog(dialog, LOWORD(wparam));
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK export_progress_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dialog, GWLP_USERDATA, lparam);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wparam) == IDCANCEL) {
            bool* cancelled = reinterpret_cast<bool*>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
            if (cancelled) *cancelled = true;
            SetDlgItemTextA(dialog, IDC_EXPORT_PERCENT, "Cancelling...");
            EnableWindow(GetDlgItem(dialog, IDCANCEL), FALSE);
        }
        return TRUE;
    default:
        return FALSE;
    }
}

HWND open_progress(const char* text) {
    HWND progress = CreateDialogParamA(program_instance, MAKEINTRESOURCEA(IDD_PROGRESS),
                                       main_window, progress_proc, 0);
    ShowWindow(progress, SW_SHOW);
    SetWindowTextA(progress, text);
    return progress;
}

HWND open_export_progress(bool* cancelled) {
    HWND progress =
        CreateDialogParamA(program_instance, MAKEINTRESOURCEA(IDD_EXPORT_PROGRESS), main_window,
                           export_progress_proc, reinterpret_cast<LPARAM>(cancelled));
    ShowWindow(progress, SW_SHOW);
    UpdateWindow(progress);
    return progress;
}

void close_progress(HWND progress) {
    DestroyWindow(progress);
}
