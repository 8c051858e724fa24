// The commands of the main menu and the toolbar, and the status line's texts.
#include <windows.h>

#include <cstring>

#include "about_dialog.h"
#include "capture/capture_dialogs.h"
#include "capture/recording_session.h"
#include "engine.h"
#include "file_association.h"
#include "files/load_dialog.h"
#include "files/video_file_check.h"
#include "main_window.h"
#include "packaging/builder.h"
#include "packaging/extractor.h"
#include "recorder_globals.h"
#include "resource_ids.h"
#include "sharing/cut_window.h"
#include "sharing/export_command.h"
#include "status_text.h"
#include "win32/screen_grab_win.h"
#include "window_utils.h"

namespace {

// Room for the box that tells why a recording ended: the reason and the file.
constexpr size_t END_TEXT_CAPACITY = 1024;

// The recording started from here that has not yet been seen to end, and
// the file it records into (current_file may change while it runs).
bool recording_watched = false;
char recorded_file[CURRENT_FILE_CAPACITY];

void show_engine_error() {
    MessageBoxA(main_window, "The ZeVEVIZ Engine cannot perform the requested action at this time.",
                "Engine Error", MB_ICONWARNING);
}

// Where on the screen a recording of rect (of target's visible frame, or of
// the screen when there is no target) lies now.
RECT screen_rect_of(HWND target, const CaptureRect& rect) {
    ScreenArea frame = {0, 0, 0, 0};
    if (target) WindowVisibleFrame(target, &frame);
    return RECT{frame.x + rect.left, frame.y + rect.top, frame.x + rect.right + 1,
                frame.y + rect.bottom + 1};
}

void capture() {
    if (run_capture_settings() != 1) return;
    CaptureChoice choice = {};
    HWND target = nullptr;
    CaptureRect rect;
    if (!run_locator(&choice) || !capture_target(&choice, &target, &rect)) {
        MessageBoxA(main_window, "You must select a valid source window to capture.",
                    "Invalid Window", MB_ICONWARNING);
        return;
    }
    if (!CaptureRectRecordable(&rect)) return;
    // A paused engine is only resumed: the recording watched goes on.
    bool resumes = EngineQuery(ENGINE_QUERY_PAUSED) != 0;
    if (!resumes && !prepare_recording(target, screen_rect_of(target, rect))) return;
    if (!EngineStartRecording(current_file, target, &rect, static_cast<uint32_t>(capture_fps))) {
        if (!resumes) finish_recording();
        show_engine_error();
        return;
    }
    if (!resumes) {
        recording_watched = true;
        memcpy(recorded_file, current_file, sizeof recorded_file);
        // A whole monitor needs no frame: its edges are the screen's.
        if (choice.isArea && choice.monitorNumber == 0) show_area_frame(choice.area);
    }
}

// What the end box says of an end the user did not ask for; null for Stop
// and Escape.
const char* end_reason_text(uint32_t reason) {
    switch (reason) {
    case ENGINE_END_WRITE_FAILED: return "The disk is full or the file could not be written.";
    case ENGINE_END_FAULT: return "The picture could not be read.";
    case ENGINE_END_WINDOW_GONE: return "The recorded window was closed.";
    default: return nullptr;
    }
}

void play_current_file() {
    if (!EngineStartPlayback(current_file, main_window, 0, 0, BOTTOM_BAND_HEIGHT))
        show_engine_error();
}

// After the Load dialog: a file that does not exist is an error only when the
// dialog reported a good choice (the file has gone since); a cancelled or
// refused choice has already said all there is to say.
void play_after_load_dialog(int chosen) {
    if (!file_exists(current_file)) {
        if (chosen) show_engine_error();
        return;
    }
    play_current_file();
}

void play() {
    if (file_exists(current_file)) {
        play_current_file();
        return;
    }
    play_after_load_dialog(load_dialog(main_window));
}

void load() {
    int chosen = load_dialog(main_window);
    if (!chosen) return;
    play_after_load_dialog(chosen);
}

void restore_association() {
    char extension[] = ".zuv";
    restore_file_association(extension);
}

}  // namespace

