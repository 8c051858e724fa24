// Process-wide state of the player, shared by its start-up and its window.
#pragma once

#include <windows.h>

#include <cstddef>

extern HINSTANCE instance;
extern HDC idle_picture;          // memory DC holding bitmap 106
extern HBRUSH dialog_brush;       // background of the About dialog
extern HWND player_window;
extern const char* embedded_video;  // the carried video, valid for the whole run
extern size_t embedded_video_size;  // its bytes, from the resource entry
extern int idle_ticks;            // consecutive timer ticks without playback

// Starts the carried video from its first frame in the player's window.
int start_embedded_video();

LRESULT CALLBACK player_window_proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
