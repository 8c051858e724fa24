// The extractor: the video entry of a self-playing executable written out as
// a file of its own. The executable is opened as a file, mapped read-only
// and its resource section read with the portable reader; loading it as a
// module would run its start-up code and that of every library it imports.
#include <windows.h>
#include <commdlg.h>

#include <cstring>

#include "dialogs.h"
#include "engine.h"
#include "resources/executable_resources.h"
#include "extractor.h"
#include "recorder_globals.h"
#include "resource_ids.h"

// Capacity of the names the file dialogs work on, terminator included.
static const size_t DIALOG_PATH_CAPACITY = 260;

static void warn(const char* text, const char* caption) {
    MessageBoxA(main_window, text, caption, MB_ICONWARNING);
}

int propose_video_name(const char* exe_path, char* output, size_t capacity) {
    if (capacity == 0) return 0;
    output[0] = '\0';
    const char* dot = strrchr(exe_path, '.');
    size_t kept = dot ? static_cast<size_t>(dot - exe_path) : strlen(exe_path);
    static const char extension[] = ".zuv";
    if (kept + sizeof extension > capacity) return 0;
    memcpy(output, exe_path, kept);
    memcpy(output + kept, extension, sizeof extension);
    return 1;
}

static int ask_executable(char* exe_path) {
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = main_window;
    dialog.lpstrFilter = "Programs (*.exe) \0*.exe\0";
    dialog.nFilterIndex = 0;
    dialog.lpstrFile = exe_path;
    dialog.nMaxFile = DIALOG_PATH_CAPACITY;
    dialog.Flags = OFN_FILEMUSTEXIST;
    dialog.lpstrDefExt = "exe";
    return GetOpenFileNameA(&dialog) != 0;
}

// The save dialog works on its own buffer of the dialog's capacity: it starts
// from the proposal when that fits (a proposal can be longer), and its choice
// replaces output_name only when it is confirmed.
static int ask_output_name(char* output_name) {
    char chosen[DIALOG_PATH_CAPACITY] = "";
    size_t proposed = strlen(output_name);
    if (proposed < sizeof chosen) memcpy(chosen, output_name, proposed + 1);
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = main_window;
    dialog.lpstrFilter = "ZeVEVIZ files (*.zuv) \0*.zuv\0";
    dialog.nFilterIndex = 0;
    dialog.lpstrFile = chosen;
    dialog.nMaxFile = sizeof chosen;
    dialog.Flags = OFN_CREATEPROMPT;
    dialog.lpstrDefExt = "zuv";
    if (!GetSaveFileNameA(&dialog)) return 0;
    chosen[sizeof chosen - 1] = '\0';
    memcpy(output_name, chosen, strlen(chosen) + 1);
    return 1;
}

static_assert(CURRENT_FILE_CAPACITY >= DIALOG_PATH_CAPACITY + 4,
              "the output name holds any proposal and any choice");

int extract_video(char* output_name) {
    char exe_path[DIALOG_PATH_CAPACITY] = "";
    EngineStop();
    if (!ask_executable(exe_path)) return 0;
    exe_path[sizeof exe_path - 1] = '\0';
    propose_video_name(exe_path, output_name, CURRENT_FILE_CAPACITY);
    if (!ask_output_name(output_name)) return 0;
    return write_extracted_video(exe_path, output_name);
}

// The executable, open for reading and mapped whole. Others may read it
// while it is held, nobody may write it: an output that is the executable
// itself cannot be created until the entry has been written.
struct MappedExecutable {
    HANDLE file;
    HANDLE mapping;
    const uint8_t* bytes;
    size_t size;
};

static bool map_executable(const char* path, MappedExecutable* exe) {
    *exe = {INVALID_HANDLE_VALUE, nullptr, nullptr, 0};
    exe->file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
    if (exe->file == INVALID_HANDLE_VALUE) return false;
    DWORD size_high = 0;
    DWORD size_low = GetFileSize(exe->file, &size_high);
    // A resource address is 32 bits: an executable of 4 GiB or more is none
    // this program made. An empty file cannot be mapped and is no executable.
    if (size_low == INVALID_FILE_SIZE || size_high != 0 || size_low == 0) return false;
    exe->mapping = CreateFileMappingA(exe->file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (!exe->mapping) return false;
    exe->bytes = static_cast<const uint8_t*>(MapViewOfFile(exe->mapping, FILE_MAP_READ, 0, 0, 0));
    exe->size = exe->bytes ? size_low : 0;
    return exe->bytes != nullptr;
}

static void release_executable(MappedExecutable* exe) {
    if (exe->bytes) UnmapViewOfFile(exe->bytes);
    if (exe->mapping) CloseHandle(exe->mapping);
    if (exe->file != INVALID_HANDLE_VALUE) CloseHandle(exe->file);
}

// Creates (or empties) the output and writes the whole entry; a write that
// moves fewer bytes than asked leaves a cut video and fails.
static bool write_entry(const char* output_path, const uint8_t* data, uint32_t size) {
    HANDLE output = CreateFileA(output_path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (output == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool whole = SetFilePointer(output, 0, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
                 WriteFile(output, data, size, &written, nullptr) && written == size;
    CloseHandle(output);
    return whole;
}

// What went wrong, for the one box shown after the progress window is gone.
enum ExtractOutcome { EXTRACTED, NOT_LOADED, NOT_LOCATED, NOT_WRITTEN };

static ExtractOutcome extract_stages(HWND progress, const char* exe_path,
                                     const char* output_path) {
    MappedExecutable exe;
    if (!map_executable(exe_path, &exe)) {
        release_executable(&exe);
        return NOT_LOADED;
    }
    SetWindowTextA(progress, "Finding ZeVEVIZ data...");
    ExecutableEntry entry;
    int lookup = ExecutableFindResource(exe.bytes, exe.size, "ZEVEVIZ", "VIDEO1", &entry);
    ExtractOutcome outcome = EXTRACTED;
    if (lookup == EXECUTABLE_NOT_PE) {
        outcome = NOT_LOADED;
    } else if (lookup != EXECUTABLE_FOUND) {
        outcome = NOT_LOCATED;
    } else {
        SetWindowTextA(progress, "Writing Video file...");
        if (!write_entry(output_path, exe.bytes + entry.offset, entry.size)) outcome = NOT_WRITTEN;
    }
    release_executable(&exe);
    return outcome;
}

int write_extracted_video(const char* exe_path, const char* output_path) {
    HWND progress = CreateDialogParamA(program_instance, MAKEINTRESOURCEA(IDD_PROGRESS),
                                       main_window, progress_proc, 0);
    ShowWindow(progress, SW_SHOW);
    SetWindowTextA(progress, "Loading EXE...");
    ExtractOutcome outcome = extract_stages(progress, exe_path, output_path);
    DestroyWindow(progress);
    switch (outcome) {
    case NOT_LOADED:
        warn("Could not load the executable.", "Loading Failed");
        return 0;
    case NOT_LOCATED:
        warn("Could not locate the ZeVEVIZ data.", "Loading Failed");
        return 0;
    case NOT_WRITTEN:
        warn("Could not write the file to disk.", "Writing Failed");
        return 0;
    case EXTRACTED:
        break;
    }
    MessageBoxA(main_window, "The ZeVEVIZ file has been extracted.",
                "ZeVEVIZ Created Successfully!", MB_ICONINFORMATION);
    return 1;
}
