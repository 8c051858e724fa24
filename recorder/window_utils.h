// Small helpers of the recorder's windows and of the files it works on.
#pragma once

#include <windows.h>

// Moves window so that it is centred over owner, or to (0, 0) when its
// centred top-left corner would lie within 32 pixels of the screen's right
// or bottom edge (or beyond). Returns 0 if either is not a window, else the
// result of SetWindowPos.
int centre_window(HWND window, HWND owner);

// 1 if the file can be opened for reading while others read it, else 0.
int file_exists(const char* name);

// 1 when both names lead to one existing file, however they are spelt.
int same_file(const char* first, const char* second);

// The name of a file for a typed one: an absolute name as typed, a relative
// one made absolute against the current folder (one the system cannot
// complete, such as the empty name, is kept as typed). 1 when the result
// fits output (capacity bytes, terminator included), else 0.
int absolute_file_name(const char* typed, char* output, size_t capacity);

// Finds the name of an existing file in a command line and writes it into
// output (capacity bytes, terminator included), made absolute against the
// current folder, so that no later change of folder leads to another file;
// writes the empty text when there is none, or when the name would not fit.
// Returns 0, leaving output as it was, when the command line is absent or
// empty; else 1.
int parse_command_line(const char* command_line, char* output, size_t capacity);

// Gives the windows of the user-interface thread their waiting messages
// while a long operation keeps it busy; dialog's own (a progress window's
// Cancel and Escape) through its dialog manager when dialog is not null. A
// request to end the program stops the pumping, sets *ended and is posted
// again for the message loop. Returns 0 once *ended is set.
int pump_waiting_messages(HWND dialog, bool* ended);
