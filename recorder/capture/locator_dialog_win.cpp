// The window locator: the user drags the locator icon onto the window to
// record, which is named in the dialog and blinks on the screen, or chooses
// the whole screen, or an area or one monitor in the area selector.
#include <windows.h>

#include <cstdint>

#include "capture/capture_dialogs.h"
#include "recorder_globals.h"
#include "resource_ids.h"
#include "window_utils.h"

namespace {

constexpr UINT_PTR BLINK_TIMER = 1;
constexpr UINT BLINK_MS = 500;
// Asks the dialog to describe the target again.
constexpr UINT WM_LOCATOR_UPDATE = WM_APP + 1;
// Repaints a window with its frame and children at once.
constexpr UINT FULL_REDRAW = RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW |
                             RDW_ERASENOW | RDW_FRAME;
constexpr int TEXT_CAPACITY = 256;
constexpr size_t INFORMATION_CAPACITY = 1024;  // all wsprintfA writes

// The locator's state outlives the dialog: the blink phase carries on from
// one use to the next.
HWND locator_target;
HWND locator_dialog;
// An area or monitor chosen in the selector, instead of locator_target; and
// the last one accepted in this run, which the selector opens on.
bool locator_area_chosen;
CaptureChoice locator_area;
CaptureChoice last_area;
bool last_area_known;
bool locator_selecting;  // the selector is open: nothing blinks under it
WNDPROC locator_previous_proc;
unsigned locator_blink_count;

// What is inverted on the screen now, so that exactly those pixels can be
// inverted back: a window that does not repaint itself (the whole screen)
// would otherwise keep them.
struct Inversion {
    bool shown;
    HWND window;
    RECT rect;  // window coordinates, through the window device context
};
Inversion inversion;

void full_redraw(HWND window) {
    RedrawWindow(window, nullptr, nullptr, FULL_REDRAW);
}

void invert(HWND window, const RECT* rect) {
    HDC dc = GetWindowDC(window);
    if (!dc) return;
    InvertRect(dc, rect);
    ReleaseDC(window, dc);
    inversion.shown = true;
    inversion.window = window;
    inversion.rect = *rect;
}

// Inverts back what is inverted, then repaints that window whole.
void remove_inversion() {
    if (!inversion.shown) return;
    inversion.shown = false;
    HDC dc = GetWindowDC(inversion.window);
    if (dc) {
        InvertRect(dc, &inversion.rect);
        ReleaseDC(inversion.window, dc);
    }
    full_redraw(inversion.window);
}

void blink() {
    if (locator_area_chosen || locator_selecting) return;  // no window to show
    if (locator_blink_count & 1) {
        RECT area;
        if (!inversion.shown && GetWindowRect(locator_target, &area)) {
            OffsetRect(&area, -area.left, -area.top);
            invert(locator_target, &area);
        }
    } else {
        remove_inversion();
        full_redraw(locator_target);
    }
    locator_blink_count++;
}

void describe_target(HWND dialog) {
    if (locator_area_chosen) {
        char text[INFORMATION_CAPACITY];
        CaptureDescribe(text, sizeof text, locator_area.monitorNumber, locator_area.area);
        SetDlgItemTextA(dialog, IDC_WINDOW_INFO, text);
        return;
    }
    char title[TEXT_CAPACITY] = "";
    char class_name[TEXT_CAPACITY] = "";
    if (locator_target == GetDesktopWindow()) {
        lstrcpynA(title, "DESKTOP", TEXT_CAPACITY);
    } else {
        GetWindowTextA(locator_target, title, TEXT_CAPACITY);
    }
    GetClassNameA(locator_target, class_name, TEXT_CAPACITY);
    char text[INFORMATION_CAPACITY];
    unsigned long handle = static_cast<unsigned long>(reinterpret_cast<uintptr_t>(locator_target));
    wsprintfA(text, "Window Handle: 0x%0.8lx\r\nWindow Title: %s\r\nWindow Classname: %s", handle,
              title, class_name);
    SetDlgItemTextA(dialog, IDC_WINDOW_INFO, text);
}

// The old target is repainted whole, without what was inverted on it.
void change_target(HWND target) {
    if (target == locator_target && !locator_area_chosen) return;
    locator_area_chosen = false;
    remove_inversion();
    full_redraw(locator_target);
    locator_target = target;
    SendMessageA(locator_dialog, WM_LOCATOR_UPDATE, 0, 0);
}

void init_dialog(HWND dialog) {
    locator_dialog = dialog;
    locator_target = main_window;
    locator_area_chosen = false;
    SetTimer(dialog, BLINK_TIMER, BLINK_MS, nullptr);
    centre_window(dialog, main_window);
    locator_previous_proc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
        GetDlgItem(dialog, IDC_LOCATOR_ICON), GWLP_WNDPROC,
        reinterpret_cast<LONG_PTR>(locator_control_proc)));
}

