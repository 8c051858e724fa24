// Measures what a self-playing executable weighs (scripts/measure/measure_self_playing.sh):
// records 10 seconds of a window in which a log scrolls, as a person would
// record a terminal, at 15 frames per second; then adds that video to the
// given player program as the builder does and prints the sizes.
//
//   measure_self_playing PLAYER_EXE OUTPUT_FOLDER
#include <windows.h>

#include <cstdio>
#include <string>

#include "engine.h"

namespace {

const int WIDTH = 640, HEIGHT = 400, LINE_HEIGHT = 16;
const DWORD RECORD_MS = 10000, LINE_EVERY_MS = 100;

int lines_written = 0;

void PaintLog(HWND window, HDC dc) {
    RECT client;
    GetClientRect(window, &client);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    SetBkMode(dc, TRANSPARENT);
    int shown = client.bottom / LINE_HEIGHT;
    int first = lines_written > shown ? lines_written - shown : 0;
    for (int line = first; line < lines_written; line++) {
        char text[96];
        int length = wsprintfA(text, "%05d  worker %d: request %d handled in %d ms", line,
                               line % 7, line * 37 % 1000, line * 13 % 250);
        SetTextColor(dc, line % 5 == 0 ? RGB(240, 200, 60) : RGB(200, 220, 200));
        TextOutA(dc, 4, (line - first) * LINE_HEIGHT, text, length);
    }
}

LRESULT CALLBACK LogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        PaintLog(window, dc);
        EndPaint(window, &paint);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND OpenLogWindow() {
    WNDCLASSA window_class = {};
    window_class.lpfnWndProc = LogProc;
    window_class.hInstance = GetModuleHandleA(nullptr);
    window_class.lpszClassName = "morvane_measure_log";
    RegisterClassA(&window_class);
    return CreateWindowExA(0, "morvane_measure_log", "", WS_POPUP | WS_VISIBLE, 0, 0, WIDTH,
                           HEIGHT, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

void PumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

bool RecordLog(const std::string& video) {
    HWND window = OpenLogWindow();
    UpdateWindow(window);
    CaptureRect rect = {0, 0, WIDTH - 1, HEIGHT - 1};
    EngineInit();
    if (!EngineStartRecording(video.c_str(), window, &rect, 15)) return false;
    DWORD start = GetTickCount();
    while (GetTickCount() - start < RECORD_MS) {
        lines_written = static_cast<int>((GetTickCount() - start) / LINE_EVERY_MS);
        InvalidateRect(window, nullptr, FALSE);
        PumpMessages();
        Sleep(10);
    }
    EngineStop();
    DestroyWindow(window);
    return true;
}

long long FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool ReadWhole(const std::string& path, std::string* bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bytes->resize(GetFileSize(file, nullptr));
    DWORD got = 0;
    BOOL read = ReadFile(file, &(*bytes)[0], static_cast<DWORD>(bytes->size()), &got, nullptr);
    CloseHandle(file);
    return read && got == bytes->size();
}

// The builder's steps without its dialogs: the player's bytes, then the
// video as the language-neutral "ZEVEVIZ" / "VIDEO1" entry.
bool AddVideo(const std::string& player, const std::string& video, const std::string& exe) {
    std::string bytes;
    if (!CopyFileA(player.c_str(), exe.c_str(), FALSE) || !ReadWhole(video, &bytes)) return false;
    HANDLE update = BeginUpdateResourceA(exe.c_str(), FALSE);
    if (!update) return false;
    if (!UpdateResourceA(update, "ZEVEVIZ", "VIDEO1", MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                         &bytes[0], static_cast<DWORD>(bytes.size()))) {
        EndUpdateResourceA(update, TRUE);
        return false;
    }
    return EndUpdateResourceA(update, FALSE) != 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: measure_self_playing PLAYER_EXE OUTPUT_FOLDER\n");
        return 2;
    }
    std::string player = argv[1], folder = argv[2];
    std::string video = folder + "\\log_10s.zuv", exe = folder + "\\log_10s.exe";
    if (!RecordLog(video)) {
        fprintf(stderr, "measure: the recording did not start\n");
        return 1;
    }
    if (!AddVideo(player, video, exe)) {
        fprintf(stderr, "measure: the self-playing executable could not be written\n");
        return 1;
    }
    long long player_size = FileSize(player), video_size = FileSize(video);
    long long exe_size = FileSize(exe);
    printf("player program           %9lld bytes\n", player_size);
    printf("10 s recording, %dx%d    %9lld bytes\n", WIDTH, HEIGHT, video_size);
    printf("self-playing executable  %9lld bytes (player + video + %lld)\n", exe_size,
           exe_size - player_size - video_size);
    return 0;
}