void play_named_video() {
    // A name that is not an existing file leaves current_file empty.
    if (!file_exists(current_file)) {
        MessageBoxA(main_window,
                    "The video named on the command line cannot be opened. It may have been "
                    "moved or deleted.",
                    "Video File Not Found", MB_ICONWARNING);
        show_ready_text();
        return;
    }
    if (!check_video_file(current_file)) {
        MessageBoxA(main_window,
                    "The file you have selected is not a valid ZeVEVIZ file. Please load a valid "
                    "video then retry.",
                    "Invalid or Empty Video File", MB_ICONWARNING);
        show_ready_text();
        return;
    }
    play_current_file();
}

void report_recording_end() {
    // The reason is settled once the run flag reads 0.
    if (!recording_watched || EngineQuery(ENGINE_QUERY_CAPTURING)) return;
    recording_watched = false;
    finish_recording();
    const char* why = end_reason_text(EngineQuery(ENGINE_QUERY_END_REASON));
    if (!why) return;
    char text[STATUS_TEXT_CAPACITY];
    format_ready_text(text, current_file);
    SetWindowTextA(status_line, text);
    char said[END_TEXT_CAPACITY];
    wsprintfA(said, "The recording has ended by itself. %s\n\nEverything recorded up to then is "
                    "kept in\n%s",
              why, recorded_file);
    MessageBoxA(main_window, said, "Recording Ended", MB_ICONWARNING);
}

void run_main_command(HWND window, WORD command) {
    // An end not yet reported is told before the command changes the engine.
    report_recording_end();
    switch (command) {
    case ID_CAPTURE:
        capture();
        break;
    case ID_STOP:
        if (!EngineStop()) show_engine_error();
        hide_area_frame();
        break;
    case ID_PLAY:
        play();
        break;
    case ID_PAUSE:
        if (!EngineTogglePause()) show_engine_error();
        break;
    case ID_LOAD:
        load();
        break;
    case ID_ABOUT:
        DialogBoxParamA(program_instance, MAKEINTRESOURCEA(IDD_ABOUT), window, about_proc, 0);
        break;
    case ID_MAKE_SELF_PLAYING:
        build_self_playing_exe(current_file);
        break;
    case ID_EXTRACT:
        extract_video(current_file);
        break;
    case ID_EXPORT_APNG:
        export_video(EXPORT_AS_APNG);
        break;
    case ID_EXPORT_GIF:
        export_video(EXPORT_AS_GIF);
        break;
    case ID_CUT:
        cut_video();
        break;
    case ID_RESTORE_ASSOCIATION:
        restore_association();
        break;
    case ID_SET_ASSOCIATION:  // greyed: the association is set at every start
    default:
        break;
    }
}

void refresh_status_line() {
    report_recording_end();
    if (!EngineQuery(ENGINE_QUERY_CAPTURING)) hide_area_frame();
    const char* state = status_state_word(EngineQuery(ENGINE_QUERY_PLAYING),
                                          EngineQuery(ENGINE_QUERY_CAPTURING),
                                          EngineQuery(ENGINE_QUERY_PAUSED));
    if (!state) return;  // idle: the last text stays
    uint32_t elapsed =
        EngineQuery(ENGINE_QUERY_FRAME_COUNT) * EngineQuery(ENGINE_QUERY_FRAME_INTERVAL);
    char text[STATUS_TEXT_CAPACITY];
    format_status_text(text, state, elapsed, current_file);
    if (EngineQuery(ENGINE_QUERY_CAPTURING))
        show_recording_state(text, sizeof text, EngineQuery(ENGINE_QUERY_PAUSED) != 0);
    SetWindowTextA(status_line, text);
}

void show_ready_text() {
    if (EngineQuery(ENGINE_QUERY_PLAYING) || EngineQuery(ENGINE_QUERY_CAPTURING)) return;
    char text[STATUS_TEXT_CAPACITY];
    format_ready_text(text, current_file);
    SetWindowTextA(status_line, text);
}
