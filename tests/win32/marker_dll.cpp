// A library whose start-up leaves a file behind: %TEMP%\morvane_marker.txt.
// Renamed ".exe", it stands for an executable that runs code as soon as it
// is loaded; it carries a video entry so that it looks worth extracting.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    char path[MAX_PATH + 32];
    DWORD length = GetTempPathA(MAX_PATH, path);
    if (length == 0 || length >= MAX_PATH) return TRUE;
    lstrcpyA(path + length, "morvane_marker.txt");
    HANDLE marker = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
    return TRUE;
}
