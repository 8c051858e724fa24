#include "capture/recording_keys.h"

#include <cstdio>

RecordingOptions recording_options = {DEFAULT_PAUSE_KEY, DEFAULT_STOP_KEY, 0, false};

namespace {

// Virtual-key codes named here; the system's values.
constexpr uint8_t KEY_ESCAPE = 0x1B;
constexpr uint8_t KEY_PAUSE = 0x13;
constexpr uint8_t KEY_PRINT_SCREEN = 0x2C;
constexpr uint8_t KEY_SCROLL_LOCK = 0x91;
constexpr uint8_t KEY_F1 = 0x70;
constexpr uint8_t KEY_F12 = 0x7B;
constexpr uint8_t KEY_F24 = 0x87;

struct KeyName {
    uint8_t code;
    const char* name;
};

const KeyName KEY_NAMES[] = {
    {0x08, "Backspace"},   {0x09, "Tab"},           {0x0D, "Enter"},     {KEY_PAUSE, "Pause"},
    {0x14, "Caps Lock"},   {KEY_ESCAPE, "Esc"},     {0x20, "Space"},     {0x21, "Page Up"},
    {0x22, "Page Down"},   {0x23, "End"},           {0x24, "Home"},      {0x25, "Left"},
    {0x26, "Up"},          {0x27, "Right"},         {0x28, "Down"},      {0x2D, "Insert"},
    {0x2E, "Delete"},      {0x6A, "Num *"},         {0x6B, "Num +"},     {0x6D, "Num -"},
    {0x6E, "Num ."},       {0x6F, "Num /"},         {0x90, "Num Lock"},
    {KEY_PRINT_SCREEN, "Print Screen"},             {KEY_SCROLL_LOCK, "Scroll Lock"},
};

// The key without its modifiers: "F7", "P", "Num 5", "Key 186".
void write_bare_name(uint8_t code, char* output, size_t capacity) {
    for (const KeyName& known : KEY_NAMES) {
        if (known.code == code) {
            snprintf(output, capacity, "%s", known.name);
            return;
        }
    }
    if (code >= KEY_F1 && code <= KEY_F24) {
        snprintf(output, capacity, "F%u", code - KEY_F1 + 1u);
    } else if ((code >= '0' && code <= '9') || (code >= 'A' && code <= 'Z')) {
        snprintf(output, capacity, "%c", code);
    } else if (code >= 0x60 && code <= 0x69) {
        snprintf(output, capacity, "Num %u", code - 0x60u);
    } else {
        // Keys whose sign depends on the keyboard layout.
        snprintf(output, capacity, "Key %u", code);
    }
}

bool types_or_moves(RecordingKey key) {
    uint8_t code = recording_key_code(key);
    if (recording_key_modifiers(key) & (KEY_MODIFIER_CONTROL | KEY_MODIFIER_ALT)) return false;
    bool silent = (code >= KEY_F1 && code <= KEY_F24) || code == KEY_PAUSE ||
                  code == KEY_SCROLL_LOCK || code == KEY_PRINT_SCREEN;
    return !silent;
}

// Appends text to output at *used, keeping the terminator within capacity.
void append(char* output, size_t capacity, size_t* used, const char* text) {
    if (*used >= capacity) return;
    int wrote = snprintf(output + *used, capacity - *used, "%s", text);
    if (wrote > 0) *used += static_cast<size_t>(wrote);
    if (*used >= capacity) *used = capacity - 1;
}

// Appends the key's name and what it does, after a separator.
void append_hint(char* output, size_t capacity, size_t* used, RecordingKey key, const char* does,
                 bool first) {
    char name[64];
    recording_key_name(key, name, sizeof name);
    if (!first) append(output, capacity, used, ", ");
    append(output, capacity, used, name);
    append(output, capacity, used, does);
}

}  // namespace

