#include "status_text.h"

#include <windows.h>

#include <cstring>

namespace {

constexpr size_t SHORT_NAME_WHOLE = 24;
constexpr size_t SHORT_NAME_HEAD = 12;
constexpr size_t SHORT_NAME_TAIL = 10;

}  // namespace

void short_file_name(const char* name, char* output) {
    size_t length = strlen(name);
    if (length <= SHORT_NAME_WHOLE) {
        memcpy(output, name, length + 1);
        return;
    }
    memcpy(output, name, SHORT_NAME_HEAD);
    memcpy(output + SHORT_NAME_HEAD, "...", 3);
    memcpy(output + SHORT_NAME_HEAD + 3, name + length - SHORT_NAME_TAIL, SHORT_NAME_TAIL + 1);
}

const char* status_state_word(uint32_t playing, uint32_t capturing, uint32_t paused) {
    if (playing && !paused) return "Playing";
    if (capturing && !paused) return "Capturing";
    if (playing && paused) return "Paused (Play)";
    if (capturing && paused) return "Paused (Capture)";
    return nullptr;
}

void format_status_text(char* output, const char* state_word, uint32_t elapsed_ms,
                        const char* file_name) {
    char name[SHORT_FILE_NAME_CAPACITY];
    short_file_name(file_name, name);
    unsigned hours = elapsed_ms / 3600000u;
    unsigned minutes = (elapsed_ms / 60000u) % 60u;
    unsigned seconds = (elapsed_ms / 1000u) % 60u;
    wsprintfA(output, " %s [%2.2i:%2.2i:%2.2i] - '%s'", state_word, hours, minutes, seconds, name);
}

void format_ready_text(char* output, const char* file_name) {
    char name[SHORT_FILE_NAME_CAPACITY];
    short_file_name(file_name, name);
    wsprintfA(output, " Ready [Stopped] - '%s'", name);
}
