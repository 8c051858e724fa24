// The Load command's dialog: the choice of the current video.
#pragma once

#include <windows.h>

// Stops the engine and lets the user choose a video file into current_file,
// with the open dialog and its warning owned by owner (disabled meanwhile).
// The dialog starts from current_file when that fits its 260 characters. 1
// when the choice passes check_video_file; 0 on cancel or failure
// (current_file unchanged) or after the "Invalid or Empty Video File"
// warning (current_file holds the choice).
int load_dialog(HWND owner);
