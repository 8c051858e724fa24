// The recorder's main window (class prog_main) with its two children along
// the bottom edge: the toolbar (class prog_tool) and the status line.
#pragma once

#include <windows.h>

#include <cstdint>

constexpr char MAIN_WINDOW_CLASS[] = "prog_main";
constexpr char MAIN_WINDOW_TITLE[] = "Morvane 1.0 (pre-release)";
constexpr int MAIN_WINDOW_WIDTH = 400;
constexpr int MAIN_WINDOW_HEIGHT = 340;
// The strip along the bottom of the client area that holds the toolbar and
// the status line; playback keeps it free.
constexpr int BOTTOM_BAND_HEIGHT = 24;

// Creates dialog_brush, registers prog_main and prog_tool, creates
// main_window, toolbar_window and status_line, centres the main window on the
// screen and shows it. Returns 1; 0 after the "Start-up Failed" box when the
// main window could not be created.
int create_main_windows();

LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Puts the toolbar at the bottom left and the status line beside it, then
// repaints the window.
void lay_out_main_window(HWND window);

// Draws the idle picture into the client area of window on dc: unscaled in
// the middle when it fits, else stretched over the whole area.
void paint_idle_picture(HWND window, HDC dc);

// The idle picture: bitmap 107 in a memory device context (idle_picture).
void create_idle_picture();
void release_idle_picture();

// Plays current_file, the video named on the command line, at once; a name
// that is no file that can be opened (current_file empty) or a file that is
// no video says so in a box, as does a playback that cannot start.
void play_named_video();

// Runs the command of the main menu or the toolbar with this identifier;
// dialogs included, it has run to its end when this returns.
void run_main_command(HWND window, WORD command);

// While the engine runs: its state, elapsed time and the short file name in
// the status line. While it is idle the last text stays, unless a recording
// has ended by itself (report_recording_end).
void refresh_status_line();

// Once a recording started by the Capture command has ended without Stop or
// Escape (a failed write, a fault, its window gone): the ready text in the
// status line and, once, a warning box owned by the main window that says
// why and names the file, which keeps everything recorded up to then.
void report_recording_end();

// The session is ending (log-off, shut-down): a running recording or
// playback is stopped and waited for, at most SESSION_END_WAIT_MS, so that
// the file ends on a whole record before the process is ended.
constexpr uint32_t SESSION_END_WAIT_MS = 2000;
void end_session();

// While the engine is idle: the ready text with the short file name.
void show_ready_text();
