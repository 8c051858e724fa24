// Reading one resource entry straight out of an executable file's bytes,
// without loading it: nothing of the file runs, and every read stays inside
// the bytes given.
//
// The parts of a PE file read here (all numbers little-endian):
//   0          "MZ"; at 0x3C a u32: the offset of the PE header
//   PE header  "PE\0\0", then the file header: u16 machine, u16 sections,
//              u32 time, u32 symbols, u32 symbol count, u16 optional header
//              size, u16 characteristics; then the optional header
//   optional   u16 magic, 0x10B (32-bit) or 0x20B (64-bit); the count of data
//              directories at 92 or 108, the directories (u32 address, u32
//              size) from 96 or 112; the resource directory is the third
//   sections   after the optional header, 40 bytes each: name[8], u32
//              virtual size, u32 address, u32 raw size, u32 raw offset, ...
// Addresses are relative to the loaded image; a section's raw data, its raw
// size long, holds the bytes of the addresses from its own.
#pragma once

#include <cstddef>
#include <cstdint>

// Results of ExecutableFindResource.
enum ExecutableLookup {
    EXECUTABLE_NOT_PE = 0,      // no PE headers: not an executable
    EXECUTABLE_FOUND = 1,       // found holds the entry
    EXECUTABLE_NO_ENTRY = 2,    // no such entry, or one whose data lies outside the file
};

struct ExecutableEntry {
    size_t offset;  // of the entry's first byte in the file
    uint32_t size;
};

// Finds type / name in the resources of the executable held in file (size
// bytes), with the language rule of ResourceFind. The resource directory is
// read only within its stated size, its section's raw data and the file; the
// entry found lies inside one section's raw data and inside the file; an
// empty entry counts as none, as there is nothing to take out. Never
// reads outside [file, file + size); file may be null when size is 0.
int ExecutableFindResource(const uint8_t* file, size_t size, const char* type, const char* name,
                           ExecutableEntry* found);
