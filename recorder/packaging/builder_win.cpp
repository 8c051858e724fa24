// The builder of self-playing executables: the carried player's bytes and,
// added to them as the resource "ZEVEVIZ" / "VIDEO1" of language 0 with the
// system's resource update service, the whole video. Everything is written
// into a temporary file beside the output, which takes the output's place
// only once it is whole.
#include <windows.h>


#include "engine.h"
#include "files/file_dialogs.h"
#include "progress_dialog.h"
#include "files/file_names.h"
#include "files/video_file_check.h"
#include "packaging/builder.h"
#include "recorder_globals.h"
#include "resource_ids.h"
#include "files/safe_file_win.h"
#include "video_format.h"
#include "window_utils.h"

static const char VIDEO_RESOURCE_TYPE[] = "ZEVEVIZ";
static const char VIDEO_RESOURCE_NAME[] = "VIDEO1";

static void warn(const char* text, const char* caption) {
    MessageBoxA(main_window, text, caption, MB_ICONWARNING);
}

static void warn_invalid_video() {
    warn("The file you have selected is not a valid ZeVEVIZ file. Please load a valid video then "
         "retry.",
         "Invalid or Empty Video File");
}

static void warn_too_large() {
    warn("The video is larger than 1 GB, the most a self-playing EXE file can carry and still be "
         "started. Please record a shorter video and retry.",
         "Video Too Large");
}

// An entry point found by name, given its real type.
template <typename Function>
static Function entry_point(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

int find_resource_update_service(ResourceUpdateService* service) {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    *service = {};
    if (!kernel) return 0;
    service->begin = entry_point<BeginUpdateResourceFunction>(kernel, "BeginUpdateResourceA");
    service->update = entry_point<UpdateResourceFunction>(kernel, "UpdateResourceA");
    service->end = entry_point<EndUpdateResourceFunction>(kernel, "EndUpdateResourceA");
    return service->begin && service->update && service->end;
}

// True when the file's size is known and above what a self-playing
// executable can carry.
static bool too_large(const char* video_path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(video_path, GetFileExInfoStandard, &data)) return false;
    uint64_t size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return size > SELF_PLAYING_VIDEO_LIMIT;
}

int build_self_playing_exe(const char* video_path) {
    ResourceUpdateService service;
    if (!find_resource_update_service(&service)) {
        warn("Your operating system does not support this\nfunction. Please upgrade a NT platform "
             "like\nWindows XP, 2000, 2003 Server orgood old Windows NT.",
             "Function Not Supported by OS");
        return 0;
    }
    EngineStop();
    // The save dialog may change the current folder before the video is read.
    char video[CURRENT_FILE_CAPACITY];
    if (!absolute_file_name(video_path, video, sizeof video) || !check_video_file(video)) {
        warn_invalid_video();
        return 0;
    }
    if (too_large(video)) {
        warn_too_large();
        return 0;
    }
    char output_path[DIALOG_PATH_CAPACITY];
    if (!propose_file_name(video, ".exe", output_path, sizeof output_path)) {
        warn("The name of the EXE file would be too long. Please move the video to a shorter path "
             "and retry.",
             "EXE Creation Failed!");
        return 0;
    }
    if (!ask_save_name(main_window, &PROGRAM_FILES, output_path, sizeof output_path)) return 0;
    return write_self_playing_exe(&service, video, output_path);
}

// The carried player: the recorder's own resource "FILEDATA" 112.
static const void* find_carried_player(DWORD* size) {
    HRSRC entry = FindResourceA(program_instance, MAKEINTRESOURCEA(IDR_SELFPLAYER), "FILEDATA");
    HGLOBAL loaded = entry ? LoadResource(program_instance, entry) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    *size = bytes ? SizeofResource(program_instance, entry) : 0;
    return *size ? bytes : nullptr;
}

// The whole video in one block of fixed memory, or null. A read that
// delivers fewer bytes than the file holds is refused.
static void* read_video(const char* video_path, DWORD* size) {
    HANDLE video = CreateFileA(video_path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (video == INVALID_HANDLE_VALUE) return nullptr;
    LARGE_INTEGER file_size;
    void* block = nullptr;
    if (GetFileSizeEx(video, &file_size) && file_size.QuadPart >= VIDEO_MIN_FILE_SIZE &&
        static_cast<uint64_t>(file_size.QuadPart) <= SELF_PLAYING_VIDEO_LIMIT)
        block = GlobalAlloc(GMEM_FIXED, static_cast<SIZE_T>(file_size.QuadPart));
    DWORD wanted = block ? static_cast<DWORD>(file_size.QuadPart) : 0;
    if (block) {
        DWORD got = 0;
        if (!ReadFile(video, block, wanted, &got, nullptr) || got != wanted)
            block = GlobalFree(block);
    }
    CloseHandle(video);
    *size = block ? wanted : 0;
    return block;
}

static bool add_video_resource(const ResourceUpdateService* service, const char* exe_path,
                               void* video, DWORD size) {
    HANDLE update = service->begin(exe_path, FALSE);
    if (!update) return false;
    if (!service->update(update, VIDEO_RESOURCE_TYPE, VIDEO_RESOURCE_NAME,
                         MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), video, size)) {
        service->end(update, TRUE);
        return false;
    }
    return service->end(update, FALSE) != 0;
}

// The player's bytes and the video into the temporary; true when it is
// complete and has replaced the output.
static bool write_stages(HWND progress, const ResourceUpdateService* service, void* video,
                         DWORD video_size, SafeFile* exe) {
    DWORD player_size = 0;
    const void* player = find_carried_player(&player_size);
    if (!player || !safe_file_write(exe, player, player_size)) return false;
    const char* written = safe_file_close_temporary(exe);
    SetWindowTextA(progress, "Adding Data To EXE...");
    return written && add_video_resource(service, written, video, video_size) &&
           safe_file_replace(exe);
}

int write_self_playing_exe(const ResourceUpdateService* service, const char* video_path,
                           const char* output_path) {
    if (same_file(output_path, video_path)) {
        warn("The EXE file cannot replace the video it is made from. Please choose another name.",
             "EXE Creation Failed!");
        return 0;
    }
    if (too_large(video_path)) {
        warn_too_large();
        return 0;
    }
    HWND progress = open_progress("Building EXE...");
    SetWindowTextA(progress, "Reading Video File...");
    DWORD video_size = 0;
    void* video = read_video(video_path, &video_size);
    SafeFile exe;
    bool begun = video && safe_file_begin(&exe, output_path);
    bool written = begun && write_stages(progress, service, video, video_size, &exe);
    if (begun) safe_file_abandon(&exe);  // after a replace there is nothing left to abandon
    if (written) Sleep(500);
    if (video) GlobalFree(video);
    close_progress(progress);
    if (!written) {
        warn_not_written("Could not write the EXE file.", "EXE Creation Failed!",
                         GetFileAttributesA(output_path) != INVALID_FILE_ATTRIBUTES);
        return 0;
    }
    MessageBoxA(main_window, "The EXE file has been created.", "EXE Created Successfully!",
                MB_ICONINFORMATION);
    return 1;
}
