// Program entry of the recorder: everything else lives in the morvane_app
// library, which the Windows tests drive in-process.
#include <windows.h>

#include "recorder_startup.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int) {
    return run_recorder(instance, command_line);
}
