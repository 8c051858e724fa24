// Where a zuvtool export goes. What the output is decides how it is written:
// - a name that does not exist, or a regular file: replaced whole or not at
//   all. The export is written into an unnamed file in the same folder
//   (O_TMPFILE), flushed to the disk and only then linked under a short name
//   and renamed over the destination, so that no failure, interruption or
//   kill leaves a half-written file behind; where the file system has no
//   unnamed files, into a named temporary file with a short name. A replaced
//   file keeps its mode and, where the process may set them, its owner and
//   group;
// - a symbolic link: its target is replaced that way, the link stays;
// - any other existing kind (a FIFO, a device): opened and written in place;
// - "-": standard output, written in place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "export/export_sink.h"

constexpr size_t OUTPUT_BUFFER_BYTES = 1 << 18;

enum output_kind { OUTPUT_REPLACED, OUTPUT_IN_PLACE, OUTPUT_STDOUT };

struct output_file {
    int fd;
    output_kind kind;
    bool seekable;            // the animated PNG's frame count can be put back
    std::string destination;  // the name opened or replaced (a link's target)
    std::string temporary;    // the named temporary file, empty while it has no name
    uint8_t* buffer;
    size_t used;
    int error;  // errno of the first failure, 0 while all went well
};

// Makes sure descriptors 0, 1 and 2 are open (on /dev/null for reading), so
// that no file opened later takes the place of a closed standard stream, and
// writing to a closed standard output fails as it should.
void output_reserve_standard_streams();

// Opens "-" as standard output (refused when it is a terminal), any other
// name as described above. An output that must go back (the animated PNG)
// is refused when it is not seekable. On failure returns false with the
// reason in error.
bool output_open(output_file* output, const char* path, bool must_go_back,
                 std::string* error);

// The sink the exporters write into; rewrite is there for seekable outputs.
ExportSink output_sink(output_file* output);

// Flushes everything and, for a replaced file, gives the file its name. An
// interrupting signal that came before the name was given aborts it. On
// failure discards the file and returns false with the reason in error.
bool output_commit(output_file* output, std::string* error);

// Removes the temporary file (nothing else) and closes.
void output_discard(output_file* output);

// For a fatal signal: removes the named temporary file of the export under
// way, if any, with async-signal-safe calls only.
void output_discard_from_signal();

// Flushes standard output, where info and check print; false with the
// reason in error when what they printed was lost.
bool output_flush_stdout(std::string* error);
