#include "window_utils.h"

#include <cstring>

int centre_window(HWND window, HWND owner) {
    if (!IsWindow(window) || !IsWindow(owner)) return 0;
    RECT o, r, desktop;
    GetWindowRect(owner, &o);
    GetWindowRect(window, &r);
    int x = o.left + ((o.right - o.left) - (r.right - r.left)) / 2;
    int y = o.top + ((o.bottom - o.top) - (r.bottom - r.top)) / 2;
    GetClientRect(GetDesktopWindow(), &desktop);
    if (!(x + 32 < desktop.right && y + 32 < desktop.bottom)) {
        x = 0;
        y = 0;
    }
    return SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

int file_exists(const char* name) {
    HANDLE file = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    CloseHandle(file);
    return 1;
}

static bool is_ascii_letter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

int same_file(const char* first_path, const char* second_path) {
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE first = CreateFileA(first_path, 0, share, nullptr, OPEN_EXISTING, 0, nullptr);
    if (first == INVALID_HANDLE_VALUE) return 0;
    HANDLE second = CreateFileA(second_path, 0, share, nullptr, OPEN_EXISTING, 0, nullptr);
    bool same = false;
    if (second != INVALID_HANDLE_VALUE) {
        BY_HANDLE_FILE_INFORMATION a, b;
        same = GetFileInformationByHandle(first, &a) && GetFileInformationByHandle(second, &b) &&
               a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
               a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
        CloseHandle(second);
    }
    CloseHandle(first);
    return same;
}

static bool is_separator(char c) {
    return c == '\\' || c == '/';
}

// "c:\..." or a network name "\\server\...": a name that does not depend on
// the current folder or drive.
static bool is_absolute(const char* name) {
    if (is_ascii_letter(name[0]) && name[1] == ':' && is_separator(name[2])) return true;
    return is_separator(name[0]) && is_separator(name[1]);
}

int absolute_file_name(const char* typed, char* output, size_t capacity) {
    size_t length = strlen(typed);
    if (length >= capacity) return 0;
    if (is_absolute(typed)) {
        memmove(output, typed, length + 1);
        return 1;
    }
    char completed[MAX_PATH * 2];
    DWORD written = GetFullPathNameA(typed, sizeof completed, completed, nullptr);
    if (written == 0) {
        // Not a name the system can complete (empty, say): kept as typed, so
        // that what uses it fails on it visibly.
        memmove(output, typed, length + 1);
        return 1;
    }
    if (written >= sizeof completed || written >= capacity) return 0;
    memcpy(output, completed, written + 1);
    return 1;
}

int parse_command_line(const char* command_line, char* output, size_t capacity) {
    if (!command_line || command_line[0] == '\0') return 0;
    if (capacity == 0) return 1;
    output[0] = '\0';

    // The name runs from the last drive letter to the end of the extension
    // after it, blanks included, so that a quoted full path comes out whole;
    // without a drive letter it runs from the start to the first blank.
    const char* drive = nullptr;
    for (const char* p = command_line; p[0] != '\0'; ++p) {
        if (is_ascii_letter(p[0]) && p[1] == ':') drive = p;
    }
    const char* start = command_line;
    const char* end = command_line;
    if (drive) {
        const char* dot = strrchr(drive, '.');
        if (dot) {
            start = drive;
            end = dot;
        }
    }
    while (*end != ' ' && *end != '"' && *end != '\0') ++end;

    size_t length = static_cast<size_t>(end - start);
    if (length >= capacity) return 1;  // too long for the buffer: no file
    memcpy(output, start, length);
    output[length] = '\0';
    if (!file_exists(output) || !absolute_file_name(output, output, capacity)) output[0] = '\0';
    return 1;
}

int pump_waiting_messages(HWND dialog, bool* ended) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            *ended = true;
            break;
        }
        if (dialog && IsDialogMessageA(dialog, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return !*ended;
}
