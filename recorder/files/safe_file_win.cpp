#include "files/safe_file_win.h"

#include <cstdlib>
#include <cstring>

#include "files/file_names.h"

namespace {

// Names tried for the temporary before giving up: another program's file of
// the same name is never touched (CREATE_NEW).
constexpr int TEMPORARY_NAME_TRIES = 16;
// Attributes of a replaced file that its replacement keeps.
constexpr DWORD KEPT_ATTRIBUTES =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
    FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
// WriteFile takes a 32-bit count: larger writes go in pieces of this size.
constexpr size_t LARGEST_WRITE = 1u << 30;

// Back to a record without a temporary.
void clear(SafeFile* file) {
    file->handle = INVALID_HANDLE_VALUE;
    file->destination[0] = '\0';
    file->temporary[0] = '\0';
    file->failed = false;
}

bool absolute_destination(SafeFile* file, const char* destination) {
    DWORD length = GetFullPathNameA(destination, SAFE_FILE_PATH_CAPACITY, file->destination,
                                    nullptr);
    if (length == 0 || length >= SAFE_FILE_PATH_CAPACITY) return false;
    DWORD attributes = GetFileAttributesA(file->destination);
    return attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool create_temporary(SafeFile* file) {
    uint32_t unique = GetTickCount() ^ (GetCurrentProcessId() << 16);
    for (int attempt = 0; attempt < TEMPORARY_NAME_TRIES; ++attempt, unique += 0x9E3779B9u) {
        if (!temporary_name_beside(file->destination, unique, file->temporary,
                                   SAFE_FILE_PATH_CAPACITY))
            return false;
        file->handle = CreateFileA(file->temporary, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file->handle != INVALID_HANDLE_VALUE) return true;
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    file->temporary[0] = '\0';
    return false;
}

// The temporary's bytes on the disk: through its open handle, or through a
// handle opened again when a path-based writer had it closed.
bool flush_temporary(SafeFile* file) {
    HANDLE handle = file->handle;
    if (handle == INVALID_HANDLE_VALUE) {
        handle = CreateFileA(file->temporary, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return false;
    }
    bool flushed = FlushFileBuffers(handle) != 0;
    CloseHandle(handle);
    file->handle = INVALID_HANDLE_VALUE;
    return flushed;
}

// One rename that replaces the destination, or creates it when there is
// none: either the old file or the whole new one is there, never neither.
bool move_into_place(SafeFile* file) {
    DWORD attributes = GetFileAttributesA(file->destination);
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) return false;
        DWORD kept = attributes & KEPT_ATTRIBUTES;
        SetFileAttributesA(file->temporary, kept ? kept : FILE_ATTRIBUTE_NORMAL);
    }
    return MoveFileExA(file->temporary, file->destination,
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

}  // namespace

int safe_file_begin(SafeFile* file, const char* destination) {
    clear(file);
    if (!destination || is_reserved_device_name(destination) ||
        !absolute_destination(file, destination) || !create_temporary(file)) {
        clear(file);
        return 0;
    }
    return 1;
}

int safe_file_write(SafeFile* file, const void* data, size_t size) {
    if (file->failed || file->handle == INVALID_HANDLE_VALUE) {
        file->failed = true;
        return 0;
    }
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    while (size > 0) {
        DWORD piece = static_cast<DWORD>(size < LARGEST_WRITE ? size : LARGEST_WRITE);
        DWORD written = 0;
        // A write that moves fewer bytes than asked (a full disk) is a failure.
        if (!WriteFile(file->handle, bytes, piece, &written, nullptr) || written != piece) {
            file->failed = true;
            return 0;
        }
        bytes += piece;
        size -= piece;
    }
    return 1;
}

const char* safe_file_close_temporary(SafeFile* file) {
    if (!file->temporary[0]) return nullptr;
    if (file->handle != INVALID_HANDLE_VALUE && !flush_temporary(file)) file->failed = true;
    return file->failed ? nullptr : file->temporary;
}

int safe_file_replace(SafeFile* file) {
    if (!file->temporary[0]) return 0;
    bool replaced = !file->failed && flush_temporary(file) && move_into_place(file);
    if (!replaced) {
        if (file->handle != INVALID_HANDLE_VALUE) CloseHandle(file->handle);
        DeleteFileA(file->temporary);
    }
    clear(file);
    return replaced;
}

void safe_file_abandon(SafeFile* file) {
    if (file->handle != INVALID_HANDLE_VALUE) CloseHandle(file->handle);
    if (file->temporary[0]) DeleteFileA(file->temporary);
    clear(file);
}

int safe_file_buffer_begin(SafeFileBuffer* buffer, SafeFile* file) {
    buffer->file = file;
    buffer->used = 0;
    buffer->bytes = static_cast<uint8_t*>(malloc(SAFE_FILE_BUFFER_BYTES));
    return buffer->bytes != nullptr;
}

int safe_file_buffered_write(void* context, const uint8_t* bytes, size_t length) {
    SafeFileBuffer* buffer = static_cast<SafeFileBuffer*>(context);
    if (length > SAFE_FILE_BUFFER_BYTES - buffer->used) {
        if (!safe_file_buffer_flush(buffer)) return 0;
        if (length > SAFE_FILE_BUFFER_BYTES) return safe_file_write(buffer->file, bytes, length);
    }
    memcpy(buffer->bytes + buffer->used, bytes, length);
    buffer->used += length;
    return 1;
}

int safe_file_buffer_flush(SafeFileBuffer* buffer) {
    bool written = buffer->used == 0 || safe_file_write(buffer->file, buffer->bytes, buffer->used);
    buffer->used = 0;
    return written;
}

void safe_file_buffer_end(SafeFileBuffer* buffer) {
    free(buffer->bytes);
    buffer->bytes = nullptr;
    buffer->used = 0;
}
