// Start-up and shutdown of the recorder.
#pragma once

#include <windows.h>

// The whole run of the program: state, engine, association, windows, the
// video named on the command line, the message loop, shutdown. Returns 0,
// or 1 when the main window could not be created.
int run_recorder(HINSTANCE instance, const char* command_line);
