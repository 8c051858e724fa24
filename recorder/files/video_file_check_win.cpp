// The quick test that a file is a video: its size and the first fields of
// its header, nothing of the frames.
#include <windows.h>

#include "byte_order.h"
#include "files/video_file_check.h"
#include "video_format.h"

int check_video_file(const char* path) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    DWORD size_high = 0;
    DWORD size_low = GetFileSize(file, &size_high);
    if (size_high == 0 && size_low < VIDEO_MIN_FILE_SIZE) {
        CloseHandle(file);
        return 0;
    }
    // Bytes a short read leaves out stay 0 and so fail the test.
    uint8_t header[VIDEO_HEADER_SIZE] = {};
    DWORD got = 0;
    BOOL read = ReadFile(file, header, sizeof header, &got, nullptr);
    CloseHandle(file);
    return read && got > 0 && LoadLE32(header) == VIDEO_MAGIC && LoadLE16(header + 12) != 0 &&
           LoadLE16(header + 14) != 0;
}
