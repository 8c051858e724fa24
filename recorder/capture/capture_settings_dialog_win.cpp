// The capture settings dialog: the destination file name and frame rate of
// the next recording, and the recording options of the run.
#include <windows.h>
#include <commctrl.h>

#include <cstring>

#include "capture/capture_dialogs.h"
#include "capture/recording_keys.h"
#include "files/file_dialogs.h"
#include "files/file_names.h"
#include "frame_rate.h"
#include "files/load_dialog.h"
#include "recorder_globals.h"
#include "resource_ids.h"
#include "window_utils.h"

namespace {

// Added in this order; the sorted combo box shows "10 fps (Medium)" first.
const char* const FRAME_RATE_ENTRIES[] = {
    "2 fps (Stills)", "5 fps (Low)",    "10 fps (Medium)", "15 fps (Film)",
    "24 fps (Movie)", "25 fps (PAL)",   "30 fps (NTSC)",
};

// Room for any text the frame-rate field shows or takes.
constexpr int FRAME_RATE_TEXT_CAPACITY = 64;

void init_recording_options(HWND dialog) {
    SendDlgItemMessageA(dialog, IDC_START_AFTER, CB_RESETCONTENT, 0, 0);
    for (size_t i = 0; i < COUNTDOWN_CHOICE_COUNT; i++) {
        char text[16];
        countdown_choice_text(i, text, sizeof text);
        SendDlgItemMessageA(dialog, IDC_START_AFTER, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(text));
    }
    SendDlgItemMessageA(dialog, IDC_START_AFTER, CB_SETCURSEL,
                        countdown_choice_index(recording_options.countdown_seconds), 0);
    SendDlgItemMessageA(dialog, IDC_PAUSE_KEY, HKM_SETHOTKEY, recording_options.pause_key, 0);
    SendDlgItemMessageA(dialog, IDC_STOP_KEY, HKM_SETHOTKEY, recording_options.stop_key, 0);
    CheckDlgButton(dialog, IDC_MINIMISE, recording_options.minimise ? BST_CHECKED : BST_UNCHECKED);
}

void init_dialog(HWND dialog) {
    centre_window(dialog, main_window);
    SetDlgItemTextA(dialog, IDC_DESTINATION_FILE, current_file);
    SendDlgItemMessageA(dialog, IDC_FRAME_RATE, CB_RESETCONTENT, 0, 0);
    for (const char* entry : FRAME_RATE_ENTRIES) {
        SendDlgItemMessageA(dialog, IDC_FRAME_RATE, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(entry));
    }
    SetDlgItemInt(dialog, IDC_FRAME_RATE, static_cast<UINT>(capture_fps), FALSE);
    init_recording_options(dialog);
    centre_window(dialog, main_window);
}

void warn(HWND dialog, const char* text, const char* caption) {
    MessageBoxA(dialog, text, caption, MB_ICONWARNING);
}

// The typed or chosen rate, or 0 after telling the user it cannot be used.
// The text is read here rather than by the system's number reading, which
// may count the words after the number of a list entry as an error.
UINT read_frame_rate(HWND dialog) {
    char text[FRAME_RATE_TEXT_CAPACITY] = "";
    GetDlgItemTextA(dialog, IDC_FRAME_RATE, text, sizeof text);
    uint32_t rate = FrameRateParse(text);
    if (rate) return rate;
    warn(dialog, "Please enter a frame rate from 1 to 1000 frames per second.",
         "Invalid Frame Rate");
    return 0;
}

// The destination as it will be recorded, into name (current_file's
// capacity); false after telling the user a name that does not fit or that
// names a device.
bool read_destination(HWND dialog, char* name) {
    char typed[CURRENT_FILE_CAPACITY];
    HWND edit = GetDlgItem(dialog, IDC_DESTINATION_FILE);
    bool fits = GetWindowTextLengthA(edit) < CURRENT_FILE_CAPACITY;
    if (fits) {
        GetWindowTextA(edit, typed, CURRENT_FILE_CAPACITY);
        fits = absolute_file_name(typed, name, CURRENT_FILE_CAPACITY) != 0;
    }
    if (!fits) {
        warn(dialog, "Please enter a file name of at most 511 characters.", "File Name Too Long");
        return false;
    }
    if (is_reserved_device_name(name)) {
        warn_reserved_name(dialog);
        return false;
    }
    return true;
}

// A file that exists, also one that a running recording holds without
// sharing, which cannot be opened for reading.
bool destination_exists(const char* name) {
    if (file_exists(name)) return true;
    DWORD attributes = GetFileAttributesA(name);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The recording options as chosen, into chosen; false after telling the
// user why the keys cannot serve.
bool read_recording_options(HWND dialog, RecordingOptions* chosen) {
    chosen->pause_key = static_cast<RecordingKey>(
        SendDlgItemMessageA(dialog, IDC_PAUSE_KEY, HKM_GETHOTKEY, 0, 0));
    chosen->stop_key = static_cast<RecordingKey>(
        SendDlgItemMessageA(dialog, IDC_STOP_KEY, HKM_GETHOTKEY, 0, 0));
    LRESULT choice = SendDlgItemMessageA(dialog, IDC_START_AFTER, CB_GETCURSEL, 0, 0);
    chosen->countdown_seconds = choice >= 0 && static_cast<size_t>(choice) < COUNTDOWN_CHOICE_COUNT
                                    ? COUNTDOWN_CHOICES[choice]
                                    : 0;
    chosen->minimise = IsDlgButtonChecked(dialog, IDC_MINIMISE) == BST_CHECKED;
    UINT refusal = 0;
    switch (recording_keys_problem(chosen->pause_key, chosen->stop_key)) {
    case RECORDING_KEYS_USABLE: return true;
    case RECORDING_KEYS_SAME: refusal = IDS_KEYS_SAME; break;
    case RECORDING_KEY_ESCAPE: refusal = IDS_KEY_ESCAPE; break;
    case RECORDING_KEY_TYPES: refusal = IDS_KEY_TYPES; break;
    case RECORDING_KEY_F12: refusal = IDS_KEY_F12; break;
    }
    char text[512] = "";
    char caption[64] = "";
    LoadStringA(program_instance, refusal, text, sizeof text);
    LoadStringA(program_instance, IDS_INVALID_KEY, caption, sizeof caption);
    warn(dialog, text, caption);
    return false;
}

void confirm(HWND dialog) {
    UINT rate = read_frame_rate(dialog);
    if (!rate) return;
    RecordingOptions chosen;
    if (!read_recording_options(dialog, &chosen)) return;
    char name[CURRENT_FILE_CAPACITY];
    if (!read_destination(dialog, name)) return;
    if (destination_exists(name) &&
        MessageBoxA(dialog, "The file you have selected already exists.\nWould you like to "
                            "replace it?",
                    "Replace Existing File?", MB_YESNO) != IDYES)
        return;
    memcpy(current_file, name, strlen(name) + 1);
    capture_fps = static_cast<int>(rate);
    recording_options = chosen;
    EndDialog(dialog, 1);
}

void browse(HWND dialog) {
    load_dialog(dialog);
    SetDlgItemTextA(dialog, IDC_DESTINATION_FILE, current_file);
}

INT_PTR colour_static(HDC dc) {
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, DIALOG_COLOUR);
    SetTextColor(dc, RGB(0, 0, 0));
    return reinterpret_cast<INT_PTR>(dialog_brush);
}

}  // namespace

INT_PTR CALLBACK capture_settings_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        init_dialog(dialog);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDOK:
            confirm(dialog);
            break;
        case IDCANCEL:
            EndDialog(dialog, 0);
            break;
        case IDC_BROWSE:
            browse(dialog);
            break;
        }
        return TRUE;
    case WM_CTLCOLORSTATIC:
        return colour_static(reinterpret_cast<HDC>(wparam));
    case WM_CTLCOLORDLG:
        return reinterpret_cast<INT_PTR>(dialog_brush);
    default:
        return FALSE;
    }
}

int run_capture_settings() {
    // The key fields' window class.
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_HOTKEY_CLASS};
    InitCommonControlsEx(&controls);
    // -1 (the dialog could not be made) counts as Cancel.
    INT_PTR result = DialogBoxParamA(program_instance, MAKEINTRESOURCEA(IDD_CAPTURE_SETTINGS),
                                     main_window, capture_settings_proc, 0);
    return result == 1 ? 1 : 0;
}
