// The choices that keep the recorder's own window out of a recording: the
// keys that pause, resume and stop it from any program, the countdown before
// its first frame and the minimised main window; and what the status line and
// the countdown say of them. Plain decisions over numbers and caller-owned
// text; no Windows header.
//
// A key is held as the system's hotkey control holds it: the virtual-key code
// in the low byte, modifier flags (KEY_MODIFIER_*) in the high byte; 0 is no
// key.
#pragma once

#include <cstddef>
#include <cstdint>

typedef uint16_t RecordingKey;

constexpr uint8_t KEY_MODIFIER_SHIFT = 0x01;
constexpr uint8_t KEY_MODIFIER_CONTROL = 0x02;
constexpr uint8_t KEY_MODIFIER_ALT = 0x04;
// Set by the hotkey control for keys of the extended set; no other meaning.
constexpr uint8_t KEY_MODIFIER_EXTENDED = 0x08;

constexpr RecordingKey make_recording_key(uint8_t virtual_key, uint8_t modifiers) {
    return static_cast<RecordingKey>(virtual_key | (modifiers << 8));
}
constexpr uint8_t recording_key_code(RecordingKey key) {
    return static_cast<uint8_t>(key & 0xFF);
}
constexpr uint8_t recording_key_modifiers(RecordingKey key) {
    return static_cast<uint8_t>(key >> 8);
}

constexpr RecordingKey DEFAULT_PAUSE_KEY = 0x76;  // F7
constexpr RecordingKey DEFAULT_STOP_KEY = 0x77;   // F8

// The offered countdowns before the first frame, in seconds, in list order.
constexpr uint32_t COUNTDOWN_CHOICES[] = {0, 3, 5, 10};
constexpr size_t COUNTDOWN_CHOICE_COUNT = sizeof COUNTDOWN_CHOICES / sizeof COUNTDOWN_CHOICES[0];

// What the capture settings dialog chose for the recordings of this run.
struct RecordingOptions {
    RecordingKey pause_key;
    RecordingKey stop_key;
    uint32_t countdown_seconds;  // one of COUNTDOWN_CHOICES
    bool minimise;               // the main window is minimised while recording
};
// F7, F8, no countdown, not minimised; they live for the run only.
extern RecordingOptions recording_options;

// The key's name as the status line shows it: modifiers in the order Ctrl,
// Alt, Shift, then the key ("F7", "Ctrl+Alt+P", "Num 5", "Key 186"). Writes
// at most capacity bytes, terminator included (truncated if need be); returns
// output.
const char* recording_key_name(RecordingKey key, char* output, size_t capacity);

// The modifiers of key as the system's key registration takes them: Alt 1,
// Ctrl 2, Shift 4 (not in the hotkey control's order).
uint32_t recording_key_system_modifiers(RecordingKey key);

enum RecordingKeysProblem {
    RECORDING_KEYS_USABLE,
    RECORDING_KEYS_SAME,    // both are the same key
    RECORDING_KEY_ESCAPE,   // Escape stops every recording already
    RECORDING_KEY_TYPES,    // without Ctrl or Alt, a key that types or moves
    RECORDING_KEY_F12,      // kept by Windows for debuggers; never registered
};
// Why the two keys (either may be 0, no key) cannot serve, or USABLE. A key
// held for the whole recording is taken from every program, so a key without
// Ctrl or Alt must be one that types and moves nothing: F1 to F24, Pause,
// Scroll Lock or Print Screen; F12 alone Windows keeps for debuggers.
RecordingKeysProblem recording_keys_problem(RecordingKey pause_key, RecordingKey stop_key);

// "3 s" for a choice of COUNTDOWN_CHOICES, into output (capacity bytes).
void countdown_choice_text(size_t index, char* output, size_t capacity);
// The index of seconds among COUNTDOWN_CHOICES; 0 (no countdown) when absent.
size_t countdown_choice_index(uint32_t seconds);
// Whole seconds still to wait, counted up ("3, 2, 1"): 0 once elapsed_ms has
// reached seconds.
uint32_t countdown_seconds_left(uint32_t seconds, uint32_t elapsed_ms);

// Whether each key is held by this recording: set and registered.
struct RecordingKeysHeld {
    bool pause;
    bool stop;
};

// What the status line adds to a recording's text: " - F7 pauses, F8 stops"
// (" - Paused: F7 resumes, F8 stops" while paused); a key set but taken by
// another program is named so, and without a stop key of its own the
// recording says that Escape stops it. Into output (capacity bytes, truncated
// if need be).
void format_key_hints(char* output, size_t capacity, const RecordingOptions& options,
                      RecordingKeysHeld held, bool paused);

// Added to the main window's title while a recording is paused, for a
// minimised window's button.
constexpr char PAUSED_TITLE_SUFFIX[] = " - Paused";

// The countdown window's hint: "Esc or F8 cancels", or "Esc cancels" without
// a stop key of its own.
void format_countdown_hint(char* output, size_t capacity, const RecordingOptions& options,
                           RecordingKeysHeld held);
