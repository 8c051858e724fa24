// The recorder's About dialog (resource 108, modal).
#pragma once

#include <windows.h>

// DialogBoxParamA(program_instance, IDD_ABOUT, main_window, about_proc, 0).
INT_PTR CALLBACK about_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
