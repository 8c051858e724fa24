// Decisions about the names of files the user chooses that need no system
// call: the names Windows keeps for devices, the name proposed for a file
// made from another, and the name of the temporary written beside a file.
// Plain text work over caller-owned buffers; no Windows header.
#pragma once

#include <cstddef>
#include <cstdint>

// 1 when the last component of path names a device rather than a file, as
// Windows reads it: NUL, CON, PRN, AUX, COM1 to COM9 or LPT1 to LPT9, in any
// case, alone or before an extension ("nul.zuv", "Com1.tar.gz"), with the
// trailing dots and blanks Windows strips ("con .txt", "lpt1."); else 0.
int is_reserved_device_name(const char* path);

// The name proposed for a file made from the one at path: path up to its
// last "." (of the whole path, not only of its last component) followed by
// extension (".exe"), or the whole path followed by extension when it has no
// ".". Writes it into output (capacity bytes, terminator included) and
// returns 1; returns 0 and writes the empty text when it does not fit.
int propose_file_name(const char* path, const char* extension, char* output, size_t capacity);

// The name of a temporary file in the folder of destination: its folder
// part (everything up to the last "\", "/" or drive colon) followed by
// "~mv", eight hexadecimal digits of unique and ".tmp". Writes it into
// output (capacity bytes, terminator included) and returns 1; returns 0 and
// writes the empty text when it does not fit.
int temporary_name_beside(const char* destination, uint32_t unique, char* output,
                          size_t capacity);
