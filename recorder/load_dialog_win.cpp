// The Load dialog: the user chooses a video file into current_file.
#include <windows.h>
#include <commdlg.h>

#include <cstring>

#include "engine.h"
#include "packaging.h"
#include "recorder_globals.h"

namespace {

// What the open dialog works on. A choice it cannot hold makes it write the
// size it needs into the buffer instead, so the buffer is its own.
constexpr size_t OPEN_NAME_CAPACITY = 260;
static_assert(CURRENT_FILE_CAPACITY >= OPEN_NAME_CAPACITY, "every choice fits current_file");

}  // namespace

int load_dialog(HWND owner) {
    EngineStop();
    char chosen[OPEN_NAME_CAPACITY] = "";
    size_t current_length = strlen(current_file);
    if (current_length < OPEN_NAME_CAPACITY) memcpy(chosen, current_file, current_length + 1);
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = "ZeVEVIZ files (*.zuv) \0*.zuv\0";
    dialog.nFilterIndex = 0;
    dialog.lpstrFile = chosen;
    dialog.nMaxFile = OPEN_NAME_CAPACITY;
    dialog.Flags = OFN_FILEMUSTEXIST;
    dialog.lpstrDefExt = "zuv";
    if (!GetOpenFileNameA(&dialog)) return 0;
    chosen[OPEN_NAME_CAPACITY - 1] = '\0';
    memcpy(current_file, chosen, strlen(chosen) + 1);
    if (check_video_file(current_file)) return 1;
    MessageBoxA(owner,
                "The file you have selected is not a valid ZeVEVIZ file. Please load a valid "
                "video then retry.",
                "Invalid or Empty Video File", MB_ICONWARNING);
    return 0;
}
