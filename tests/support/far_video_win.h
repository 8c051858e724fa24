// A far video (far_video.h) written as a file that keeps its holes: a video
// whose records lie beyond 4 GiB in a file of a few kilobytes on disk.
#pragma once

#include <windows.h>
#include <winioctl.h>

#include <string>
#include <vector>

#include "far_video.h"

// Writes the far layout of video at path. True when it was written whole.
inline bool WriteFarVideo(const std::string& path, const std::vector<uint8_t>& video) {
    FarVideo laid = FarVideoOf(video);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    // Without it, Windows would write the gigabytes of zeros between.
    DWORD returned = 0;
    DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
    bool whole = true;
    for (const FarPiece& piece : laid.pieces) {
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(piece.offset);
        DWORD written = 0;
        whole = whole && SetFilePointerEx(file, at, nullptr, FILE_BEGIN) &&
                WriteFile(file, piece.bytes.data(), static_cast<DWORD>(piece.bytes.size()),
                          &written, nullptr) &&
                written == piece.bytes.size();
    }
    LARGE_INTEGER size = {};
    whole = whole && GetFileSizeEx(file, &size) && static_cast<uint64_t>(size.QuadPart) == laid.size;
    CloseHandle(file);
    if (!whole) DeleteFileA(path.c_str());
    return whole;
}
