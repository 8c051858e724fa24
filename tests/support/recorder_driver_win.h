// Drives the built recorder from another process, the way a person would:
// its menu commands, its dialogs and message boxes, its status line, and the
// videos it records.
#pragma once

#include <windows.h>
#include <dlgs.h>

#include <string>
#include <vector>

#include "recorder_support_win.h"
#include "recording_support_win.h"
#include "video_reader.h"

struct DialogSearch {
    DWORD process_id;
    const char* caption;
    HWND found;
};

inline BOOL CALLBACK MatchProgramDialog(HWND window, LPARAM search_address) {
    auto* search = reinterpret_cast<DialogSearch*>(search_address);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char name[64] = {};
    char caption[256] = {};
    GetClassNameA(window, name, sizeof name);
    GetWindowTextA(window, caption, sizeof caption);
    if (owner == search->process_id && lstrcmpA(name, "#32770") == 0 &&
        lstrcmpA(caption, search->caption) == 0 && IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// A visible dialog or message box of the program with this caption, or null.
inline HWND ProgramDialog(const RunningProgram& program, const char* caption) {
    DialogSearch search = {program.process.dwProcessId, caption, nullptr};
    EnumWindows(MatchProgramDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Waits for the dialog, then lets it finish opening.
inline HWND WaitForProgramDialog(const RunningProgram& program, const char* caption,
                                 DWORD timeout_ms = 10000) {
    HWND dialog = nullptr;
    WaitFor([&] { return (dialog = ProgramDialog(program, caption)) != nullptr; }, timeout_ms);
    if (dialog) PumpFor(150);
    return dialog;
}

inline bool WaitUntilClosed(HWND window, DWORD timeout_ms = 10000) {
    return WaitFor([&] { return !IsWindow(window) || !IsWindowVisible(window); }, timeout_ms);
}

inline std::string ItemText(HWND dialog, int id) {
    char text[1024] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

// A message box's text.
inline std::string BoxText(HWND box) {
    return ItemText(box, 0xFFFF);
}

// Clicks a button of a dialog of the program.
inline void Click(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// Chooses a command of the main menu (or a toolbar button).
inline void Choose(HWND main, WORD command) {
    PostMessageA(main, WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

inline HWND StatusLineOf(HWND main) {
    return FindWindowExA(main, nullptr, "Static", nullptr);
}

inline std::string StatusText(HWND main) {
    char text[1024] = {};
    GetWindowTextA(StatusLineOf(main), text, sizeof text);
    return text;
}

inline bool StartsWith(const std::string& text, const std::string& start) {
    return text.compare(0, start.size(), start) == 0;
}

inline bool WaitForStatus(HWND main, const std::string& start, DWORD timeout_ms = 10000) {
    return WaitFor([&] { return StartsWith(StatusText(main), start); }, timeout_ms);
}

// Answers an open dialog of the program with a name, or cancels it when the
// name is empty; returns the name it proposed.
inline std::string AnswerOpenDialog(HWND dialog, const std::string& name) {
    HWND field = GetDlgItem(dialog, cmb13);
    if (!field) field = GetDlgItem(dialog, edt1);
    char proposed[1024] = {};
    GetWindowTextA(field, proposed, sizeof proposed);
    if (name.empty()) {
        Click(dialog, IDCANCEL);
    } else {
        SetWindowTextA(field, name.c_str());
        Click(dialog, IDOK);
    }
    return proposed;
}

// The header of a recorded video and its number of records; records is -1
// when the file cannot be read as a video. whole: the file ends exactly
// after its last record.
struct RecordedVideo {
    VideoFileHeader header = {};
    int records = -1;
    bool whole = false;
};

inline RecordedVideo ReadRecordedVideo(const std::string& path) {
    RecordedVideo video;
    std::vector<uint8_t> bytes = ReadWholeFile(path);
    VideoReader reader;
    if (bytes.empty() || !VideoReaderOpen(&reader, bytes.data(), bytes.size())) return video;
    video.header = reader.header;
    video.records = 0;
    size_t end = reader.position;
    VideoRecord record;
    while (VideoReaderNext(&reader, &record)) {
        video.records++;
        end = reader.position;
    }
    video.whole = end == bytes.size();
    return video;
}

// Waits until no recording holds the file any more (it holds it without
// sharing) and it reads as a video.
inline bool WaitForFinishedVideo(const std::string& path, DWORD timeout_ms = 10000) {
    return WaitFor([&] { return ReadRecordedVideo(path).records >= 0; }, timeout_ms);
}
