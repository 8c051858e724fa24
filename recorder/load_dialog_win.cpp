// The Load dialog: the user chooses a video file into current_file.
#include <windows.h>
#include <commdlg.h>

#include "engine.h"
#include "packaging.h"
#include "recorder_globals.h"

static_assert(CURRENT_FILE_CAPACITY >= 260, "the open dialog writes up to 260 characters");

int load_dialog() {
    EngineStop();
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = main_window;
    dialog.lpstrFilter = "ZeVEVIZ files (*.zuv) \0*.zuv\0";
    dialog.nFilterIndex = 0;
    dialog.lpstrFile = current_file;
    dialog.nMaxFile = 260;
    dialog.Flags = OFN_FILEMUSTEXIST;
    dialog.lpstrDefExt = "zuv";
    if (!GetOpenFileNameA(&dialog)) return 0;
    if (check_video_file(current_file)) return 1;
    MessageBoxA(main_window,
                "The file you have selected is not a valid ZeVEVIZ file. Please load a valid "
                "video then retry.",
                "Invalid or Empty Video File", MB_ICONWARNING);
    return 0;
}
