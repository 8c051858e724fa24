#include "recorder_startup.h"

#include <shlobj.h>

#include "engine.h"
#include "file_association.h"
#include "main_window.h"
#include "recorder_globals.h"
#include "resource_ids.h"
#include "window_utils.h"

namespace {

constexpr int DOCUMENT_ICON_INDEX = 3;  // icon group 113, the fourth of the program file
constexpr UINT ASSOCIATION_NOTIFY_FLAGS = 0x2000;  // flush without waiting

}  // namespace

int run_recorder(HINSTANCE instance, const char* command_line) {
    program_instance = instance;
    GetModuleFileNameA(instance, program_path, PROGRAM_PATH_CAPACITY);
    program_path[PROGRAM_PATH_CAPACITY - 1] = '\0';  // a cut path is not terminated on older Windows
    EngineInit();
    create_idle_picture();
    locator_cursor = LoadCursorA(instance, MAKEINTRESOURCEA(IDC_LOCATOR_CURSOR));

    char extension[] = ".zuv";
    set_file_association(extension, "ZeVEVIZ Video File", DOCUMENT_ICON_INDEX);
    SHChangeNotify(SHCNE_ASSOCCHANGED, ASSOCIATION_NOTIFY_FLAGS, nullptr, nullptr);
    SystemParametersInfoA(SPI_SETICONS, 0, nullptr, 0);

    if (!create_main_windows()) {
        release_idle_picture();
        EngineReset();
        return 1;
    }
    if (parse_command_line(command_line, current_file, CURRENT_FILE_CAPACITY)) play_named_video();

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }

    release_idle_picture();
    EngineReset();
    return 0;
}
