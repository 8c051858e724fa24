// Where a zuvtool export goes: a file the user named, replaced whole or not
// at all, or standard output. A named file is written into a temporary file
// in the same folder, flushed to the disk and only then renamed over the
// name; a failure, an interruption or a damaged video that yields nothing
// leaves whatever was at the name as it was and no temporary file behind.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "export/export_sink.h"

constexpr size_t OUTPUT_BUFFER_BYTES = 1 << 18;

struct output_file {
    int fd;
    bool to_stdout;
    std::string destination;
    std::string temporary;
    uint8_t* buffer;
    size_t used;
    int error;  // errno of the first failure, 0 while all went well
};

// Opens "-" as standard output (refused when it is a terminal), any other
// name as a temporary file beside it. On failure returns false with the
// reason in error.
bool output_open(output_file* output, const char* path, std::string* error);

// The sink the exporters write into; rewrite is there for files only.
ExportSink output_sink(output_file* output);

// Flushes everything and gives the file its name. On failure discards it and
// returns false with the reason in error.
bool output_commit(output_file* output, std::string* error);

// Removes the temporary file (nothing else) and closes.
void output_discard(output_file* output);

// For a fatal signal: removes the temporary file of the export under way, if
// any, with async-signal-safe calls only.
void output_discard_from_signal();
