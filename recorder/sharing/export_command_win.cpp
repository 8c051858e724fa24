// The Tools menu's exports: the current video as an animated PNG or a GIF,
// which a browser plays. The video is read one record at a time, so that a
// recording of any length can be shared, under the fault guard, exported by the engine's export library into a SafeFile
// (replaced whole or not at all), while a progress window with a percentage
// and Cancel keeps the user informed; the export runs on this thread and
// lets the windows paint between frames.
#include "sharing/export_command.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "progress_dialog.h"
#include "engine.h"
#include "export/apng_writer.h"
#include "export/gif_writer.h"
#include "files/file_dialogs.h"
#include "files/file_names.h"
#include "files/video_file_check.h"
#include "files/load_dialog.h"
#include "recorder_globals.h"
#include "resource_ids.h"
#include "files/safe_file_win.h"
#include "win32/fault_guard_win.h"
#include "win32/video_file_source_win.h"
#include "window_utils.h"

namespace {

// The windows are given their messages at most this often, in milliseconds.
constexpr DWORD PUMP_INTERVAL_MS = 50;

struct FormatTexts {
    const char* extension;
    const FileKind* kind;
    const char* name;       // for the boxes: "animated PNG", "GIF"
};

const FormatTexts FORMATS[] = {
    {".png", &ANIMATED_PNG_FILES, "animated PNG"},
    {".gif", &GIF_FILES, "GIF"},
};

const char FAILED_CAPTION[] = "Export Failed";

struct ExportRun {
    export_format format;
    const VideoSource* video;
    SafeFile* file;
    HWND progress;
    bool cancelled;
    DWORD lastPump;
    int lastPercent;
    SafeFileBuffer out;
    int status;
    ExportWalkStats stats;
};

void warn(const char* text, const char* caption) {
    MessageBoxA(main_window, text, caption, MB_ICONWARNING);
}

// Writes again over bytes already in the temporary (the animated PNG's frame
// count), then goes back to its end.
int rewrite_bytes(void* context, uint64_t offset, const uint8_t* bytes, size_t length) {
    SafeFileBuffer* out = static_cast<SafeFileBuffer*>(context);
    if (!safe_file_buffer_flush(out)) return 0;
    HANDLE handle = out->file->handle;
    LARGE_INTEGER at, end = {};
    at.QuadPart = static_cast<LONGLONG>(offset);
    DWORD written = 0;
    bool done = length <= 0xFFFFFFFFu && SetFilePointerEx(handle, at, nullptr, FILE_BEGIN) &&
                WriteFile(handle, bytes, static_cast<DWORD>(length), &written, nullptr) &&
                written == length;
    done = SetFilePointerEx(handle, end, nullptr, FILE_END) && done;
    if (!done) out->file->failed = true;
    return done;
}

// Shows the percentage and gives the windows their messages; returns 0 once
// the user has cancelled.
int show_progress(void* context, uint64_t done, uint64_t total) {
    ExportRun* run = static_cast<ExportRun*>(context);
    DWORD now = GetTickCount();
    if (now - run->lastPump < PUMP_INTERVAL_MS && done < total) return !run->cancelled;
    run->lastPump = now;
    int percent = total ? static_cast<int>(done * 100 / total) : 100;
    if (percent != run->lastPercent) {
        run->lastPercent = percent;
        char text[64];
        snprintf(text, sizeof text, "Exporting... %d%%", percent);
        SetDlgItemTextA(run->progress, IDC_EXPORT_PERCENT, text);
    }
    return pump_waiting_messages(run->progress, &run->cancelled);
}

void run_export(void* context) {
    ExportRun* run = static_cast<ExportRun*>(context);
    ExportSink sink = {safe_file_buffered_write, rewrite_bytes, &run->out};
    run->status = run->format == EXPORT_AS_GIF
                      ? ExportGifSource(run->video, &sink, show_progress, run, &run->stats,
                                        nullptr)
                      : ExportApngSource(run->video, &sink, show_progress, run, &run->stats);
    if (run->status == EXPORT_DONE && !safe_file_buffer_flush(&run->out))
        run->status = EXPORT_WRITE_FAILED;
}

// The box after an export that did not write the file; none after Cancel.
void report_failure(const ExportRun& run, bool existed) {
    switch (run.status) {
    case EXPORT_CANCELLED:
        return;
    case EXPORT_NO_FRAME_RATE:
        warn("The video's frame rate gives its frames no duration. It cannot be exported.",
             FAILED_CAPTION);
        return;
    case EXPORT_NO_FRAMES:
    case EXPORT_NOT_VIDEO:
        warn("The video holds no frame that can be read. Nothing has been exported.",
             FAILED_CAPTION);
        return;
    case EXPORT_NO_MEMORY:
        warn("There is not enough memory to export this video.", FAILED_CAPTION);
        return;
    default:
        break;
    }
    warn_not_written("The file could not be written. The disk may be full.", FAILED_CAPTION,
                     existed);
}

}  // namespace

