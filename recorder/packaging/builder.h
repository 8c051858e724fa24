// The builder that turns a video into a self-playing executable: a program
// playing it.
//
// A self-playing executable is the carried player program (resource
// "FILEDATA" 112 of the recorder, byte for byte) with one resource entry
// added: type "ZEVEVIZ", name "VIDEO1", language 0, holding the whole video
// file. The player's own 4-byte placeholder under language 1033 stays beside
// it.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

// The largest video a self-playing executable carries: the 32-bit player
// maps its whole program, video included, into its address space, and a
// larger one could not be started.
constexpr uint64_t SELF_PLAYING_VIDEO_LIMIT = 1ull << 30;

// The system's resource update service, found by name in kernel32.dll.
typedef HANDLE(WINAPI* BeginUpdateResourceFunction)(LPCSTR, BOOL);
typedef BOOL(WINAPI* UpdateResourceFunction)(HANDLE, LPCSTR, LPCSTR, WORD, LPVOID, DWORD);
typedef BOOL(WINAPI* EndUpdateResourceFunction)(HANDLE, BOOL);
struct ResourceUpdateService {
    BeginUpdateResourceFunction begin;
    UpdateResourceFunction update;
    EndUpdateResourceFunction end;
};

// Fills service from the already loaded "kernel32.dll". 1 when all three
// functions were found; 0 otherwise.
int find_resource_update_service(ResourceUpdateService* service);

// The whole command: checks the video (a video file, no larger than
// SELF_PLAYING_VIDEO_LIMIT), proposes the name (the video's up to its last
// "." with ".exe"), asks for the output with the save dialog and writes the
// self-playing executable, telling the user the outcome. A relative
// video_path counts from the folder current when the command starts. 1 when
// it was written; 0 on failure or cancel.
int build_self_playing_exe(const char* video_path);

// The writing part of the command, for an output path already chosen: the
// video is checked and read before anything is made; the carried player's
// bytes and then the video, added as a resource, go into a temporary file
// that replaces the output only once it is whole (safe_file_win.h). Refuses
// an output that is the video itself. 1 when the executable was written; 0
// after the box that says why, with whatever was at output_path untouched.
int write_self_playing_exe(const ResourceUpdateService* service, const char* video_path,
                           const char* output_path);
