// The Load dialog: the user chooses a video file into current_file.
#include <windows.h>

#include "engine.h"
#include "files/file_dialogs.h"
#include "files/video_file_check.h"
#include "files/load_dialog.h"
#include "recorder_globals.h"

static_assert(CURRENT_FILE_CAPACITY >= DIALOG_PATH_CAPACITY, "every choice fits current_file");

int load_dialog(HWND owner) {
    EngineStop();
    if (!ask_open_name(owner, &VIDEO_FILES, current_file, CURRENT_FILE_CAPACITY)) return 0;
    if (check_video_file(current_file)) return 1;
    MessageBoxA(owner,
                "The file you have selected is not a valid ZeVEVIZ file. Please load a valid "
                "video then retry.",
                "Invalid or Empty Video File", MB_ICONWARNING);
    return 0;
}
