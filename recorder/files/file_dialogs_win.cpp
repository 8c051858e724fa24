#include "files/file_dialogs.h"

#include <commdlg.h>

#include <cstdio>
#include <cstring>

#include "files/file_names.h"
#include "recorder_globals.h"
#include "resource_ids.h"

const FileKind VIDEO_FILES = {"ZeVEVIZ files (*.zuv) \0*.zuv\0", "zuv"};
const FileKind PROGRAM_FILES = {"Programs (*.exe) \0*.exe\0", "exe"};
const FileKind ANIMATED_PNG_FILES = {"Animated PNG images (*.png) \0*.png\0", "png"};
const FileKind GIF_FILES = {"GIF images (*.gif) \0*.gif\0", "gif"};

namespace {

// Runs a file dialog on a buffer of its own: a name it cannot hold makes it
// write the size it needs there instead, and name changes only on OK.
int ask_name(HWND owner, const FileKind* kind, DWORD flags, bool save, char* name,
             size_t capacity) {
    char chosen[DIALOG_PATH_CAPACITY] = "";
    size_t length = strlen(name);
    if (length < sizeof chosen) memcpy(chosen, name, length + 1);
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = kind->filter;
    dialog.nFilterIndex = 0;
    dialog.lpstrFile = chosen;
    dialog.nMaxFile = sizeof chosen;
    dialog.Flags = flags;
    dialog.lpstrDefExt = kind->default_extension;
    if (!(save ? GetSaveFileNameA(&dialog) : GetOpenFileNameA(&dialog))) return 0;
    chosen[sizeof chosen - 1] = '\0';
    length = strlen(chosen);
    if (length >= capacity) return 0;
    memcpy(name, chosen, length + 1);
    return 1;
}

}  // namespace

int ask_open_name(HWND owner, const FileKind* kind, char* name, size_t capacity) {
    return ask_name(owner, kind, OFN_FILEMUSTEXIST, false, name, capacity);
}

int ask_save_name(HWND owner, const FileKind* kind, char* name, size_t capacity) {
    char chosen[DIALOG_PATH_CAPACITY];
    size_t length = strlen(name);
    if (length >= sizeof chosen) length = 0;
    memcpy(chosen, name, length);
    chosen[length] = '\0';
    for (;;) {
        if (!ask_name(owner, kind, OFN_CREATEPROMPT | OFN_OVERWRITEPROMPT, true, chosen,
                      sizeof chosen))
            return 0;
        if (!is_reserved_device_name(chosen)) break;
        warn_reserved_name(owner);
    }
    length = strlen(chosen);
    if (length >= capacity) return 0;
    memcpy(name, chosen, length + 1);
    return 1;
}

void warn_reserved_name(HWND owner) {
    MessageBoxA(owner,
                "This name is reserved by Windows for a device (NUL, CON, PRN, AUX, COM1 to COM9, "
                "LPT1 to LPT9) and cannot be used for a file. Please choose another name.",
                "Invalid File Name", MB_ICONWARNING);
}

void warn_not_written(const char* text, const char* caption, bool destination_existed) {
    char said[256];
    snprintf(said, sizeof said, "%s\n\n%s", text,
             destination_existed ? "The file that was already there has not been changed."
                                 : "No file has been made.");
    MessageBoxA(main_window, said, caption, MB_ICONWARNING);
}
