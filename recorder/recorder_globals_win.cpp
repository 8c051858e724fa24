#include "recorder_globals.h"

HINSTANCE program_instance;
char current_file[CURRENT_FILE_CAPACITY] = "c:\\untitled.zuv";
int capture_fps = 15;
char program_path[PROGRAM_PATH_CAPACITY];
HWND main_window;
HWND toolbar_window;
HWND status_line;
HBRUSH dialog_brush;
HDC idle_picture;
HBITMAP idle_picture_bitmap;
HCURSOR locator_cursor;