int write_export(const char* video_path, const char* output_path, export_format format) {
    const FormatTexts& texts = FORMATS[format];
    if (same_file(output_path, video_path)) {
        warn("The export cannot replace the video it is made from. Please choose another name.",
             FAILED_CAPTION);
        return 0;
    }
    VideoFileSource video;
    VideoSource source;
    if (!VideoFileSourceOpen(&video, &source, video_path)) {
        warn("The video could not be read.", FAILED_CAPTION);
        return 0;
    }
    bool existed = GetFileAttributesA(output_path) != INVALID_FILE_ATTRIBUTES;
    SafeFile file;
    ExportRun run = {};
    run.format = format;
    run.video = &source;
    run.file = &file;
    run.lastPercent = -1;
    run.status = EXPORT_WRITE_FAILED;
    if (!safe_file_buffer_begin(&run.out, &file) || !safe_file_begin(&file, output_path)) {
        safe_file_buffer_end(&run.out);
        VideoFileSourceClose(&video);
        warn_not_written("The file could not be made.", FAILED_CAPTION, existed);
        return 0;
    }
    run.progress = open_export_progress(&run.cancelled);
    EnableWindow(main_window, FALSE);
    FaultGuard guard = {};
    bool read = FaultGuardRun(&guard, nullptr, 0, run_export, &run) != 0 &&
                run.status != EXPORT_READ_FAILED;
    EnableWindow(main_window, TRUE);
    DestroyWindow(run.progress);
    bool replaced = read && run.status == EXPORT_DONE && safe_file_replace(&file);
    if (!replaced) safe_file_abandon(&file);
    safe_file_buffer_end(&run.out);
    VideoFileSourceClose(&video);
    if (!read) {
        warn("The video could not be read to its end: its disk or network share may have gone "
             "away. Nothing has been exported.",
             FAILED_CAPTION);
        return 0;
    }
    if (!replaced) {
        if (run.status == EXPORT_DONE) run.status = EXPORT_WRITE_FAILED;
        report_failure(run, existed);
        return 0;
    }
    char text[512];
    if (run.stats.damage != VIDEO_SOUND) {
        char why[256];
        VideoDamageDescribe(&run.stats, source.size, why, sizeof why);
        snprintf(text, sizeof text,
                 "The %s has been written, but the video is damaged: %s. It holds the %llu frames "
                 "before the damage.",
                 texts.name, why, static_cast<unsigned long long>(run.stats.records));
        MessageBoxA(main_window, text, "Video Damaged", MB_ICONWARNING);
        return 1;
    }
    snprintf(text, sizeof text, "The %s has been written.", texts.name);
    MessageBoxA(main_window, text, "Export Done", MB_ICONINFORMATION);
    return 1;
}

int export_video(export_format format) {
    EngineStop();
    if (!file_exists(current_file) && !load_dialog(main_window)) return 0;
    char video[CURRENT_FILE_CAPACITY];
    if (!absolute_file_name(current_file, video, sizeof video) || !check_video_file(video)) {
        warn("The file you have selected is not a valid ZeVEVIZ file. Please load a valid video "
             "then retry.",
             "Invalid or Empty Video File");
        return 0;
    }
    const FormatTexts& texts = FORMATS[format];
    char output[DIALOG_PATH_CAPACITY];
    if (!propose_file_name(video, texts.extension, output, sizeof output)) {
        warn("The name of the exported file would be too long. Please move the video to a "
             "shorter path and retry.",
             FAILED_CAPTION);
        return 0;
    }
    if (!ask_save_name(main_window, texts.kind, output, sizeof output)) return 0;
    return write_export(video, output, format);
}
