// The cut window (Tools > Cut...). The video is read one record at a time
// from its file, as playback and the exports read it, so that a recording of
// any length can be cut. The engine's picture finder
// walks it once, noting its key frames, and then shows the picture at the
// trackbar's position by decoding from the key frame before it; the engine's
// cut writes the part into a SafeFile (replaced whole or not at all) while
// the progress window shows the percentage and offers Cancel.
#include "sharing/cut_window.h"

#include <windows.h>
#include <commctrl.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine.h"
#include "files/file_dialogs.h"
#include "files/file_names.h"
#include "files/load_dialog.h"
#include "files/safe_file_win.h"
#include "files/video_file_check.h"
#include "main_window.h"
#include "progress_dialog.h"
#include "recorder_globals.h"
#include "resource_ids.h"
#include "video_cut.h"
#include "video_seek.h"
#include "win32/fault_guard_win.h"
#include "win32/video_file_source_win.h"
#include "window_utils.h"

namespace {

// The windows are given their messages at most this often, in milliseconds.
constexpr DWORD PUMP_INTERVAL_MS = 50;

const char FAILED_CAPTION[] = "Cut Failed";
const char UNREADABLE_TEXT[] =
    "The video could not be read to its end: its disk or network share may have gone away.";

// A long piece of work shown in the progress window: "Reading... 42%".
struct Progress {
    HWND window;
    const char* verb;
    bool cancelled;
    DWORD lastPump;
    int lastPercent;
};

void show_progress_percent(Progress* progress, int percent) {
    char text[64];
    snprintf(text, sizeof text, "%s... %d%%", progress->verb, percent);
    SetDlgItemTextA(progress->window, IDC_EXPORT_PERCENT, text);
}

void open_progress_window(Progress* progress, const char* caption, const char* verb) {
    *progress = Progress{};
    progress->verb = verb;
    progress->lastPercent = -1;
    progress->window = open_export_progress(&progress->cancelled);
    SetWindowTextA(progress->window, caption);
    show_progress_percent(progress, 0);
}

// Shows the percentage and gives the windows their messages; 0 once the
// user has cancelled.
int show_progress(void* context, uint64_t done, uint64_t total) {
    Progress* progress = static_cast<Progress*>(context);
    DWORD now = GetTickCount();
    if (now - progress->lastPump < PUMP_INTERVAL_MS && done < total) return !progress->cancelled;
    progress->lastPump = now;
    int percent = total ? static_cast<int>(done * 100 / total) : 100;
    if (percent != progress->lastPercent && !progress->cancelled) {
        progress->lastPercent = percent;
        show_progress_percent(progress, percent);
    }
    return pump_waiting_messages(progress->window, &progress->cancelled);
}

struct CutState {
    char video[CURRENT_FILE_CAPACITY];
    VideoFileSource file;
    VideoSource source;    // reads file
    VideoSeek seek;
    uint32_t interval;
    uint64_t start, end;   // the part, both kept
    HWND dialog;
    bool unreadable;       // a read of the video failed: the window closes
};

// Runs body, which reads the video, under the fault guard; false after a
// fault or a read that failed (a disk or share gone away).
bool read_guarded(CutState* state, void (*body)(void*), void* context) {
    FaultGuard guard = {};
    if (FaultGuardRun(&guard, nullptr, 0, body, context) &&
        state->seek.walk.reader.failure != VIDEO_READ_FAILED)
        return true;
    state->unreadable = true;
    return false;
}

void warn(HWND owner, const char* text, const char* caption) {
    MessageBoxA(owner, text, caption, MB_ICONWARNING);
}

// "1:05.3": minutes, seconds and tenths.
void format_time(uint64_t ms, char* text, size_t capacity) {
    snprintf(text, capacity, "%llu:%02u.%u", static_cast<unsigned long long>(ms / 60000),
             static_cast<unsigned>(ms / 1000 % 60), static_cast<unsigned>(ms % 1000 / 100));
}

HWND trackbar_of(const CutState* state) {
    return GetDlgItem(state->dialog, IDC_CUT_TRACKBAR);
}

uint64_t position_of(const CutState* state) {
    LRESULT position = SendMessageA(trackbar_of(state), TBM_GETPOS, 0, 0);
    return position > 0 ? static_cast<uint64_t>(position) : 0;
}

void show_part_text(const CutState* state) {
    char from[32], to[32], length[32], text[256];
    format_time(state->start * state->interval, from, sizeof from);
    format_time(state->end * state->interval, to, sizeof to);
    format_time((state->end - state->start + 1) * state->interval, length, sizeof length);
    snprintf(text, sizeof text, "Part: %s to %s (frames %llu to %llu), %s long", from, to,
             static_cast<unsigned long long>(state->start),
             static_cast<unsigned long long>(state->end), length);
    SetDlgItemTextA(state->dialog, IDC_CUT_PART, text);
}

struct ShowRun {
    CutState* state;
    uint64_t record;
    int shown;
};

void show_body(void* context) {
    ShowRun* run = static_cast<ShowRun*>(context);
    run->shown = VideoSeekShow(&run->state->seek, run->record);
}

// Shows the picture at the trackbar's position at once, with its time and
// number; closes the window after the box when the video cannot be read.
void show_position(CutState* state) {
    ShowRun run = {state, position_of(state), 0};
    if (!read_guarded(state, show_body, &run)) {
        warn(state->dialog, UNREADABLE_TEXT, FAILED_CAPTION);
        EndDialog(state->dialog, 0);
        return;
    }
    char time[32], text[128];
    format_time(run.record * state->interval, time, sizeof time);
    snprintf(text, sizeof text, "%s, frame %llu of %llu", time,
             static_cast<unsigned long long>(run.record),
             static_cast<unsigned long long>(state->seek.records - 1));
    SetDlgItemTextA(state->dialog, IDC_CUT_POSITION, text);
    HWND picture = GetDlgItem(state->dialog, IDC_CUT_PICTURE);
    InvalidateRect(picture, nullptr, FALSE);
    UpdateWindow(picture);
}

void move_to(CutState* state, uint64_t record) {
    SendMessageA(trackbar_of(state), TBM_SETPOS, TRUE, static_cast<LPARAM>(record));
    show_position(state);
}

// The picture as large as the control lets it be, its proportions kept,
// on black.
void draw_picture(CutState* state, const DRAWITEMSTRUCT* item) {
    RECT area = item->rcItem;
    FillRect(item->hDC, &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    FrameSurface* surface = &state->seek.walk.surface;
    int64_t areaWidth = area.right - area.left, areaHeight = area.bottom - area.top;
    if (areaWidth <= 0 || areaHeight <= 0 || surface->width <= 0 || surface->height <= 0) return;
    int64_t width = areaWidth, height = areaWidth * surface->height / surface->width;
    if (height > areaHeight) {
        height = areaHeight;
        width = areaHeight * surface->width / surface->height;
    }
    if (width > surface->width && height > surface->height) {
        width = surface->width;
        height = surface->height;
    }
    int x = area.left + static_cast<int>((areaWidth - width) / 2);
    int y = area.top + static_cast<int>((areaHeight - height) / 2);
    void* dcPlace = nullptr;
    HDC surfaceDC = static_cast<HDC>(FrameSurfaceGetDC(&dcPlace, nullptr, surface));
    if (surfaceDC) {
        SetStretchBltMode(item->hDC, HALFTONE);
        SetBrushOrgEx(item->hDC, 0, 0, nullptr);
        StretchBlt(item->hDC, x, y, static_cast<int>(width), static_cast<int>(height), surfaceDC,
                   0, 0, surface->width, surface->height, SRCCOPY);
    }
    FrameSurfaceReleaseDC(&dcPlace, surface);
}

struct SaveRun {
    CutState* state;
    SafeFileBuffer out;
    Progress* progress;
    int status;
};

void save_body(void* context) {
    SaveRun* run = static_cast<SaveRun*>(context);
    CutState* state = run->state;
    VideoCutOptions options = {state->start, state->end, safe_file_buffered_write, &run->out,
                               show_progress, run->progress};
    VideoWalkStats stats;
    run->status = VideoCutSource(&state->source, &options, &stats);
    if (run->status == VIDEO_CUT_DONE && !safe_file_buffer_flush(&run->out))
        run->status = VIDEO_CUT_WRITE_FAILED;
}

// Writes the part into output; 1 when the file holds it.
int write_part(CutState* state, const char* output) {
    HWND dialog = state->dialog;
    bool existed = GetFileAttributesA(output) != INVALID_FILE_ATTRIBUTES;
    SafeFile file;
    SaveRun run = {state, {}, nullptr, VIDEO_CUT_WRITE_FAILED};
    if (!safe_file_buffer_begin(&run.out, &file) || !safe_file_begin(&file, output)) {
        safe_file_buffer_end(&run.out);
        warn_not_written("The file could not be made.", FAILED_CAPTION, existed);
        return 0;
    }
    Progress progress;
    open_progress_window(&progress, "Saving", "Saving");
    run.progress = &progress;
    EnableWindow(dialog, FALSE);
    bool read = read_guarded(state, save_body, &run) && run.status != VIDEO_CUT_READ_FAILED;
    EnableWindow(dialog, TRUE);
    DestroyWindow(progress.window);
    SetActiveWindow(dialog);
    bool replaced = read && run.status == VIDEO_CUT_DONE && safe_file_replace(&file);
    if (!replaced) safe_file_abandon(&file);
    safe_file_buffer_end(&run.out);
    if (replaced) return 1;
    if (!read)
        warn(dialog, UNREADABLE_TEXT, FAILED_CAPTION);
    else if (run.status == VIDEO_CUT_NO_MEMORY)
        warn(dialog, "There is not enough memory to cut this video.", FAILED_CAPTION);
    else if (run.status != VIDEO_CUT_CANCELLED)
        warn_not_written("The file could not be written. The disk may be full.",
                         FAILED_CAPTION, existed);
    return 0;
}

// Save As...: the name "<video>-cut.zuv" proposed, the part written, and it
// becomes the current video. 1 when saved.
int save_part(CutState* state) {
    char output[DIALOG_PATH_CAPACITY];
    if (!propose_file_name(state->video, "-cut.zuv", output, sizeof output)) output[0] = 0;
    if (!ask_save_name(state->dialog, &VIDEO_FILES, output, sizeof output)) return 0;
    if (same_file(output, state->video)) {
        warn(state->dialog,
             "The part cannot replace the video it is cut from. Please choose another name.",
             FAILED_CAPTION);
        return 0;
    }
    if (!write_part(state, output)) {
        if (state->unreadable) EndDialog(state->dialog, 0);
        return 0;
    }
    lstrcpynA(current_file, output, CURRENT_FILE_CAPACITY);
    show_ready_text();
    return 1;
}

void init_cut_window(HWND dialog, CutState* state) {
    state->dialog = dialog;
    SetWindowLongPtrA(dialog, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
    centre_window(dialog, main_window);
    HWND trackbar = trackbar_of(state);
    uint64_t last = state->seek.records - 1;
    SendMessageA(trackbar, TBM_SETRANGEMIN, FALSE, 0);
    SendMessageA(trackbar, TBM_SETRANGEMAX, TRUE, static_cast<LPARAM>(last < INT_MAX ? last : INT_MAX));
    SendMessageA(trackbar, TBM_SETLINESIZE, 0, 1);
    SendMessageA(trackbar, TBM_SETPAGESIZE, 0, 1000 / state->interval);
    move_to(state, 0);
    show_part_text(state);
    SetFocus(trackbar);
}

void run_cut_command(CutState* state, WORD command) {
    uint64_t position = position_of(state);
    switch (command) {
    case IDC_CUT_SET_START:
        state->start = position;
        if (state->end < position) state->end = position;
        show_part_text(state);
        break;
    case IDC_CUT_SET_END:
        state->end = position;
        if (state->start > position) state->start = position;
        show_part_text(state);
        break;
    case IDC_CUT_TRIM:
        state->start = state->seek.stillFirst;
        state->end = state->seek.stillLast;
        show_part_text(state);
        move_to(state, state->start);
        break;
    case IDC_CUT_SAVE:
        if (save_part(state)) EndDialog(state->dialog, 1);
        break;
    case IDCANCEL:
        EndDialog(state->dialog, 0);
        break;
    default:
        break;
    }
}

INT_PTR CALLBACK cut_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    CutState* state = reinterpret_cast<CutState*>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
    switch (message) {
    case WM_INITDIALOG:
        init_cut_window(dialog, reinterpret_cast<CutState*>(lparam));
        return FALSE;  // the trackbar has the focus
    case WM_HSCROLL:
        if (state && reinterpret_cast<HWND>(lparam) == trackbar_of(state)) show_position(state);
        return TRUE;
    case WM_DRAWITEM:
        if (state && wparam == IDC_CUT_PICTURE)
            draw_picture(state, reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
        return TRUE;
    case WM_CTLCOLORDLG:
        return reinterpret_cast<INT_PTR>(dialog_brush);
    case WM_CTLCOLORSTATIC:
        SetBkColor(reinterpret_cast<HDC>(wparam), DIALOG_COLOUR);
        return reinterpret_cast<INT_PTR>(dialog_brush);
    case WM_COMMAND:
        if (state) run_cut_command(state, LOWORD(wparam));
        return TRUE;
    default:
        return FALSE;
    }
}

struct SurveyRun {
    CutState* state;
    Progress* progress;
    int status;
};

void survey_body(void* context) {
    SurveyRun* run = static_cast<SurveyRun*>(context);
    CutState* state = run->state;
    run->status = VideoSeekBeginSource(&state->seek, &state->source, show_progress, run->progress);
}

// Reads the video once; true when the window can show it.
bool survey(CutState* state) {
    Progress progress;
    open_progress_window(&progress, "Reading", "Reading");
    SurveyRun run = {state, &progress, VIDEO_CUT_NO_FRAMES};
    EnableWindow(main_window, FALSE);
    bool read = read_guarded(state, survey_body, &run) && run.status != VIDEO_CUT_READ_FAILED;
    EnableWindow(main_window, TRUE);
    DestroyWindow(progress.window);
    if (!read) {
        warn(main_window, UNREADABLE_TEXT, FAILED_CAPTION);
        return false;
    }
    switch (run.status) {
    case VIDEO_CUT_DONE:
        break;
    case VIDEO_CUT_CANCELLED:
        return false;
    case VIDEO_CUT_NO_FRAME_RATE:
        warn(main_window, "The video's frame rate gives its frames no duration. It cannot be cut.",
             FAILED_CAPTION);
        return false;
    case VIDEO_CUT_NO_MEMORY:
        warn(main_window, "There is not enough memory to cut this video.", FAILED_CAPTION);
        return false;
    default:
        warn(main_window, "The video holds no frame that can be read. Nothing can be cut.",
             FAILED_CAPTION);
        return false;
    }
    const VideoWalkStats& stats = state->seek.stats;
    if (stats.damage != VIDEO_SOUND) {
        char why[256], text[512];
        VideoDamageDescribe(&stats, state->source.size, why, sizeof why);
        snprintf(text, sizeof text,
                 "The video is damaged: %s. Only the %llu frames before the damage can be cut.",
                 why, static_cast<unsigned long long>(stats.records));
        MessageBoxA(main_window, text, "Video Damaged", MB_ICONWARNING);
    }
    state->interval = VideoFrameInterval(stats.header.frameRate);
    state->start = 0;
    state->end = state->seek.records - 1;
    return true;
}

}  // namespace

int cut_video() {
    EngineStop();
    if (!file_exists(current_file) && !load_dialog(main_window)) return 0;
    CutState* state = static_cast<CutState*>(calloc(1, sizeof(CutState)));
    if (!state) return 0;
    if (!absolute_file_name(current_file, state->video, sizeof state->video) ||
        !check_video_file(state->video)) {
        free(state);
        warn(main_window,
             "The file you have selected is not a valid ZeVEVIZ file. Please load a valid video "
             "then retry.",
             "Invalid or Empty Video File");
        return 0;
    }
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    INT_PTR saved = 0;
    if (!VideoFileSourceOpen(&state->file, &state->source, state->video))
        warn(main_window, "The video could not be read.", FAILED_CAPTION);
    else if (survey(state))
        saved = DialogBoxParamA(program_instance, MAKEINTRESOURCEA(IDD_CUT), main_window, cut_proc,
                                reinterpret_cast<LPARAM>(state));
    VideoSeekEnd(&state->seek);
    VideoFileSourceClose(&state->file);
    free(state);
    if (saved != 1) return 0;
    MessageBoxA(main_window, "The part has been saved. It is now the current video.", "Cut Done",
                MB_ICONINFORMATION);
    return 1;
}
