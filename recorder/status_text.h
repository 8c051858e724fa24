// The texts of the main window's status line: the state, elapsed time and
// short file name while the engine runs, the ready text while it is idle.
#pragma once

#include <cstddef>
#include <cstdint>

// Room for any status text: wsprintfA writes at most 1024 bytes.
constexpr size_t STATUS_TEXT_CAPACITY = 1024;
// The short form of a name: up to 24 characters, or 12 + "..." + 10.
constexpr size_t SHORT_FILE_NAME_CAPACITY = 26;

// name itself when it has at most 24 characters; otherwise its first 12,
// "..." and its last 10. Writes into output (SHORT_FILE_NAME_CAPACITY bytes).
void short_file_name(const char* name, char* output);

// The state word for the engine's flags ("Playing", "Capturing",
// "Paused (Play)", "Paused (Capture)"), or null when nothing runs.
const char* status_state_word(uint32_t playing, uint32_t capturing, uint32_t paused);

// " <state> [hh:mm:ss] - '<short name>'" for elapsed_ms, hours unwrapped, into
// output (STATUS_TEXT_CAPACITY bytes).
void format_status_text(char* output, const char* state_word, uint32_t elapsed_ms,
                        const char* file_name);

// " Ready [Stopped] - '<short name>'" into output (STATUS_TEXT_CAPACITY bytes).
void format_ready_text(char* output, const char* file_name);
