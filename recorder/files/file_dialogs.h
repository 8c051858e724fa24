// The file dialogs and the boxes that the Load command, the builder, the
// extractor and every export share, so that each asks and tells the user the
// same way.
#pragma once

#include <windows.h>

#include <cstddef>

// What the file dialogs offer for one kind of file.
struct FileKind {
    const char* filter;             // description and pattern, each ended by "\0"
    const char* default_extension;  // without the dot
};
extern const FileKind VIDEO_FILES;    // "ZeVEVIZ files (*.zuv) ", "*.zuv"
extern const FileKind PROGRAM_FILES;  // "Programs (*.exe) ", "*.exe"
extern const FileKind ANIMATED_PNG_FILES;  // "Animated PNG images (*.png) ", "*.png"
extern const FileKind GIF_FILES;           // "GIF images (*.gif) ", "*.gif"

// Characters the file dialogs hold, terminator included.
constexpr size_t DIALOG_PATH_CAPACITY = 260;

// The open dialog of an existing file of kind, owned by owner (disabled
// meanwhile). It starts from name when that fits its 260 characters, else
// from nothing. On OK the choice replaces name (capacity bytes, at least
// DIALOG_PATH_CAPACITY) and 1 is returned; 0 on Cancel, name unchanged.
int ask_open_name(HWND owner, const FileKind* kind, char* name, size_t capacity);

// The save dialog for a file of kind, owned by owner, starting from the
// proposal in name when it fits. It asks before an existing file is
// replaced; a name reserved for a device gets warn_reserved_name and the
// dialog again. On OK the choice replaces name (capacity bytes, at least
// DIALOG_PATH_CAPACITY) and 1 is returned; 0 on Cancel, name unchanged.
int ask_save_name(HWND owner, const FileKind* kind, char* name, size_t capacity);

// The "Invalid File Name" box for a name Windows keeps for a device.
void warn_reserved_name(HWND owner);

// The failure box of a file that could not be written through a SafeFile:
// text, then whether the file that was at the destination is unchanged or
// no file was made.
void warn_not_written(const char* text, const char* caption, bool destination_existed);
