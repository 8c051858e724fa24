// A probe that can open direct access to the primary display surface through
// the DCI manager ("dciman32.dll", loaded by name only when asked for). The
// engine always calls it without asking, so the library is never loaded and
// all capture and display go through frame surfaces.
#pragma once

#include <cstdint>

// The options bit that asks for direct access; no other bit has a meaning.
constexpr uint32_t DIRECT_SCREEN_OPEN = 2;

// Status codes of the last call.
constexpr uint32_t DIRECT_SCREEN_OK = 0;
constexpr uint32_t DIRECT_SCREEN_NO_LIBRARY = 7;
constexpr uint32_t DIRECT_SCREEN_NO_ENTRY_POINT = 8;
constexpr uint32_t DIRECT_SCREEN_REFUSED = 9;

// Always returns 1: the engine works the same with or without direct access.
int DirectScreenProbe(uint32_t options);

// The status code left by the last call, and whether direct access is open.
uint32_t DirectScreenStatus();
int DirectScreenIsOpen();