const char* recording_key_name(RecordingKey key, char* output, size_t capacity) {
    if (capacity == 0) return output;
    char bare[32];
    write_bare_name(recording_key_code(key), bare, sizeof bare);
    uint8_t modifiers = recording_key_modifiers(key);
    snprintf(output, capacity, "%s%s%s%s", (modifiers & KEY_MODIFIER_CONTROL) ? "Ctrl+" : "",
             (modifiers & KEY_MODIFIER_ALT) ? "Alt+" : "",
             (modifiers & KEY_MODIFIER_SHIFT) ? "Shift+" : "", bare);
    return output;
}

uint32_t recording_key_system_modifiers(RecordingKey key) {
    uint8_t modifiers = recording_key_modifiers(key);
    uint32_t system = 0;
    if (modifiers & KEY_MODIFIER_ALT) system |= 1;
    if (modifiers & KEY_MODIFIER_CONTROL) system |= 2;
    if (modifiers & KEY_MODIFIER_SHIFT) system |= 4;
    return system;
}

RecordingKeysProblem recording_keys_problem(RecordingKey pause_key, RecordingKey stop_key) {
    // The extended flag tells two keys of one name apart, never two keys.
    constexpr RecordingKey SAME_KEY_MASK = static_cast<RecordingKey>(~(KEY_MODIFIER_EXTENDED << 8));
    if (pause_key && (pause_key & SAME_KEY_MASK) == (stop_key & SAME_KEY_MASK))
        return RECORDING_KEYS_SAME;
    const RecordingKey keys[] = {pause_key, stop_key};
    for (RecordingKey key : keys) {
        if (!key) continue;
        if (recording_key_code(key) == KEY_ESCAPE) return RECORDING_KEY_ESCAPE;
        if (key == KEY_F12) return RECORDING_KEY_F12;
        if (types_or_moves(key)) return RECORDING_KEY_TYPES;
    }
    return RECORDING_KEYS_USABLE;
}

void countdown_choice_text(size_t index, char* output, size_t capacity) {
    uint32_t seconds = index < COUNTDOWN_CHOICE_COUNT ? COUNTDOWN_CHOICES[index] : 0;
    snprintf(output, capacity, "%u s", seconds);
}

size_t countdown_choice_index(uint32_t seconds) {
    for (size_t i = 0; i < COUNTDOWN_CHOICE_COUNT; i++) {
        if (COUNTDOWN_CHOICES[i] == seconds) return i;
    }
    return 0;
}

uint32_t countdown_seconds_left(uint32_t seconds, uint32_t elapsed_ms) {
    uint64_t total_ms = static_cast<uint64_t>(seconds) * 1000u;
    if (elapsed_ms >= total_ms) return 0;
    return static_cast<uint32_t>((total_ms - elapsed_ms + 999u) / 1000u);
}

void format_key_hints(char* output, size_t capacity, const RecordingOptions& options,
                      RecordingKeysHeld held, bool paused) {
    if (capacity == 0) return;
    output[0] = '\0';
    size_t used = 0;
    bool first = true;
    // The end of the text, which the status line keeps when it is too long
    // for it, also says that the recording is paused.
    append(output, capacity, &used, paused ? " - Paused: " : " - ");
    if (options.pause_key) {
        const char* does = !held.pause ? " taken by another program"
                           : paused    ? " resumes"
                                       : " pauses";
        append_hint(output, capacity, &used, options.pause_key, does, first);
        first = false;
    }
    if (options.stop_key) {
        append_hint(output, capacity, &used, options.stop_key,
                    held.stop ? " stops" : " taken by another program", first);
        first = false;
    }
    if (!options.stop_key || !held.stop)
        append(output, capacity, &used, first ? "Esc stops" : ", Esc stops");
}

void format_countdown_hint(char* output, size_t capacity, const RecordingOptions& options,
                           RecordingKeysHeld held) {
    if (options.stop_key && held.stop) {
        char name[64];
        snprintf(output, capacity, "Esc or %s cancels",
                 recording_key_name(options.stop_key, name, sizeof name));
    } else {
        snprintf(output, capacity, "Esc cancels");
    }
}
