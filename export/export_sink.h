// Where an export's bytes go: a file, a pipe, memory. The writers only
// append, but for one thing: the animated PNG's frame count, known only at
// the end, is put back into bytes already written.
#pragma once

#include <cstddef>
#include <cstdint>

struct ExportSink {
    // Appends all length bytes; 1 on success, 0 on failure.
    int (*write)(void* context, const uint8_t* bytes, size_t length);
    // Writes length bytes again at offset, which lies within what was
    // appended, and leaves further appends at the end; 1 on success. Null for
    // a sink that cannot go back (a pipe).
    int (*rewrite)(void* context, uint64_t offset, const uint8_t* bytes, size_t length);
    void* context;
};
