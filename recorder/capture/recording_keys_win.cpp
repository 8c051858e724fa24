// The recording keys and the minimised main window around a recording.
#include <windows.h>

#include <cstring>

#include "capture/recording_session.h"
#include "engine.h"
#include "main_window.h"
#include "recorder_globals.h"

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

void release_keys() {
    if (held.pause) UnregisterHotKey(main_window, PAUSE_KEY_ID);
    if (held.stop) UnregisterHotKey(main_window, STOP_KEY_ID);
    held = RecordingKeysHeld{false, false};
}

// Lets the recorder's messages run for ms, so that its windows are redrawn.
void settle(DWORD ms) {
    DWORD start = GetTickCount();
    MSG message;
    while (GetTickCount() - start < ms) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(message.wParam));
                return;
            }
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

}  // namespace

int prepare_recording(HWND target, const RECT& area) {
    finish_recording();
    prepared = true;
    options = recording_options;
    held.pause = hold_key(PAUSE_KEY_ID, options.pause_key);
    held.stop = hold_key(STOP_KEY_ID, options.stop_key);
    if (options.minimise && target != main_window && !IsIconic(main_window)) {
        ShowWindow(main_window, SW_MINIMIZE);
        minimised = true;
        if (!options.countdown_seconds) settle(MINIMISE_SETTLE_MS);
    }
    if (!options.countdown_seconds) return 1;
    char hint[64];
    format_countdown_hint(hint, sizeof hint, options, held);
    // The main window takes no command meanwhile, as under a dialog.
    EnableWindow(main_window, FALSE);
    int finished = run_countdown(options.countdown_seconds, area, hint);
    EnableWindow(main_window, TRUE);
    if (!finished) {
        finish_recording();
        return 0;
    }
    settle(COUNTDOWN_SETTLE_MS);
    return 1;
}

void finish_recording() {
    if (!prepared) return;
    prepared = false;
    release_keys();
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

void append_recording_key_hints(char* text, size_t capacity, bool paused) {
    if (!prepared) return;
    size_t used = strlen(text);
    if (used + 1 >= capacity) return;
    format_key_hints(text + used, capacity - used, options, held, paused);
}
