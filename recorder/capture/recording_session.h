// What the recorder does around a recording so that its own window stays out
// of it (recording_options): it holds the recording keys on the main window
// from the countdown until the recording ends, never at other times, shows
// the countdown, and minimises the main window meanwhile.
#pragma once

#include <windows.h>

#include <cstddef>

#include "capture/recording_keys.h"

// The identifiers of the recording keys on the main window (WM_HOTKEY).
constexpr int PAUSE_KEY_ID = 220;
constexpr int STOP_KEY_ID = 221;

// Before a recording of target, whose outer rectangle on the screen is area,
// starts: holds the keys (a key another program holds is left, and the status
// line says so), minimises the main window when chosen (unless it is the
// window recorded) and counts down. Returns 1 when the recording is to start
// now; 0 when the countdown was cancelled, with everything undone.
int prepare_recording(HWND target, const RECT& area);

// The recording did not start, or has been seen to end: the keys are
// released and a main window minimised for it is restored. Nothing happens
// when no recording was prepared.
void finish_recording();

// A recording key was pressed (WM_HOTKEY of the main window, id in wparam):
// during the countdown the stop key cancels it; during a recording the keys
// pause, resume and stop it.
void on_recording_key(WPARAM id);

// While a recording prepared here runs: appends to the status text in text
// (capacity bytes) what its keys do, and the main window's title says when
// it is paused. Nothing when none was prepared.
void show_recording_state(char* text, size_t capacity, bool paused);

// The countdown window: shows the seconds left over area for seconds seconds
// without taking the focus, and is gone when this returns. Escape (in any
// program), cancel_countdown or the end of the program cancel it. Returns 1
// when it ran to its end, 0 when cancelled.
int run_countdown(uint32_t seconds, const RECT& area, const char* hint);
void cancel_countdown();
// 1 while run_countdown runs.
int countdown_running();
INT_PTR CALLBACK countdown_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
