// Process-wide state of the recorder's user interface: created at start-up,
// living until the program ends, used by the user-interface thread only.
#pragma once

#include <windows.h>

constexpr int CURRENT_FILE_CAPACITY = 512;  // bytes of current_file, terminator included
constexpr int PROGRAM_PATH_CAPACITY = 512;

extern HINSTANCE program_instance;      // the module whose resources the windows use
extern char current_file[CURRENT_FILE_CAPACITY];  // the video Play plays and Capture records into
extern int capture_fps;                 // frames per second of the next recording
extern char program_path[PROGRAM_PATH_CAPACITY];  // this program's full path
extern HWND main_window;                // owner of every dialog and message box
extern HWND toolbar_window;
extern HWND status_line;                // state, elapsed time and file name
extern HBRUSH dialog_brush;             // background of every dialog, RGB(192, 192, 215)
extern HDC idle_picture;                // memory DC holding bitmap 107
extern HBITMAP idle_picture_bitmap;     // the bitmap selected into idle_picture
extern HCURSOR locator_cursor;          // shown over the window locator

// Colour of every dialog's background and static texts.
constexpr COLORREF DIALOG_COLOUR = RGB(192, 192, 215);
// Colour of links and information texts in dialogs.
constexpr COLORREF LINK_COLOUR = RGB(0, 0, 255);
