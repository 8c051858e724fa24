// Writing a file the user chose so that it is replaced whole or not at all:
// the self-playing executable, an extracted video, an export. The bytes go
// into a temporary file in the destination's folder (the same volume, so
// that taking the destination's place is one rename); only once every byte
// is written and flushed to the disk does the temporary replace the
// destination. A failure of any kind, and an abandon (Cancel), delete the
// temporary and leave whatever was at the destination byte for byte as it
// was. The destination need not exist; when it does, its hidden, system and
// archive attributes carry over to the new file, and a read-only one is not
// replaced (safe_file_replace fails).
//
// Use, on one thread:
//   SafeFile file;
//   if (!safe_file_begin(&file, destination)) ...     nothing was created
//   while (more) if (!safe_file_write(&file, chunk, size)) break;
//   if (cancelled) safe_file_abandon(&file);           no file is left
//   else if (!safe_file_replace(&file)) ...            the destination is as it was
// A writer that works on a path rather than on a handle (the resource update
// service) calls safe_file_close_temporary after its own writes, works on
// the path it returns, and then calls safe_file_replace (or
// safe_file_abandon) as well. Every begun SafeFile ends with exactly one of
// safe_file_replace and safe_file_abandon; on a record whose begin failed,
// both do nothing.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

// Capacity of the destination's and the temporary's absolute names,
// terminator included: what the system's ANSI file calls take.
constexpr size_t SAFE_FILE_PATH_CAPACITY = MAX_PATH;

struct SafeFile {
    HANDLE handle;                             // the open temporary, else INVALID_HANDLE_VALUE
    char destination[SAFE_FILE_PATH_CAPACITY];  // absolute
    char temporary[SAFE_FILE_PATH_CAPACITY];    // empty when no temporary exists
    bool failed;                               // a write failed: replace refuses
};

// Creates the temporary beside destination (made absolute against the
// current folder) and opens it for writing. Refuses, creating nothing, a
// name reserved for a device (NUL, CON, COM1...), a destination that is a
// folder, and names that do not fit SAFE_FILE_PATH_CAPACITY. 1 when the
// temporary is open; 0 otherwise, with file->temporary empty.
int safe_file_begin(SafeFile* file, const char* destination);

// Appends size bytes (any number, in as many calls as the caller likes).
// 1 when all of them were written; 0 when any was not, or an earlier write
// failed: the file is then marked failed, later writes do nothing, and
// safe_file_replace will refuse.
int safe_file_write(SafeFile* file, const void* data, size_t size);

// Flushes and closes the temporary's handle and returns its absolute name,
// for a writer that works on a path; null (and the file marked failed) when
// the flush fails or no temporary exists.
const char* safe_file_close_temporary(SafeFile* file);

// Flushes the temporary to the disk and moves it into the destination's
// place. 1 when the destination now holds exactly what was written; 0 when
// anything failed: the temporary is deleted and the destination untouched.
int safe_file_replace(SafeFile* file);

// Closes and deletes the temporary; the destination stays untouched.
void safe_file_abandon(SafeFile* file);

// Many small writes (an export's chunks, a cut's record headers) gathered
// into SAFE_FILE_BUFFER_BYTES before they reach the file.
constexpr size_t SAFE_FILE_BUFFER_BYTES = 1 << 18;
struct SafeFileBuffer {
    SafeFile* file;
    uint8_t* bytes;
    size_t used;
};

// Takes the buffer's memory for file. 1 when it could; 0 otherwise.
int safe_file_buffer_begin(SafeFileBuffer* buffer, SafeFile* file);
// Appends length bytes through the buffer; the signature of the export's
// and the cut's write callbacks, with the SafeFileBuffer as context. 1 when
// they were taken, 0 when a write failed (as safe_file_write).
int safe_file_buffered_write(void* buffer, const uint8_t* bytes, size_t length);
// Writes what the buffer holds. 1 when it was written.
int safe_file_buffer_flush(SafeFileBuffer* buffer);
// Frees the buffer's memory, without writing what it holds.
void safe_file_buffer_end(SafeFileBuffer* buffer);
