// The dialogs of a recording's choices: the capture settings, the window
// locator and the area selector.
#pragma once

#include <windows.h>

#include "capture_area.h"
#include "engine.h"

// What the locator chose to record.
struct CaptureChoice {
    HWND window;        // the window to record (the desktop window: every monitor)
    int isArea;         // or instead a part of the screen:
    ScreenArea area;    //   in virtual-screen coordinates,
    int monitorNumber;  //   1 and above when it is that monitor whole, else 0
};

// The capture settings dialog (resource 105, modal): the destination file
// and the frame rate of the next recording. On OK they are stored in
// current_file and capture_fps. Returns 1 on OK, 0 on Cancel or when the
// dialog could not be shown.
int run_capture_settings();
INT_PTR CALLBACK capture_settings_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// The window locator (resource 104, modal): the user drags the locator onto
// the window to record, chooses the whole screen, or an area or a monitor in
// the area selector. Returns 1 on RECORD with *choice filled (the main window
// when nothing was chosen), 0 on Cancel or when the dialog could not be shown.
int run_locator(CaptureChoice* choice);
INT_PTR CALLBACK locator_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
// The window procedure that replaces the locator control's own.
LRESULT CALLBACK locator_control_proc(HWND control, UINT message, WPARAM wparam, LPARAM lparam);

// The area selector: a picture of every monitor, taken as it opens, on
// which the user drags the area to record, or clicks a monitor. Opens on
// *initial when it is not null. Returns 1 when the user accepted (Enter or a
// double click inside), with *chosen filled; 0 on Escape.
int run_area_selector(HWND owner, const CaptureChoice* initial, CaptureChoice* chosen);

// The thin frame shown just outside an area while it is recorded: it never
// lies on the recorded pixels. Hiding a frame not shown does nothing.
void show_area_frame(ScreenArea area);
void hide_area_frame();

// The engine's arguments for a choice: the window to follow and the part of
// its visible frame, or no window and a part of the virtual screen (every
// monitor for the desktop window). 0 when the chosen window has gone.
int capture_target(const CaptureChoice* choice, HWND* window, CaptureRect* rect);
