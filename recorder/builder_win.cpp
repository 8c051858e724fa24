// The builder of self-playing executables: the carried player's bytes are
// written to the chosen file, and the whole video is added to them as the
// resource "ZEVEVIZ" / "VIDEO1" of language 0 with the system's resource
// update service.
#include <windows.h>
#include <commdlg.h>

#include <cstring>

#include "dialogs.h"
#include "engine.h"
#include "packaging.h"
#include "recorder_globals.h"
#include "resource_ids.h"
#include "video_format.h"

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

int propose_exe_name(const char* video_path, char* output, size_t capacity) {
    if (capacity == 0) return 0;
    output[0] = '\0';
    const char* dot = strrchr(video_path, '.');
    size_t kept = dot ? static_cast<size_t>(dot - video_path) : strlen(video_path);
    static const char extension[] = ".exe";
    if (kept + sizeof extension > capacity) return 0;
    memcpy(output, video_path, kept);
    memcpy(output + kept, extension, sizeof extension);
    return 1;
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

static int ask_output_path(char* output_path) {
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = main_window;
    dialog.lpstrFilter = "Programs (*.exe) \0*.exe\0";
    dialog.nFilterIndex = 0;
    dialog.lpstrFile = output_path;
    dialog.nMaxFile = EXE_PATH_CAPACITY;
    dialog.Flags = OFN_CREATEPROMPT;
    dialog.lpstrDefExt = "exe";
    return GetSaveFileNameA(&dialog) != 0;
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
    if (!check_video_file(video_path)) {
        warn_invalid_video();
        return 0;
    }
    char output_path[EXE_PATH_CAPACITY];
    if (!propose_exe_name(video_path, output_path, sizeof output_path)) {
        warn("The name of the EXE file would be too long. Please move the video to a shorter path "
             "and retry.",
             "EXE Creation Failed!");
        return 0;
    }
    if (!ask_output_path(output_path)) return 0;
    return write_self_playing_exe(&service, video_path, output_path);
}

// True when both paths name one existing file, however they are spelt.
static bool same_file(const char* first_path, const char* second_path) {
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE first = CreateFileA(first_path, 0, share, nullptr, OPEN_EXISTING, 0, nullptr);
    if (first == INVALID_HANDLE_VALUE) return false;
    HANDLE second = CreateFileA(second_path, 0, share, nullptr, OPEN_EXISTING, 0, nullptr);
    bool same = false;
    if (second != INVALID_HANDLE_VALUE) {
        BY_HANDLE_FILE_INFORMATION a, b;
        same = GetFileInformationByHandle(first, &a) && GetFileInformationByHandle(second, &b) &&
               a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
               a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
        CloseHandle(second);
    }
    CloseHandle(first);
    return same;
}

// The carried player: the recorder's own resource "FILEDATA" 112.
static const void* find_carried_player(DWORD* size) {
    HRSRC entry = FindResourceA(program_instance, MAKEINTRESOURCEA(IDR_SELFPLAYER), "FILEDATA");
    HGLOBAL loaded = entry ? LoadResource(program_instance, entry) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    *size = bytes ? SizeofResource(program_instance, entry) : 0;
    return *size ? bytes : nullptr;
}

// Creates (or empties) the output and writes all of the player's bytes; a
// write that moves fewer bytes than asked leaves a damaged program and fails.
static bool write_player(const char* output_path) {
    DWORD size = 0;
    const void* player = find_carried_player(&size);
    if (!player) return false;
    HANDLE output = CreateFileA(output_path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (output == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool whole = SetFilePointer(output, 0, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
                 WriteFile(output, player, size, &written, nullptr) && written == size;
    CloseHandle(output);
    return whole;
}

// The whole video in one block of fixed memory, or null. A video of 4 GiB or
// more cannot be carried (resource sizes are 32-bit) and is refused, as is a
// read that delivers fewer bytes than the file holds.
static void* read_video(const char* video_path, DWORD* size) {
    HANDLE video = CreateFileA(video_path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (video == INVALID_HANDLE_VALUE) return nullptr;
    DWORD size_high = 0;
    DWORD size_low = GetFileSize(video, &size_high);
    void* block = nullptr;
    if (size_low != INVALID_FILE_SIZE && size_high == 0 && size_low >= VIDEO_MIN_FILE_SIZE)
        block = GlobalAlloc(GMEM_FIXED, size_low);
    if (block) {
        DWORD got = 0;
        bool whole = SetFilePointer(video, 0, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
                     ReadFile(video, block, size_low, &got, nullptr) && got == size_low;
        if (!whole) block = GlobalFree(block);
    }
    CloseHandle(video);
    *size = block ? size_low : 0;
    return block;
}

static bool add_video_resource(const ResourceUpdateService* service, const char* output_path,
                               void* video, DWORD size) {
    HANDLE update = service->begin(output_path, FALSE);
    if (!update) return false;
    if (!service->update(update, VIDEO_RESOURCE_TYPE, VIDEO_RESOURCE_NAME,
                         MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), video, size)) {
        service->end(update, TRUE);
        return false;
    }
    return service->end(update, FALSE) != 0;
}

// The stages under the progress window; true when the executable is whole.
static bool write_stages(HWND progress, const ResourceUpdateService* service,
                         const char* video_path, const char* output_path) {
    if (!write_player(output_path)) return false;
    SetWindowTextA(progress, "Reading Video File...");
    DWORD size = 0;
    void* video = read_video(video_path, &size);
    if (!video) return false;
    SetWindowTextA(progress, "Adding Data To EXE...");
    bool added = add_video_resource(service, output_path, video, size);
    if (added) Sleep(500);
    GlobalFree(video);
    return added;
}

int write_self_playing_exe(const ResourceUpdateService* service, const char* video_path,
                           const char* output_path) {
    // Creating the output empties it: were it the video, the recording would
    // be gone before it is read.
    if (same_file(output_path, video_path)) {
        warn("The EXE file cannot replace the video it is made from. Please choose another name.",
             "EXE Creation Failed!");
        return 0;
    }
    HWND progress =
        CreateDialogParamA(program_instance, MAKEINTRESOURCEA(IDD_PROGRESS), main_window,
                           progress_proc, 0);
    ShowWindow(progress, SW_SHOW);
    SetWindowTextA(progress, "Building EXE...");
    bool written = write_stages(progress, service, video_path, output_path);
    DestroyWindow(progress);
    if (!written) {
        warn("Could not write the EXE file.", "EXE Creation Failed!");
        return 0;
    }
    MessageBoxA(main_window, "The EXE file has been created.", "EXE Created Successfully!",
                MB_ICONINFORMATION);
    return 1;
}
