// Helpers of the Windows tests that record: temporary files, waiting for a
// condition while the test thread's windows stay responsive, and a window
// that shows a picture the test chooses.
#pragma once

#include <windows.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "frame_surface.h"

inline std::string TempFilePath(const char* name) {
    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    return std::string(folder) + name;
}

inline std::vector<uint8_t> ReadWholeFile(const std::string& path) {
    std::vector<uint8_t> bytes;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    LARGE_INTEGER size;
    if (GetFileSizeEx(file, &size) && size.QuadPart < (1LL << 30)) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD read = 0;
        if (!bytes.empty() &&
            (!ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
             read != bytes.size()))
            bytes.clear();
    }
    CloseHandle(file);
    return bytes;
}

// Size of a file even while another handle holds it without sharing; -1
// when there is no such file.
inline int64_t FileSizeOf(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

inline void PumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// Polls condition every few milliseconds, handling messages, until it holds
// or timeoutMs have passed. Returns whether it held.
template <typename Condition>
bool WaitFor(Condition condition, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        PumpMessages();
        if (condition()) return true;
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(5);
    }
}

// Lets the screen settle for a while in which nothing is expected to happen.
inline void PumpFor(DWORD ms) {
    WaitFor([] { return false; }, ms);
}

// A borderless top-level window that paints the picture held in `picture`:
// its window area is its client area, so a recording of it is the picture.
struct PictureWindow {
    HWND window;
    FrameSurface picture;
};

inline LRESULT CALLBACK PictureWindowProc(HWND window, UINT message, WPARAM wParam,
                                          LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window, &paint);
            auto* picture = reinterpret_cast<FrameSurface*>(GetWindowLongPtrA(window, GWLP_USERDATA));
            if (picture && picture->dc)
                BitBlt(dc, 0, 0, picture->width, picture->height, static_cast<HDC>(picture->dc), 0,
                       0, SRCCOPY);
            EndPaint(window, &paint);
            return 0;
        }
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

inline bool PictureWindowOpen(PictureWindow* shown, int x, int y, int width, int height) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = PictureWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.lpszClassName = "morvane_test_picture";
    RegisterClassA(&windowClass);  // fails harmlessly when already registered
    if (!FrameSurfaceCreate(static_cast<uint32_t>(width), static_cast<uint32_t>(height),
                            &shown->picture))
        return false;
    FrameSurfaceLock(&shown->picture);
    FrameSurfaceFill(&shown->picture, 0, 0, width - 1, height - 1, 0);
    FrameSurfaceUnlock(&shown->picture);
    shown->window = CreateWindowExA(WS_EX_TOPMOST, "morvane_test_picture", "", WS_POPUP | WS_VISIBLE,
                                    x, y, width, height, nullptr, nullptr,
                                    GetModuleHandleA(nullptr), nullptr);
    if (!shown->window) return false;
    SetWindowLongPtrA(shown->window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&shown->picture));
    UpdateWindow(shown->window);
    PumpMessages();
    return true;
}

// Paints the window's picture again now, after the test changed it.
inline void PictureWindowShow(PictureWindow* shown) {
    InvalidateRect(shown->window, nullptr, FALSE);
    UpdateWindow(shown->window);
    GdiFlush();
}

// Paints new noise, which no packing makes smaller, into the window.
inline void PictureWindowShowNoise(PictureWindow* shown, std::mt19937* random) {
    FrameSurfaceLock(&shown->picture);
    for (int32_t y = 0; y < shown->picture.height; y++)
        for (int32_t x = 0; x < shown->picture.width; x++)
            shown->picture.pixels[y * shown->picture.stride + x] = (*random)() & 0xFFFFFF;
    FrameSurfaceUnlock(&shown->picture);
    PictureWindowShow(shown);
}

inline void PictureWindowClose(PictureWindow* shown) {
    if (shown->window) DestroyWindow(shown->window);
    shown->window = nullptr;
    FrameSurfaceDestroy(&shown->picture);
    PumpMessages();
}

// The window's pixels as a grab through its window device context sees them,
// fourth byte cleared.
inline std::vector<uint32_t> GrabWindowPicture(HWND window, int width, int height) {
    std::vector<uint32_t> picture;
    FrameSurface grab;
    if (!FrameSurfaceCreate(static_cast<uint32_t>(width), static_cast<uint32_t>(height), &grab))
        return picture;
    void* dcPlace = nullptr;
    HDC dc = static_cast<HDC>(FrameSurfaceGetDC(&dcPlace, nullptr, &grab));
    HDC windowDC = GetWindowDC(window);
    BitBlt(dc, 0, 0, width, height, windowDC, 0, 0, SRCCOPY);
    ReleaseDC(window, windowDC);
    FrameSurfaceReleaseDC(&dcPlace, &grab);
    uint32_t* pixels = FrameSurfaceLock(&grab);
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) picture.push_back(pixels[y * grab.stride + x] & 0xFFFFFF);
    FrameSurfaceUnlock(&grab);
    FrameSurfaceDestroy(&grab);
    return picture;
}
