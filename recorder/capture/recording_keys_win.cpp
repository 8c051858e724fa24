// The recording keys and the minimised main window around a recording.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "capture/recording_session.h"
#include "engine.h"
#include "main_window.h"
#include "recorder_globals.h"
#include "window_utils.h"

namespace {

// Time for the screen to show what lies under a window that has just gone
// (the minimise animation included) before the first frame is grabbed.
constexpr DWORD MINIMISE_SETTLE_MS = 400;
constexpr DWORD COUNTDOWN_SETTLE_MS = 150;

// The options of the recording prepared here, taken when it was prepared:
// the settings dialog may change recording_options while it runs.
bool prepared = false;
RecordingOptions options;
RecordingKeysHeld held;
bool minimised = false;
bool title_paused = false;

// Holds key under id on the main window; false when there is no key or
// another program holds it.
bool hold_key(int id, RecordingKey key) {
    if (!key) return false;
    UINT modifiers = recording_key_system_modifiers(key);
    UINT code = recording_key_code(key);
    if (RegisterHotKey(main_window, id, modifiers | MOD_NOREPEAT, code)) return true;
    // Systems before Windows 7 refuse MOD_NOREPEAT; a key held elsewhere
    // is refused again.
    return RegisterHotKey(main_window, id, modifiers, code) != 0;
}

void show_pause_in_title(bool paused) {
    if (paused == title_paused) return;
    title_paused = paused;
    char title[128];
    snprintf(title, sizeof title, "%s%s", MAIN_WINDOW_TITLE, paused ? PAUSED_TITLE_SUFFIX : "");
    SetWindowTextA(main_window, title);
}

void release_keys() {
    if (held.pause) UnregisterHotKey(main_window, PAUSE_KEY_ID);
    if (held.stop) UnregisterHotKey(main_window, STOP_KEY_ID);
    held = RecordingKeysHeld{false, false};
}

// Lets the recorder's messages run for ms, so that its windows are redrawn;
// false when the program is to end meanwhile.
bool settle(DWORD ms) {
    DWORD start = GetTickCount();
    bool ended = false;
    while (GetTickCount() - start < ms) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        if (!pump_waiting_messages(nullptr, &ended)) return false;
    }
    return true;
}

}  // namespace

int prepare_recording(HWND target, const RECT& area) {
    finish_recording();
    prepared = true;
    options = recording_options;
    held.pause = hold_key(PAUSE_KEY_ID, options.pause_key);
    held.stop = hold_key(STOP_KEY_ID, options.stop_key);
    // A recording of the main window itself shows it as it is.
    bool recorded = target == main_window || IsChild(main_window, target);
    bool going_on = true;
    if (options.minimise && !recorded && !IsIconic(main_window)) {
        ShowWindow(main_window, SW_MINIMIZE);
        minimised = true;
        if (!options.countdown_seconds) going_on = settle(MINIMISE_SETTLE_MS);
    }
    if (going_on && options.countdown_seconds) {
        char hint[64];
        format_countdown_hint(hint, sizeof hint, options, held);
        // The main window takes no command meanwhile, as under a dialog.
        EnableWindow(main_window, FALSE);
        going_on = run_countdown(options.countdown_seconds, area, hint) != 0;
        EnableWindow(main_window, TRUE);
        going_on = going_on && settle(COUNTDOWN_SETTLE_MS);
    }
    if (!going_on) finish_recording();
    return going_on ? 1 : 0;
}

void finish_recording() {
    if (!prepared) return;
    prepared = false;
    release_keys();
    show_pause_in_title(false);
    if (minimised && IsIconic(main_window)) ShowWindow(main_window, SW_RESTORE);
    minimised = false;
}

void on_recording_key(WPARAM id) {
    if (countdown_running()) {
        if (id == STOP_KEY_ID) cancel_countdown();
        return;
    }
    // Only a running recording: the pause flag also flips with nothing running.
    if (!prepared || !EngineQuery(ENGINE_QUERY_CAPTURING)) return;
    if (id == PAUSE_KEY_ID) {
        EngineTogglePause();
        refresh_status_line();
    } else if (id == STOP_KEY_ID) {
        EngineStop();
        report_recording_end();
    }
}

void show_recording_state(char* text, size_t capacity, bool paused) {
    if (!prepared) return;
    show_pause_in_title(paused);
    size_t used = strlen(text);
    if (used + 1 >= capacity) return;
    format_key_hints(text + used, capacity - used, options, held, paused);
}
