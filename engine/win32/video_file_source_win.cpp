#include "win32/video_file_source_win.h"

#include <windows.h>

// The largest piece asked of ReadFile at once.
static const DWORD READ_PIECE = 1u << 30;

static size_t ReadAt(void* context, uint64_t offset, uint8_t* buffer, size_t size) {
    HANDLE file = static_cast<VideoFileSource*>(context)->file;
    size_t done = 0;
    while (done < size) {
        size_t left = size - done;
        DWORD piece = left < READ_PIECE ? static_cast<DWORD>(left) : READ_PIECE;
        uint64_t at = offset + done;
        // On a handle opened for synchronous reading, the offset in OVERLAPPED
        // is where the read starts.
        OVERLAPPED where = {};
        where.Offset = static_cast<DWORD>(at);
        where.OffsetHigh = static_cast<DWORD>(at >> 32);
        DWORD got = 0;
        if (!ReadFile(file, buffer + done, piece, &got, &where) || got == 0) break;
        done += got;
    }
    return done;
}

int VideoFileSourceOpen(VideoFileSource* file, VideoSource* source, const char* path) {
    file->file = nullptr;
    *source = VideoSource{};
    if (!path) return 0;
    HANDLE handle = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return 0;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(handle, &size) || size.QuadPart < 0) {
        CloseHandle(handle);
        return 0;
    }
    file->file = handle;
    source->read = ReadAt;
    source->context = file;
    source->size = static_cast<uint64_t>(size.QuadPart);
    return 1;
}

void VideoFileSourceClose(VideoFileSource* file) {
    if (file->file) CloseHandle(static_cast<HANDLE>(file->file));
    file->file = nullptr;
}
