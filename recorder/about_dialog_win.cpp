#include <windows.h>

#include <cstdio>

#include "about_dialog.h"
#include "recorder_globals.h"
#include "resource_ids.h"
#include "window_utils.h"

namespace {

// The project's home page: the About link's text and target.
constexpr char HOME_PAGE_ADDRESS[] = "https://morvane.example/";

void show_link(HWND dialog) {
    char text[sizeof HOME_PAGE_ADDRESS + 8];
    snprintf(text, sizeof text, "< %s >", HOME_PAGE_ADDRESS);
    SetDlgItemTextA(dialog, IDC_ABOUT_LINK, text);
}

void open_home_page(HWND dialog) {
    SetDlgItemTextA(dialog, IDC_ABOUT_LINK, "Connecting... Please Wait...");
    UpdateWindow(GetDlgItem(dialog, IDC_ABOUT_LINK));
    // A page that cannot be opened is not reported.
    ShellExecuteA(GetDesktopWindow(), "open", HOME_PAGE_ADDRESS, nullptr, nullptr, SW_SHOWNORMAL);
    show_link(dialog);
}

INT_PTR colour_static(HDC dc, HWND control) {
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, DIALOG_COLOUR);
    SetTextColor(dc, GetDlgCtrlID(control) == IDC_ABOUT_LINK ? LINK_COLOUR : RGB(0, 0, 0));
    return reinterpret_cast<INT_PTR>(dialog_brush);
}

}  // namespace

INT_PTR CALLBACK about_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG:
        centre_window(dialog, main_window);
        show_link(dialog);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDOK:
        case IDCANCEL:
            EndDialog(dialog, LOWORD(wparam));
            break;
        case IDC_ABOUT_LINK:
            open_home_page(dialog);
            break;
        }
        return TRUE;
    case WM_CTLCOLORSTATIC:
        return colour_static(reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
    case WM_CTLCOLORDLG:
        return reinterpret_cast<INT_PTR>(dialog_brush);
    default:
        return FALSE;
    }
}
