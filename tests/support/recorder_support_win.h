// Helpers of the recorder's Windows tests: starting the built program,
// finding its windows, reading pixels back from the screen or a window.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "test_pictures.h"

// The Windows name of a file of the build tree, whose path CMake hands in as
// a Unix path: Wine shows the Unix root as drive Z.
inline std::string WindowsPathOf(const char* unix_path) {
    std::string path = std::string("Z:") + unix_path;
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    return path;
}

struct RunningProgram {
    PROCESS_INFORMATION process = {};
    bool started = false;
    DWORD error = 0;  // why CreateProcessA refused, when it did
};

inline RunningProgram StartProgram(const std::string& path, const std::string& arguments) {
    RunningProgram program;
    std::string command = "\"" + path + "\"" + (arguments.empty() ? "" : " " + arguments);
    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    // A Wine desktop that was just created has once refused the first start;
    // a few more tries, and the reason kept if they fail too.
    for (int attempt = 0; attempt < 5 && !program.started; attempt++) {
        if (attempt > 0) Sleep(500);
        program.started = CreateProcessA(path.c_str(), line.data(), nullptr, nullptr, FALSE, 0,
                                         nullptr, nullptr, &startup, &program.process) != 0;
        if (!program.started) program.error = GetLastError();
    }
    return program;
}

// Closes the program's main window and waits for the program to end;
// returns its exit code, or -1 when it did not end.
inline long CloseProgram(RunningProgram* program, HWND main) {
    if (!program->started) return -1;
    if (main) PostMessageA(main, WM_CLOSE, 0, 0);
    long code = -1;
    if (WaitForSingleObject(program->process.hProcess, 20000) == WAIT_OBJECT_0) {
        DWORD exit_code = 0;
        GetExitCodeProcess(program->process.hProcess, &exit_code);
        code = static_cast<long>(exit_code);
    } else {
        TerminateProcess(program->process.hProcess, 99);
        WaitForSingleObject(program->process.hProcess, 5000);
    }
    CloseHandle(program->process.hProcess);
    CloseHandle(program->process.hThread);
    program->started = false;
    return code;
}

struct WindowSearch {
    DWORD process_id;
    const char* class_name;
    HWND found;
};

inline BOOL CALLBACK MatchProcessWindow(HWND window, LPARAM search_address) {
    auto* search = reinterpret_cast<WindowSearch*>(search_address);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    if (owner == search->process_id && lstrcmpA(name, search->class_name) == 0 &&
        IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// Waits up to timeout_ms for a visible top-level window of class_name that
// belongs to the program.
inline HWND WaitForProgramWindow(const RunningProgram& program, const char* class_name,
                                 DWORD timeout_ms) {
    DWORD start = GetTickCount();
    for (;;) {
        WindowSearch search = {program.process.dwProcessId, class_name, nullptr};
        EnumWindows(MatchProcessWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found) return search.found;
        if (GetTickCount() - start > timeout_ms) return nullptr;
        Sleep(20);
    }
}

// A rectangle of a device context's pixels as 0x00RRGGBB values, row by row.
inline std::vector<uint32_t> GrabPixels(HDC source, int x, int y, int width, int height) {
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap) return {};
    HDC memory = CreateCompatibleDC(source);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY);
    GdiFlush();
    const uint32_t* source_pixels = static_cast<const uint32_t*>(bits);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = source_pixels[i] & 0xFFFFFF;
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(bitmap);
    return pixels;
}

// The screen's pixels over a window's client rectangle.
inline std::vector<uint32_t> GrabClientFromScreen(HWND window, int* width, int* height) {
    RECT client;
    GetClientRect(window, &client);
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    *width = client.right;
    *height = client.bottom;
    HDC screen = GetDC(nullptr);
    std::vector<uint32_t> pixels = GrabPixels(screen, origin.x, origin.y, *width, *height);
    ReleaseDC(nullptr, screen);
    return pixels;
}

inline uint32_t Rgb(uint8_t red, uint8_t green, uint8_t blue) {
    return (static_cast<uint32_t>(red) << 16) | (green << 8) | blue;
}

// Red, green and blue each within tolerance of the wanted colour.
inline bool CloseTo(uint32_t pixel, uint32_t wanted, int tolerance) {
    for (int shift = 0; shift <= 16; shift += 8) {
        int a = (pixel >> shift) & 0xFF;
        int b = (wanted >> shift) & 0xFF;
        if (a - b > tolerance || b - a > tolerance) return false;
    }
    return true;
}

inline size_t CountCloseTo(const std::vector<uint32_t>& pixels, uint32_t wanted, int tolerance) {
    size_t count = 0;
    for (uint32_t p : pixels) count += CloseTo(p, wanted, tolerance) ? 1 : 0;
    return count;
}

// Each quadrant of the width x height area at (left, top) of a picture
// stride pixels wide shows at its middle the colour of that quadrant of
// MakeQuadrantVideo's picture (test_pictures.h): the whole frame is there.
inline bool ShowsQuadrants(const std::vector<uint32_t>& pixels, int stride, int left, int top,
                           int width, int height) {
    for (int quadrant = 0; quadrant < 4; quadrant++) {
        int x = left + width / 4 + (quadrant % 2) * width / 2;
        int y = top + height / 4 + (quadrant / 2) * height / 2;
        size_t at = static_cast<size_t>(y) * stride + x;
        if (at >= pixels.size() || !CloseTo(pixels[at], QuadrantColour(quadrant), 8)) return false;
    }
    return true;
}
