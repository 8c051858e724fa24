// The extractor: the video entry of a self-playing executable written out as
// a file of its own. The executable is opened as a file, mapped read-only
// and its resource section read with the portable reader; loading it as a
// module would run its start-up code and that of every library it imports.
#include <windows.h>


#include "engine.h"
#include "packaging/extractor.h"
#include "files/file_dialogs.h"
#include "progress_dialog.h"
#include "files/file_names.h"
#include "recorder_globals.h"
#include "resources/executable_resources.h"
#include "files/safe_file_win.h"
#include "win32/fault_guard_win.h"
#include "window_utils.h"

static void warn(const char* text, const char* caption) {
    MessageBoxA(main_window, text, caption, MB_ICONWARNING);
}

static_assert(CURRENT_FILE_CAPACITY >= DIALOG_PATH_CAPACITY + 4,
              "the output name holds any proposal and any choice");

int extract_video(char* output_name) {
    char exe_path[DIALOG_PATH_CAPACITY] = "";
    EngineStop();
    if (!ask_open_name(main_window, &PROGRAM_FILES, exe_path, sizeof exe_path)) return 0;
    propose_file_name(exe_path, ".zuv", output_name, CURRENT_FILE_CAPACITY);
    if (!ask_save_name(main_window, &VIDEO_FILES, output_name, CURRENT_FILE_CAPACITY)) return 0;
    return write_extracted_video(exe_path, output_name);
}

// The executable, open for reading and mapped whole. Others may read it
// while it is held, nobody may write it.
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

// The guarded part of an extraction: everything that reads the bytes.
struct Extraction {
    const uint8_t* bytes;
    size_t size;
    const char* output_path;
    HWND progress;
    SafeFile output;
    bool begun;  // output holds a temporary to replace or abandon
    ExtractOutcome outcome;
};

static void find_and_write(void* context) {
    Extraction* extraction = static_cast<Extraction*>(context);
    ExecutableEntry entry;
    int lookup =
        ExecutableFindResource(extraction->bytes, extraction->size, "ZEVEVIZ", "VIDEO1", &entry);
    if (lookup == EXECUTABLE_NOT_PE) {
        extraction->outcome = NOT_LOADED;
        return;
    }
    if (lookup != EXECUTABLE_FOUND) {
        extraction->outcome = NOT_LOCATED;
        return;
    }
    if (extraction->progress) SetWindowTextA(extraction->progress, "Writing Video file...");
    extraction->begun = safe_file_begin(&extraction->output, extraction->output_path) != 0;
    extraction->outcome = extraction->begun && safe_file_write(&extraction->output,
                                                               extraction->bytes + entry.offset,
                                                               entry.size)
                              ? EXTRACTED
                              : NOT_WRITTEN;
}

ExtractOutcome extract_entry(const uint8_t* bytes, size_t size, const char* output_path,
                             HWND progress) {
    Extraction extraction = {bytes, size, output_path, progress, {}, false, NOT_LOADED};
    FaultGuard guard = {};
    if (!FaultGuardRun(&guard, bytes, size, find_and_write, &extraction))
        extraction.outcome = NOT_LOADED;  // the executable could not be read to its end
    if (!extraction.begun) return extraction.outcome;
    if (extraction.outcome == EXTRACTED && !safe_file_replace(&extraction.output))
        extraction.outcome = NOT_WRITTEN;
    safe_file_abandon(&extraction.output);  // after a replace there is nothing left to abandon
    return extraction.outcome;
}

int write_extracted_video(const char* exe_path, const char* output_path) {
    // Replacing the executable by its own video would lose the executable.
    ExtractOutcome outcome = NOT_WRITTEN;
    if (!same_file(exe_path, output_path)) {
        HWND progress = open_progress("Loading EXE...");
        MappedExecutable exe;
        if (map_executable(exe_path, &exe)) {
            SetWindowTextA(progress, "Finding ZeVEVIZ data...");
            outcome = extract_entry(exe.bytes, exe.size, output_path, progress);
        } else {
            outcome = NOT_LOADED;
        }
        release_executable(&exe);
        close_progress(progress);
    }
    switch (outcome) {
    case NOT_LOADED:
        warn("Could not load the executable.", "Loading Failed");
        return 0;
    case NOT_LOCATED:
        warn("Could not locate the ZeVEVIZ data.", "Loading Failed");
        return 0;
    case NOT_WRITTEN:
        warn_not_written("Could not write the file to disk.", "Writing Failed",
                         GetFileAttributesA(output_path) != INVALID_FILE_ATTRIBUTES);
        return 0;
    case EXTRACTED:
        break;
    }
    MessageBoxA(main_window, "The ZeVEVIZ file has been extracted.",
                "ZeVEVIZ Created Successfully!", MB_ICONINFORMATION);
    return 1;
}