void end_dialog(HWND dialog, int result) {
    remove_inversion();
    full_redraw(GetDesktopWindow());
    EndDialog(dialog, result);
}

// The selector over every monitor; Escape there keeps the choice as it was.
void choose_area(HWND dialog) {
    remove_inversion();
    full_redraw(locator_target);
    CaptureChoice chosen = {};
    locator_selecting = true;
    int accepted = run_area_selector(dialog, last_area_known ? &last_area : nullptr, &chosen);
    locator_selecting = false;
    if (!accepted) return;
    locator_area_chosen = true;
    locator_area = chosen;
    last_area = chosen;
    last_area_known = true;
    SendMessageA(dialog, WM_LOCATOR_UPDATE, 0, 0);
}

INT_PTR colour_static(HDC dc, HWND control) {
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, DIALOG_COLOUR);
    SetTextColor(dc, GetDlgCtrlID(control) == IDC_WINDOW_INFO ? LINK_COLOUR : RGB(0, 0, 0));
    return reinterpret_cast<INT_PTR>(dialog_brush);
}

}  // namespace

INT_PTR CALLBACK locator_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG:
        init_dialog(dialog);
        return TRUE;
    case WM_TIMER:
        if (wparam == BLINK_TIMER) blink();
        return 0;
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDOK:
            end_dialog(dialog, 1);
            break;
        case IDCANCEL:
            end_dialog(dialog, 0);
            break;
        case IDC_AREA:
            choose_area(dialog);
            break;
        case IDC_WHOLE_SCREEN:
            change_target(GetDesktopWindow());
            SendMessageA(dialog, WM_LOCATOR_UPDATE, 0, 0);
            break;
        }
        return TRUE;
    case WM_LOCATOR_UPDATE:
        describe_target(dialog);
        return 0;
    case WM_CTLCOLORSTATIC:
        return colour_static(reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
    case WM_CTLCOLORDLG:
        return reinterpret_cast<INT_PTR>(dialog_brush);
    case WM_DESTROY:
        remove_inversion();
        KillTimer(dialog, BLINK_TIMER);
        return 0;
    default:
        return 0;
    }
}

LRESULT CALLBACK locator_control_proc(HWND control, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_SETCURSOR:
        SetCursor(locator_cursor);
        return TRUE;
    case WM_LBUTTONDOWN:
        SetCapture(control);
        break;
    case WM_MOUSEMOVE:
        if (wparam & MK_LBUTTON) {
            POINT cursor;
            GetCursorPos(&cursor);
            // Nothing under the cursor (off every window): the target stays.
            HWND under = WindowFromPoint(cursor);
            if (under) change_target(under);
        }
        break;
    case WM_LBUTTONUP:
        ReleaseCapture();
        remove_inversion();
        full_redraw(locator_target);
        SendMessageA(locator_dialog, WM_LOCATOR_UPDATE, 0, 0);
        break;
    }
    return CallWindowProcA(locator_previous_proc, control, message, wparam, lparam);
}

int run_locator(CaptureChoice* choice) {
    INT_PTR result = DialogBoxParamA(program_instance, MAKEINTRESOURCEA(IDD_LOCATOR), main_window,
                                     locator_dialog_proc, 0);
    if (result != 1) return 0;
    if (locator_area_chosen) {
        *choice = locator_area;
    } else {
        *choice = CaptureChoice{};
        choice->window = locator_target;
    }
    return 1;
}
