// The quick test that a file is a video: its size and the first fields of
// its header, nothing of the frames.
#include <windows.h>

#include "files/video_file_check.h"
#include "video_check.h"

int check_video_file(const char* path) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    LARGE_INTEGER size;
    uint8_t header[VIDEO_HEADER_SIZE] = {};
    DWORD got = 0;
    bool read = GetFileSizeEx(file, &size) && ReadFile(file, header, sizeof header, &got, nullptr);
    CloseHandle(file);
    return read && VideoFileCheck(header, got, static_cast<uint64_t>(size.QuadPart));
}
